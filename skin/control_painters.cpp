// Painters of the common controls: trackbars, progress bars, up-down controls, headers, tab
// controls and their pages, toolbars, combo boxes, list boxes (and a combo box's list) and list
// views. Each draws the whole control over what lies behind it (PaintControlBackground), with the
// white veil and the accent colour for hot, pressed, selected and focused parts. The controls keep
// their own behaviour; they only stop drawing themselves.
//
// Layers that the tests read back (V = veil alpha, A = accent colour, F = face):
// - face of trackbars, progress bars and headers: white at V; of lists, list views and combo
//   boxes: white at V with the veil on, opaque white without it; of toolbars: white at V / 2;
//   tab controls and their pages: white at V / 2 over the page area (what the children see too);
// - a part (thumb, up-down half, header item, toolbar button, combo button), lower half: white
//   120, then A 60 when hot or A 120 when pressed; disabled: 0xC0C0C0 at 160. The upper half
//   carries a white gloss. Outline black 120, or A 180 when hot, pressed or focused;
// - progress: track white 60, filled part A 160 (gloss on its upper half);
// - trackbar channel: white 200, filled up to the thumb with A 160 when the trackbar option is on;
// - list items: selected A 90, hot A 40, the focused item outlined in A 180;
// - tabs: the selected one in the page's face with an A 220 line on top, the others white 60,
//   hot ones A 60 over that.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "skin/engine.h"
#include "skin/paint_util.h"

