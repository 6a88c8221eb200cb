// Procedures of the simpler control kinds: lists share the edit frame; combo boxes colour their
// edit and list children; the rest keep their own look and only track hover and focus.
#include <windows.h>

#include <commctrl.h>

#include <cstring>

#include "skin/engine.h"

namespace skin {

namespace {

ControlRecord* anyRecord(HWND control) {
    for (int t = 0; t < TABLE_COUNT; ++t)
        if (t != TABLE_CONTAINERS)
            if (ControlRecord* r = controlRecord(control, static_cast<TableKind>(t))) return r;
    return nullptr;
}

void trackHover(HWND window, UINT message, ControlRecord* control) {
    if (!control) return;
    if (message == WM_MOUSEMOVE && !control->tracking) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
        TrackMouseEvent(&track);
        control->tracking = control->hot = true;
    } else if (message == WM_MOUSELEAVE) {
        control->tracking = control->hot = false;
    } else if (message == WM_SETFOCUS) {
        control->focused = true;
    } else if (message == WM_KILLFOCUS) {
        control->focused = false;
    }
}

}  // namespace

bool isListBox(HWND window) {
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    return !std::strcmp(cls, "ListBox") || !std::strcmp(cls, "ComboLBox");
}

// A list box clears what its items leave with opaque window colour whatever brush it is given,
// so it draws into a memory DC and its window-coloured pixels are keyed out over the veil.
LRESULT paintVeiledList(HWND list) {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(list, &ps);
    RECT client{};
    GetClientRect(list, &client);
    if (client.right > 0 && client.bottom > 0) {
        MemoryDC content(client.right, client.bottom);
        callOldProc(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(content.dc()), PRF_CLIENT);
        MemoryDC face(client.right, client.bottom);
        fillControlBackground(list, face, true);
        veil(face.dc(), face.width(), face.height(), settings().veilAlpha);
        TransparentBlt(face.dc(), 0, 0, face.width(), face.height(), content.dc(), 0, 0, face.width(), face.height(),
                       GetSysColor(COLOR_WINDOW));
        BitBlt(dc, 0, 0, face.width(), face.height(), face.dc(), 0, 0, SRCCOPY);
    }
    EndPaint(list, &ps);
    PaintEditFrame(list);
    return 0;
}

LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT && settings().veilOn && isListBox(list)) return paintVeiledList(list);
    if (message == WM_MOUSEMOVE || message == WM_MOUSELEAVE || message == WM_SETFOCUS || message == WM_KILLFOCUS) {
        ControlRecord* control = controlRecord(list, TABLE_LISTS);
        trackHover(list, message, control);
        LRESULT result = callOldProc(list, message, wParam, lParam);
        if (message != WM_MOUSEMOVE || (control && control->hot)) PaintEditFrame(list);
        return result;
    }
    return EditProc(list, message, wParam, lParam);
}

LRESULT CALLBACK ComboProc(HWND combo, UINT message, WPARAM wParam, LPARAM lParam) {
    const Settings& s = settings();
    switch (message) {
        case WM_COMMAND: {
            WORD code = HIWORD(wParam);
            if ((code == EN_CHANGE || code == EN_UPDATE || code == EN_HSCROLL || code == EN_VSCROLL) && s.veilOn &&
                s.controlsOn && lParam)
                InvalidateRect(reinterpret_cast<HWND>(lParam), nullptr, TRUE);
            break;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            if (s.veilOn)
                if (HBRUSH brush = controlColour(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)))
                    return reinterpret_cast<LRESULT>(brush);
            break;
        case WM_DESTROY: {
            // The edit and the list (a child of a simple combo box, a pop-up of the others) got
            // their brushes through this combo box's WM_CTLCOLOR*; they go with it.
            HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr);
            COMBOBOXINFO info{};
            info.cbSize = sizeof info;
            HWND list = GetComboBoxInfo(combo, &info) ? info.hwndList : nullptr;
            for (HWND owner : {combo, edit, list}) {
                if (!owner) continue;
                releaseControlBrush(owner);
            }
            break;
        }
        default:
            trackHover(combo, message, controlRecord(combo, TABLE_COMBOS));
            break;
    }
    return callOldProc(combo, message, wParam, lParam);
}

LRESULT CALLBACK PlainControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    trackHover(control, message, anyRecord(control));
    if (message == WM_DESTROY) {
        releaseControlBrush(control);
    }
    return callOldProc(control, message, wParam, lParam);
}

LRESULT CALLBACK ContainerChildProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam) {
    trackHover(child, message, controlRecord(child, TABLE_CONTAINERS));
    if (message == WM_DESTROY) {
        releaseControlBrush(child);
    }
    auto old = reinterpret_cast<WNDPROC>(GetPropA(child, PROP_CHILD_PROC));
    if (!old) return DefWindowProcW(child, message, wParam, lParam);
    return CallWindowProcW(old, child, message, wParam, lParam);
}

}  // namespace skin
