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

bool isComboList(HWND window) {
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    return !std::strcmp(cls, "ComboLBox");
}

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

namespace {

// Messages after which a system list box has drawn items straight onto the screen.
bool listDrawsDirectly(UINT message, WPARAM wParam, HWND list) {
    switch (message) {
        case LB_SETCURSEL:
        case LB_SETSEL:
        case LB_SETCARETINDEX:
        case LB_SETTOPINDEX:
        case LB_SELITEMRANGE:
        case LB_SELITEMRANGEEX:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_KEYDOWN:
        case WM_CHAR:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_TIMER:
        case WM_VSCROLL:
        case WM_HSCROLL:
        case WM_MOUSEWHEEL:
        case WM_ENABLE:
            return true;
        case WM_MOUSEMOVE:
            // A pressed button drags the selection; a dropped combo list follows the mouse.
            return (wParam & MK_LBUTTON) || !isListBox(list) || GetParent(list) == nullptr || isComboList(list);
        default:
            return false;
    }
}

// Lists and list views drawn by their painters; the frame is the edit's.
LRESULT paintedListProc(HWND list, ControlRecord& control, UINT message, WPARAM wParam, LPARAM lParam) {
    const int painter = control.painter;
    LRESULT drawn = 0;
    if (painterDrawsItself(list, message, wParam, drawn)) {
        if (message == WM_PAINT && !wParam) PaintEditFrame(list);
        return drawn;
    }
    bool repaint = trackPainterInput(list, control, message, lParam);
    LRESULT result = EditProc(list, message, wParam, lParam);  // the record may move in there
    if (repaint || (painter == PAINTER_LISTBOX && listDrawsDirectly(message, wParam, list))) repaintNow(list);
    return result;
}

}  // namespace

LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    if (ControlRecord* control = controlRecord(list, TABLE_LISTS))
        if (control->painter != PAINTER_NONE) return paintedListProc(list, *control, message, wParam, lParam);
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
    LRESULT drawn = 0;
    if (painterDrawsItself(combo, message, wParam, drawn)) return drawn;
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
            break;
    }
    ControlRecord* control = controlRecord(combo, TABLE_COMBOS);
    bool repaint = control && trackPainterInput(combo, *control, message, lParam);
    // Opening and closing the list, a new selection and the focus change the face.
    repaint = repaint || message == CB_SETCURSEL || message == CB_SHOWDROPDOWN || message == WM_SETFOCUS ||
              message == WM_KILLFOCUS || message == CB_SELECTSTRING;
    LRESULT result = callOldProc(combo, message, wParam, lParam);
    if (repaint) repaintNow(combo);
    return result;
}

LRESULT CALLBACK PlainControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    trackHover(control, message, anyRecord(control));
    if (message == WM_DESTROY) {
        releaseControlBrush(control);
    }
    return callOldProc(control, message, wParam, lParam);
}

namespace {

LRESULT callChildOldProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam) {
    auto old = reinterpret_cast<WNDPROC>(GetPropA(child, PROP_CHILD_PROC));
    if (!old) return DefWindowProcW(child, message, wParam, lParam);
    return CallWindowProcW(old, child, message, wParam, lParam);
}

// A tab page is the parent of its controls: what the frame does for the window's own children
// (owner-drawn push buttons, control colours, edit notifications) it does for the page's.
bool pageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            ControlRecord* control = item->CtlType == ODT_BUTTON ? controlRecord(item->hwndItem, TABLE_BUTTONS) : nullptr;
            if (!control || control->kind != BUTTON_PUSH) return false;
            PaintPushButton(*control, *item);
            result = TRUE;
            return true;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC: {
            auto control = reinterpret_cast<HWND>(lParam);
            if (!settings().veilOn || !(ownerOfControl(control) || ownerOfControl(GetParent(control)))) return false;
            HBRUSH brush = controlColour(control, reinterpret_cast<HDC>(wParam));
            if (!brush) return false;
            result = reinterpret_cast<LRESULT>(brush);
            return true;
        }
        case WM_COMMAND: {
            WORD code = HIWORD(wParam);
            auto control = reinterpret_cast<HWND>(lParam);
            if (control && (code == EN_CHANGE || code == EN_UPDATE || code == EN_HSCROLL || code == EN_VSCROLL) &&
                settings().veilOn)
                if (ControlRecord* edit = controlRecord(control, TABLE_EDITS)) {
                    InvalidateRect(control, nullptr, TRUE);
                    repaintOverlays(*edit);
                }
            return false;
        }
        default:
            (void)page;
            return false;
    }
}

}  // namespace

// Toolbars and tab controls (painted), tab pages (painted with what lies behind them, and
// parents of their own controls) and the children of toolbars (hover only).
LRESULT CALLBACK ContainerChildProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam) {
    ControlRecord* record = painterRecord(child);
    const int painter = record ? record->painter : PAINTER_NONE;
    LRESULT drawn = 0;
    if (painter != PAINTER_NONE && painterDrawsItself(child, message, wParam, drawn)) return drawn;
    if (painter == PAINTER_PAGE) {
        LRESULT handled = 0;
        if (pageMessage(child, message, wParam, lParam, handled)) return handled;
    }
    bool repaint = false;
    if (painter == PAINTER_TOOLBAR || painter == PAINTER_TAB)
        repaint = trackPainterInput(child, *record, message, lParam);
    else
        trackHover(child, message, record);
    if (message == WM_DESTROY) releaseControlBrush(child);
    LRESULT result = callChildOldProc(child, message, wParam, lParam);
    if (repaint) repaintNow(child);
    return result;
}

}  // namespace skin
