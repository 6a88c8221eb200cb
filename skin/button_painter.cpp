// Skinned buttons: the push-button painter (owner-drawn, called from WM_DRAWITEM), the
// check-box and radio-button painter, and the button procedure.
#include "skin/engine.h"
#include "skin/paint_util.h"

namespace skin {

namespace {

COLORREF textColour(HWND control) {
    return static_cast<COLORREF>(getProp(control, PROP_TEXT_COLOUR));
}

}  // namespace

void PaintPushButton(const ControlRecord& control, const DRAWITEMSTRUCT& item) {
    const RECT& rc = item.rcItem;
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return;
    MemoryDC memory(w, h);
    fillControlBackground(control.handle, memory, true);
    const COLORREF accent = settings().accentColour;
    UINT state = item.itemState;
    if (control.hot) state |= ODS_HOTLIGHT;
    {
        draw::Graphics g;
        if (!beginGraphics(g, memory.dc())) return;
        const float x = 0, y = 0, fw = static_cast<float>(w), fh = static_cast<float>(h);
        draw::GraphicsPath base;
        RoundRectPath(base, x, y, fw - 1, fh - 1, 5);
        fillPath(g, base, ToArgb(0xFFFFFF, 120));
        if (state & ODS_DISABLED) {
            fillRect(g, x, y, fw, fh, ToArgb(0xC0C0C0, 255));
            fillVertical3(g, base, y, y + fh - 1, ToArgb(0xFFFFFF, 50), ToArgb(0x000000, 10), ToArgb(0xFFFFFF, 50));
            outlinePath(g, base, ToArgb(0x000000, 80));
        } else {
            fillVertical(g, base, y, y + fh - 1, ToArgb(0xFFFFFF, 0), ToArgb(0x808080, 60));
            draw::GraphicsPath gloss;
            TopRoundPath(gloss, x, y, fw - 1, fh / 2, 5);
            fillVertical(g, gloss, y, y + fh / 2, ToArgb(0xFFFFFF, 50), ToArgb(0xFFFFFF, 10));
            if (state & ODS_HOTLIGHT) {
                fillVertical(g, base, y, y + fh - 1, ToArgb(accent, 60), ToArgb(0xFFFFFF, 80));
                fillVertical(g, base, y, y + fh - 1, ToArgb(accent, 30), ToArgb(0xFFFFFF, 100));
                outlinePath(g, base, ToArgb(0x000000, 150));
                outlinePath(g, base, ToArgb(accent, 100));
            } else if (state & ODS_FOCUS) {
                g.SetClipPath(base);
                Glow(g, base, 3, DEFAULT_ACCENT, 120);
                g.ResetClip();
                outlinePath(g, base, ToArgb(0x000000, 80));
            } else {
                outlinePath(g, base, ToArgb(0x000000, 120));
            }
        }
        if (state & ODS_SELECTED) {
            draw::GraphicsPath pressed;
            RoundRectPath(pressed, x + 2, y + 2, fw - 3, fh - 3, 5);
            fillVertical(g, pressed, y + 2, y + fh - 1, ToArgb(accent, 60), ToArgb(0xFFFFFF, 100));
        }
        // The caption keeps the button's text colour in every state; the grey face marks it disabled.
        COLORREF text = textColour(control.handle);
        float shift = control.hotItem >= 0 ? 2.0f : 0.0f;
        drawText(g, windowText(control.handle), control.fontFace, static_cast<float>(control.fontSize),
                 control.fontStyle, ToArgb(text, 255), draw::GpRectF{x + shift, y + shift, fw, fh});
    }
    BitBlt(item.hDC, rc.left, rc.top, w, h, memory.dc(), 0, 0, SRCCOPY);
}

void paintCheckOrRadio(ControlRecord& control, HDC target) {
    HWND button = control.handle;
    RECT rc{};
    GetClientRect(button, &rc);
    int w = rc.right, h = rc.bottom;
    if (w <= 0 || h <= 0) return;
    MemoryDC memory(w, h);
    fillControlBackground(button, memory, true);
    const COLORREF accent = settings().accentColour;
    LRESULT check = SendMessageA(button, BM_GETCHECK, 0, 0);
    LRESULT state = SendMessageA(button, BM_GETSTATE, 0, 0);
    bool enabled = IsWindowEnabled(button) != FALSE;
    bool radio = control.kind == BUTTON_RADIO;
    bool pushed = (state & BST_PUSHED) != 0;
    {
        draw::Graphics g;
        if (!beginGraphics(g, memory.dc())) return;
        const float box = 13;
        const float bx = 1, by = (static_cast<float>(h) - box) / 2;
        draw::GraphicsPath mark;
        if (radio) {
            mark.Create();
            mark.AddEllipse(bx, by, box - 1, box - 1);
        } else {
            RoundRectPath(mark, bx, by, box - 1, box - 1, 3);
        }
        fillPath(g, mark, ToArgb(0xFFFFFF, settings().veilAlpha));
        if (enabled) {
            fillVertical(g, mark, by, by + box, ToArgb(0xFFFFFF, 0), ToArgb(0x808080, 60));
        } else {
            fillPath(g, mark, ToArgb(0xC0C0C0, 160));
        }
        if (enabled && (control.hot || pushed)) {
            fillVertical(g, mark, by, by + box, ToArgb(accent, pushed ? 60 : 30), ToArgb(0xFFFFFF, 100));
            outlinePath(g, mark, ToArgb(0x000000, 150));
            outlinePath(g, mark, ToArgb(accent, 100));
        } else if (enabled && control.focused) {
            outlinePath(g, mark, ToArgb(accent, 180));
        } else {
            outlinePath(g, mark, ToArgb(0x000000, enabled ? 120 : 80));
        }
        COLORREF markColour = enabled ? RGB(40, 40, 40) : 0x808080;
        if (check == BST_CHECKED && radio) {
            draw::SolidBrush dot;
            dot.Create(ToArgb(markColour, 230));
            g.FillEllipse(dot, bx + 3, by + 3, box - 7, box - 7);
        } else if (check == BST_CHECKED) {
            draw::Pen pen;
            pen.Create(ToArgb(markColour, 230), 2.0f);
            draw::GpPointF tick[3] = {{bx + 2.5f, by + 6}, {bx + 5, by + 9}, {bx + 10, by + 3}};
            g.DrawLines(pen, tick, 3);
        } else if (check == BST_INDETERMINATE) {
            fillRect(g, bx + 3, by + 3, box - 7, box - 7, ToArgb(markColour, 160));
        }
        COLORREF text = enabled ? textColour(button) : 0x808080;
        float left = bx + box + 4;
        drawText(g, windowText(button), control.fontFace, static_cast<float>(control.fontSize), control.fontStyle,
                 ToArgb(text, 255), draw::GpRectF{left, 0, static_cast<float>(w) - left, static_cast<float>(h)}, 0, 1);
    }
    BitBlt(target, 0, 0, w, h, memory.dc(), 0, 0, SRCCOPY);
}

namespace {

void paintNow(ControlRecord& control) {
    HDC dc = GetDC(control.handle);
    paintCheckOrRadio(control, dc);
    ReleaseDC(control.handle, dc);
}

void repaint(ControlRecord& control) {
    if (control.kind == BUTTON_PUSH) {
        InvalidateRect(control.handle, nullptr, FALSE);
    } else {
        paintNow(control);
    }
}

// Messages after which the system button draws its own face directly; a check box or radio
// button is painted again over it.
bool systemDrawsAfter(UINT message) {
    switch (message) {
        case BM_SETCHECK:
        case BM_SETSTATE:
        case BM_CLICK:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_SETTEXT:
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CAPTURECHANGED:
        case WM_UPDATEUISTATE:
        case WM_SETFONT:
            return true;
        default:
            return false;
    }
}

LRESULT onButtonPaint(HWND window, ControlRecord& control, WPARAM wParam, LPARAM lParam) {
    if (control.kind == BUTTON_PUSH) return callOldProc(window, WM_PAINT, wParam, lParam);
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(window, &ps);
    paintCheckOrRadio(control, dc);
    EndPaint(window, &ps);
    return 0;
}

LRESULT onButtonMouseMove(HWND window, ControlRecord& control, WPARAM wParam, LPARAM lParam) {
    if (!control.tracking) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
        TrackMouseEvent(&track);
        control.tracking = true;
        control.hot = true;
        repaint(control);
    }
    return callOldProc(window, WM_MOUSEMOVE, wParam, lParam);
}

LRESULT onButtonMouseLeave(HWND window, ControlRecord& control, WPARAM wParam, LPARAM lParam) {
    control.tracking = false;
    control.hot = false;
    control.pressed = false;
    repaint(control);
    return callOldProc(window, WM_MOUSELEAVE, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ControlRecord* control = controlRecord(window, TABLE_BUTTONS);
    if (!control) return callOldProc(window, message, wParam, lParam);
    switch (message) {
        case WM_PAINT:
            return onButtonPaint(window, *control, wParam, lParam);
        case WM_ERASEBKGND:
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return 1;
        case WM_MOUSEMOVE:
            return onButtonMouseMove(window, *control, wParam, lParam);
        case WM_MOUSELEAVE:
            return onButtonMouseLeave(window, *control, wParam, lParam);
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            control->focused = message == WM_SETFOCUS;
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            control->pressed = message == WM_LBUTTONDOWN;
            break;
        case WM_DESTROY:
            releaseControlBrush(window);
            break;
        case BM_SETSTYLE:
            // Dialogs move the default-button style between buttons with BM_SETSTYLE, which
            // would replace the owner-drawn type; a skinned push button stays owner-drawn.
            if (control->kind == BUTTON_PUSH) wParam = (wParam & ~static_cast<WPARAM>(0xF)) | BS_OWNERDRAW;
            break;
        default:
            break;
    }
    const int kind = control->kind;
    LRESULT result = callOldProc(window, message, wParam, lParam);
    // The record is looked up again: the old procedure may have closed the window or grown the table.
    if (kind != BUTTON_PUSH && systemDrawsAfter(message) && IsWindow(window)) {
        if (ControlRecord* still = controlRecord(window, TABLE_BUTTONS)) paintNow(*still);
    }
    if (message == WM_SETTEXT && IsWindow(window)) {
        if (ControlRecord* still = controlRecord(window, TABLE_BUTTONS)) still->caption = windowText(window);
    }
    return result;
}

}  // namespace skin
