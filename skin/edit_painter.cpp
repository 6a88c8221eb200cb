// Skinned edit boxes (and list boxes, which share the frame): the edit procedure, the frame,
// client-background and border painters.
#include "skin/engine.h"
#include "skin/paint_util.h"

namespace skin {

namespace {

// Edits keep their record in the edits table; list-type controls share this frame painter.
ControlRecord* frameRecord(HWND control) {
    if (ControlRecord* r = controlRecord(control, TABLE_EDITS)) return r;
    return controlRecord(control, TABLE_LISTS);
}

bool parentIsCombo(HWND edit) {
    return isClass(GetParent(edit), "ComboBox");
}

void PaintEditBorder(HWND edit, bool focused, bool hot, draw::Graphics& g) {
    RECT r{};
    GetWindowRect(edit, &r);
    float w = static_cast<float>(r.right - r.left), h = static_cast<float>(r.bottom - r.top);
    paintControlBorder(g, w, h, hot && EditBorderKind(edit) == 2, focused, settings().accentColour);
}

}  // namespace

int EditBorderKind(HWND edit) {
    LONG_PTR style = GetWindowLongPtrA(edit, GWL_STYLE);
    LONG_PTR ex = GetWindowLongPtrA(edit, GWL_EXSTYLE);
    if (style & WS_BORDER) return 1;
    if ((ex & (WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME)) || (ex & 0x188) == 0x188) return 2;
    return 0;
}

void PaintEditFrame(HWND edit, int focused, int hot) {
    ControlRecord* control = frameRecord(edit);
    if (!control || !IsWindowVisible(edit)) return;
    bool isFocused = focused >= 0 ? focused != 0 : control->focused;
    bool isHot = hot >= 0 ? hot != 0 : control->hot;

    RECT wr{};
    GetWindowRect(edit, &wr);
    int W = wr.right - wr.left, H = wr.bottom - wr.top;
    if (W <= 0 || H <= 0) return;
    RECT client{};
    GetClientRect(edit, &client);
    POINT offset{0, 0};
    ClientToScreen(edit, &offset);
    RECT C{offset.x - wr.left, offset.y - wr.top, offset.x - wr.left + client.right, offset.y - wr.top + client.bottom};

    MemoryDC memory(W, H);
    fillControlBackground(edit, memory, false);
    {
        draw::Graphics g;
        if (!beginGraphics(g, memory.dc())) return;
        g.SetSmoothingMode(draw::SmoothingMode::None);
        g.SetClipRect(draw::GpRectF{0, 0, static_cast<float>(W), static_cast<float>(H)});
        g.SetClipRect(draw::GpRectF{static_cast<float>(C.left), static_cast<float>(C.top),
                                    static_cast<float>(C.right - C.left), static_cast<float>(C.bottom - C.top)},
                      draw::CombineMode::Xor);
        if (settings().veilOn) {
            fillRect(g, 0, 0, static_cast<float>(W), static_cast<float>(H), ToArgb(0xFFFFFF, settings().veilAlpha));
        } else {
            g.Clear(ToArgb(0xFFFFFF, 255));
        }
        if (EditBorderKind(edit) != 0) PaintEditBorder(edit, isFocused, isHot, g);
    }
    HDC windowDC = GetWindowDC(edit);
    ExcludeClipRect(windowDC, C.left, C.top, C.right, C.bottom);
    BitBlt(windowDC, 0, 0, W, H, memory.dc(), 0, 0, SRCCOPY);

    // The frame goes into the shown background too, so the window's own repaint keeps it.
    WindowRecord* owner = recordAt(FindWindowIndex(edit));
    if (owner && owner->displayDC) {
        POINT at{wr.left, wr.top};
        ScreenToClient(owner->handle, &at);
        if (GetParent(edit) == owner->handle) {
            IntersectClipRect(owner->displayDC, at.x, at.y, at.x + W, at.y + H);
            ExcludeClipRect(owner->displayDC, at.x + C.left, at.y + C.top, at.x + C.right, at.y + C.bottom);
            TransparentBlt(owner->displayDC, at.x, at.y, W, H, memory.dc(), 0, 0, W, H, RGB(255, 0, 255));
            SelectClipRgn(owner->displayDC, nullptr);
        }
    }
    ReleaseDC(edit, windowDC);
}

void PaintEditBackground(HWND edit, HDC dc) {
    RECT client{};
    GetClientRect(edit, &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    MemoryDC memory(client.right, client.bottom);
    fillControlBackground(edit, memory, true);
    {
        draw::Graphics g;
        if (beginGraphics(g, memory.dc()))
            fillRect(g, 0, 0, static_cast<float>(client.right), static_cast<float>(client.bottom),
                     ToArgb(0xFFFFFF, settings().veilAlpha));
    }
    BitBlt(dc, 0, 0, client.right, client.bottom, memory.dc(), 0, 0, SRCCOPY);
}

namespace {

// The record is looked up afresh at every use: the old procedure can skin more controls (the
// table's vector moves) or end the window, so no reference into the table is held across it.
struct EditMessage {
    HWND edit;
    WPARAM wParam;
    LPARAM lParam;
    ControlRecord* control() const { return frameRecord(edit); }
};

LRESULT passOn(EditMessage& m, UINT message) {
    return callOldProc(m.edit, message, m.wParam, m.lParam);
}

LRESULT onEditDestroy(EditMessage& m) {
    releaseControlBrush(m.edit);
    // The overlays are siblings of the edit: they go with it, not later with the window.
    if (ControlRecord* control = m.control()) {
        HWND overlays[2] = {control->vOverlay, control->hOverlay};
        control->vOverlay = control->hOverlay = nullptr;
        for (HWND overlay : overlays)
            if (overlay && IsWindow(overlay)) DestroyWindow(overlay);  // OverlayProc counts it out
    }
    return passOn(m, WM_DESTROY);
}

LRESULT onEditMove(EditMessage& m) {
    LRESULT result = passOn(m, WM_MOVE);
    if (settings().veilOn) InvalidateRect(m.edit, nullptr, TRUE);
    if (ControlRecord* control = m.control()) placeOverlays(*control);
    return result;
}

LRESULT onEditPlacement(EditMessage& m, UINT message) {
    LRESULT result = passOn(m, message);
    if (ControlRecord* control = m.control()) placeOverlays(*control);
    return result;
}

LRESULT onEditMouseMove(EditMessage& m) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m.edit, 0};
    TrackMouseEvent(&track);
    WindowRecord* owner = ownerOfControl(m.edit);
    auto index = static_cast<int>(getProp(m.edit, PROP_INDEX));
    HWND parent = GetParent(m.edit);
    if (owner && (owner->hotControlIndex != index || owner->hotControlKind != 1 || owner->hotControlParent != parent)) {
        owner->hotControlIndex = index;
        owner->hotControlKind = 1;
        owner->hotControlParent = parent;
        ControlRecord* control = m.control();
        PaintEditFrame(m.edit, control && control->focused ? 1 : 0, 1);
    }
    LONG_PTR style = GetWindowLongPtrA(m.edit, GWL_STYLE);
    ControlRecord* control = m.control();
    if (control && (control->vOverlay || control->hOverlay)) {
        if (!(style & (WS_VSCROLL | WS_HSCROLL))) InvalidateRect(m.edit, nullptr, TRUE);
        repaintOverlays(*control);
    }
    return passOn(m, WM_MOUSEMOVE);
}

LRESULT onEditMouseLeave(EditMessage& m) {
    if (WindowRecord* owner = ownerOfControl(m.edit)) {
        owner->hotControlIndex = 0;
        owner->hotControlKind = 0;
        owner->hotControlParent = nullptr;
    }
    if (ControlRecord* control = m.control())
        PaintEditFrame(m.edit, control->focused ? 1 : 0, control->hot ? 1 : 0);
    return passOn(m, WM_MOUSELEAVE);
}

LRESULT onEditKillFocus(EditMessage& m) {
    if (ControlRecord* control = m.control()) {
        control->focused = false;
        control->kind = 0;
    }
    LRESULT result = passOn(m, WM_KILLFOCUS);
    if (parentIsCombo(m.edit)) {
        InvalidateRect(m.edit, nullptr, TRUE);
    } else {
        PaintEditFrame(m.edit, 0, 0);
    }
    return result;
}

LRESULT onEditSetFocus(EditMessage& m) {
    if (ControlRecord* control = m.control()) {
        control->focused = true;
        control->kind = 1;
    }
    LRESULT result = passOn(m, WM_SETFOCUS);
    PaintEditFrame(m.edit, 1, -1);
    return result;
}

LRESULT onEditPaint(EditMessage& m) {
    PaintEditFrame(m.edit);
    return passOn(m, WM_PAINT);
}

LRESULT onEditEraseBackground(EditMessage& m) {
    if (!settings().veilOn) return passOn(m, WM_ERASEBKGND);
    auto dc = reinterpret_cast<HDC>(m.wParam);
    SetBkMode(dc, TRANSPARENT);
    PaintEditBackground(m.edit, dc);
    return 1;
}

LRESULT onEditNcPaint(EditMessage& m) {
    // The system draws its frame and scroll bars first with its own region (which it owns and
    // frees); the skin's frame then goes over them and the overlays over the bars.
    LRESULT result = passOn(m, WM_NCPAINT);
    PaintEditFrame(m.edit);
    if (ControlRecord* control = m.control()) repaintOverlays(*control);
    return result;
}

// The scroll-bar part (1 first arrow, 2 track, 3 thumb, 4 second arrow) under a screen point.
int scrollPartAt(HWND edit, LONG objectId, POINT p) {
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    if (!GetScrollBarInfo(edit, objectId, &info) || !PtInRect(&info.rcScrollBar, p)) return 0;
    bool vertical = objectId == static_cast<LONG>(OBJID_VSCROLL);
    int along = vertical ? p.y - info.rcScrollBar.top : p.x - info.rcScrollBar.left;
    int length =
        vertical ? info.rcScrollBar.bottom - info.rcScrollBar.top : info.rcScrollBar.right - info.rcScrollBar.left;
    if (along < info.dxyLineButton) return 1;
    if (along >= length - info.dxyLineButton) return 4;
    if (along >= info.xyThumbTop && along < info.xyThumbBottom) return 3;
    return 2;
}

LRESULT onEditNcMouseMove(EditMessage& m) {
    POINT p{static_cast<short>(LOWORD(m.lParam)), static_cast<short>(HIWORD(m.lParam))};
    int part = 0;
    if (int v = scrollPartAt(m.edit, OBJID_VSCROLL, p))
        part = v;
    else if (int h = scrollPartAt(m.edit, OBJID_HSCROLL, p))
        part = 0x10 | h;
    ControlRecord* control = m.control();
    if (control && part != control->overlayHotPart) {
        control->overlayHotPart = part;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE | TME_NONCLIENT, m.edit, 0};
        TrackMouseEvent(&track);
        repaintOverlays(*control);
    }
    return passOn(m, WM_NCMOUSEMOVE);
}

