// What lies behind a control: cut out of its window's rendered background, with the faces of
// tab controls on the way laid over it; and the background brushes of WM_CTLCOLOR*.
#include "skin/engine.h"
#include "skin/paint_util.h"

namespace skin {

namespace {

// A bitmap of the caller's own holding what `source` shows.
HBITMAP copyOf(const MemoryDC& source) {
    HBITMAP copy = createDib(source.width(), source.height());
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, copy);
    BitBlt(dc, 0, 0, source.width(), source.height(), source.dc(), 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
    return copy;
}

HWND topLevelOf(HWND control, WindowRecord*& record) {
    int index = FindWindowIndex(control);
    record = recordAt(index);
    if (record && !record->displayDC) RebuildWindowSkin(index);
    return record ? record->handle : nullptr;
}

}  // namespace

void veil(HDC dc, int w, int h, int alpha) {
    draw::Graphics graphics;
    if (beginGraphics(graphics, dc))
        fillRect(graphics, 0, 0, static_cast<float>(w), static_cast<float>(h), ToArgb(0xFFFFFF, alpha));
}

void fillControlBackground(HWND control, const MemoryDC& target, bool clientOnly) {
    WindowRecord* record = nullptr;
    HWND top = topLevelOf(control, record);
    int w = target.width(), h = target.height();
    if (!top || !record->baseDC) {
        RECT all{0, 0, w, h};
        HBRUSH solid = CreateSolidBrush(RGB((settings().mainColour >> 16) & 0xFF, (settings().mainColour >> 8) & 0xFF,
                                            settings().mainColour & 0xFF));
        FillRect(target.dc(), &all, solid);
        DeleteObject(solid);
        return;
    }
    POINT origin{0, 0};
    if (clientOnly) {
        ClientToScreen(control, &origin);
    } else {
        RECT r{};
        GetWindowRect(control, &r);
        origin = {r.left, r.top};
    }
    ScreenToClient(top, &origin);
    BitBlt(target.dc(), 0, 0, w, h, record->baseDC, origin.x, origin.y, SRCCOPY);
    // Tab controls lie between the control and the window: their page face (white at half the
    // veil) shows. A page shows that same face, so it adds nothing of its own.
    for (HWND parent = GetParent(control); parent && parent != top; parent = GetParent(parent))
        if (isClass(parent, "SysTabControl32")) veil(target.dc(), w, h, settings().veilAlpha / 2);
}

HBITMAP PaintControlBackground(HWND control, bool clientOnly) {
    RECT r{};
    if (clientOnly) {
        GetClientRect(control, &r);
    } else {
        GetWindowRect(control, &r);
        OffsetRect(&r, -r.left, -r.top);
    }
    MemoryDC target(r.right, r.bottom);
    fillControlBackground(control, target, clientOnly);
    return copyOf(target);
}

HBRUSH controlColour(HWND control, HDC dc) {
    WindowRecord* record = recordAt(FindWindowIndex(control));
    if (!record) return nullptr;
    SetTextColor(dc, static_cast<COLORREF>(getProp(control, PROP_TEXT_COLOUR)));
    SetBkMode(dc, TRANSPARENT);
    releaseControlBrush(control);
    RECT client{};
    GetClientRect(control, &client);
    MemoryDC face(client.right, client.bottom);
    fillControlBackground(control, face, true);
    // Edit-type faces are frosted with the veil, so text the control erases itself with this
    // brush matches what PaintEditBackground drew.
    if (!isClass(control, "Static") && !isClass(control, "Button") && settings().veilOn)
        veil(face.dc(), face.width(), face.height(), settings().veilAlpha);
    HBITMAP bitmap = copyOf(face);
    auto brush = static_cast<HBRUSH>(countGdi(CreatePatternBrush(bitmap)));
    setProp(control, PROP_BACK_BITMAP, reinterpret_cast<INT_PTR>(bitmap));
    setProp(control, PROP_BACK_BRUSH, reinterpret_cast<INT_PTR>(brush));
    return brush;
}

void releaseControlBrush(HWND control) {
    deleteGdi(reinterpret_cast<HGDIOBJ>(getProp(control, PROP_BACK_BRUSH)));
    deleteGdi(reinterpret_cast<HGDIOBJ>(getProp(control, PROP_BACK_BITMAP)));
    setProp(control, PROP_BACK_BRUSH, 0);
    setProp(control, PROP_BACK_BITMAP, 0);
}

void refreshChildren(WindowRecord& record) {
    for (int t = 0; t < TABLE_COUNT; ++t)
        for (ControlRecord& control : record.tables[t]) {
            if (!IsWindow(control.handle) || !IsWindowVisible(control.handle)) continue;
            UINT flags = RDW_INVALIDATE | RDW_FRAME;
            if (t == TABLE_EDITS || t == TABLE_LISTS) flags |= RDW_ERASE;
            RedrawWindow(control.handle, nullptr, nullptr, flags);
            if (control.vOverlay) InvalidateRect(control.vOverlay, nullptr, FALSE);
            if (control.hOverlay) InvalidateRect(control.hOverlay, nullptr, FALSE);
        }
}

}  // namespace skin
