// The skinned message box: a thread-local CBT hook catches the system box when it is activated,
// gives it the skin's frame and controls, and fades it in.
#include <algorithm>
#include <cstring>

#include "skin/tip_window.h"
#include "text/encoding.h"
#include "skin/engine.h"

namespace skin {

namespace {

thread_local HHOOK t_hook = nullptr;

void unhook() {
    if (t_hook) {
        UnhookWindowsHookEx(t_hook);
        t_hook = nullptr;
    }
}

DWORD WINAPI fadeIn(void* parameter) {
    auto box = static_cast<HWND>(parameter);
    for (int i = 1; i <= 10; ++i) {
        Sleep(static_cast<DWORD>(50 - 5 * i));
        SetLayeredWindowAttributes(box, 0, static_cast<BYTE>(24 * i), LWA_ALPHA);
    }
    return 0;
}

// Turns the system frame into client area: the caption bar is drawn by the skin, so the box
// keeps its client contents, gains the skin's caption height on top and 3 pixels on each side.
void makeFrameless(HWND box, int captionHeight) {
    RECT window{}, client{};
    GetWindowRect(box, &window);
    GetClientRect(box, &client);
    int newW = (window.right - window.left);
    int newH = client.bottom + captionHeight + 3;
    int shiftX = (newW - client.right) / 2;
    LONG_PTR style = GetWindowLongPtrA(box, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME);
    SetWindowLongPtrA(box, GWL_STYLE, style | WS_POPUP | WS_SYSMENU);
    LONG_PTR exStyle = GetWindowLongPtrA(box, GWL_EXSTYLE);
    exStyle &= ~static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE);
    SetWindowLongPtrA(box, GWL_EXSTYLE, exStyle);
    std::vector<HWND> children;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) children.push_back(child);
    for (HWND child : children) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(child, nullptr, r.left + shiftX, r.top + captionHeight, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowPos(box, nullptr, window.left, window.top, newW, newH, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void roundBox(HWND box) {
    RECT r{};
    GetWindowRect(box, &r);
    OffsetRect(&r, -r.left, -r.top);
    HRGN region = CreateRoundRectRgn(0, 0, r.right + 1, r.bottom + 1, 5, 5);
    // Once set, the region belongs to the system and must not be deleted; only a refused one is.
    if (!SetWindowRgn(box, region, TRUE)) DeleteObject(region);
}

// The geometry is changed when the box is first shown: at activation time the system may not
// have laid out its buttons yet and would move them back afterwards.
void reshapeMessageBox(WindowRecord& record) {
    HWND box = record.handle;
    RECT r{};
    GetWindowRect(box, &r);
    MoveWindow(box, r.left, r.top, r.right - r.left + 6, r.bottom - r.top, FALSE);
    makeFrameless(box, record.captionHeight);
    roundBox(box);
    layoutCaptionButtons(record);
    RebuildWindowSkin(FindWindowIndex(box));
}

void skinMessageBox(HWND box) {
    auto record = std::make_unique<WindowRecord>();
    record->handle = box;
    record->isMessageBox = true;
    record->captionHeight = MIN_CAPTION_HEIGHT;
    record->drawCaption = true;
    record->resizable = false;
    record->windowMode = settings().mode;
    record->screenW = GetSystemMetrics(SM_CXSCREEN);
    record->screenH = GetSystemMetrics(SM_CYSCREEN);

    SetWindowLongPtrA(box, GWL_STYLE, GetWindowLongPtrA(box, GWL_STYLE) | WS_SYSMENU);
    LONG_PTR exStyle = GetWindowLongPtrA(box, GWL_EXSTYLE);
    if (!(exStyle & WS_EX_LAYERED)) SetWindowLongPtrA(box, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    SetLayeredWindowAttributes(box, 0, 0, LWA_ALPHA);

    auto& table = windowTable();
    table.push_back(std::move(record));
    int index = static_cast<int>(table.size());
    WindowRecord& added = *table.back();
    setProp(box, PROP_INDEX, index);
    // The skin's procedure goes on first. The caption tooltip subclasses the box too
    // (TTF_SUBCLASS); its subclass must lie above the skin's: torn down first when the box is
    // destroyed, it then takes only itself away, and WM_DESTROY and WM_NCDESTROY still reach the
    // skin and, through it, the box's own procedure.
    auto old =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MessageBoxProc)));
    added.oldProc = old;
    setProp(box, PROP_PROC, reinterpret_cast<INT_PTR>(old));
    createCaptionButtons(added);  // a box has no minimise or maximise box: close only
    skinChildren(added, index, box, true);
}

LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        auto window = reinterpret_cast<HWND>(wParam);
        char className[256] = {};
        GetClassNameA(window, className, 255);
        if (!std::strcmp(className, "#32770") && !GetPropA(window, PROP_PROC)) skinMessageBox(window);
    }
    return CallNextHookEx(t_hook, code, wParam, lParam);
}

