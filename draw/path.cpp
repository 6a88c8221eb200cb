// GraphicsPath and Region.
#include "draw/flat_call.h"

namespace draw {

bool GraphicsPath::Create(FillMode mode) {
    GpPath* path = nullptr;
    return adopt(FLAT(GdipCreatePath, mode, &path), path);
}

bool GraphicsPath::Clone(GraphicsPath& out) const {
    GpPath* clone = nullptr;
    return out.adopt(FLAT(GdipClonePath, GetClassHandle(), &clone), clone);
}

bool GraphicsPath::Reset() {
    return FLAT_OK(GdipResetPath, GetClassHandle());
}
bool GraphicsPath::SetFillMode(FillMode mode) {
    return FLAT_OK(GdipSetPathFillMode, GetClassHandle(), mode);
}

bool GraphicsPath::GetPointCount(int& count) const {
    INT value = 0;
    bool ok = FLAT_OK(GdipGetPointCount, GetClassHandle(), &value);
    count = value;
    return ok;
}

bool GraphicsPath::StartFigure() {
    return FLAT_OK(GdipStartPathFigure, GetClassHandle());
}
bool GraphicsPath::CloseFigure() {
    return FLAT_OK(GdipClosePathFigure, GetClassHandle());
}
bool GraphicsPath::CloseAllFigures() {
    return FLAT_OK(GdipClosePathFigures, GetClassHandle());
}

bool GraphicsPath::AddLine(float x1, float y1, float x2, float y2) {
    return FLAT_OK(GdipAddPathLine, GetClassHandle(), x1, y1, x2, y2);
}

bool GraphicsPath::AddLines(const GpPointF* points, int count) {
    return FLAT_OK(GdipAddPathLine2, GetClassHandle(), points, count);
}

bool GraphicsPath::AddArc(float x, float y, float width, float height, float startAngle, float sweepAngle) {
    return FLAT_OK(GdipAddPathArc, GetClassHandle(), x, y, width, height, startAngle, sweepAngle);
}

bool GraphicsPath::AddBezier(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4) {
    return FLAT_OK(GdipAddPathBezier, GetClassHandle(), x1, y1, x2, y2, x3, y3, x4, y4);
}

bool GraphicsPath::AddRectangle(float x, float y, float width, float height) {
    return FLAT_OK(GdipAddPathRectangle, GetClassHandle(), x, y, width, height);
}

bool GraphicsPath::AddEllipse(float x, float y, float width, float height) {
    return FLAT_OK(GdipAddPathEllipse, GetClassHandle(), x, y, width, height);
}

bool GraphicsPath::AddPolygon(const GpPointF* points, int count) {
    return FLAT_OK(GdipAddPathPolygon, GetClassHandle(), points, count);
}

bool GraphicsPath::AddPath(const GraphicsPath& other, bool connect) {
    return FLAT_OK(GdipAddPathPath, GetClassHandle(), static_cast<const GpPath*>(other.GetClassHandle()),
                   BOOL(connect));
}

bool GraphicsPath::GetBounds(GpRectF& bounds) const {
    return FLAT_OK(GdipGetPathWorldBounds, GetClassHandle(), &bounds, static_cast<const GpMatrix*>(nullptr),
                   static_cast<const GpPen*>(nullptr));
}

bool GraphicsPath::IsVisible(float x, float y, bool& visible) const {
    BOOL result = FALSE;
    bool ok = FLAT_OK(GdipIsVisiblePathPoint, GetClassHandle(), x, y, static_cast<GpGraphics*>(nullptr), &result);
    visible = ok && result;
    return ok;
}

bool Region::Create() {
    GpRegion* region = nullptr;
    return adopt(FLAT(GdipCreateRegion, &region), region);
}

bool Region::CreateFromRect(const GpRectF& rect) {
    GpRegion* region = nullptr;
    return adopt(FLAT(GdipCreateRegionRect, &rect, &region), region);
}

bool Region::CreateFromRectI(const GpRect& rect) {
    GpRegion* region = nullptr;
    return adopt(FLAT(GdipCreateRegionRectI, &rect, &region), region);
}

bool Region::CreateFromPath(const GraphicsPath& path) {
    GpRegion* region = nullptr;
    return adopt(FLAT(GdipCreateRegionPath, path.GetClassHandle(), &region), region);
}

bool Region::CreateFromHrgn(HRGN hrgn) {
    GpRegion* region = nullptr;
    return adopt(FLAT(GdipCreateRegionHrgn, hrgn, &region), region);
}

bool Region::Clone(Region& out) const {
    GpRegion* clone = nullptr;
    return out.adopt(FLAT(GdipCloneRegion, GetClassHandle(), &clone), clone);
}

bool Region::MakeInfinite() {
    return FLAT_OK(GdipSetInfinite, GetClassHandle());
}
bool Region::MakeEmpty() {
    return FLAT_OK(GdipSetEmpty, GetClassHandle());
}

bool Region::CombineRect(const GpRectF& rect, CombineMode mode) {
    return FLAT_OK(GdipCombineRegionRect, GetClassHandle(), &rect, mode);
}

bool Region::CombineRegion(const Region& other, CombineMode mode) {
    return FLAT_OK(GdipCombineRegionRegion, GetClassHandle(), other.GetClassHandle(), mode);
}

bool Region::CombinePath(const GraphicsPath& path, CombineMode mode) {
    return FLAT_OK(GdipCombineRegionPath, GetClassHandle(), path.GetClassHandle(), mode);
}

bool Region::Translate(float dx, float dy) {
    return FLAT_OK(GdipTranslateRegion, GetClassHandle(), dx, dy);
}

bool Region::GetBounds(const Graphics& graphics, GpRectF& bounds) const {
    return FLAT_OK(GdipGetRegionBounds, GetClassHandle(), graphics.GetClassHandle(), &bounds);
}

bool Region::GetHRGN(const Graphics& graphics, HRGN& hrgn) const {
    hrgn = nullptr;
    return FLAT_OK(GdipGetRegionHRgn, GetClassHandle(), graphics.GetClassHandle(), &hrgn);
}

bool Region::IsEmpty(const Graphics& graphics, bool& empty) const {
    BOOL result = FALSE;
    bool ok = FLAT_OK(GdipIsEmptyRegion, GetClassHandle(), graphics.GetClassHandle(), &result);
    empty = ok && result;
    return ok;
}

bool Region::IsVisible(float x, float y, const Graphics& graphics, bool& visible) const {
    BOOL result = FALSE;
    bool ok = FLAT_OK(GdipIsVisibleRegionPoint, GetClassHandle(), x, y, graphics.GetClassHandle(), &result);
    visible = ok && result;
    return ok;
}

}  // namespace draw
