// LinearGradientBrush: reading its two colours (every other brush and pen method is one flat call,
// defined in draw.h).
#include "draw/flat_call.h"

namespace draw {

bool LinearGradientBrush::GetLinearColors(ARGB& colour1, ARGB& colour2) const {
    ARGB colours[2] = {};
    bool ok = FLAT_OK(GdipGetLineColors, GetDerivedHandle(), colours);
    colour1 = colours[0];
    colour2 = colours[1];
    return ok;
}

}  // namespace draw
