// Graphics: settings, world transform, drawing, text, pictures and clipping.
#include "draw/flat_call.h"
#include "text/encoding.h"

namespace draw {
namespace {

// A temporary native matrix, deleted at scope end without touching the last status.
struct TempMatrix {
    GpMatrix* m = nullptr;
    ~TempMatrix() {
        if (m && flatTable().GdipDeleteMatrix) flatTable().GdipDeleteMatrix(m);
    }
};

}  // namespace

bool Graphics::CreateFromHDC(HDC hdc) {
    GpGraphics* graphics = nullptr;
    return adopt(FLAT(GdipCreateFromHDC, hdc, &graphics), graphics);
}

bool Graphics::CreateFromHDC2(HDC hdc, HANDLE device) {
    GpGraphics* graphics = nullptr;
    return adopt(FLAT(GdipCreateFromHDC2, hdc, device, &graphics), graphics);
}

bool Graphics::CreateFromImage(const Image& image) {
    GpGraphics* graphics = nullptr;
    return adopt(FLAT(GdipGetImageGraphicsContext, image.GetClassHandle(), &graphics), graphics);
}

bool Graphics::Flush(bool sync) {
    return FLAT_OK(GdipFlush, GetClassHandle(), sync ? 1 : 0);
}
bool Graphics::GetHDC(HDC& hdc) {
    return FLAT_OK(GdipGetDC, GetClassHandle(), &hdc);
}
bool Graphics::ReleaseHDC(HDC hdc) {
    return FLAT_OK(GdipReleaseDC, GetClassHandle(), hdc);
}

bool Graphics::SetSmoothingMode(SmoothingMode mode) {
    return FLAT_OK(GdipSetSmoothingMode, GetClassHandle(), mode);
}
bool Graphics::GetSmoothingMode(SmoothingMode& mode) const {
    return FLAT_OK(GdipGetSmoothingMode, GetClassHandle(), &mode);
}
bool Graphics::SetInterpolationMode(InterpolationMode mode) {
    return FLAT_OK(GdipSetInterpolationMode, GetClassHandle(), mode);
}
bool Graphics::GetInterpolationMode(InterpolationMode& mode) const {
    return FLAT_OK(GdipGetInterpolationMode, GetClassHandle(), &mode);
}
bool Graphics::SetTextRenderingHint(TextRenderingHint hint) {
    return FLAT_OK(GdipSetTextRenderingHint, GetClassHandle(), hint);
}
bool Graphics::GetTextRenderingHint(TextRenderingHint& hint) const {
    return FLAT_OK(GdipGetTextRenderingHint, GetClassHandle(), &hint);
}
bool Graphics::SetCompositingMode(CompositingMode mode) {
    return FLAT_OK(GdipSetCompositingMode, GetClassHandle(), mode);
}
bool Graphics::GetCompositingMode(CompositingMode& mode) const {
    return FLAT_OK(GdipGetCompositingMode, GetClassHandle(), &mode);
}
bool Graphics::SetCompositingQuality(CompositingQuality quality) {
    return FLAT_OK(GdipSetCompositingQuality, GetClassHandle(), quality);
}
bool Graphics::GetCompositingQuality(CompositingQuality& quality) const {
    return FLAT_OK(GdipGetCompositingQuality, GetClassHandle(), &quality);
}
bool Graphics::SetPixelOffsetMode(PixelOffsetMode mode) {
    return FLAT_OK(GdipSetPixelOffsetMode, GetClassHandle(), mode);
}
bool Graphics::GetPixelOffsetMode(PixelOffsetMode& mode) const {
    return FLAT_OK(GdipGetPixelOffsetMode, GetClassHandle(), &mode);
}
bool Graphics::SetRenderingOrigin(int x, int y) {
    return FLAT_OK(GdipSetRenderingOrigin, GetClassHandle(), x, y);
}
bool Graphics::SetTextContrast(UINT contrast) {
    return FLAT_OK(GdipSetTextContrast, GetClassHandle(), contrast);
}
bool Graphics::SetPageUnit(Unit unit) {
    return FLAT_OK(GdipSetPageUnit, GetClassHandle(), unit);
}
bool Graphics::SetPageScale(float scale) {
    return FLAT_OK(GdipSetPageScale, GetClassHandle(), scale);
}
bool Graphics::GetDpiX(float& dpi) const {
    return FLAT_OK(GdipGetDpiX, GetClassHandle(), &dpi);
}
bool Graphics::GetDpiY(float& dpi) const {
    return FLAT_OK(GdipGetDpiY, GetClassHandle(), &dpi);
}

bool Graphics::SetWorldTransform(const float e[6]) {
    TempMatrix matrix;
    if (!FLAT_OK(GdipCreateMatrix2, e[0], e[1], e[2], e[3], e[4], e[5], &matrix.m)) return false;
    return FLAT_OK(GdipSetWorldTransform, GetClassHandle(), matrix.m);
}

bool Graphics::GetWorldTransform(float elements[6]) const {
    TempMatrix matrix;
    if (!FLAT_OK(GdipCreateMatrix, &matrix.m)) return false;
    if (!FLAT_OK(GdipGetWorldTransform, GetClassHandle(), matrix.m)) return false;
    return FLAT_OK(GdipGetMatrixElements, static_cast<const GpMatrix*>(matrix.m), elements);
}

bool Graphics::ResetWorldTransform() {
    return FLAT_OK(GdipResetWorldTransform, GetClassHandle());
}

bool Graphics::MultiplyWorldTransform(const float e[6], MatrixOrder order) {
    TempMatrix matrix;
    if (!FLAT_OK(GdipCreateMatrix2, e[0], e[1], e[2], e[3], e[4], e[5], &matrix.m)) return false;
    return FLAT_OK(GdipMultiplyWorldTransform, GetClassHandle(), matrix.m, order);
}

bool Graphics::TranslateWorldTransform(float dx, float dy, MatrixOrder order) {
    return FLAT_OK(GdipTranslateWorldTransform, GetClassHandle(), dx, dy, order);
}

bool Graphics::ScaleWorldTransform(float sx, float sy, MatrixOrder order) {
    return FLAT_OK(GdipScaleWorldTransform, GetClassHandle(), sx, sy, order);
}

bool Graphics::RotateWorldTransform(float angle, MatrixOrder order) {
    return FLAT_OK(GdipRotateWorldTransform, GetClassHandle(), angle, order);
}

// Appended, the point moves to the origin first; prepended, the same three steps are listed the
// other way round, because each new step then applies before the earlier ones.
bool Graphics::RotateWorldTransformAt(float angle, float x, float y, MatrixOrder order) {
    if (order == MatrixOrder::Append)
        return TranslateWorldTransform(-x, -y, order) && RotateWorldTransform(angle, order) &&
               TranslateWorldTransform(x, y, order);
    return TranslateWorldTransform(x, y, order) && RotateWorldTransform(angle, order) &&
           TranslateWorldTransform(-x, -y, order);
}

bool Graphics::ScaleWorldTransformAt(float sx, float sy, float x, float y, MatrixOrder order) {
    if (order == MatrixOrder::Append)
        return TranslateWorldTransform(-x, -y, order) && ScaleWorldTransform(sx, sy, order) &&
               TranslateWorldTransform(x, y, order);
    return TranslateWorldTransform(x, y, order) && ScaleWorldTransform(sx, sy, order) &&
           TranslateWorldTransform(-x, -y, order);
}

bool Graphics::TransformPoints(CoordinateSpace dest, CoordinateSpace src, GpPointF* points, int count) const {
    return FLAT_OK(GdipTransformPoints, GetClassHandle(), dest, src, points, count);
}

bool Graphics::Clear(ARGB colour) {
    return FLAT_OK(GdipGraphicsClear, GetClassHandle(), colour);
}

bool Graphics::DrawLine(const Pen& pen, float x1, float y1, float x2, float y2) {
    return FLAT_OK(GdipDrawLine, GetClassHandle(), pen.GetClassHandle(), x1, y1, x2, y2);
}

bool Graphics::DrawLines(const Pen& pen, const GpPointF* points, int count) {
    return FLAT_OK(GdipDrawLines, GetClassHandle(), pen.GetClassHandle(), points, count);
}

bool Graphics::DrawArc(const Pen& pen, float x, float y, float width, float height, float startAngle,
                       float sweepAngle) {
    return FLAT_OK(GdipDrawArc, GetClassHandle(), pen.GetClassHandle(), x, y, width, height, startAngle, sweepAngle);
}

bool Graphics::DrawRectangle(const Pen& pen, float x, float y, float width, float height) {
    return FLAT_OK(GdipDrawRectangle, GetClassHandle(), pen.GetClassHandle(), x, y, width, height);
}

bool Graphics::DrawRectangleI(const Pen& pen, int x, int y, int width, int height) {
    return FLAT_OK(GdipDrawRectangleI, GetClassHandle(), pen.GetClassHandle(), x, y, width, height);
}

bool Graphics::DrawEllipse(const Pen& pen, float x, float y, float width, float height) {
    return FLAT_OK(GdipDrawEllipse, GetClassHandle(), pen.GetClassHandle(), x, y, width, height);
}

bool Graphics::DrawPolygon(const Pen& pen, const GpPointF* points, int count) {
    return FLAT_OK(GdipDrawPolygon, GetClassHandle(), pen.GetClassHandle(), points, count);
}

bool Graphics::DrawPath(const Pen& pen, const GraphicsPath& path) {
    return FLAT_OK(GdipDrawPath, GetClassHandle(), pen.GetClassHandle(), path.GetClassHandle());
}

bool Graphics::FillRectangle(const Brush& brush, float x, float y, float width, float height) {
    return FLAT_OK(GdipFillRectangle, GetClassHandle(), brush.GetClassHandle(), x, y, width, height);
}

bool Graphics::FillRectangleI(const Brush& brush, int x, int y, int width, int height) {
    return FLAT_OK(GdipFillRectangleI, GetClassHandle(), brush.GetClassHandle(), x, y, width, height);
}

bool Graphics::FillEllipse(const Brush& brush, float x, float y, float width, float height) {
    return FLAT_OK(GdipFillEllipse, GetClassHandle(), brush.GetClassHandle(), x, y, width, height);
}

bool Graphics::FillPolygon(const Brush& brush, const GpPointF* points, int count, FillMode mode) {
    return FLAT_OK(GdipFillPolygon, GetClassHandle(), brush.GetClassHandle(), points, count, mode);
}

bool Graphics::FillPath(const Brush& brush, const GraphicsPath& path) {
    return FLAT_OK(GdipFillPath, GetClassHandle(), brush.GetClassHandle(), path.GetClassHandle());
}

bool Graphics::FillRegion(const Brush& brush, const Region& region) {
    return FLAT_OK(GdipFillRegion, GetClassHandle(), brush.GetClassHandle(), region.GetClassHandle());
}

bool Graphics::DrawString(std::string_view textGbk, const Font& font, const GpRectF& layout, const StringFormat* format,
                          const Brush& brush) {
    std::wstring text = gbkToWide(textGbk);
    return FLAT_OK(GdipDrawString, GetClassHandle(), text.c_str(), INT(text.size()),
                   static_cast<const GpFont*>(font.GetClassHandle()), &layout,
                   static_cast<const GpStringFormat*>(format ? format->GetClassHandle() : nullptr),
                   static_cast<const GpBrush*>(brush.GetClassHandle()));
}

bool Graphics::MeasureString(std::string_view textGbk, const Font& font, const GpRectF& layout,
                             const StringFormat* format, GpRectF& bounds, int* codepointsFitted,
                             int* linesFilled) const {
    std::wstring text = gbkToWide(textGbk);
    INT fitted = 0, lines = 0;
    bounds = {};
    bool ok = FLAT_OK(GdipMeasureString, GetClassHandle(), text.c_str(), INT(text.size()),
                      static_cast<const GpFont*>(font.GetClassHandle()), &layout,
                      static_cast<const GpStringFormat*>(format ? format->GetClassHandle() : nullptr), &bounds, &fitted,
                      &lines);
    if (codepointsFitted) *codepointsFitted = fitted;
    if (linesFilled) *linesFilled = lines;
    return ok;
}

bool Graphics::DrawImage(const Image& image, float x, float y) {
    return FLAT_OK(GdipDrawImage, GetClassHandle(), image.GetClassHandle(), x, y);
}

bool Graphics::DrawImageI(const Image& image, int x, int y) {
    return FLAT_OK(GdipDrawImageI, GetClassHandle(), image.GetClassHandle(), x, y);
}

bool Graphics::DrawImageRect(const Image& image, float x, float y, float width, float height) {
    return FLAT_OK(GdipDrawImageRect, GetClassHandle(), image.GetClassHandle(), x, y, width, height);
}

bool Graphics::DrawImageRectRect(const Image& image, const GpRectF& d, const GpRectF& s, Unit sourceUnit) {
    return FLAT_OK(GdipDrawImageRectRect, GetClassHandle(), image.GetClassHandle(), d.X, d.Y, d.Width, d.Height, s.X,
                   s.Y, s.Width, s.Height, sourceUnit, static_cast<const ImageAttributes*>(nullptr),
                   static_cast<void*>(nullptr), static_cast<void*>(nullptr));
}

bool Graphics::SetClipGraphics(const Graphics& source, CombineMode mode) {
    return FLAT_OK(GdipSetClipGraphics, GetClassHandle(), source.GetClassHandle(), mode);
}

bool Graphics::SetClipRect(const GpRectF& r, CombineMode mode) {
    return FLAT_OK(GdipSetClipRect, GetClassHandle(), r.X, r.Y, r.Width, r.Height, mode);
}

bool Graphics::SetClipRegion(const Region& region, CombineMode mode) {
    return FLAT_OK(GdipSetClipRegion, GetClassHandle(), region.GetClassHandle(), mode);
}

bool Graphics::SetClipPath(const GraphicsPath& path, CombineMode mode) {
    return FLAT_OK(GdipSetClipPath, GetClassHandle(), path.GetClassHandle(), mode);
}

bool Graphics::SetClipHrgn(HRGN hrgn, CombineMode mode) {
    return FLAT_OK(GdipSetClipHrgn, GetClassHandle(), hrgn, mode);
}

bool Graphics::ResetClip() {
    return FLAT_OK(GdipResetClip, GetClassHandle());
}
bool Graphics::TranslateClip(float dx, float dy) {
    return FLAT_OK(GdipTranslateClip, GetClassHandle(), dx, dy);
}
bool Graphics::GetClip(Region& region) const {
    return FLAT_OK(GdipGetClip, GetClassHandle(), region.GetClassHandle());
}
bool Graphics::GetClipBounds(GpRectF& bounds) const {
    return FLAT_OK(GdipGetClipBounds, GetClassHandle(), &bounds);
}

bool Graphics::IsClipEmpty(bool& empty) const {
    BOOL result = FALSE;
    bool ok = FLAT_OK(GdipIsClipEmpty, GetClassHandle(), &result);
    empty = ok && result;
    return ok;
}

bool Graphics::Save(GraphicsState& state) {
    return FLAT_OK(GdipSaveGraphics, GetClassHandle(), &state);
}
bool Graphics::Restore(GraphicsState state) {
    return FLAT_OK(GdipRestoreGraphics, GetClassHandle(), state);
}

}  // namespace draw
