// Region: the methods that take a Graphics, whose class draw.h defines after Region's (every
// GraphicsPath method and the other Region methods are one flat call, defined in draw.h).
#include "draw/flat_call.h"

namespace draw {

bool Region::GetHRGN(const Graphics& graphics, HRGN& hrgn) const {
    hrgn = nullptr;
    return FLAT_OK(GdipGetRegionHRgn, GetClassHandle(), graphics.GetClassHandle(), &hrgn);
}

bool Region::IsEmpty(const Graphics& graphics, bool& empty) const {
    return query(flatTable().GdipIsEmptyRegion, empty, graphics.GetClassHandle());
}

bool Region::IsVisible(float x, float y, const Graphics& graphics, bool& visible) const {
    return query(flatTable().GdipIsVisibleRegionPoint, visible, x, y, graphics.GetClassHandle());
}

bool Region::GetBounds(const Graphics& graphics, GpRectF& bounds) const {
    return on(flatTable().GdipGetRegionBounds, graphics.GetClassHandle(), &bounds);
}

}  // namespace draw
