// Brush, SolidBrush, LinearGradientBrush and Pen.
#include "draw/flat_call.h"

namespace draw {

bool Brush::GetType(BrushType& type) const {
    return FLAT_OK(GdipGetBrushType, GetClassHandle(), &type);
}

bool Brush::Clone(Brush& out) const {
    GpBrush* clone = nullptr;
    return out.adopt(FLAT(GdipCloneBrush, GetClassHandle(), &clone), clone);
}

bool SolidBrush::Create(ARGB colour) {
    GpSolidFill* brush = nullptr;
    return adopt(FLAT(GdipCreateSolidFill, colour, &brush), brush);
}

bool SolidBrush::SetColor(ARGB colour) {
    return FLAT_OK(GdipSetSolidFillColor, GetDerivedHandle(), colour);
}
bool SolidBrush::GetColor(ARGB& colour) const {
    return FLAT_OK(GdipGetSolidFillColor, GetDerivedHandle(), &colour);
}

bool LinearGradientBrush::Create(const GpPointF& point1, const GpPointF& point2, ARGB colour1, ARGB colour2,
                                 WrapMode wrap) {
    GpLineGradient* brush = nullptr;
    return adopt(FLAT(GdipCreateLineBrush, &point1, &point2, colour1, colour2, wrap, &brush), brush);
}

bool LinearGradientBrush::CreateFromRect(const GpRectF& rect, ARGB colour1, ARGB colour2, LinearGradientMode mode,
                                         WrapMode wrap) {
    GpLineGradient* brush = nullptr;
    return adopt(FLAT(GdipCreateLineBrushFromRect, &rect, colour1, colour2, mode, wrap, &brush), brush);
}

bool LinearGradientBrush::CreateFromRectWithAngle(const GpRectF& rect, ARGB colour1, ARGB colour2, float angle,
                                                  bool isAngleScalable, WrapMode wrap) {
    GpLineGradient* brush = nullptr;
    return adopt(
        FLAT(GdipCreateLineBrushFromRectWithAngle, &rect, colour1, colour2, angle, BOOL(isAngleScalable), wrap, &brush),
        brush);
}

bool LinearGradientBrush::SetLinearColors(ARGB colour1, ARGB colour2) {
    return FLAT_OK(GdipSetLineColors, GetDerivedHandle(), colour1, colour2);
}

bool LinearGradientBrush::GetLinearColors(ARGB& colour1, ARGB& colour2) const {
    ARGB colours[2] = {};
    bool ok = FLAT_OK(GdipGetLineColors, GetDerivedHandle(), colours);
    colour1 = colours[0];
    colour2 = colours[1];
    return ok;
}

bool LinearGradientBrush::GetRectangle(GpRectF& rect) const {
    return FLAT_OK(GdipGetLineRect, GetDerivedHandle(), &rect);
}

bool LinearGradientBrush::SetGammaCorrection(bool useGamma) {
    return FLAT_OK(GdipSetLineGammaCorrection, GetDerivedHandle(), BOOL(useGamma));
}

bool LinearGradientBrush::SetBlend(const float* factors, const float* positions, int count) {
    return FLAT_OK(GdipSetLineBlend, GetDerivedHandle(), factors, positions, count);
}

bool LinearGradientBrush::SetPresetBlend(const ARGB* colours, const float* positions, int count) {
    return FLAT_OK(GdipSetLinePresetBlend, GetDerivedHandle(), colours, positions, count);
}

bool LinearGradientBrush::SetWrapMode(WrapMode wrap) {
    return FLAT_OK(GdipSetLineWrapMode, GetDerivedHandle(), wrap);
}
bool LinearGradientBrush::ResetTransform() {
    return FLAT_OK(GdipResetLineTransform, GetDerivedHandle());
}

bool LinearGradientBrush::TranslateTransform(float dx, float dy, MatrixOrder order) {
    return FLAT_OK(GdipTranslateLineTransform, GetDerivedHandle(), dx, dy, order);
}

bool LinearGradientBrush::ScaleTransform(float sx, float sy, MatrixOrder order) {
    return FLAT_OK(GdipScaleLineTransform, GetDerivedHandle(), sx, sy, order);
}

bool LinearGradientBrush::RotateTransform(float angle, MatrixOrder order) {
    return FLAT_OK(GdipRotateLineTransform, GetDerivedHandle(), angle, order);
}

// About a point: appended, the point moves to the origin first; prepended, the same three steps
// are listed the other way round. Either way the point stays where it is.
bool LinearGradientBrush::RotateTransformAt(float angle, float x, float y, MatrixOrder order) {
    if (order == MatrixOrder::Append)
        return TranslateTransform(-x, -y, order) && RotateTransform(angle, order) && TranslateTransform(x, y, order);
    return TranslateTransform(x, y, order) && RotateTransform(angle, order) && TranslateTransform(-x, -y, order);
}

bool LinearGradientBrush::ScaleTransformAt(float sx, float sy, float x, float y, MatrixOrder order) {
    if (order == MatrixOrder::Append)
        return TranslateTransform(-x, -y, order) && ScaleTransform(sx, sy, order) && TranslateTransform(x, y, order);
    return TranslateTransform(x, y, order) && ScaleTransform(sx, sy, order) && TranslateTransform(-x, -y, order);
}

bool Pen::Create(ARGB colour, float width, Unit unit) {
    GpPen* pen = nullptr;
    return adopt(FLAT(GdipCreatePen1, colour, width, unit, &pen), pen);
}

bool Pen::CreateFromBrush(const Brush& brush, float width, Unit unit) {
    GpPen* pen = nullptr;
    return adopt(FLAT(GdipCreatePen2, brush.GetClassHandle(), width, unit, &pen), pen);
}

bool Pen::Clone(Pen& out) const {
    GpPen* clone = nullptr;
    return out.adopt(FLAT(GdipClonePen, GetClassHandle(), &clone), clone);
}

bool Pen::SetWidth(float width) {
    return FLAT_OK(GdipSetPenWidth, GetClassHandle(), width);
}
bool Pen::GetWidth(float& width) const {
    return FLAT_OK(GdipGetPenWidth, GetClassHandle(), &width);
}
bool Pen::SetColor(ARGB colour) {
    return FLAT_OK(GdipSetPenColor, GetClassHandle(), colour);
}
bool Pen::GetColor(ARGB& colour) const {
    return FLAT_OK(GdipGetPenColor, GetClassHandle(), &colour);
}
bool Pen::SetLineJoin(LineJoin join) {
    return FLAT_OK(GdipSetPenLineJoin, GetClassHandle(), join);
}
bool Pen::SetStartCap(LineCap cap) {
    return FLAT_OK(GdipSetPenStartCap, GetClassHandle(), cap);
}
bool Pen::SetEndCap(LineCap cap) {
    return FLAT_OK(GdipSetPenEndCap, GetClassHandle(), cap);
}
bool Pen::SetDashStyle(DashStyle style) {
    return FLAT_OK(GdipSetPenDashStyle, GetClassHandle(), style);
}

}  // namespace draw
