#include "app/dialog_keys.h"

#include <algorithm>
#include <vector>

namespace {
constexpr wchar_t SAVED_FOCUS[] = L"QuorrelSavedFocus";
constexpr int ROW_TOLERANCE = 8;  // pixels between the middles of controls in one row

bool canTakeFocus(HWND window, HWND control) {
    return control && IsChild(window, control) && IsWindowVisible(control) && IsWindowEnabled(control);
}

void focusControl(HWND control) {
    SetFocus(control);
    // As a dialog box does: an edit box reached by the keyboard has its text selected.
    if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(control, EM_SETSEL, 0, -1);
}

bool onActivate(HWND window, WPARAM wParam, int firstId) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window, focus)) SetPropW(window, SAVED_FOCUS, focus);
        return false;
    }
    if (HIWORD(wParam)) return false;  // minimised: nothing to give the focus to
    // Activated again while active (the window manager repeats an activation under load): the
    // keyboard is already on a control and stays there.
    if (canTakeFocus(window, GetFocus())) return true;
    HWND saved = static_cast<HWND>(GetPropW(window, SAVED_FOCUS));
    HWND target = canTakeFocus(window, saved) ? saved : GetDlgItem(window, firstId);
    if (!canTakeFocus(window, target)) return false;
    SetFocus(target);
    return true;
}

struct Placed {
    HWND control;
    RECT place;
};

bool takesKeyboard(HWND control) {
    wchar_t name[32] = {};
    GetClassNameW(control, name, 32);
    if (lstrcmpiW(name, L"Edit") == 0 || lstrcmpiW(name, L"SysListView32") == 0 ||
        lstrcmpiW(name, L"ComboBox") == 0)
        return true;
    if (lstrcmpiW(name, L"Button") != 0) return false;
    LONG kind = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    return kind != BS_GROUPBOX;
}
}  // namespace

bool handleDialogKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int firstId, LRESULT* result) {
    switch (message) {
        case WM_ACTIVATE:
            if (!onActivate(window, wParam, firstId)) return false;
            *result = 0;
            return true;
        case WM_NEXTDLGCTL: {
            HWND target = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                         : GetNextDlgTabItem(window, GetFocus(), wParam != 0);
            if (canTakeFocus(window, target)) focusControl(target);
            *result = 0;
            return true;
        }
        case WM_DESTROY:
            RemovePropW(window, SAVED_FOCUS);
            return false;
    }
    return false;
}

void arrangeTabOrder(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    std::vector<Placed> stops;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        LONG style = GetWindowLongW(child, GWL_STYLE);
        if (!takesKeyboard(child)) continue;
        RECT place{};
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        RECT seen{};
        // Hidden controls and those outside the client area (the off-screen filter box) are
        // never reached by Tab: the user would type into something out of sight.
        if (!(style & WS_VISIBLE) || !IntersectRect(&seen, &place, &client)) {
            SetWindowLongW(child, GWL_STYLE, style & ~WS_TABSTOP);
            continue;
        }
        SetWindowLongW(child, GWL_STYLE, style | WS_TABSTOP);
        stops.push_back({child, place});
    }
    auto middle = [](const Placed& p) { return (p.place.top + p.place.bottom) / 2; };
    std::stable_sort(stops.begin(), stops.end(), [&](const Placed& a, const Placed& b) { return middle(a) < middle(b); });
    // Rows: controls whose middles lie within a few pixels of the row's first one.
    for (size_t rowStart = 0; rowStart < stops.size();) {
        size_t rowEnd = rowStart + 1;
        while (rowEnd < stops.size() && middle(stops[rowEnd]) - middle(stops[rowStart]) <= ROW_TOLERANCE) ++rowEnd;
        std::stable_sort(stops.begin() + long(rowStart), stops.begin() + long(rowEnd),
                         [](const Placed& a, const Placed& b) { return a.place.left < b.place.left; });
        rowStart = rowEnd;
    }
    // Tab follows the order of the children: put the stops first, in screen order. Labels keep
    // their order among themselves, and none of them overlaps a stop.
    for (auto it = stops.rbegin(); it != stops.rend(); ++it)
        SetWindowPos(it->control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