// Message-box procedure handlers.
struct BoxMessage {
    HWND box;
    WindowRecord& record;
    WPARAM wParam;
    LPARAM lParam;
};

POINT windowPoint(HWND box, LPARAM lParam) {
    POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    RECT r{};
    GetWindowRect(box, &r);
    return {p.x - r.left, p.y - r.top};
}

int closeButton(const WindowRecord& record) {
    for (size_t i = 0; i < record.buttons.size(); ++i)
        if (record.buttons[i].kind == CB_CLOSE) return static_cast<int>(i);
    return -1;
}

LRESULT onBoxHitTest(BoxMessage& m) {
    POINT p = windowPoint(m.box, m.lParam);
    int close = closeButton(m.record);
    if (close >= 0 && PtInRect(&m.record.buttons[close].rect, p)) return HTCLOSE;
    if (p.y >= 0 && p.y < m.record.captionHeight) return HTCAPTION;
    return callOldProc(m.box, WM_NCHITTEST, m.wParam, m.lParam);
}

void setCloseHot(WindowRecord& record, bool hot) {
    int close = closeButton(record);
    if (close < 0 || record.closeHot == hot) return;
    record.closeHot = hot;
    paintCaptionButton(record, close, hot ? 240 : 0, false);
}

LRESULT onBoxNcMouseMove(BoxMessage& m) {
    if (m.wParam == HTCLOSE) {
        if (!m.record.closeHot) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE | TME_NONCLIENT, m.box, 0};
            TrackMouseEvent(&track);
        }
        setCloseHot(m.record, true);
        return 0;
    }
    setCloseHot(m.record, false);
    return callOldProc(m.box, WM_NCMOUSEMOVE, m.wParam, m.lParam);
}

LRESULT onBoxNcLButtonDown(BoxMessage& m) {
    if (m.wParam == HTCAPTION) {
        GetWindowRect(m.box, &m.record.dragRect);
        m.record.dragging = true;
    } else if (m.wParam == HTCLOSE) {
        int close = closeButton(m.record);
        if (close >= 0) paintCaptionButton(m.record, close, 240, true);
        return 0;
    }
    return callOldProc(m.box, WM_NCLBUTTONDOWN, m.wParam, m.lParam);
}

LRESULT onBoxNcLButtonUp(BoxMessage& m) {
    m.record.dragging = false;
    if (m.wParam == HTCLOSE) {
        SendMessageA(m.box, WM_CLOSE, 0, 0);
        return 0;
    }
    return callOldProc(m.box, WM_NCLBUTTONUP, m.wParam, m.lParam);
}

LRESULT onBoxPaint(BoxMessage& m) {
    if (!m.record.shown) {  // shown before the hook saw it
        m.record.shown = true;
        reshapeMessageBox(m.record);
    }
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(m.box, &ps);
    if (m.record.displayDC) BitBlt(dc, 0, 0, m.record.bgW, m.record.bgH, m.record.displayDC, 0, 0, SRCCOPY);
    EndPaint(m.box, &ps);
    refreshChildren(m.record);
    if (!m.record.painted) {
        m.record.painted = true;
        // Every box fades in on its own thread, so a second box opened while the first one is
        // still up does not stay invisible at alpha 0.
        if (!m.record.fadeThread) m.record.fadeThread = CreateThread(nullptr, 0, fadeIn, m.box, 0, nullptr);
        if (!m.record.fadeThread) SetLayeredWindowAttributes(m.box, 0, 240, LWA_ALPHA);
    }
    return 0;
}

