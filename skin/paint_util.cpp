#include "skin/paint_util.h"

#include <algorithm>

namespace skin {

void RoundRectPath(draw::GraphicsPath& path, float x, float y, float w, float h, float e) {
    e = std::clamp(e, 1.0f, 100.0f);
    path.Create();
    path.AddArc(x + w - e, y, e, e, 270, 90);
    path.AddArc(x + w - e - 1, y + h - e - 1, e + 1, e + 1, 0, 90);
    path.AddArc(x, y + h - e, e, e, 90, 90);
    path.AddArc(x, y, e, e, 180, 90);
    path.CloseFigure();
}

void TopRoundPath(draw::GraphicsPath& path, float x, float y, float w, float h, float e) {
    e = std::clamp(e, 1.0f, 100.0f);
    path.Create();
    path.AddLine(x, y + h, x, y + e);
    path.AddArc(x, y, e, e, 180, 90);
    path.AddLine(x + e, y, x + w - e, y);
    path.AddArc(x + w - e, y, e, e, 270, 90);
    path.AddLine(x + w, y + e, x + w, y + h);
}

void Glow(draw::Graphics& graphics, const draw::GraphicsPath& path, int n, COLORREF colour, int alpha) {
    for (int width = 1; width <= n; ++width) {
        draw::Pen pen;
        pen.Create(ToArgb(colour, alpha), static_cast<float>(width));
        graphics.DrawPath(pen, path);
    }
}

namespace {

bool verticalBrush(draw::LinearGradientBrush& brush, float top, float bottom, draw::ARGB first, draw::ARGB last) {
    if (bottom <= top) bottom = top + 1;
    // One pixel beyond each end, so the tiled gradient never wraps a line of the other colour in.
    return brush.Create(draw::GpPointF{0, top - 1}, draw::GpPointF{0, bottom + 1}, first, last);
}

}  // namespace

void fillVertical(draw::Graphics& graphics, const draw::GraphicsPath& path, float top, float bottom, draw::ARGB first,
                  draw::ARGB last) {
    draw::LinearGradientBrush brush;
    if (verticalBrush(brush, top, bottom, first, last)) graphics.FillPath(brush, path);
}

void fillVertical3(draw::Graphics& graphics, const draw::GraphicsPath& path, float top, float bottom, draw::ARGB first,
                   draw::ARGB middle, draw::ARGB last) {
    draw::LinearGradientBrush brush;
    if (!verticalBrush(brush, top, bottom, first, last)) return;
    draw::ARGB colours[3] = {first, middle, last};
    float positions[3] = {0.0f, 0.5f, 1.0f};
    brush.SetPresetBlend(colours, positions, 3);
    graphics.FillPath(brush, path);
}

void fillPath(draw::Graphics& graphics, const draw::GraphicsPath& path, draw::ARGB colour) {
    draw::SolidBrush brush;
    if (brush.Create(colour)) graphics.FillPath(brush, path);
}

void outlinePath(draw::Graphics& graphics, const draw::GraphicsPath& path, draw::ARGB colour, float width) {
    draw::Pen pen;
    if (pen.Create(colour, width)) graphics.DrawPath(pen, path);
}

void fillRect(draw::Graphics& graphics, float x, float y, float w, float h, draw::ARGB colour) {
    draw::SolidBrush brush;
    if (brush.Create(colour)) graphics.FillRectangle(brush, x, y, w, h);
}

void outlineRect(draw::Graphics& graphics, float x, float y, float w, float h, draw::ARGB colour) {
    draw::Pen pen;
    if (pen.Create(colour, 1.0f)) graphics.DrawRectangle(pen, x, y, w, h);
}

void paintControlBorder(draw::Graphics& graphics, float w, float h, bool hot, bool focused, COLORREF accent) {
    if (hot) {
        outlineRect(graphics, 0, 0, w - 1, h - 1, ToArgb(0xFFFFFF, 60));
        outlineRect(graphics, 0, 0, w - 1, h - 1, ToArgb(accent, 90));
        outlineRect(graphics, 1, 1, w - 3, h - 3, ToArgb(accent, 180));
    } else if (focused) {
        outlineRect(graphics, 0, 0, w - 1, h - 1, ToArgb(accent, 180));
    } else {
        outlineRect(graphics, 0, 0, w - 1, h - 1, ToArgb(0x000000, 80));
    }
}

void drawText(draw::Graphics& graphics, std::string_view text, std::string_view face, float size, int style,
              draw::ARGB colour, const draw::GpRectF& box, int horizontal, int vertical) {
    if (text.empty()) return;
    draw::Font font;
    if (!font.CreateFromNameOrSansSerif(face, size, style, draw::Unit::Pixel)) return;
    draw::StringFormat format;
    format.Create(draw::StringFormatFlagsNoWrap);
    format.SetAlignment(horizontal ? draw::StringAlignment::Center : draw::StringAlignment::Near);
    format.SetLineAlignment(vertical ? draw::StringAlignment::Center : draw::StringAlignment::Near);
    format.SetHotkeyPrefix(draw::HotkeyPrefix::Hide);
    draw::SolidBrush brush;
    brush.Create(colour);
    graphics.DrawString(text, font, box, &format, brush);
}

void drawArrow(draw::Graphics& g, float cx, float cy, int direction, draw::ARGB colour) {
    // direction: 0 up, 1 down, 2 left, 3 right
    draw::GpPointF p[3];
    const float s = 3.5f;
    switch (direction) {
        case 0:
            p[0] = {cx - s, cy + s / 2}, p[1] = {cx + s, cy + s / 2}, p[2] = {cx, cy - s / 2 - 1};
            break;
        case 1:
            p[0] = {cx - s, cy - s / 2}, p[1] = {cx + s, cy - s / 2}, p[2] = {cx, cy + s / 2 + 1};
            break;
        case 2:
            p[0] = {cx + s / 2, cy - s}, p[1] = {cx + s / 2, cy + s}, p[2] = {cx - s / 2 - 1, cy};
            break;
        default:
            p[0] = {cx - s / 2, cy - s}, p[1] = {cx - s / 2, cy + s}, p[2] = {cx + s / 2 + 1, cy};
            break;
    }
    draw::SolidBrush brush;
    brush.Create(colour);
    g.FillPolygon(brush, p, 3);
}

bool beginGraphics(draw::Graphics& graphics, HDC dc) {
    if (!graphics.CreateFromHDC(dc)) return false;
    graphics.SetSmoothingMode(draw::SmoothingMode::AntiAlias);
    graphics.SetTextRenderingHint(draw::TextRenderingHint::AntiAliasGridFit);
    graphics.SetInterpolationMode(draw::InterpolationMode::HighQualityBicubic);
    return true;
}

}  // namespace skin
