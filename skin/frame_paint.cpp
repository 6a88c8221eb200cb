// Rendering of a skinned window: the background by mode, the caption gloss, caption bar and
// caption buttons, the rounded region, and the close effects.
#include <algorithm>
#include <cmath>

#include "skin/tip_window.h"
#include "skin/engine.h"
#include "skin/paint_util.h"

namespace skin {

namespace {

// Decoding a 640 x 480 JPEG on every rebuild is wasted work: the last pictures stay decoded.
struct CachedPicture {
    std::string bytes;
    draw::Image image;
};
std::vector<CachedPicture>& pictureCache() {
    static std::vector<CachedPicture> cache;
    return cache;
}

const draw::Image* pictureFor(const std::string& bytes) {
    if (bytes.empty()) return nullptr;
    auto& cache = pictureCache();
    for (auto& entry : cache)
        if (entry.bytes == bytes) return entry.image.IsNull() ? nullptr : &entry.image;
    if (cache.size() >= 3) cache.erase(cache.begin());
    cache.emplace_back();
    cache.back().bytes = bytes;
    cache.back().image.LoadFromBytes(bytes);
    return cache.back().image.IsNull() ? nullptr : &cache.back().image;
}

void ensureDC(HDC& dc) {
    if (!dc) dc = countDC(CreateCompatibleDC(nullptr));
}

// Selects a new DIB into `dc`; keeps the DC's original bitmap in `first` on the first build and
// deletes the previous skin bitmap afterwards.
void selectNewBitmap(HDC dc, HBITMAP& first, HBITMAP& current, int w, int h) {
    HBITMAP fresh = createDib(w, h);
    auto previous = static_cast<HBITMAP>(SelectObject(dc, fresh));
    if (!first) {
        first = previous;
    } else {
        deleteGdi(current);
    }
    current = fresh;
}

void drawPicture(draw::Graphics& graphics, const draw::Image& image, int mode, int w, int h) {
    UINT iw = 0, ih = 0;
    image.GetWidth(iw);
    image.GetHeight(ih);
    float pw = static_cast<float>(iw), ph = static_cast<float>(ih);
    switch (mode) {
        case 1:
            graphics.DrawImageRect(image, static_cast<float>(w) - pw, 0, pw, ph);
            break;
        case 2:
            graphics.DrawImageRect(image, (static_cast<float>(w) - pw) / 2, (static_cast<float>(h) - ph) / 2, pw, ph);
            break;
        case 3:
            graphics.DrawImageRect(image, 0, 0, static_cast<float>(w), static_cast<float>(h));
            break;
        default:  // 0 and 4
            graphics.DrawImageRect(image, 0, 0, pw, ph);
            break;
    }
}

void drawGlyph(draw::Graphics& graphics, const WindowRecord& record, const CaptionButton& button, float x, float y,
               float w, float h) {
    draw::Pen pen;
    pen.Create(ToArgb(0xFFFFFF, 255), 1.4f);
    draw::Pen shadow;
    shadow.Create(ToArgb(0x000000, 70), 1.4f);
    float cx = x + w / 2, cy = y + h / 2;
    for (int pass = 0; pass < 2; ++pass) {
        const draw::Pen& p = pass == 0 ? shadow : pen;
        float o = pass == 0 ? 1.0f : 0.0f;
        switch (button.kind) {
            case CB_CLOSE:
                graphics.DrawLine(p, cx - 4 + o, cy - 4 + o, cx + 4 + o, cy + 4 + o);
                graphics.DrawLine(p, cx + 4 + o, cy - 4 + o, cx - 4 + o, cy + 4 + o);
                break;
            case CB_MAXIMISE:
                if (record.maximised) {
                    graphics.DrawRectangle(p, cx - 4 + o, cy - 2 + o, 7, 6);
                    graphics.DrawLine(p, cx - 2 + o, cy - 4 + o, cx + 5 + o, cy - 4 + o);
                    graphics.DrawLine(p, cx + 5 + o, cy - 4 + o, cx + 5 + o, cy + 2 + o);
                } else {
                    graphics.DrawRectangle(p, cx - 5 + o, cy - 4 + o, 10, 8);
                }
                break;
            case CB_MINIMISE:
                graphics.DrawLine(p, cx - 5 + o, cy + 3 + o, cx + 5 + o, cy + 3 + o);
                break;
            default:
                break;
        }
    }
    if (button.kind >= CB_ITEM) {
        drawText(graphics, button.tip.substr(0, 2), record.captionFontFace, 11, 0, ToArgb(0xFFFFFF, 255),
                 draw::GpRectF{x, y, w, h});
    }
}

void drawCaptionBar(draw::Graphics& graphics, WindowRecord& record, int w) {
    std::string title = windowText(record.handle);
    float left = 26;
    float right = static_cast<float>(w) - 8;
    if (!record.buttons.empty()) right = static_cast<float>(record.buttons.back().rect.left) - 4;
    for (const CaptionButton& b : record.buttons) right = std::min(right, static_cast<float>(b.rect.left) - 4);
    float height = static_cast<float>(record.captionHeight);
    // A faint shadow keeps white text readable on a light picture.
    drawText(graphics, title, record.captionFontFace, static_cast<float>(record.captionFontSize), 0,
             ToArgb(0x000000, 140), draw::GpRectF{left + 1, 1, right - left, height}, 0, 1);
    drawText(graphics, title, record.captionFontFace, static_cast<float>(record.captionFontSize), 0,
             ToArgb(record.captionTextColour, 255), draw::GpRectF{left, 0, right - left, height}, 0, 1);
    for (const CaptionButton& b : record.buttons)
        drawGlyph(graphics, record, b, static_cast<float>(b.rect.left), static_cast<float>(b.rect.top),
                  static_cast<float>(b.rect.right - b.rect.left), static_cast<float>(b.rect.bottom - b.rect.top));
}

HICON windowIcon(HWND window) {
    auto icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICONSM));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0));
    if (!icon) icon = settings().icon;
    return icon;
}

