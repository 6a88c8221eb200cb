// Scroll-bar overlays: "Static" windows laid exactly over an edit's scroll bars that paint a
// skinned bar in their place. Mouse input passes through them to the real bar beneath.
#include "skin/engine.h"
#include "skin/paint_util.h"

namespace skin {

namespace {

struct BarGeometry {
    bool visible = false;
    RECT rect{};  // in the parent's client coordinates
    SCROLLBARINFO info{};
};

BarGeometry barOf(HWND edit, bool vertical) {
    BarGeometry bar;
    LONG_PTR style = GetWindowLongPtrA(edit, GWL_STYLE);
    if (!(style & WS_VISIBLE) || !(style & (vertical ? WS_VSCROLL : WS_HSCROLL))) return bar;
    bar.info.cbSize = sizeof bar.info;
    if (!GetScrollBarInfo(edit, vertical ? OBJID_VSCROLL : OBJID_HSCROLL, &bar.info)) return bar;
    if (bar.info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) return bar;
    bar.rect = bar.info.rcScrollBar;
    if (bar.rect.right <= bar.rect.left || bar.rect.bottom <= bar.rect.top) return bar;
    MapWindowPoints(nullptr, GetParent(edit), reinterpret_cast<POINT*>(&bar.rect), 2);
    bar.visible = true;
    return bar;
}

HWND createOverlay(HWND edit, bool vertical, int windowIndex) {
    BarGeometry bar = barOf(edit, vertical);
    // Not WS_DISABLED: a disabled window would swallow the clicks meant for the bar beneath;
    // the overlay's hit test answers HTTRANSPARENT instead.
    DWORD style = WS_CHILD | WS_CLIPCHILDREN | (bar.visible ? WS_VISIBLE : 0);
    RECT r = bar.visible ? bar.rect : RECT{0, 0, 10, 10};
    HWND overlay = CreateWindowExA(0, "Static", "", style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                   GetParent(edit), nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!overlay) return nullptr;
    countWindow(overlay);
    setProp(overlay, PROP_OVERLAY_TARGET, reinterpret_cast<INT_PTR>(edit));
    setProp(overlay, PROP_OWNER_INDEX, windowIndex);
    setProp(overlay, "Hw_Vert", vertical ? 1 : 0);
    auto old = SetWindowLongPtrW(overlay, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OverlayProc));
    setProp(overlay, PROP_PROC, old);
    SetWindowPos(overlay, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, 0);
    return overlay;
}

void place(HWND overlay, HWND edit, bool vertical) {
    if (!overlay) return;
    BarGeometry bar = barOf(edit, vertical);
    if (bar.visible) {
        SetWindowPos(overlay, HWND_TOP, bar.rect.left, bar.rect.top, bar.rect.right - bar.rect.left,
                     bar.rect.bottom - bar.rect.top, SWP_SHOWWINDOW | SWP_NOACTIVATE);
        InvalidateRect(overlay, nullptr, FALSE);
    } else if (IsWindowVisible(overlay)) {
        ShowWindow(overlay, SW_HIDE);
    }
}

void paintOverlay(HWND overlay, HDC target) {
    auto edit = reinterpret_cast<HWND>(getProp(overlay, PROP_OVERLAY_TARGET));
    bool vertical = getProp(overlay, "Hw_Vert") != 0;
    RECT rc{};
    GetClientRect(overlay, &rc);
    int w = rc.right, h = rc.bottom;
    if (w <= 0 || h <= 0 || !IsWindow(edit)) return;
    ControlRecord* control = controlRecord(edit, TABLE_EDITS);
    int hot = 0;
    if (control) {
        int part = control->overlayHotPart;
        if (((part & 0x10) != 0) != vertical) hot = part & 0xF;
    }
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    GetScrollBarInfo(edit, vertical ? OBJID_VSCROLL : OBJID_HSCROLL, &info);
    MemoryDC memory(w, h);
    fillControlBackground(overlay, memory, true);
    {
        draw::Graphics g;
        if (!beginGraphics(g, memory.dc())) return;
        const COLORREF accent = settings().accentColour;
        float fw = static_cast<float>(w), fh = static_cast<float>(h);
        fillRect(g, 0, 0, fw, fh, ToArgb(0xFFFFFF, settings().veilAlpha));
        float button = static_cast<float>(info.dxyLineButton > 0 ? info.dxyLineButton : (vertical ? w : h));
        float length = vertical ? fh : fw;
        // Track: a thin groove between the arrows.
        if (hot == 2) {
            if (vertical)
                fillRect(g, 0, button, fw, length - 2 * button, ToArgb(accent, 30));
            else
                fillRect(g, button, 0, length - 2 * button, fh, ToArgb(accent, 30));
        }
        // Arrows.
        for (int end = 0; end < 2; ++end) {
            int part = end == 0 ? 1 : 4;
            float start = end == 0 ? 0 : length - button;
            float bx = vertical ? 1 : start + 1, by = vertical ? start + 1 : 1;
            float bw = vertical ? fw - 3 : button - 3, bh = vertical ? button - 3 : fh - 3;
            draw::GraphicsPath box;
            RoundRectPath(box, bx, by, bw, bh, 4);
            fillVertical(g, box, by, by + bh, ToArgb(0xFFFFFF, 120), ToArgb(0x808080, 40));
            if (hot == part) fillPath(g, box, ToArgb(accent, 100));
            outlinePath(g, box, ToArgb(0x000000, 60));
            int direction = vertical ? (end == 0 ? 0 : 1) : (end == 0 ? 2 : 3);
            drawArrow(g, bx + bw / 2, by + bh / 2, direction, ToArgb(0x000000, 150));
        }
        // Thumb.
        if (info.xyThumbBottom > info.xyThumbTop && !(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE)) {
            float t0 = static_cast<float>(info.xyThumbTop), t1 = static_cast<float>(info.xyThumbBottom);
            float tx = vertical ? 2 : t0 + 1, ty = vertical ? t0 + 1 : 2;
            float tw = vertical ? fw - 5 : t1 - t0 - 3, th = vertical ? t1 - t0 - 3 : fh - 5;
            draw::GraphicsPath thumb;
            RoundRectPath(thumb, tx, ty, tw, th, 5);
            fillPath(g, thumb, ToArgb(0xFFFFFF, 200));
            if (hot == 3) {
                fillVertical(g, thumb, ty, ty + th, ToArgb(accent, 60), ToArgb(0xFFFFFF, 100));
                outlinePath(g, thumb, ToArgb(accent, 180));
            } else {
                outlinePath(g, thumb, ToArgb(0x000000, 90));
            }
        }
    }
    BitBlt(target, 0, 0, w, h, memory.dc(), 0, 0, SRCCOPY);
}

}  // namespace