namespace skin {

namespace {

LONG_PTR styleOf(HWND window) {
    return GetWindowLongPtrW(window, GWL_STYLE);
}

float f(LONG v) {
    return static_cast<float>(v);
}

// Edit-type faces follow the veil setting as edits do: opaque white without it.
int editFaceAlpha() {
    return settings().veilOn ? settings().veilAlpha : 255;
}

enum PartState { PART_NORMAL, PART_HOT, PART_PRESSED, PART_DISABLED };

void paintPart(draw::Graphics& g, float x, float y, float w, float h, PartState state, bool focused = false) {
    if (w < 3 || h < 3) return;
    const COLORREF accent = settings().accentColour;
    draw::GraphicsPath path;
    RoundRectPath(path, x, y, w - 1, h - 1, 4);
    if (state == PART_DISABLED) {
        fillPath(g, path, ToArgb(0xC0C0C0, 160));
        outlinePath(g, path, ToArgb(0x000000, 80));
        return;
    }
    fillPath(g, path, ToArgb(0xFFFFFF, 120));
    if (state == PART_HOT) fillPath(g, path, ToArgb(accent, 60));
    if (state == PART_PRESSED) fillPath(g, path, ToArgb(accent, 120));
    draw::GraphicsPath gloss;
    float half = std::max(1.0f, (h - 1) / 2 - 1);
    TopRoundPath(gloss, x, y, w - 1, half, 4);
    fillVertical(g, gloss, y, y + half, ToArgb(0xFFFFFF, 60), ToArgb(0xFFFFFF, 10));
    bool lit = state == PART_HOT || state == PART_PRESSED || focused;
    outlinePath(g, path, lit ? ToArgb(accent, 180) : ToArgb(0x000000, 120));
}

PartState partState(HWND control, const ControlRecord& record, int part) {
    if (!IsWindowEnabled(control)) return PART_DISABLED;
    if (record.pressedItem == part && part >= 0) return PART_PRESSED;
    if (record.hotItem == part && part >= 0) return PART_HOT;
    return PART_NORMAL;
}

// GDI text with the control's own font, as the system control would draw it.
void drawControlText(HDC dc, HWND control, const std::wstring& text, RECT box, UINT format, COLORREF colour) {
    if (text.empty()) return;
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, format | DT_NOPREFIX);
    SelectObject(dc, old);
}

COLORREF textColourOf(HWND control) {
    return IsWindowEnabled(control) ? static_cast<COLORREF>(getProp(control, PROP_TEXT_COLOUR)) : 0x808080;
}

bool hasFocusWithin(HWND control) {
    HWND focus = GetFocus();
    return focus && (focus == control || IsChild(control, focus));
}

// The text of an item, asked with `message` in the item record of the control's kind (HDITEMW,
// TCITEMW, LVITEMW) whose other fields the caller has set; the record keeps what else came back.
template <class Item>
std::wstring itemText(HWND control, UINT message, WPARAM index, Item& item) {
    wchar_t buffer[512] = {};
    item.pszText = buffer;
    item.cchTextMax = 511;
    SendMessageW(control, message, index, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

// ---- trackbar -------------------------------------------------------------------------------

void paintTrackbar(HWND bar, const ControlRecord& record, const MemoryDC& memory) {
    const COLORREF accent = settings().accentColour;
    LONG_PTR style = styleOf(bar);
    bool vertical = (style & TBS_VERT) != 0;
    RECT channel{}, thumb{};
    SendMessageW(bar, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    SendMessageW(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    // Windows reports a vertical trackbar's channel as if it lay horizontally.
    if (vertical && channel.right - channel.left > channel.bottom - channel.top)
        channel = RECT{channel.top, channel.left, channel.bottom, channel.right};
    draw::Graphics g;
    if (!beginGraphics(g, memory.dc())) return;
    fillRect(g, 0, 0, f(memory.width()), f(memory.height()), ToArgb(0xFFFFFF, settings().veilAlpha));
    float cx = f(channel.left), cy = f(channel.top);
    float cw = f(channel.right - channel.left), chh = f(channel.bottom - channel.top);
    fillRect(g, cx, cy, cw, chh, ToArgb(0xFFFFFF, 200));
    if (settings().trackbarOption && IsWindowEnabled(bar) && !(style & TBS_ENABLESELRANGE)) {
        // The trackbar option: the channel is filled in the accent colour up to the thumb.
        if (vertical) {
            float end = f((thumb.top + thumb.bottom) / 2);
            fillRect(g, cx + 1, cy + 1, cw - 2, std::max(0.0f, end - cy - 1), ToArgb(accent, 160));
        } else {
            float end = f((thumb.left + thumb.right) / 2);
            fillRect(g, cx + 1, cy + 1, std::max(0.0f, end - cx - 1), chh - 2, ToArgb(accent, 160));
        }
    }
    outlineRect(g, cx, cy, cw - 1, chh - 1, ToArgb(0x000000, 80));
    if (!(style & TBS_NOTICKS)) {
        draw::Pen pen;
        pen.Create(ToArgb(0x000000, 110), 1.0f);
        auto tick = [&](LONG at) {
            if (vertical)
                g.DrawLine(pen, f(thumb.right + 2), f(at), f(thumb.right + 5), f(at));
            else
                g.DrawLine(pen, f(at), f(thumb.bottom + 2), f(at), f(thumb.bottom + 5));
        };
        LONG half = vertical ? (thumb.bottom - thumb.top) / 2 : (thumb.right - thumb.left) / 2;
        tick(vertical ? channel.top + half : channel.left + half);
        tick(vertical ? channel.bottom - half - 1 : channel.right - half - 1);
        auto count = static_cast<int>(SendMessageW(bar, TBM_GETNUMTICS, 0, 0));
        for (int i = 0; i + 2 < count && i < 500; ++i) {
            auto at = static_cast<LONG>(SendMessageW(bar, TBM_GETTICPOS, i, 0));
            if (at >= 0) tick(at);
        }
    }
    if (!(style & TBS_NOTHUMB))
        paintPart(g, f(thumb.left), f(thumb.top), f(thumb.right - thumb.left), f(thumb.bottom - thumb.top),
                  partState(bar, record, 1), record.focused);
}

int trackbarThumbAt(HWND bar, POINT p) {
    RECT thumb{};
    SendMessageW(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    return PtInRect(&thumb, p) ? 1 : 0;
}

// ---- progress bar ---------------------------------------------------------------------------

void paintProgress(HWND bar, const ControlRecord&, const MemoryDC& memory) {
    const COLORREF accent = settings().accentColour;
    LONG_PTR style = styleOf(bar);
    float w = f(memory.width()), h = f(memory.height());
    draw::Graphics g;
    if (!beginGraphics(g, memory.dc())) return;
    fillRect(g, 0, 0, w, h, ToArgb(0xFFFFFF, settings().veilAlpha));
    draw::GraphicsPath track;
    RoundRectPath(track, 1, 1, w - 3, h - 3, 4);
    fillPath(g, track, ToArgb(0xFFFFFF, 60));
    PBRANGE range{};
    SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    auto pos = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
    double span = range.iHigh - range.iLow;
    double fraction = span > 0 ? std::clamp((pos - range.iLow) / span, 0.0, 1.0) : 0.0;
    float start = 0;
    if (style & PBS_MARQUEE) {
        start = static_cast<float>((GetTickCount() / 20) % 100) / 100.0f;
        fraction = 0.3;
    }
    bool vertical = (style & PBS_VERTICAL) != 0;
    float inner = vertical ? h - 4 : w - 4;
    float length = static_cast<float>(fraction) * inner;
    float from = start * inner;
    if (length >= 1) {
        float x = vertical ? 2 : 2 + from, y = vertical ? 2 + inner - from - length : 2;
        float fw = vertical ? w - 4 : std::min(length, inner - from), fh = vertical ? length : h - 4;
        fillRect(g, x, y, fw, fh, ToArgb(accent, 160));
        draw::GraphicsPath gloss;
        gloss.Create();
        gloss.AddRectangle(x, y, fw, std::max(1.0f, fh / 2 - 1));
        fillVertical(g, gloss, y, y + fh / 2, ToArgb(0xFFFFFF, 90), ToArgb(0xFFFFFF, 15));
    }
    outlinePath(g, track, ToArgb(0x000000, 80));
}

// ---- up-down control ------------------------------------------------------------------------

void paintUpDown(HWND updown, const ControlRecord& record, const MemoryDC& memory) {
    bool horizontal = (styleOf(updown) & UDS_HORZ) != 0;
    float w = f(memory.width()), h = f(memory.height());
    draw::Graphics g;
    if (!beginGraphics(g, memory.dc())) return;
    for (int part = 1; part <= 2; ++part) {
        float x = horizontal && part == 2 ? w / 2 : 0, y = !horizontal && part == 2 ? h / 2 : 0;
        float pw = horizontal ? w / 2 : w, ph = horizontal ? h : h / 2;
        PartState state = partState(updown, record, part);
        paintPart(g, x, y, pw, ph, state);
        int direction = horizontal ? (part == 1 ? 2 : 3) : (part == 1 ? 0 : 1);
        drawArrow(g, x + pw / 2, y + ph / 2, direction, ToArgb(0x000000, state == PART_DISABLED ? 70 : 160));
    }
}

int upDownPart(HWND updown, POINT p) {
    RECT c{};
    GetClientRect(updown, &c);
    if (!PtInRect(&c, p)) return -1;
    if (styleOf(updown) & UDS_HORZ) return p.x < c.right / 2 ? 1 : 2;
    return p.y < c.bottom / 2 ? 1 : 2;
}

// ---- header ---------------------------------------------------------------------------------

std::wstring headerText(HWND header, int index, int& format) {
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_FORMAT;
    std::wstring text = itemText(header, HDM_GETITEMW, index, item);
    format = item.fmt;
    return text;
}

void paintHeader(HWND header, const ControlRecord& record, const MemoryDC& memory) {
    float w = f(memory.width()), h = f(memory.height());
    auto count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    {
        draw::Graphics g;
        if (!beginGraphics(g, memory.dc())) return;
        fillRect(g, 0, 0, w, h, ToArgb(0xFFFFFF, settings().veilAlpha));
        const COLORREF accent = settings().accentColour;
        for (int i = 0; i < count; ++i) {
            RECT r{};
            SendMessageW(header, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
            float x = f(r.left), y = f(r.top), iw = f(r.right - r.left), ih = f(r.bottom - r.top);
            PartState state = partState(header, record, i);
            fillRect(g, x, y, iw, ih, ToArgb(0xFFFFFF, 120));
            if (state == PART_HOT) fillRect(g, x, y, iw, ih, ToArgb(accent, 60));
            if (state == PART_PRESSED) fillRect(g, x, y, iw, ih, ToArgb(accent, 120));
            draw::GraphicsPath gloss;
            gloss.Create();
            gloss.AddRectangle(x, y, iw, std::max(1.0f, ih / 2 - 1));
            fillVertical(g, gloss, y, y + ih / 2, ToArgb(0xFFFFFF, 70), ToArgb(0xFFFFFF, 10));
            draw::Pen separator;
            separator.Create(ToArgb(0x000000, 60), 1.0f);
            g.DrawLine(separator, x + iw - 1, y + 3, x + iw - 1, y + ih - 4);
        }
        draw::Pen bottom;
        bottom.Create(ToArgb(0x000000, 80), 1.0f);
        g.DrawLine(bottom, 0, h - 1, w, h - 1);
    }
    for (int i = 0; i < count; ++i) {
        RECT r{};
        SendMessageW(header, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
        int format = 0;
        std::wstring text = headerText(header, i, format);
        RECT box{r.left + 6, r.top, r.right - 6, r.bottom};
        if (record.pressedItem == i) OffsetRect(&box, 1, 1);
        UINT align = (format & HDF_JUSTIFYMASK) == HDF_CENTER  ? DT_CENTER
                     : (format & HDF_JUSTIFYMASK) == HDF_RIGHT ? DT_RIGHT
                                                               : DT_LEFT;
        drawControlText(memory.dc(), header, text, box, align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS,
                        textColourOf(header));
    }
}

int headerItemAt(HWND header, POINT p) {
    HDHITTESTINFO hit{};
    hit.pt = p;
    auto index = static_cast<int>(SendMessageW(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return (hit.flags & HHT_ONHEADER) ? index : -1;
}

// ---- tab control and its pages --------------------------------------------------------------

// The bottom of the tab strip: where the page area starts.
LONG tabStripBottom(HWND tab) {
    RECT display{};
    GetClientRect(tab, &display);
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    return std::max<LONG>(0, display.top - 2);
}

void paintTab(HWND tab, const ControlRecord& record, const MemoryDC& memory) {
    const COLORREF accent = settings().accentColour;
    const int pageAlpha = settings().veilAlpha / 2;
    float w = f(memory.width()), h = f(memory.height());
    LONG top = tabStripBottom(tab);
    auto count = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
    auto selected = static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
    bool focused = GetFocus() == tab;
    {
        draw::Graphics g;
        if (!beginGraphics(g, memory.dc())) return;
        fillRect(g, 0, f(top), w, h - f(top), ToArgb(0xFFFFFF, pageAlpha));
        outlineRect(g, 0, f(top), w - 1, h - f(top) - 1, ToArgb(0x000000, 80));
        for (int pass = 0; pass < 2; ++pass)  // the selected tab last, over its neighbours
            for (int i = 0; i < count; ++i) {
                if ((i == selected) != (pass == 1)) continue;
                RECT r{};
                SendMessageW(tab, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
                draw::GraphicsPath path;
                if (i == selected) {
                    float x = f(r.left - 2), y = f(r.top - 2), tw = f(r.right - r.left + 3);
                    float th = f(top - r.top + 3);
                    TopRoundPath(path, x, y, tw, th, 4);
                    // Clear the page outline under the tab, so tab and page are one surface.
                    fillRect(g, x + 1, f(top), tw - 1, 1, ToArgb(0xFFFFFF, 0));
                    fillPath(g, path, ToArgb(0xFFFFFF, pageAlpha));
                    outlinePath(g, path, focused ? ToArgb(accent, 180) : ToArgb(0x000000, 80));
                    fillRect(g, x + 2, y, tw - 4, 2, ToArgb(accent, 220));
                } else {
                    TopRoundPath(path, f(r.left), f(r.top), f(r.right - r.left - 1), f(r.bottom - r.top), 4);
                    fillPath(g, path, ToArgb(0xFFFFFF, 60));
                    if (record.hotItem == i && IsWindowEnabled(tab)) fillPath(g, path, ToArgb(accent, 60));
                    outlinePath(g, path, ToArgb(0x000000, 60));
                }
            }
    }
    for (int i = 0; i < count; ++i) {
        RECT r{};
        SendMessageW(tab, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        std::wstring text = itemText(tab, TCM_GETITEMW, i, item);
        if (i == selected) OffsetRect(&r, 0, -1);
        drawControlText(memory.dc(), tab, text, r, DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS,
                        textColourOf(tab));
    }
}

int tabItemAt(HWND tab, POINT p) {
    TCHITTESTINFO hit{};
    hit.pt = p;
    return static_cast<int>(SendMessageW(tab, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

// ---- toolbar --------------------------------------------------------------------------------

void paintToolbar(HWND toolbar, const ControlRecord& record, const MemoryDC& memory) {
    auto count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar, TB_GETIMAGELIST, 0, 0));
    int iconW = 0, iconH = 0;
    if (images) ImageList_GetIconSize(images, &iconW, &iconH);
    {
        draw::Graphics g;
        if (!beginGraphics(g, memory.dc())) return;
        fillRect(g, 0, 0, f(memory.width()), f(memory.height()), ToArgb(0xFFFFFF, settings().veilAlpha / 2));
        for (int i = 0; i < count; ++i) {
            TBBUTTON button{};
            RECT r{};
            SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
            if ((button.fsState & TBSTATE_HIDDEN) || !SendMessageW(toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)))
                continue;
            if (button.fsStyle & BTNS_SEP) {
                float x = f((r.left + r.right) / 2);
                fillRect(g, x - 1, f(r.top + 3), 1, f(r.bottom - r.top - 6), ToArgb(0x000000, 70));
                fillRect(g, x, f(r.top + 3), 1, f(r.bottom - r.top - 6), ToArgb(0xFFFFFF, 120));
                continue;
            }
            if (!(button.fsState & TBSTATE_ENABLED) || !IsWindowEnabled(toolbar)) continue;
            PartState state = PART_NORMAL;
            if (button.fsState & (TBSTATE_PRESSED | TBSTATE_CHECKED))
                state = PART_PRESSED;
            else if (record.hotItem == i)
                state = PART_HOT;
            if (state != PART_NORMAL)
                paintPart(g, f(r.left), f(r.top), f(r.right - r.left), f(r.bottom - r.top), state);
        }
    }
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        RECT r{};
        SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if ((button.fsStyle & BTNS_SEP) || (button.fsState & TBSTATE_HIDDEN) ||
            !SendMessageW(toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)))
            continue;
        bool enabled = (button.fsState & TBSTATE_ENABLED) && IsWindowEnabled(toolbar);
        int shift = (button.fsState & TBSTATE_PRESSED) ? 1 : 0;
        bool hasImage = images && button.iBitmap >= 0 && button.iBitmap < ImageList_GetImageCount(images);
        if (hasImage)
            ImageList_Draw(images, button.iBitmap, memory.dc(), r.left + (r.right - r.left - iconW) / 2 + shift,
                           r.top + 3 + shift, enabled ? ILD_TRANSPARENT : (ILD_TRANSPARENT | ILD_BLEND50));
        wchar_t text[128] = {};
        auto length = static_cast<int>(
            SendMessageW(toolbar, TB_GETBUTTONTEXTW, button.idCommand, reinterpret_cast<LPARAM>(text)));
        if (length > 0 && length < 128) {
            RECT box = r;
            if (hasImage) box.top = r.top + 3 + iconH;
            OffsetRect(&box, shift, shift);
            drawControlText(memory.dc(), toolbar, text, box, DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS,
                            enabled ? static_cast<COLORREF>(getProp(toolbar, PROP_TEXT_COLOUR)) : 0x808080);
        }
    }
}

int toolbarButtonAt(HWND toolbar, POINT p) {
    auto index = static_cast<int>(SendMessageW(toolbar, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&p)));
    if (index < 0) return -1;
    TBBUTTON button{};
    SendMessageW(toolbar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
    return (button.fsStyle & BTNS_SEP) ? -1 : index;
}

// ---- combo box ------------------------------------------------------------------------------

void paintCombo(HWND combo, const ControlRecord& record, const MemoryDC& memory) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (!GetComboBoxInfo(combo, &info)) return;
    LONG_PTR type = styleOf(combo) & 3;
    float w = f(memory.width()), h = f(memory.height());
    bool focused = hasFocusWithin(combo);
    bool dropped = SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != 0;
    const COLORREF accent = settings().accentColour;
    // A simple combo box frames its edit part only; its list frames itself.
    float frameH = type == CBS_SIMPLE ? f(info.rcItem.bottom + info.rcItem.top) : h;
    {
        draw::Graphics g;
        if (!beginGraphics(g, memory.dc())) return;
        fillRect(g, 0, 0, w, frameH, ToArgb(0xFFFFFF, editFaceAlpha()));
        if (type == CBS_DROPDOWNLIST && focused && !dropped)
            fillRect(g, f(info.rcItem.left), f(info.rcItem.top), f(info.rcItem.right - info.rcItem.left),
                     f(info.rcItem.bottom - info.rcItem.top), ToArgb(accent, 90));
        paintControlBorder(g, w, frameH, record.hot && IsWindowEnabled(combo), focused, accent);
        if (type != CBS_SIMPLE) {
            const RECT& b = info.rcButton;
            PartState state = !IsWindowEnabled(combo) ? PART_DISABLED
                              : dropped               ? PART_PRESSED
                              : record.hotItem == 1   ? PART_HOT
                                                      : PART_NORMAL;
            paintPart(g, f(b.left), f(b.top), f(b.right - b.left), f(b.bottom - b.top), state);
            drawArrow(g, f(b.left + b.right) / 2, f(b.top + b.bottom) / 2, 1,
                      ToArgb(0x000000, state == PART_DISABLED ? 70 : 160));
        }
    }
    if (type == CBS_DROPDOWNLIST) {
        auto selected = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
        if (selected >= 0) {
            auto length = static_cast<int>(SendMessageW(combo, CB_GETLBTEXTLEN, selected, 0));
            if (length > 0) {
                std::wstring text(static_cast<size_t>(length) + 1, L'\0');
                SendMessageW(combo, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text.data()));
                text.resize(wcslen(text.c_str()));
                RECT box = info.rcItem;
                box.left += 3;
                drawControlText(memory.dc(), combo, text, box, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS,
                                textColourOf(combo));
            }
        }
    }
}

int comboButtonAt(HWND combo, POINT p) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    return GetComboBoxInfo(combo, &info) && PtInRect(&info.rcButton, p) ? 1 : 0;
}

// ---- list box (and the list of a combo box) -------------------------------------------------

// A visible item of a list box or a list view, and how it stands.
struct ListRow {
    int index;
    RECT rect;
    bool selected;
    bool focused;  // the focused item of a focused list: outlined
};

// The face of a list and the marks of its rows; false when GDI+ cannot draw (nor can the texts be).
bool paintListRows(const MemoryDC& memory, const std::vector<ListRow>& rows, int hotItem) {
    const COLORREF accent = settings().accentColour;
    draw::Graphics g;
    if (!beginGraphics(g, memory.dc())) return false;
    g.SetSmoothingMode(draw::SmoothingMode::None);
    fillRect(g, 0, 0, f(memory.width()), f(memory.height()), ToArgb(0xFFFFFF, editFaceAlpha()));
    for (const ListRow& row : rows) {
        const RECT& r = row.rect;
        float x = f(r.left), y = f(r.top), rw = f(r.right - r.left), rh = f(r.bottom - r.top);
        if (row.selected)
            fillRect(g, x, y, rw, rh, ToArgb(accent, 90));
        else if (row.index == hotItem)
            fillRect(g, x, y, rw, rh, ToArgb(accent, 40));
        if (row.focused) outlineRect(g, x, y, rw - 1, rh - 1, ToArgb(accent, 180));
    }
    return true;
}

void paintListBox(HWND list, const ControlRecord& record, const MemoryDC& memory) {
    LONG_PTR style = styleOf(list);
    bool multiple = (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
    bool columns = (style & LBS_MULTICOLUMN) != 0;
    int w = memory.width(), h = memory.height();
    auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    auto top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    auto current = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
    auto caret = static_cast<int>(SendMessageW(list, LB_GETCARETINDEX, 0, 0));
    bool focused = GetFocus() == list;
    std::vector<ListRow> rows;
    for (int i = std::max(0, top); i < count && rows.size() < 1000; ++i) {
        RECT r{};
        if (SendMessageW(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)) == LB_ERR) break;
        if (r.top >= h && !columns) break;
        if (r.left >= w || r.bottom <= 0 || r.top >= h) continue;
        bool selected = multiple ? SendMessageW(list, LB_GETSEL, i, 0) > 0 : i == current;
        rows.push_back({i, r, selected, focused && i == caret});
    }
    if (!paintListRows(memory, rows, record.hotItem)) return;
    bool strings = !(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) || (style & LBS_HASSTRINGS);
    if (!strings) return;
    for (const ListRow& row : rows) {
        auto length = static_cast<int>(SendMessageW(list, LB_GETTEXTLEN, row.index, 0));
        if (length <= 0) continue;
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, row.index, reinterpret_cast<LPARAM>(text.data()));
        text.resize(wcslen(text.c_str()));
        RECT box = row.rect;
        box.left += 2;
        drawControlText(memory.dc(), list, text, box,
                        DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_EXPANDTABS, textColourOf(list));
    }
}

int listBoxItemAt(HWND list, POINT p) {
    auto hit = static_cast<DWORD>(SendMessageW(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(p.x, p.y)));
    return HIWORD(hit) ? -1 : static_cast<int>(LOWORD(hit));
}

// ---- list view ------------------------------------------------------------------------------

std::wstring listViewText(HWND list, int item, int column) {
    LVITEMW request{};
    request.iSubItem = column;
    return itemText(list, LVM_GETITEMTEXTW, item, request);
}

void paintListView(HWND list, const ControlRecord& record, const MemoryDC& memory) {
    int w = memory.width(), h = memory.height();
    DWORD view = static_cast<DWORD>(SendMessageW(list, LVM_GETVIEW, 0, 0));
    bool report = view == LV_VIEW_DETAILS;
    auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    int first = 0, last = count;
    if (report) {
        first = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
        last = std::min(count, first + static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0)) + 2);
    }
    auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    int columns = report && header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    bool focused = GetFocus() == list;
    std::vector<ListRow> rows;
    for (int i = std::max(0, first); i < last && rows.size() < 2000; ++i) {
        RECT r{};
        r.left = LVIR_BOUNDS;
        if (!SendMessageW(list, LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r))) continue;
        if (r.bottom <= 0 || r.top >= h || r.right <= 0 || r.left >= w) continue;
        auto state = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, i, LVIS_SELECTED | LVIS_FOCUSED));
        rows.push_back({i, r, (state & LVIS_SELECTED) != 0, focused && (state & LVIS_FOCUSED)});
    }
    if (!paintListRows(memory, rows, record.hotItem)) return;
    auto smallImages = reinterpret_cast<HIMAGELIST>(
        SendMessageW(list, LVM_GETIMAGELIST, view == LV_VIEW_ICON ? LVSIL_NORMAL : LVSIL_SMALL, 0));
    COLORREF text = textColourOf(list);
    for (const ListRow& row : rows) {
        if (smallImages) {
            LVITEMW item{};
            item.mask = LVIF_IMAGE;
            item.iItem = row.index;
            RECT icon{};
            icon.left = LVIR_ICON;
            if (SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) && item.iImage >= 0 &&
                SendMessageW(list, LVM_GETITEMRECT, row.index, reinterpret_cast<LPARAM>(&icon)))
                ImageList_Draw(smallImages, item.iImage, memory.dc(), icon.left, icon.top, ILD_TRANSPARENT);
        }
        for (int column = 0; column < columns; ++column) {
            RECT box{};
            box.top = column;
            box.left = column == 0 ? LVIR_LABEL : LVIR_BOUNDS;
            if (report) {
                if (!SendMessageW(list, LVM_GETSUBITEMRECT, row.index, reinterpret_cast<LPARAM>(&box))) continue;
            } else {
                box.left = LVIR_LABEL;
                if (!SendMessageW(list, LVM_GETITEMRECT, row.index, reinterpret_cast<LPARAM>(&box))) continue;
            }
            box.left += column == 0 ? 2 : 6;
            box.right -= 2;
            UINT format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | (view == LV_VIEW_ICON ? DT_CENTER : DT_LEFT);
            drawControlText(memory.dc(), list, listViewText(list, row.index, column), box, format, text);
        }
    }
}