std::vector<CloseFrame>& closeFrames() {
    static std::vector<CloseFrame> frames;
    return frames;
}

}  // namespace

void releasePictureCache() {
    pictureCache().clear();
}

void setRoundRegion(HWND window, bool resetFirst) {
    if (resetFirst) {
        SetWindowRgn(window, nullptr, TRUE);
        SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (IsZoomed(window)) {
        // A maximised window fills its area square: no region at all, so the whole window shows
        // and takes clicks (a region of the restored size would leave only that corner).
        if (!resetFirst) SetWindowRgn(window, nullptr, TRUE);
        return;
    }
    RECT client{};
    GetClientRect(window, &client);
    HRGN region = CreateRoundRectRgn(0, 0, client.right + 1, client.bottom + 1, 5, 5);
    if (!SetWindowRgn(window, region, TRUE)) DeleteObject(region);
    // On success the system owns the region; there is nothing left to delete.
}

void RebuildWindowSkin(int windowIndex) {
    WindowRecord* record = recordAt(windowIndex);
    if (!record || !IsWindow(record->handle)) return;
    RECT client{};
    GetClientRect(record->handle, &client);
    int w = std::max<int>(client.right, 1), h = std::max<int>(client.bottom, 1);
    const Settings& s = settings();

    ensureDC(record->baseDC);
    ensureDC(record->displayDC);
    selectNewBitmap(record->baseDC, record->baseFirst, record->baseBitmap, w, h);
    selectNewBitmap(record->displayDC, record->firstBitmap, record->skinBitmap, w, h);
    record->bgW = w;
    record->bgH = h;
    setProp(record->handle, PROP_FIRST_BITMAP, reinterpret_cast<INT_PTR>(record->firstBitmap));
    setProp(record->handle, PROP_SKIN_BITMAP, reinterpret_cast<INT_PTR>(record->skinBitmap));
    layoutCaptionButtons(*record);

    bool ownPicture = !record->windowPicture.empty();
    {
        draw::Graphics graphics;
        if (beginGraphics(graphics, record->baseDC)) {
            graphics.Clear(ownPicture ? record->windowPictureMean : (s.mainColour | 0xFF000000u));
            const draw::Image* picture = pictureFor(ownPicture ? record->windowPicture : s.skinImage);
            if (picture) drawPicture(graphics, *picture, ownPicture ? record->windowMode : s.mode, w, h);
            if (record->drawCaption && record->colourOption < 1) {
                draw::LinearGradientBrush gloss;
                float ch = static_cast<float>(record->captionHeight);
                if (gloss.Create(draw::GpPointF{0, 0}, draw::GpPointF{0, ch}, ToArgb(0xFFFFFF, 150),
                                 ToArgb(0xFFFFFF, 0)))
                    graphics.FillRectangle(gloss, 0, 0, static_cast<float>(w), ch);
            } else if (record->drawCaption) {
                // A colour option of 1 or more tints the caption bar with the accent colour instead.
                fillRect(graphics, 0, 0, static_cast<float>(w), static_cast<float>(record->captionHeight),
                         ToArgb(s.accentColour, 150));
            }
            if (record->drawCaption) drawCaptionBar(graphics, *record, w);
        }
    }
    if (record->drawCaption) {
        int top = (record->captionHeight - 16) / 2;
        DrawIconEx(record->baseDC, 6, top, windowIcon(record->handle), 16, 16, 0, nullptr, DI_NORMAL);
    }
    BitBlt(record->displayDC, 0, 0, w, h, record->baseDC, 0, 0, SRCCOPY);
    if (record->drawCaption && !record->isMessageBox) setRoundRegion(record->handle, false);
}

void layoutCaptionButtons(WindowRecord& record) {
    RECT client{};
    GetClientRect(record.handle, &client);
    int total = 0;
    for (const CaptionButton& b : record.buttons) total += (b.kind == CB_CLOSE ? CLOSE_BUTTON_W : CAPTION_BUTTON_W) + 1;
    int stripRight = client.right - 4;
    int x = stripRight - total - 2 + 1;
    // The list holds close, maximise, minimise, items; they stand in the reverse order on screen.
    for (auto it = record.buttons.rbegin(); it != record.buttons.rend(); ++it) {
        int bw = it->kind == CB_CLOSE ? CLOSE_BUTTON_W : CAPTION_BUTTON_W;
        it->rect = RECT{x, 1, x + bw, 1 + CAPTION_BUTTON_H};
        x += bw + 1;
        if (record.tips) record.tips->SetToolRect(it->id, it->rect);
    }
}

void createCaptionButtons(WindowRecord& record) {
    record.buttons.clear();
    if (!record.drawCaption) return;
    auto add = [&](int kind, const char* tip) {
        CaptionButton b;
        b.kind = kind;
        b.tip = tip;
        b.id = static_cast<int>(record.buttons.size()) + 1;
        record.buttons.push_back(b);
    };
    add(CB_CLOSE, "关闭");
    if (record.hasMaximise) add(CB_MAXIMISE, "最大化");
    if (record.hasMinimise) add(CB_MINIMISE, "最小化");
    for (size_t i = 0; i < record.captionItems.size() && i < 3; ++i)
        add(CB_ITEM + static_cast<int>(i), record.captionItems[i].c_str());
    record.tips = std::make_unique<TipWindow>();
    countWindow(record.tips->Create(record.handle, false));
    layoutCaptionButtons(record);
    for (CaptionButton& b : record.buttons) record.tips->AddTool(b.rect, true, b.tip, b.id);
}

void paintCaptionButton(WindowRecord& record, int button, int hoverAlpha, bool pressed, HDC target) {
    if (button < 0 || button >= static_cast<int>(record.buttons.size()) || !record.displayDC) return;
    const CaptionButton& b = record.buttons[button];
    int w = b.rect.right - b.rect.left, h = b.rect.bottom - b.rect.top;
    MemoryDC tmp(w, h);
    BitBlt(tmp.dc(), 0, 0, w, h, record.displayDC, b.rect.left, b.rect.top, SRCCOPY);
    {
        draw::Graphics graphics;
        if (beginGraphics(graphics, tmp.dc())) {
            draw::GraphicsPath path;
            RoundRectPath(path, 0, 0, static_cast<float>(w - 1), static_cast<float>(h - 1), 4);
            if (pressed) {
                fillPath(graphics, path, b.kind == CB_CLOSE ? ToArgb(RGB(170, 20, 30), 255) : ToArgb(0, 70));
            } else if (hoverAlpha > 0) {
                fillPath(
                    graphics, path,
                    b.kind == CB_CLOSE ? ToArgb(RGB(232, 17, 35), hoverAlpha) : ToArgb(0xFFFFFF, hoverAlpha * 3 / 8));
            }
            if (pressed || hoverAlpha > 0)
                drawGlyph(graphics, record, b, 0, 0, static_cast<float>(w), static_cast<float>(h));
        }
    }
    HDC dc = target ? target : GetDC(record.handle);
    BitBlt(dc, b.rect.left, b.rect.top, w, h, tmp.dc(), 0, 0, SRCCOPY);
    if (!target) ReleaseDC(record.handle, dc);
}

RECT workAreaFromTaskbar(int screenW, int screenH, const RECT* taskbar) {
    RECT area{0, 0, screenW, screenH};
    if (!taskbar) return area;
    constexpr int TOLERANCE = 5;
    const RECT& t = *taskbar;
    int tw = t.right - t.left, th = t.bottom - t.top;
    bool wide = tw >= screenW - TOLERANCE;
    bool tall = th >= screenH - TOLERANCE;
    if (wide && t.top <= TOLERANCE && t.bottom < screenH - TOLERANCE) {
        area.top = t.bottom;  // along the top
    } else if (wide && t.bottom >= screenH - TOLERANCE && t.top > TOLERANCE) {
        area.bottom = t.top;  // along the bottom
    } else if (tall && t.left <= TOLERANCE && t.right < screenW - TOLERANCE) {
        area.left = t.right;  // along the left
    } else if (tall && t.right >= screenW - TOLERANCE && t.left > TOLERANCE) {
        area.right = t.left;  // along the right
    }
    // A taskbar that is hidden (moved off screen) or not on an edge leaves the whole screen.
    if (t.top >= screenH || t.bottom <= 0 || t.left >= screenW || t.right <= 0) return RECT{0, 0, screenW, screenH};
    return area;
}

const std::vector<CloseFrame>& lastCloseEffect() {
    return closeFrames();
}

void playCloseEffect(WindowRecord& record) {
    closeFrames().clear();
    if (record.effect != 1 && record.effect != 2) return;
    HWND window = record.handle;
    if (!IsWindowVisible(window)) return;
    RECT wr{};
    GetWindowRect(window, &wr);
    RECT client{};
    GetClientRect(window, &client);
    int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return;
    POINT origin{0, 0};
    ClientToScreen(window, &origin);

    MemoryDC snapshot(width, height);
    HDC windowDC = GetDC(window);
    BitBlt(snapshot.dc(), 0, 0, width, height, windowDC, 0, 0, SRCCOPY);
    ReleaseDC(window, windowDC);
    // The frame before the snapshot is the rendered background if the screen copy came back empty.
    if (record.displayDC) {
        bool blank = true;
        for (int i = 0; i < width * height && blank; i += 97) blank = (snapshot.bits()[i] & 0xFFFFFF) == 0;
        if (blank) BitBlt(snapshot.dc(), 0, 0, width, height, record.displayDC, 0, 0, SRCCOPY);
    }

    SetWindowRgn(window, nullptr, FALSE);
    LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    if (exStyle & WS_EX_LAYERED) {
        // A window faded with SetLayeredWindowAttributes must be made layered afresh.
        SetWindowLongPtrA(window, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
    }
    SetWindowLongPtrA(window, GWL_EXSTYLE, GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_LAYERED);

    int dx, dy;
    if (record.effect == 1) {
        dx = width / 10;
        dy = height / 10;
    } else {
        dx = static_cast<int>(width * 0.02);
        dy = static_cast<int>(height * 0.02);
    }
    int left = origin.x, top = origin.y, fw = width, fh = height;
    HDC screen = GetDC(nullptr);
    int alpha = 255;
    for (int i = 1; i <= 10; ++i) {
        // Kind 2 shrinks for five frames and grows back for five; kind 1 collapses to the centre.
        bool grow = record.effect == 2 && i > 5;
        int sx = grow ? -dx : dx, sy = grow ? -dy : dy;
        left += sx / 2;
        top += sy / 2;
        fw = std::max(1, fw - sx);
        fh = std::max(1, fh - sy);
        RECT frame{left, top, left + fw, top + fh};
        alpha -= 25;

        MemoryDC scaled(fw, fh);
        SetStretchBltMode(scaled.dc(), HALFTONE);
        StretchBlt(scaled.dc(), 0, 0, fw, fh, snapshot.dc(), 0, 0, width, height, SRCCOPY);
        for (int p = 0; p < fw * fh; ++p) scaled.bits()[p] |= 0xFF000000u;  // opaque, premultiplied
        POINT position{frame.left, frame.top};
        SIZE size{fw, fh};
        POINT source{0, 0};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(alpha), AC_SRC_ALPHA};
        UpdateLayeredWindow(window, screen, &position, &size, scaled.dc(), &source, 0, &blend, ULW_ALPHA);
        closeFrames().push_back(CloseFrame{frame, alpha});
        Sleep(static_cast<DWORD>(20 - 2 * i));
    }
    ReleaseDC(nullptr, screen);
}

}  // namespace skin
