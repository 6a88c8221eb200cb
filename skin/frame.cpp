// The frame procedure of a skinned top-level window: painting from the rendered background,
// caption buttons with hover animation, dragging and resizing, size limits and close effects.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "skin/tip_window.h"
#include "skin/trim_memory.h"
#include "skin/engine.h"

namespace skin {

namespace {

TrimFunction g_trim = trimMemory;

struct FrameMessage {
    HWND window;
    WindowRecord& record;
    int index;
    WPARAM wParam;
    LPARAM lParam;
};

LRESULT passOn(FrameMessage& m, UINT message) {
    return callOldProc(m.window, message, m.wParam, m.lParam);
}

POINT clientPoint(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

int buttonAt(const WindowRecord& record, POINT p) {
    if (!record.drawCaption) return -1;
    for (size_t i = 0; i < record.buttons.size(); ++i)
        if (PtInRect(&record.buttons[i].rect, p)) return static_cast<int>(i);
    return -1;
}

bool onButtonStrip(const WindowRecord& record, POINT p) {
    if (record.buttons.empty() || p.y >= CAPTION_STRIP_HEIGHT) return false;
    LONG left = record.buttons.back().rect.left;
    for (const CaptionButton& b : record.buttons) left = std::min(left, b.rect.left);
    return p.x >= left - 2;
}

// The WMSZ_* code of the edge or corner under the point, 0 when none or not resizable.
int edgeAt(const WindowRecord& record, HWND window, POINT p) {
    // Without a drawn caption the skin does no sizing, so it shows no sizing cursor either.
    if (!record.resizable || !record.drawCaption || IsZoomed(window)) return 0;
    RECT c{};
    GetClientRect(window, &c);
    constexpr int CORNER = 11;
    bool left = p.x < RESIZE_BORDER, right = p.x >= c.right - RESIZE_BORDER;
    bool top = p.y < RESIZE_BORDER, bottom = p.y >= c.bottom - RESIZE_BORDER;
    bool nearTop = p.y < CORNER, nearBottom = p.y >= c.bottom - CORNER;
    bool nearLeft = p.x < CORNER, nearRight = p.x >= c.right - CORNER;
    if ((top && nearLeft) || (left && nearTop)) return WMSZ_TOPLEFT;
    if ((top && nearRight) || (right && nearTop)) return WMSZ_TOPRIGHT;
    if ((bottom && nearLeft) || (left && nearBottom)) return WMSZ_BOTTOMLEFT;
    if ((bottom && nearRight) || (right && nearBottom)) return WMSZ_BOTTOMRIGHT;
    if (left) return WMSZ_LEFT;
    if (right) return WMSZ_RIGHT;
    if (top) return WMSZ_TOP;
    if (bottom) return WMSZ_BOTTOM;
    return 0;
}

LPCSTR cursorForEdge(int edge) {
    switch (edge) {
        case WMSZ_LEFT:
        case WMSZ_RIGHT:
            return reinterpret_cast<LPCSTR>(IDC_SIZEWE);
        case WMSZ_TOP:
        case WMSZ_BOTTOM:
            return reinterpret_cast<LPCSTR>(IDC_SIZENS);
        case WMSZ_TOPLEFT:
        case WMSZ_BOTTOMRIGHT:
            return reinterpret_cast<LPCSTR>(IDC_SIZENWSE);
        case WMSZ_TOPRIGHT:
        case WMSZ_BOTTOMLEFT:
            return reinterpret_cast<LPCSTR>(IDC_SIZENESW);
        default:
            return nullptr;
    }
}

void startTimer(WindowRecord& record) {
    if (record.timerRunning) return;
    record.timerRunning = true;
    SetTimer(record.handle, reinterpret_cast<UINT_PTR>(record.handle), HOVER_TIMER_MS, nullptr);
}

void stopTimer(WindowRecord& record) {
    record.timerRunning = false;
    KillTimer(record.handle, reinterpret_cast<UINT_PTR>(record.handle));
}

// The hot button becomes the previous one and fades out from where its fade-in had got to.
void releaseHot(WindowRecord& record) {
    if (record.hotButton < 0) return;
    if (record.prevButton >= 0 && record.prevButton != record.hotButton)
        paintCaptionButton(record, record.prevButton, 0, false);
    record.prevButton = record.hotButton;
    record.prevStep = HOVER_STEPS - std::min(record.hotStep, HOVER_STEPS);
    record.hotButton = -1;
    record.hotStep = 0;
    startTimer(record);
}

void endHover(WindowRecord& record) {
    if (record.hotButton >= 0) paintCaptionButton(record, record.hotButton, 0, false);
    if (record.prevButton >= 0) paintCaptionButton(record, record.prevButton, 0, false);
    record.hotButton = record.prevButton = -1;
    record.hotStep = record.prevStep = 0;
    stopTimer(record);
}

RECT maximisedArea() {
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
    RECT trayRect{};
    bool visible = tray && IsWindowVisible(tray) && GetWindowRect(tray, &trayRect);
    return workAreaFromTaskbar(sw, sh, visible ? &trayRect : nullptr);
}

void performButton(FrameMessage& m, int button) {
    WindowRecord& r = m.record;
    CaptionButton& b = r.buttons[button];
    switch (b.kind) {
        case CB_CLOSE:
            SendMessageA(m.window, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case CB_MAXIMISE:
            if (IsZoomed(m.window) || r.maximised) {
                b.tip = "最大化";
                if (r.tips) r.tips->SetToolText(b.id, b.tip);
                SendMessageA(m.window, WM_SYSCOMMAND, SC_RESTORE, 0);
            } else {
                b.tip = "还原";
                if (r.tips) r.tips->SetToolText(b.id, b.tip);
                SendMessageA(m.window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
            }
            break;
        case CB_MINIMISE:
            r.minimised = true;
            SendMessageA(m.window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            break;
        default:
            break;  // caption items have no action of their own
    }
}

LRESULT onSize(FrameMessage& m) {
    WindowRecord& r = m.record;
    if (m.wParam == SIZE_MAXIMIZED) r.maximised = true;
    if (m.wParam == SIZE_RESTORED) r.maximised = false;
    r.minimised = m.wParam == SIZE_MINIMIZED;
    if (!r.minimised) {
        refreshChildren(r);
        endHover(r);
        RECT c{};
        GetClientRect(m.window, &c);
        // The first WM_SIZE after start-up needs no rebuild; a size equal to the rendered one neither.
        if (r.firstSizeSeen && (c.right != r.bgW || c.bottom != r.bgH)) {
            r.rebuildPending = true;
            InvalidateRect(m.window, nullptr, FALSE);
        }
        r.firstSizeSeen = true;
        layoutCaptionButtons(r);
        // The region follows every size change: rounded for the new size, none when maximised.
        if (r.drawCaption) setRoundRegion(m.window, false);
    }
    return passOn(m, WM_SIZE);
}

LRESULT onSetText(FrameMessage& m) {
    LRESULT result = passOn(m, WM_SETTEXT);
    if (m.record.drawCaption && m.record.optionA && m.record.displayDC) {
        RebuildWindowSkin(m.index);
        RECT caption{0, 0, m.record.bgW, m.record.captionHeight};
        InvalidateRect(m.window, &caption, FALSE);
    }
    return result;
}

LRESULT onPaint(FrameMessage& m) {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(m.window, &ps);
    if (m.record.rebuildPending || !m.record.displayDC) {
        RebuildWindowSkin(m.index);
        m.record.rebuildPending = false;
    }
    BitBlt(dc, 0, 0, m.record.bgW, m.record.bgH, m.record.displayDC, 0, 0, SRCCOPY);
    EndPaint(m.window, &ps);
    refreshChildren(m.record);
    return passOn(m, WM_PAINT);
}

// The close effect moved, shrank and faded the window as a layered one; a window whose own
// procedure keeps it open on WM_CLOSE is put back as it was.
void restoreAfterCloseEffect(HWND window, const RECT& before, LONG_PTR exBefore) {
    SetWindowLongPtrA(window, GWL_EXSTYLE, exBefore & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
    WindowRecord* record = recordOfWindow(window);
    if ((exBefore & WS_EX_LAYERED) && record) {
        SetWindowLongPtrA(window, GWL_EXSTYLE, exBefore);
        SetLayeredWindowAttributes(window, 0, static_cast<BYTE>(record->windowAlpha), LWA_ALPHA);
    }
    SetWindowPos(window, nullptr, before.left, before.top, before.right - before.left, before.bottom - before.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (record && record->drawCaption) setRoundRegion(window, false);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

LRESULT onClose(FrameMessage& m) {
    HWND window = m.window;
    stopTimer(m.record);
    RECT before{};
    GetWindowRect(window, &before);
    LONG_PTR exBefore = GetWindowLongPtrA(window, GWL_EXSTYLE);
    playCloseEffect(m.record);
    bool played = !lastCloseEffect().empty();
    LRESULT result = passOn(m, WM_CLOSE);  // the record may be gone after this
    if (played && IsWindow(window)) restoreAfterCloseEffect(window, before, exBefore);
    return result;
}

LRESULT onShowWindow(FrameMessage& m) {
    if (m.wParam && !m.record.shown) {
        RebuildWindowSkin(m.index);
        m.record.rebuildPending = false;
        m.record.shown = true;
    }
    return passOn(m, WM_SHOWWINDOW);
}

LRESULT onActivateApp(FrameMessage& m) {
    if (m.wParam == 0) {
        m.record.appActive = false;
        m.record.active = false;
        if (g_trim) g_trim();
    } else {
        m.record.appActive = true;
    }
    return passOn(m, WM_ACTIVATEAPP);
}

LRESULT onGetMinMaxInfo(FrameMessage& m) {
    auto* info = reinterpret_cast<MINMAXINFO*>(m.lParam);
    info->ptMinTrackSize = {m.record.minTrackW, m.record.minTrackH};
    RECT area = maximisedArea();
    info->ptMaxPosition = {area.left, area.top};
    info->ptMaxSize = {area.right - area.left, area.bottom - area.top};
    // The window's own procedure still sees the limits and may narrow them further.
    return passOn(m, WM_GETMINMAXINFO);
}

LRESULT onWindowPosChanged(FrameMessage& m) {
    LRESULT result = passOn(m, WM_WINDOWPOSCHANGED);
    if (!IsWindow(m.window)) return result;
    RECT c{};
    GetClientRect(m.window, &c);
    if (m.record.hasMaximise && c.right == GetSystemMetrics(SM_CXSCREEN) && c.bottom == GetSystemMetrics(SM_CYSCREEN)) {
        RECT area = maximisedArea();
        if (area.right - area.left != c.right || area.bottom - area.top != c.bottom)
            SetWindowPos(m.window, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
    }
    layoutCaptionButtons(m.record);
    return result;
}

void repaintTab(HWND tab) {
    InvalidateRect(tab, nullptr, TRUE);
    for (HWND page = GetWindow(tab, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT))
        RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

LRESULT onNotify(FrameMessage& m) {
    NMHDR header{};
    std::memcpy(&header, reinterpret_cast<const void*>(m.lParam), sizeof header);
    int code = static_cast<int>(header.code);
    // Windows are Unicode, so their tree views send the W codes; the A codes are kept for
    // trees that were told to speak ANSI (NFR_ANSI).
    if (code == static_cast<int>(TVN_ITEMEXPANDINGW) || code == static_cast<int>(TVN_ITEMEXPANDEDW) ||
        code == static_cast<int>(TVN_ITEMEXPANDINGA) || code == static_cast<int>(TVN_ITEMEXPANDEDA)) {
        InvalidateRect(header.hwndFrom, nullptr, TRUE);
    } else if (code == static_cast<int>(TCN_SELCHANGING) && controlRecord(header.hwndFrom, TABLE_CONTAINERS)) {
        repaintTab(header.hwndFrom);
    } else if (code == static_cast<int>(UDN_DELTAPOS)) {
        HWND tab = GetParent(header.hwndFrom);
        if (tab && controlRecord(tab, TABLE_CONTAINERS)) repaintTab(tab);
    }
    return passOn(m, WM_NOTIFY);
}

LRESULT onNcDestroy(FrameMessage& m) {
    HWND window = m.window;
    ReleaseWindowSkin(window);
    KillTimer(window, reinterpret_cast<UINT_PTR>(window));
    return callOldProc(window, WM_NCDESTROY, m.wParam, m.lParam);
}

LRESULT onCommand(FrameMessage& m) {
    WORD code = HIWORD(m.wParam);
    auto control = reinterpret_cast<HWND>(m.lParam);
    if (control && (code == EN_CHANGE || code == EN_UPDATE || code == EN_HSCROLL || code == EN_VSCROLL) &&
        settings().veilOn && settings().controlsOn) {
        if (ControlRecord* edit = controlRecord(control, TABLE_EDITS)) {
            InvalidateRect(control, nullptr, TRUE);
            repaintOverlays(*edit);
        }
    }
    return passOn(m, WM_COMMAND);
}

LRESULT onSysCommand(FrameMessage& m) {
    switch (m.wParam & 0xFFF0) {
        case SC_MINIMIZE:
            m.record.minimised = true;
            break;
        case SC_MAXIMIZE:
            m.record.maximised = true;
            m.record.rebuildPending = true;
            break;
        case SC_RESTORE:
            if (m.record.minimised) {
                m.record.minimised = false;
            } else {
                m.record.maximised = false;
            }
            m.record.rebuildPending = true;
            break;
        default:
            break;
    }
    return passOn(m, WM_SYSCOMMAND);
}

LRESULT onTimer(FrameMessage& m) {
    if (m.wParam != reinterpret_cast<WPARAM>(m.window)) return passOn(m, WM_TIMER);
    WindowRecord& r = m.record;
    if (r.hotButton >= 0 && r.hotStep <= HOVER_STEPS - 1) {
        ++r.hotStep;
        paintCaptionButton(r, r.hotButton, 30 * r.hotStep, r.pressedButton == r.hotButton);
    }
    if (r.prevButton >= 0 && r.prevStep <= HOVER_STEPS - 1) {
        ++r.prevStep;
        paintCaptionButton(r, r.prevButton, 240 - 30 * r.prevStep, false);
    }
    if (r.prevButton >= 0 && r.prevStep >= HOVER_STEPS) r.prevButton = -1;
    bool hotDone = r.hotButton < 0 || r.hotStep >= HOVER_STEPS;
    if (hotDone && r.prevButton < 0) stopTimer(r);
    return 0;
}

LRESULT onCtlColor(FrameMessage& m, UINT message) {
    auto control = reinterpret_cast<HWND>(m.lParam);
    if (settings().veilOn && (ownerOfControl(control) || ownerOfControl(GetParent(control)))) {
        if (HBRUSH brush = controlColour(control, reinterpret_cast<HDC>(m.wParam)))
            return reinterpret_cast<LRESULT>(brush);
    }
    return passOn(m, message);
}

LRESULT onMouseMove(FrameMessage& m) {
    WindowRecord& r = m.record;
    if (!r.tracking) {
        TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, m.window, 1};
        TrackMouseEvent(&track);
        r.tracking = true;
    }
    POINT p = clientPoint(m.lParam);
    if (r.drawCaption) {
        int button = buttonAt(r, p);
        if (button != r.hotButton) {
            releaseHot(r);
            if (button >= 0) {
                if (r.prevButton == button) r.prevButton = -1;
                r.hotButton = button;
                r.hotStep = 0;
                startTimer(r);
            }
        }
    }
    if (LPCSTR cursor = cursorForEdge(edgeAt(r, m.window, p))) SetCursor(LoadCursorA(nullptr, cursor));
    return passOn(m, WM_MOUSEMOVE);
}

LRESULT onSetCursor(FrameMessage& m) {
    if (reinterpret_cast<HWND>(m.wParam) == m.window && LOWORD(m.lParam) == HTCLIENT) {
        POINT p{};
        GetCursorPos(&p);
        ScreenToClient(m.window, &p);
        if (LPCSTR cursor = cursorForEdge(edgeAt(m.record, m.window, p))) {
            SetCursor(LoadCursorA(nullptr, cursor));
            return TRUE;
        }
    }
    return passOn(m, WM_SETCURSOR);
}

LRESULT onLButtonDown(FrameMessage& m) {
    WindowRecord& r = m.record;
    POINT p = clientPoint(m.lParam);
    if (!r.drawCaption || r.minimised) return passOn(m, WM_LBUTTONDOWN);
    // The buttons work in a maximised window too, so it can be restored.
    int button = buttonAt(r, p);
    if (button >= 0) {
        r.pressedButton = button;
        SetCapture(m.window);
        paintCaptionButton(r, button, 240, true);
        return 0;
    }
    if (IsZoomed(m.window) || r.maximised) return passOn(m, WM_LBUTTONDOWN);
    if (int edge = edgeAt(r, m.window, p)) {
        SetCursor(LoadCursorA(nullptr, cursorForEdge(edge)));
        SendMessageA(m.window, WM_SYSCOMMAND, SC_SIZE + edge, 0);
        return 0;
    }
    if (p.y < r.captionHeight && !onButtonStrip(r, p)) {
        POINT screen = p;
        ClientToScreen(m.window, &screen);
        SendMessageA(m.window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
        return 0;
    }
    return passOn(m, WM_LBUTTONDOWN);
}

LRESULT onLButtonUp(FrameMessage& m) {
    WindowRecord& r = m.record;
    int pressed = r.pressedButton;
    if (pressed < 0) return passOn(m, WM_LBUTTONUP);
    r.pressedButton = -1;
    if (GetCapture() == m.window) ReleaseCapture();
    POINT p = clientPoint(m.lParam);
    bool over = buttonAt(r, p) == pressed;
    paintCaptionButton(r, pressed, over ? 240 : 0, false);
    if (over) performButton(m, pressed);
    return 0;
}

// The mouse went elsewhere in the middle of a caption-button press (another window took the
// capture, a menu or a drag began): the press is over, the button is drawn normal and disarmed.
LRESULT onCaptureChanged(FrameMessage& m) {
    WindowRecord& r = m.record;
    if (r.pressedButton >= 0) {
        int pressed = r.pressedButton;
        r.pressedButton = -1;
        paintCaptionButton(r, pressed, r.hotButton == pressed ? 30 * std::min(r.hotStep, HOVER_STEPS) : 0, false);
    }
    return passOn(m, WM_CAPTURECHANGED);
}

LRESULT onLButtonDblClk(FrameMessage& m) {
    WindowRecord& r = m.record;
    POINT p = clientPoint(m.lParam);
    if (r.drawCaption && r.resizable && p.y <= r.captionHeight && buttonAt(r, p) < 0) {
        for (size_t i = 0; i < r.buttons.size(); ++i)
            if (r.buttons[i].kind == CB_MAXIMISE) {
                performButton(m, static_cast<int>(i));
                return 0;
            }
    }
    return passOn(m, WM_LBUTTONDBLCLK);
}

LRESULT onMouseLeave(FrameMessage& m) {
    m.record.tracking = false;
    releaseHot(m.record);
    return passOn(m, WM_MOUSELEAVE);
}

}  // namespace

void setTrimFunction(TrimFunction trim) {
    g_trim = trim ? trim : trimMemory;
}

bool isControlColourMessage(UINT message) {
    return message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX || message == WM_CTLCOLORBTN ||
           message == WM_CTLCOLORSTATIC;
}

bool frameDrawsItself(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_ERASEBKGND) {
        // The paint lays the rendered background whole; texts drawn on it keep it.
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        result = 1;
        return true;
    }
    if (message != WM_DRAWITEM) return false;
    DRAWITEMSTRUCT item{};
    std::memcpy(&item, reinterpret_cast<const void*>(lParam), sizeof item);
    if (item.CtlType != ODT_BUTTON) return false;
    ControlRecord* control = controlRecord(item.hwndItem, TABLE_BUTTONS);
    if (!control || control->kind != BUTTON_PUSH) return false;
    PaintPushButton(*control, item);
    result = TRUE;
    return true;
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    int index = static_cast<int>(getProp(window, PROP_INDEX));
    WindowRecord* record = recordAt(index);
    if (!record || record->handle != window) return callOldProc(window, message, wParam, lParam);
    FrameMessage m{window, *record, index, wParam, lParam};
    LRESULT drawn = 0;
    if (frameDrawsItself(message, wParam, lParam, drawn)) return drawn;
    if (isControlColourMessage(message)) return onCtlColor(m, message);
    switch (message) {
        case WM_SIZE:
            return onSize(m);
        case WM_ACTIVATE:
            record->active = LOWORD(wParam) >= 1;
            break;
        case WM_SETTEXT:
            return onSetText(m);
        case WM_PAINT:
            return onPaint(m);
        case WM_CLOSE:
            return onClose(m);
        case WM_QUIT:
            SkinShutdown();
            break;
        case WM_QUERYOPEN:
            record->minimised = false;
            record->rebuildPending = true;
            break;
        case WM_SHOWWINDOW:
            return onShowWindow(m);
        case WM_ACTIVATEAPP:
            return onActivateApp(m);
        case WM_GETMINMAXINFO:
            return onGetMinMaxInfo(m);
        case WM_WINDOWPOSCHANGED:
            return onWindowPosChanged(m);
        case WM_NOTIFY:
            return onNotify(m);
        case WM_NCDESTROY:
            return onNcDestroy(m);
        case WM_COMMAND:
            return onCommand(m);
        case WM_SYSCOMMAND:
            return onSysCommand(m);
        case WM_TIMER:
            return onTimer(m);
        case WM_MOUSEMOVE:
            return onMouseMove(m);
        case WM_SETCURSOR:
            return onSetCursor(m);
        case WM_LBUTTONDOWN:
            return onLButtonDown(m);
        case WM_LBUTTONUP:
            return onLButtonUp(m);
        case WM_LBUTTONDBLCLK:
            return onLButtonDblClk(m);
        case WM_CAPTURECHANGED:
            return onCaptureChanged(m);
        case WM_SIZING:
            record->sizing = true;
            break;
        case WM_MOVING:
            record->moving = true;
            break;
        case WM_EXITSIZEMOVE:
            record->sizing = record->moving = false;
            break;
        case WM_MOUSELEAVE:
            return onMouseLeave(m);
        default:
            break;
    }
    return callOldProc(window, message, wParam, lParam);
}

}  // namespace skin