LRESULT onBoxSize(BoxMessage& m) {
    LRESULT result = callOldProc(m.box, WM_SIZE, m.wParam, m.lParam);
    roundBox(m.box);
    layoutCaptionButtons(m.record);
    RebuildWindowSkin(FindWindowIndex(m.box));
    return result;
}

LRESULT onBoxCtlColor(BoxMessage& m, UINT message) {
    auto control = reinterpret_cast<HWND>(m.lParam);
    // The box's own texts always stand on the skin; other controls follow the veil setting.
    if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN) {
        HDC dc = reinterpret_cast<HDC>(m.wParam);
        SetTextColor(dc, static_cast<COLORREF>(getProp(control, PROP_TEXT_COLOUR)));
        SetBkMode(dc, TRANSPARENT);
        HBRUSH brush = controlColour(control, dc);
        if (brush) return reinterpret_cast<LRESULT>(brush);
    } else if (HBRUSH brush = settings().veilOn ? controlColour(control, reinterpret_cast<HDC>(m.wParam)) : nullptr) {
        return reinterpret_cast<LRESULT>(brush);
    }
    return callOldProc(m.box, message, m.wParam, m.lParam);
}

}  // namespace

LRESULT CALLBACK MessageBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = recordOfWindow(box);
    if (!record) return callOldProc(box, message, wParam, lParam);
    BoxMessage m{box, *record, wParam, lParam};
    LRESULT drawn = 0;
    if (frameDrawsItself(message, wParam, lParam, drawn)) return drawn;
    if (isControlColourMessage(message)) return onBoxCtlColor(m, message);
    switch (message) {
        case WM_ACTIVATE:
            unhook();
            break;
        case WM_SIZE:
            return onBoxSize(m);
        case WM_SHOWWINDOW:
            if (wParam && !record->shown) {
                record->shown = true;
                reshapeMessageBox(*record);
            }
            break;
        case WM_NCPAINT:
            // The box has no system frame left to draw. The update region is the system's own.
            return 0;
        case WM_NCACTIVATE:
            return 1;
        case WM_NCHITTEST:
            return onBoxHitTest(m);
        case WM_NCMOUSEMOVE:
            return onBoxNcMouseMove(m);
        case WM_NCMOUSELEAVE:
            setCloseHot(*record, false);
            break;
        case WM_NCLBUTTONDOWN:
            return onBoxNcLButtonDown(m);
        case WM_NCLBUTTONUP:
            return onBoxNcLButtonUp(m);
        case WM_PAINT:
            return onBoxPaint(m);
        case WM_CHANGEUISTATE:
            if (LOWORD(wParam) == UIS_INITIALIZE) return 0;
            break;
        case WM_NCDESTROY: {
            LRESULT result = 0;
            ReleaseWindowSkin(box);
            result = callOldProc(box, message, wParam, lParam);
            return result;
        }
        default:
            break;
    }
    return callOldProc(box, message, wParam, lParam);
}

bool fadeRunning() {
    for (auto& record : windowTable())
        if (record->fadeThread && WaitForSingleObject(record->fadeThread, 0) == WAIT_TIMEOUT) return true;
    return false;
}

}  // namespace skin

int SkinnedMessageBox(HWND owner, const std::string& text, UINT style, const std::string& caption) {
    using namespace skin;
    // A hook left from a box that never activated is replaced, not stacked.
    unhook();
    t_hook = SetWindowsHookExA(WH_CBT, hookProc, nullptr, GetCurrentThreadId());
    // GBK texts cross as UTF-16 (code page 936), so the box reads right on every locale.
    int pressed = MessageBoxExW(owner, gbkToWide(text).c_str(), gbkToWide(caption).c_str(), style, 0);
    unhook();
    return pressed - 1;
}