LRESULT onEditNcMouseLeave(EditMessage& m) {
    ControlRecord* control = m.control();
    if (control && control->overlayHotPart) {
        control->overlayHotPart = 0;
        repaintOverlays(*control);
    }
    return passOn(m, WM_NCMOUSELEAVE);
}

LRESULT thenRepaintOverlays(EditMessage& m, UINT message) {
    LRESULT result = passOn(m, message);
    if (ControlRecord* control = m.control()) repaintOverlays(*control);
    return result;
}

}  // namespace

LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!frameRecord(edit)) return callOldProc(edit, message, wParam, lParam);
    EditMessage m{edit, wParam, lParam};
    switch (message) {
        case WM_DESTROY:
            return onEditDestroy(m);
        case WM_MOVE:
            return onEditMove(m);
        case WM_SHOWWINDOW:
        case WM_GETMINMAXINFO:
        case WM_WINDOWPOSCHANGED:
            return onEditPlacement(m, message);
        case WM_MOUSEMOVE:
            return onEditMouseMove(m);
        case WM_MOUSELEAVE:
            return onEditMouseLeave(m);
        case WM_SETFOCUS:
            return onEditSetFocus(m);
        case WM_KILLFOCUS:
            return onEditKillFocus(m);
        case WM_PAINT:
            return onEditPaint(m);
        case WM_ERASEBKGND:
            return onEditEraseBackground(m);
        case WM_NCPAINT:
            return onEditNcPaint(m);
        case WM_NCMOUSEMOVE:
            return onEditNcMouseMove(m);
        case WM_NCMOUSELEAVE:
            return onEditNcMouseLeave(m);
        case WM_SETTEXT:
        case WM_NCLBUTTONDOWN:
        case WM_KEYDOWN:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MOUSEWHEEL:
        case WM_CHAR:
            return thenRepaintOverlays(m, message);
        default:
            return callOldProc(edit, message, wParam, lParam);
    }
}

}  // namespace skin