void createOverlays(ControlRecord& control, int windowIndex) {
    LONG_PTR style = GetWindowLongPtrA(control.handle, GWL_STYLE);
    if (style & WS_VSCROLL) control.vOverlay = createOverlay(control.handle, true, windowIndex);
    if (style & WS_HSCROLL) control.hOverlay = createOverlay(control.handle, false, windowIndex);
}

void placeOverlays(ControlRecord& control) {
    place(control.vOverlay, control.handle, true);
    place(control.hOverlay, control.handle, false);
}

void repaintOverlays(const ControlRecord& control) {
    LONG_PTR style = GetWindowLongPtrA(control.handle, GWL_STYLE);
    for (HWND overlay : {control.vOverlay, control.hOverlay}) {
        if (!overlay || !IsWindowVisible(overlay)) continue;
        bool vertical = overlay == control.vOverlay;
        if (!(style & (vertical ? WS_VSCROLL : WS_HSCROLL))) continue;
        HDC dc = GetDC(overlay);
        paintOverlay(overlay, dc);
        ReleaseDC(overlay, dc);
    }
}

LRESULT CALLBACK OverlayProc(HWND overlay, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps{};
            HDC dc = BeginPaint(overlay, &ps);
            paintOverlay(overlay, dc);
            EndPaint(overlay, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_NCHITTEST:
            return HTTRANSPARENT;
        case WM_NCDESTROY:
            countedWindowGone();
            break;
        default:
            break;
    }
    return callOldProc(overlay, message, wParam, lParam);
}

}  // namespace skin
