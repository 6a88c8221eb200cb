// Graphics: setting, reading and combining the world transform through a matrix; text.
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

bool Graphics::MultiplyWorldTransform(const float e[6], MatrixOrder order) {
    TempMatrix matrix;
    if (!FLAT_OK(GdipCreateMatrix2, e[0], e[1], e[2], e[3], e[4], e[5], &matrix.m)) return false;
    return FLAT_OK(GdipMultiplyWorldTransform, GetClassHandle(), matrix.m, order);
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

}  // namespace draw
