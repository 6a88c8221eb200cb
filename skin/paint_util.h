// Drawing helpers shared by the painters: rounded paths, glows, gradients and text.
#pragma once
#include <windows.h>

#include <string_view>

#include "draw/draw.h"
#include "skin/skin.h"

namespace skin {

// Four arcs (top right, bottom right, bottom left, top left), closed; corner size clamped to 1..100.
void RoundRectPath(draw::GraphicsPath& path, float x, float y, float w, float h, float e);
// Rounded top corners, square bottom; filling closes it along the bottom.
void TopRoundPath(draw::GraphicsPath& path, float x, float y, float w, float h, float e);
// A pen of the colour drawn along the path n times with widths 1..n.
void Glow(draw::Graphics& graphics, const draw::GraphicsPath& path, int n, COLORREF colour, int alpha);

// Fills the path with a vertical gradient from (top) to (bottom), two or three colours (ARGB).
void fillVertical(draw::Graphics& graphics, const draw::GraphicsPath& path, float top, float bottom, draw::ARGB first,
                  draw::ARGB last);
void fillVertical3(draw::Graphics& graphics, const draw::GraphicsPath& path, float top, float bottom, draw::ARGB first,
                   draw::ARGB middle, draw::ARGB last);
void fillPath(draw::Graphics& graphics, const draw::GraphicsPath& path, draw::ARGB colour);
void outlinePath(draw::Graphics& graphics, const draw::GraphicsPath& path, draw::ARGB colour, float width = 1.0f);
void fillRect(draw::Graphics& graphics, float x, float y, float w, float h, draw::ARGB colour);
void outlineRect(draw::Graphics& graphics, float x, float y, float w, float h, draw::ARGB colour);
// The frame of an edit or combo box w x h: a double glow of `accent` when hot, `accent` when it
// has the focus, a faint dark line otherwise.
void paintControlBorder(draw::Graphics& graphics, float w, float h, bool hot, bool focused, COLORREF accent);

// Draws GBK text in a rectangle with the face (falling back to sans-serif) and pixel size.
// alignment: 0 near, 1 centre.
void drawText(draw::Graphics& graphics, std::string_view text, std::string_view face, float size, int style,
              draw::ARGB colour, const draw::GpRectF& box, int horizontal = 1, int vertical = 1);

// A small filled triangle centred at (cx, cy); direction 0 up, 1 down, 2 left, 3 right.
void drawArrow(draw::Graphics& g, float cx, float cy, int direction, draw::ARGB colour);

// A Graphics on a DC with anti-aliasing, as every painter wants it.
bool beginGraphics(draw::Graphics& graphics, HDC dc);

}  // namespace skin