int listViewItemAt(HWND list, POINT p) {
    LVHITTESTINFO hit{};
    hit.pt = p;
    auto index = static_cast<int>(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return (hit.flags & LVHT_ONITEM) ? index : -1;
}

// What each painter does, by PainterKind: paints the control into a memory DC, and finds the part
// or item under a client point (-1 none). A tab page paints nothing of its own (it shows what lies
// behind it, the tab control's face included) and has no parts; a progress bar has no parts.
struct PainterOps {
    void (*paint)(HWND, const ControlRecord&, const MemoryDC&);
    int (*hitTest)(HWND, POINT);
};

const PainterOps& painterOps(int painter) {
    static const PainterOps table[] = {
        {nullptr, nullptr},                // PAINTER_NONE
        {paintTrackbar, trackbarThumbAt},  // PAINTER_TRACKBAR
        {paintProgress, nullptr},          // PAINTER_PROGRESS
        {paintUpDown, upDownPart},         // PAINTER_UPDOWN
        {paintHeader, headerItemAt},       // PAINTER_HEADER
        {paintTab, tabItemAt},             // PAINTER_TAB
        {nullptr, nullptr},                // PAINTER_PAGE
        {paintToolbar, toolbarButtonAt},   // PAINTER_TOOLBAR
        {paintCombo, comboButtonAt},       // PAINTER_COMBO
        {paintListBox, listBoxItemAt},     // PAINTER_LISTBOX
        {paintListView, listViewItemAt},   // PAINTER_LISTVIEW
    };
    static_assert(std::size(table) == PAINTER_LISTVIEW + 1, "one row per PainterKind");
    return painter > PAINTER_NONE && painter <= PAINTER_LISTVIEW ? table[painter] : table[PAINTER_NONE];
}

// Leaves the visible child windows out of a DC's clipping (the control has no WS_CLIPCHILDREN,
// and its children paint themselves).
void excludeChildren(HWND control, HDC dc) {
    for (HWND child = GetWindow(control, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, control, reinterpret_cast<POINT*>(&r), 2);
        ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
}

WNDPROC oldProcOf(HWND control) {
    auto old = reinterpret_cast<WNDPROC>(GetPropA(control, PROP_PROC));
    if (!old) old = reinterpret_cast<WNDPROC>(GetPropA(control, PROP_CHILD_PROC));
    return old;
}

}  // namespace

PainterKind painterForClass(HWND control) {
    char cls[64] = {};
    GetClassNameA(control, cls, sizeof cls);
    struct Entry {
        const char* name;
        PainterKind kind;
    };
    static const Entry entries[] = {
        {"msctls_trackbar32", PAINTER_TRACKBAR}, {"msctls_progress32", PAINTER_PROGRESS},
        {"msctls_updown32", PAINTER_UPDOWN},     {"SysHeader32", PAINTER_HEADER},
        {"SysTabControl32", PAINTER_TAB},        {"ToolbarWindow32", PAINTER_TOOLBAR},
        {"ComboBox", PAINTER_COMBO},             {"ListBox", PAINTER_LISTBOX},
        {"ComboLBox", PAINTER_LISTBOX},          {"SysListView32", PAINTER_LISTVIEW},
    };
    for (const Entry& e : entries)
        if (!std::strcmp(cls, e.name)) {
            // An owner-drawn list box without strings draws its own items.
            if (e.kind == PAINTER_LISTBOX) {
                LONG_PTR style = styleOf(control);
                if ((style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) && !(style & LBS_HASSTRINGS))
                    return PAINTER_NONE;
            }
            return e.kind;
        }
    return PAINTER_NONE;
}

ControlRecord* painterRecord(HWND control) {
    if (GetPropA(control, PROP_PAGE_TAB)) return controlRecord(control, TABLE_TAB_PAGES);
    if (GetPropA(control, PROP_CHILD_OWNER)) return controlRecord(control, TABLE_CONTAINERS);
    for (int t = 0; t < TABLE_COUNT; ++t)
        if (t != TABLE_CONTAINERS && t != TABLE_TAB_PAGES)
            if (ControlRecord* r = controlRecord(control, static_cast<TableKind>(t))) return r;
    return nullptr;
}

void PaintControl(HWND control, ControlRecord& record, HDC target) {
    RECT client{};
    GetClientRect(control, &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    MemoryDC memory(client.right, client.bottom);
    fillControlBackground(control, memory, true);
    if (auto paint = painterOps(record.painter).paint) paint(control, record, memory);
    int saved = SaveDC(target);
    excludeChildren(control, target);
    if (record.painter == PAINTER_COMBO) {
        // The edit of a combo box draws itself; so does the list of a simple one.
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (GetComboBoxInfo(control, &info)) {
            for (HWND part : {info.hwndItem, info.hwndList}) {
                if (!part || part == control || !IsWindowVisible(part) || GetParent(part) != control) continue;
                RECT r{};
                GetWindowRect(part, &r);
                MapWindowPoints(nullptr, control, reinterpret_cast<POINT*>(&r), 2);
                ExcludeClipRect(target, r.left, r.top, r.right, r.bottom);
            }
        }
    }
    BitBlt(target, 0, 0, client.right, client.bottom, memory.dc(), 0, 0, SRCCOPY);
    RestoreDC(target, saved);
}

int painterHitTest(HWND control, const ControlRecord& record, POINT p) {
    auto hitTest = painterOps(record.painter).hitTest;
    return hitTest ? hitTest(control, p) : -1;
}

void repaintNow(HWND control) {
    if (IsWindow(control) && IsWindowVisible(control))
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

bool trackPainterInput(HWND control, ControlRecord& record, UINT message, LPARAM lParam) {
    POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (message) {
        case WM_MOUSEMOVE: {
            bool changed = false;
            if (!record.tracking) {
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, control, 0};
                TrackMouseEvent(&track);
                record.tracking = record.hot = true;
                changed = true;
            }
            int part = painterHitTest(control, record, p);
            if (part != record.hotItem) {
                record.hotItem = part;
                changed = true;
            }
            return changed;
        }
        case WM_MOUSELEAVE:
            record.tracking = record.hot = false;
            record.hotItem = -1;
            return true;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            record.pressed = true;
            record.pressedItem = painterHitTest(control, record, p);
            return true;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (!record.pressed && record.pressedItem < 0) return false;
            record.pressed = false;
            record.pressedItem = -1;
            return true;
        case WM_SETFOCUS:
            record.focused = true;
            return true;
        case WM_KILLFOCUS:
            record.focused = false;
            return true;
        case WM_ENABLE:
            return true;
        default:
            return false;
    }
}

LRESULT paintMessage(HWND control, UINT message, WPARAM wParam) {
    WNDPROC old = oldProcOf(control);
    RECT client{};
    GetClientRect(control, &client);
    if (old && client.right > 0 && client.bottom > 0) {
        // The control's own paint also lays it out (a trackbar places its thumb, a list view
        // measures its items); it runs into a scratch DC that nobody sees.
        MemoryDC scratch(client.right, client.bottom);
        CallWindowProcW(old, control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(scratch.dc()), PRF_CLIENT);
    }
    ControlRecord* record = painterRecord(control);
    if (message == WM_PRINTCLIENT || wParam) {
        if (record) PaintControl(control, *record, reinterpret_cast<HDC>(wParam));
        return 0;
    }
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(control, &ps);
    if (record) PaintControl(control, *record, dc);
    EndPaint(control, &ps);
    return 0;
}

bool painterDrawsItself(HWND control, UINT message, WPARAM wParam, LRESULT& result) {
    if (message == WM_PAINT || message == WM_PRINTCLIENT) {
        result = paintMessage(control, message, wParam);
        return true;
    }
    if (message != WM_ERASEBKGND) return false;
    // The paint lays what lies behind the control whole.
    SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
    result = 1;
    return true;
}

LRESULT CALLBACK PainterProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    ControlRecord* record = painterRecord(control);
    if (!record || record->painter == PAINTER_NONE) {
        if (message == WM_DESTROY) releaseControlBrush(control);
        return callOldProc(control, message, wParam, lParam);
    }
    LRESULT drawn = 0;
    if (painterDrawsItself(control, message, wParam, drawn)) return drawn;
    if (message == WM_DESTROY) releaseControlBrush(control);
    bool repaint = trackPainterInput(control, *record, message, lParam);
    LRESULT result = callOldProc(control, message, wParam, lParam);
    if (repaint) repaintNow(control);
    return result;
}

}  // namespace skin
