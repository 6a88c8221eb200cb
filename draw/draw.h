// The drawing layer: thin wrappers over the GDI+ flat functions (see gdiplus_flat.h). Each
// wrapper holds one native object. Every method stores the status of its flat call as the
// process-wide last status and returns true exactly when that status is Ok; values come back
// through out-parameters. Texts are the program's GBK texts, converted with code page 936.
//
// Copies share the native object and count references: the object is deleted once, when the
// last wrapper that refers to it is deleted or destroyed. DeleteNative() on one copy releases
// only that copy's reference. Creating into a wrapper that already holds an object releases the
// old one first, so re-creating never leaks.
//
// A method that is one flat call is defined here, in its class, through Object's on, query and
// make; the files of draw/ hold the longer ones and those that need Graphics, defined last.
//
// UI thread only: the last status and the reference counts are not synchronised.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <vector>

#include "draw/gdiplus_flat.h"
#include "text/encoding.h"

namespace draw {

// The status of the most recent flat call made by the layer.
GpStatus lastStatus();
void setLastStatus(GpStatus status);
inline bool isOk(GpStatus status) {
    return status == Ok;
}

// GdiplusStartup (version 1). Returns the token, or 0 on failure (lastStatus() says why).
ULONG_PTR startGdiplus();
// GdiplusShutdown with the token of startGdiplus(); a zero token does nothing. Once the last
// start is stopped, wrappers still alive release their handles without calling GDI+ (the library
// has freed its objects), so wrappers destroyed at exit cannot crash. Objects carry the session
// (start from stopped to last stop) that made them: one released in a later session is not
// deleted through GDI+ either, and its handle reads as null for every other method.
void stopGdiplus(ULONG_PTR token);

// Native objects currently held by wrappers (created or adopted, not yet deleted). For leak tests:
// GetGuiResources cannot see GDI+ objects.
int liveObjectCount();

// The PNG image format, for Image::SaveToBytes / SaveToFile.
inline constexpr const char* PNG_FORMAT = "{B96B3CAF-0728-11D3-9D7B-0000F81EF32E}";

enum class ObjectKind { Font, FontFamily, Graphics, Path, Brush, Pen, StringFormat, Image, Region };

namespace detail {

template <class... Params>
using LastParam = std::tuple_element_t<sizeof...(Params) - 1, std::tuple<Params...>>;

// One call through a table entry: its status, recorded as the layer's last status. A missing
// entry answers NotImplemented.
template <class F, class... Args>
GpStatus call(F entry, Args... args) {
    GpStatus status = entry ? entry(args...) : NotImplemented;
    setLastStatus(status);
    return status;
}

template <class F, class... Args>
bool ok(F entry, Args... args) {
    return call(entry, args...) == Ok;
}

// A transform step that keeps (x, y) where it is: the point is moved to the origin by
// `translate`, `step` applied, and the point moved back. Appended, the three go in that order;
// prepended, each new step applies before the earlier ones, so they are listed the other way round.
template <class T, class Step>
bool aboutPoint(T& target, bool (T::*translate)(float, float, MatrixOrder), MatrixOrder order, float x, float y,
                Step step) {
    const float toOrigin = order == MatrixOrder::Append ? -1.0f : 1.0f;
    return (target.*translate)(toOrigin * x, toOrigin * y, order) && step() &&
           (target.*translate)(-toOrigin * x, -toOrigin * y, order);
}

}  // namespace detail

// The common operation set of every wrapper.
class Object {
public:
    Object(const Object& other);  // copy: shares the native object
    Object& operator=(const Object& other);
    Object(Object&& other) noexcept;
    Object& operator=(Object&& other) noexcept;
    virtual ~Object();  // destroy

    // Runs DeleteNative().
    bool Destroy();
    // Releases this wrapper's reference; deletes the native object when it was the last one.
    // With no object held, calls nothing and returns false.
    bool DeleteNative();
    void* GetNativeHandle() const;
    // Adopts `handle` (this wrapper now owns a reference to it). A previously held object is
    // released first. Passing the handle already held does nothing.
    void SetNativeHandle(void* handle);
    // GdipAlloc / GdipFree. Allocate returns nullptr when the entry is missing.
    static void* Allocate(size_t size);
    static void Free(void* pointer);

    bool IsNull() const { return GetNativeHandle() == nullptr; }
    // Wrappers sharing the native object, this one included (0 when null).
    long ShareCount() const;
    ObjectKind Kind() const { return kind_; }

    // The end of every creating method: adopts `created` when `status` is Ok; otherwise the
    // wrapper is left null (an object held before is released either way). Returns status == Ok.
    // `created` is read only after the call that fills it has run (argument order is unspecified).
    template <class T>
    bool adopt(GpStatus status, T* const& created) {
        return adoptHandle(status, static_cast<void*>(created));
    }
    bool adopt(GpStatus status, std::nullptr_t) { return adoptHandle(status, nullptr); }
    // A creating flat function, whose last parameter receives the new object: called with `args`
    // before it, and what it made adopted.
    template <class... Params, class... Args>
    bool make(GpStatus(QUORREL_GDIP_API* entry)(Params...), Args... args) {
        std::remove_pointer_t<detail::LastParam<Params...>> made = nullptr;
        return adopt(detail::call(entry, args..., &made), made);
    }

protected:
    explicit Object(ObjectKind kind) : kind_(kind) {}
    // A flat function that takes this object's handle (as its first parameter's type), then `args`.
    template <class Handle, class... Params, class... Args>
    bool on(GpStatus(QUORREL_GDIP_API* entry)(Handle*, Params...), Args... args) const {
        return detail::ok(entry, static_cast<Handle*>(GetNativeHandle()), args...);
    }
    // The same for a flat function that answers through its last parameter: the answer goes to
    // `out` (converted to its type), which is zero when the call fails.
    template <class Out, class Handle, class... Params, class... Args>
    bool query(GpStatus(QUORREL_GDIP_API* entry)(Handle*, Params...), Out& out, Args... args) const {
        std::remove_pointer_t<detail::LastParam<Params...>> answer{};
        bool done = on(entry, args..., &answer);
        out = done ? static_cast<Out>(answer) : Out{};
        return done;
    }

private:
    bool adoptHandle(GpStatus status, void* created);
    struct Share;
    void release();
    ObjectKind kind_;
    Share* share_ = nullptr;
};

class Graphics;
class Image;
class Bitmap;
class Region;
class GraphicsPath;
class Brush;
class Pen;
class Font;
class FontFamily;
class StringFormat;

class FontFamily : public Object {
public:
    FontFamily() : Object(ObjectKind::FontFamily) {}
    GpFontFamily* GetClassHandle() const { return static_cast<GpFontFamily*>(GetNativeHandle()); }
    void SetClassHandle(GpFontFamily* handle) { SetNativeHandle(handle); }

    // Fails with FontFamilyNotFound (and stays null) when no such family is installed.
    bool CreateFromName(std::string_view nameGbk);
    bool CreateGenericSansSerif() { return make(flatTable().GdipGetGenericFontFamilySansSerif); }
    bool CreateGenericSerif() { return make(flatTable().GdipGetGenericFontFamilySerif); }
    bool CreateGenericMonospace() { return make(flatTable().GdipGetGenericFontFamilyMonospace); }
    // `nameGbk` when installed, otherwise a family that exists, so text is always drawn: the
    // generic sans-serif family, else the family of the default GUI font, else the first
    // installed family (a fresh Wine prefix has neither "宋体" nor the generic sans-serif faces).
    bool CreateFromNameOrSansSerif(std::string_view nameGbk);
    // The first family of the installed collection (a private copy).
    bool CreateFirstInstalled();
    bool Clone(FontFamily& out) const { return out.make(flatTable().GdipCloneFontFamily, GetClassHandle()); }
    bool GetFamilyName(std::string& nameGbk, LANGID language = 0) const;
    bool IsStyleAvailable(int style, bool& available) const {
        return query(flatTable().GdipIsStyleAvailable, available, style);
    }
    bool GetEmHeight(int style, UINT16& height) const { return on(flatTable().GdipGetEmHeight, style, &height); }
    bool GetCellAscent(int style, UINT16& ascent) const { return on(flatTable().GdipGetCellAscent, style, &ascent); }
    bool GetCellDescent(int style, UINT16& descent) const {
        return on(flatTable().GdipGetCellDescent, style, &descent);
    }
    bool GetLineSpacing(int style, UINT16& spacing) const {
        return on(flatTable().GdipGetLineSpacing, style, &spacing);
    }
};

class Font : public Object {
public:
    Font() : Object(ObjectKind::Font) {}
    GpFont* GetClassHandle() const { return static_cast<GpFont*>(GetNativeHandle()); }
    void SetClassHandle(GpFont* handle) { SetNativeHandle(handle); }

    bool CreateFromFamily(const FontFamily& family, float emSize, int style = FontStyleRegular,
                          Unit unit = Unit::Point) {
        return make(flatTable().GdipCreateFont, family.GetClassHandle(), emSize, style, unit);
    }
    // Through a temporary FontFamily; fails and stays null when the family does not exist.
    bool CreateFromName(std::string_view familyGbk, float emSize, int style = FontStyleRegular,
                        Unit unit = Unit::Point);
    // Like CreateFromName, but falls back to a family that exists when the named one is missing
    // (FontFamily::CreateFromNameOrSansSerif).
    bool CreateFromNameOrSansSerif(std::string_view familyGbk, float emSize, int style = FontStyleRegular,
                                   Unit unit = Unit::Point);
    // The stock DEFAULT_GUI_FONT, through its LOGFONTA and the screen DC.
    bool CreateDefaultGui();
    bool CreateFromDC(HDC hdc) { return make(flatTable().GdipCreateFontFromDC, hdc); }
    bool CreateFromLogfontW(HDC hdc, const LOGFONTW& logfont) {
        return make(flatTable().GdipCreateFontFromLogfontW, hdc, &logfont);
    }
    bool Clone(Font& out) const { return out.make(flatTable().GdipCloneFont, GetClassHandle()); }
    bool GetLogFontW(const Graphics& graphics, LOGFONTW& logfont) const;
    bool GetFamily(FontFamily& family) const { return family.make(flatTable().GdipGetFamily, GetClassHandle()); }
    bool GetStyle(int& style) const { return query(flatTable().GdipGetFontStyle, style); }
    bool GetSize(float& size) const { return on(flatTable().GdipGetFontSize, &size); }
    bool GetUnit(Unit& unit) const { return on(flatTable().GdipGetFontUnit, &unit); }
    bool GetHeight(const Graphics& graphics, float& height) const;
};

class StringFormat : public Object {
public:
    StringFormat() : Object(ObjectKind::StringFormat) {}
    GpStringFormat* GetClassHandle() const { return static_cast<GpStringFormat*>(GetNativeHandle()); }
    void SetClassHandle(GpStringFormat* handle) { SetNativeHandle(handle); }

    bool Create(int flags = 0, LANGID language = 0) {
        return make(flatTable().GdipCreateStringFormat, flags, language);
    }
    // Private copies of the generic formats (the shared originals are never ours to delete).
    bool CreateGenericDefault();
    bool CreateGenericTypographic();
    bool Clone(StringFormat& out) const { return out.make(flatTable().GdipCloneStringFormat, GetClassHandle()); }
    bool SetFlags(int flags) { return on(flatTable().GdipSetStringFormatFlags, flags); }
    bool GetFlags(int& flags) const { return query(flatTable().GdipGetStringFormatFlags, flags); }
    bool SetAlignment(StringAlignment align) { return on(flatTable().GdipSetStringFormatAlign, align); }
    bool GetAlignment(StringAlignment& align) const { return on(flatTable().GdipGetStringFormatAlign, &align); }
    bool SetLineAlignment(StringAlignment align) { return on(flatTable().GdipSetStringFormatLineAlign, align); }
    bool GetLineAlignment(StringAlignment& align) const { return on(flatTable().GdipGetStringFormatLineAlign, &align); }
    bool SetTrimming(StringTrimming trimming) { return on(flatTable().GdipSetStringFormatTrimming, trimming); }
    bool SetHotkeyPrefix(HotkeyPrefix prefix) { return on(flatTable().GdipSetStringFormatHotkeyPrefix, int(prefix)); }

private:
    bool createCopyOf(GpStatus(QUORREL_GDIP_API* getShared)(GpStringFormat**));
};

class GraphicsPath : public Object {
public:
    GraphicsPath() : Object(ObjectKind::Path) {}
    GpPath* GetClassHandle() const { return static_cast<GpPath*>(GetNativeHandle()); }
    void SetClassHandle(GpPath* handle) { SetNativeHandle(handle); }

    bool Create(FillMode mode = FillMode::Alternate) { return make(flatTable().GdipCreatePath, mode); }
    bool Clone(GraphicsPath& out) const { return out.make(flatTable().GdipClonePath, GetClassHandle()); }
    bool Reset() { return on(flatTable().GdipResetPath); }
    bool SetFillMode(FillMode mode) { return on(flatTable().GdipSetPathFillMode, mode); }
    bool GetPointCount(int& count) const { return query(flatTable().GdipGetPointCount, count); }
    bool StartFigure() { return on(flatTable().GdipStartPathFigure); }
    bool CloseFigure() { return on(flatTable().GdipClosePathFigure); }
    bool CloseAllFigures() { return on(flatTable().GdipClosePathFigures); }
    bool AddLine(float x1, float y1, float x2, float y2) { return on(flatTable().GdipAddPathLine, x1, y1, x2, y2); }
    bool AddLines(const GpPointF* points, int count) { return on(flatTable().GdipAddPathLine2, points, count); }
    bool AddArc(float x, float y, float width, float height, float startAngle, float sweepAngle) {
        return on(flatTable().GdipAddPathArc, x, y, width, height, startAngle, sweepAngle);
    }
    bool AddBezier(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4) {
        return on(flatTable().GdipAddPathBezier, x1, y1, x2, y2, x3, y3, x4, y4);
    }
    bool AddRectangle(float x, float y, float width, float height) {
        return on(flatTable().GdipAddPathRectangle, x, y, width, height);
    }
    bool AddEllipse(float x, float y, float width, float height) {
        return on(flatTable().GdipAddPathEllipse, x, y, width, height);
    }
    bool AddPolygon(const GpPointF* points, int count) { return on(flatTable().GdipAddPathPolygon, points, count); }
    bool AddPath(const GraphicsPath& other, bool connect) {
        return on(flatTable().GdipAddPathPath, static_cast<const GpPath*>(other.GetClassHandle()), BOOL(connect));
    }
    bool GetBounds(GpRectF& bounds) const {
        return on(flatTable().GdipGetPathWorldBounds, &bounds, static_cast<const GpMatrix*>(nullptr),
                  static_cast<const GpPen*>(nullptr));
    }
    bool IsVisible(float x, float y, bool& visible) const {
        return query(flatTable().GdipIsVisiblePathPoint, visible, x, y, static_cast<GpGraphics*>(nullptr));
    }
};

class Brush : public Object {
public:
    Brush() : Object(ObjectKind::Brush) {}
    GpBrush* GetClassHandle() const { return static_cast<GpBrush*>(GetNativeHandle()); }
    void SetClassHandle(GpBrush* handle) { SetNativeHandle(handle); }
    bool GetType(BrushType& type) const { return on(flatTable().GdipGetBrushType, &type); }
    bool Clone(Brush& out) const { return out.make(flatTable().GdipCloneBrush, GetClassHandle()); }
};

class SolidBrush : public Brush {
public:
    SolidBrush() = default;
    GpSolidFill* GetDerivedHandle() const { return static_cast<GpSolidFill*>(GetClassHandle()); }
    void SetDerivedHandle(GpSolidFill* handle) { SetNativeHandle(handle); }

    bool Create(ARGB colour) { return make(flatTable().GdipCreateSolidFill, colour); }
    bool SetColor(ARGB colour) { return on(flatTable().GdipSetSolidFillColor, colour); }
    bool GetColor(ARGB& colour) const { return on(flatTable().GdipGetSolidFillColor, &colour); }
};

class LinearGradientBrush : public Brush {
public:
    LinearGradientBrush() = default;
    GpLineGradient* GetDerivedHandle() const { return static_cast<GpLineGradient*>(GetClassHandle()); }
    void SetDerivedHandle(GpLineGradient* handle) { SetNativeHandle(handle); }

    bool Create(const GpPointF& point1, const GpPointF& point2, ARGB colour1, ARGB colour2,
                WrapMode wrap = WrapMode::Tile) {
        return make(flatTable().GdipCreateLineBrush, &point1, &point2, colour1, colour2, wrap);
    }
    bool CreateFromRect(const GpRectF& rect, ARGB colour1, ARGB colour2, LinearGradientMode mode,
                        WrapMode wrap = WrapMode::Tile) {
        return make(flatTable().GdipCreateLineBrushFromRect, &rect, colour1, colour2, mode, wrap);
    }
    bool CreateFromRectWithAngle(const GpRectF& rect, ARGB colour1, ARGB colour2, float angle, bool isAngleScalable,
                                 WrapMode wrap = WrapMode::Tile) {
        return make(flatTable().GdipCreateLineBrushFromRectWithAngle, &rect, colour1, colour2, angle,
                    BOOL(isAngleScalable), wrap);
    }
    bool SetLinearColors(ARGB colour1, ARGB colour2) { return on(flatTable().GdipSetLineColors, colour1, colour2); }
    bool GetLinearColors(ARGB& colour1, ARGB& colour2) const;
    bool GetRectangle(GpRectF& rect) const { return on(flatTable().GdipGetLineRect, &rect); }
    bool SetGammaCorrection(bool useGamma) { return on(flatTable().GdipSetLineGammaCorrection, BOOL(useGamma)); }
    bool SetBlend(const float* factors, const float* positions, int count) {
        return on(flatTable().GdipSetLineBlend, factors, positions, count);
    }
    // Colours at positions 0..1 (first 0, last 1): the three-colour gradient of the skin.
    bool SetPresetBlend(const ARGB* colours, const float* positions, int count) {
        return on(flatTable().GdipSetLinePresetBlend, colours, positions, count);
    }
    bool SetWrapMode(WrapMode wrap) { return on(flatTable().GdipSetLineWrapMode, wrap); }
    bool ResetTransform() { return on(flatTable().GdipResetLineTransform); }
    bool TranslateTransform(float dx, float dy, MatrixOrder order = MatrixOrder::Prepend) {
        return on(flatTable().GdipTranslateLineTransform, dx, dy, order);
    }
    bool ScaleTransform(float sx, float sy, MatrixOrder order = MatrixOrder::Prepend) {
        return on(flatTable().GdipScaleLineTransform, sx, sy, order);
    }
    bool RotateTransform(float angle, MatrixOrder order = MatrixOrder::Prepend) {
        return on(flatTable().GdipRotateLineTransform, angle, order);
    }
    bool RotateTransformAt(float angle, float x, float y, MatrixOrder order = MatrixOrder::Prepend) {
        return detail::aboutPoint(*this, &LinearGradientBrush::TranslateTransform, order, x, y,
                                  [&] { return RotateTransform(angle, order); });
    }
    bool ScaleTransformAt(float sx, float sy, float x, float y, MatrixOrder order = MatrixOrder::Prepend) {
        return detail::aboutPoint(*this, &LinearGradientBrush::TranslateTransform, order, x, y,
                                  [&] { return ScaleTransform(sx, sy, order); });
    }
};

class Pen : public Object {
public:
    Pen() : Object(ObjectKind::Pen) {}
    GpPen* GetClassHandle() const { return static_cast<GpPen*>(GetNativeHandle()); }
    void SetClassHandle(GpPen* handle) { SetNativeHandle(handle); }

    bool Create(ARGB colour, float width = 1.0f, Unit unit = Unit::World) {
        return make(flatTable().GdipCreatePen1, colour, width, unit);
    }
    bool CreateFromBrush(const Brush& brush, float width = 1.0f, Unit unit = Unit::World) {
        return make(flatTable().GdipCreatePen2, brush.GetClassHandle(), width, unit);
    }
    bool Clone(Pen& out) const { return out.make(flatTable().GdipClonePen, GetClassHandle()); }
    bool SetWidth(float width) { return on(flatTable().GdipSetPenWidth, width); }
    bool GetWidth(float& width) const { return on(flatTable().GdipGetPenWidth, &width); }
    bool SetColor(ARGB colour) { return on(flatTable().GdipSetPenColor, colour); }
    bool GetColor(ARGB& colour) const { return on(flatTable().GdipGetPenColor, &colour); }
    bool SetLineJoin(LineJoin join) { return on(flatTable().GdipSetPenLineJoin, join); }
    bool SetStartCap(LineCap cap) { return on(flatTable().GdipSetPenStartCap, cap); }
    bool SetEndCap(LineCap cap) { return on(flatTable().GdipSetPenEndCap, cap); }
    bool SetDashStyle(DashStyle style) { return on(flatTable().GdipSetPenDashStyle, style); }
};

class Region : public Object {
public:
    Region() : Object(ObjectKind::Region) {}
    GpRegion* GetClassHandle() const { return static_cast<GpRegion*>(GetNativeHandle()); }
    void SetClassHandle(GpRegion* handle) { SetNativeHandle(handle); }

    bool Create() { return make(flatTable().GdipCreateRegion); }  // infinite
    bool CreateFromRect(const GpRectF& rect) { return make(flatTable().GdipCreateRegionRect, &rect); }
    bool CreateFromRectI(const GpRect& rect) { return make(flatTable().GdipCreateRegionRectI, &rect); }
    bool CreateFromPath(const GraphicsPath& path) {
        return make(flatTable().GdipCreateRegionPath, path.GetClassHandle());
    }
    bool CreateFromHrgn(HRGN hrgn) { return make(flatTable().GdipCreateRegionHrgn, hrgn); }
    bool Clone(Region& out) const { return out.make(flatTable().GdipCloneRegion, GetClassHandle()); }
    bool MakeInfinite() { return on(flatTable().GdipSetInfinite); }
    bool MakeEmpty() { return on(flatTable().GdipSetEmpty); }
    bool CombineRect(const GpRectF& rect, CombineMode mode) {
        return on(flatTable().GdipCombineRegionRect, &rect, mode);
    }
    bool CombineRegion(const Region& other, CombineMode mode) {
        return on(flatTable().GdipCombineRegionRegion, other.GetClassHandle(), mode);
    }
    bool CombinePath(const GraphicsPath& path, CombineMode mode) {
        return on(flatTable().GdipCombineRegionPath, path.GetClassHandle(), mode);
    }
    bool Translate(float dx, float dy) { return on(flatTable().GdipTranslateRegion, dx, dy); }
    bool GetBounds(const Graphics& graphics, GpRectF& bounds) const;
    // The caller owns the returned HRGN (DeleteObject).
    bool GetHRGN(const Graphics& graphics, HRGN& hrgn) const;
    bool IsEmpty(const Graphics& graphics, bool& empty) const;
    bool IsVisible(float x, float y, const Graphics& graphics, bool& visible) const;
};

// One image encoder, GUIDs in text form ("{...}").
struct EncoderInfo {
    std::string clsid;
    std::string formatId;
    std::string codecName;  // GBK
    std::string mimeType;
};

class Image : public Object {
public:
    Image() : Object(ObjectKind::Image) {}
    GpImage* GetClassHandle() const { return static_cast<GpImage*>(GetNativeHandle()); }
    void SetClassHandle(GpImage* handle) { SetNativeHandle(handle); }

    bool LoadFromFile(std::string_view pathGbk) {
        return make(flatTable().GdipLoadImageFromFile, gbkToWide(pathGbk).c_str());
    }
    // Decodes encoded picture bytes (copied into an HGLOBAL stream that lives as long as the image).
    bool LoadFromBytes(std::string_view bytes);
    bool Clone(Image& out) const { return out.make(flatTable().GdipCloneImage, GetClassHandle()); }
    // formatGuid: an image format GUID as text, e.g. PNG_FORMAT; the encoder of that format is used.
    bool SaveToFile(std::string_view pathGbk, std::string_view formatGuid = PNG_FORMAT) const;
    bool SaveToBytes(std::string& bytes, std::string_view formatGuid = PNG_FORMAT) const;
    bool GetWidth(UINT& width) const { return on(flatTable().GdipGetImageWidth, &width); }
    bool GetHeight(UINT& height) const { return on(flatTable().GdipGetImageHeight, &height); }
    bool GetType(ImageType& type) const { return on(flatTable().GdipGetImageType, &type); }
    bool GetPixelFormat(PixelFormat& format) const { return on(flatTable().GdipGetImagePixelFormat, &format); }
    bool GetRawFormat(std::string& formatGuid) const;

    static bool GetImageEncoders(std::vector<EncoderInfo>& encoders);
    // The CLSID of the encoder whose format GUID is `formatGuid`; fails with UnknownImageFormat.
    static bool FindEncoder(std::string_view formatGuid, CLSID& encoder);

protected:
    explicit Image(ObjectKind kind) : Object(kind) {}
};

class Bitmap : public Image {
public:
    Bitmap() = default;
    GpBitmap* GetDerivedHandle() const { return static_cast<GpBitmap*>(GetClassHandle()); }
    void SetDerivedHandle(GpBitmap* handle) { SetNativeHandle(handle); }

    bool CreateFromFile(std::string_view pathGbk) {
        return make(flatTable().GdipCreateBitmapFromFile, gbkToWide(pathGbk).c_str());
    }
    bool CreateFromBytes(std::string_view bytes);
    // scan0 may be null: GDI+ then allocates the pixels itself (stride 0).
    bool CreateFromScan0(int width, int height, int stride = 0, PixelFormat format = PixelFormat32bppARGB,
                         BYTE* scan0 = nullptr) {
        return make(flatTable().GdipCreateBitmapFromScan0, width, height, stride, format, scan0);
    }
    bool CreateFromGraphics(int width, int height, const Graphics& graphics);
    bool CreateFromHBITMAP(HBITMAP hbitmap, HPALETTE palette = nullptr) {
        return make(flatTable().GdipCreateBitmapFromHBITMAP, hbitmap, palette);
    }
    // The caller owns the returned HBITMAP (DeleteObject).
    bool CreateHBITMAP(HBITMAP& hbitmap, ARGB background = 0xFF000000) const;
    bool CloneArea(int x, int y, int width, int height, PixelFormat format, Bitmap& out) const {
        return out.make(flatTable().GdipCloneBitmapAreaI, x, y, width, height, format, GetDerivedHandle());
    }
    bool GetPixel(int x, int y, ARGB& colour) const { return on(flatTable().GdipBitmapGetPixel, x, y, &colour); }
    bool SetPixel(int x, int y, ARGB colour) { return on(flatTable().GdipBitmapSetPixel, x, y, colour); }
    bool LockBits(const GpRect* rect, UINT flags, PixelFormat format, BitmapData& data) {
        return on(flatTable().GdipBitmapLockBits, rect, flags, format, &data);
    }
    bool UnlockBits(BitmapData& data) { return on(flatTable().GdipBitmapUnlockBits, &data); }
    bool SetResolution(float xdpi, float ydpi) { return on(flatTable().GdipBitmapSetResolution, xdpi, ydpi); }
};

class Graphics : public Object {
public:
    Graphics() : Object(ObjectKind::Graphics) {}
    GpGraphics* GetClassHandle() const { return static_cast<GpGraphics*>(GetNativeHandle()); }
    void SetClassHandle(GpGraphics* handle) { SetNativeHandle(handle); }

    bool CreateFromHDC(HDC hdc) { return make(flatTable().GdipCreateFromHDC, hdc); }
    bool CreateFromHDC2(HDC hdc, HANDLE device) { return make(flatTable().GdipCreateFromHDC2, hdc, device); }
    bool CreateFromImage(const Image& image) {
        return make(flatTable().GdipGetImageGraphicsContext, image.GetClassHandle());
    }
    bool Flush(bool sync = false) { return on(flatTable().GdipFlush, sync ? 1 : 0); }
    bool GetHDC(HDC& hdc) { return on(flatTable().GdipGetDC, &hdc); }
    bool ReleaseHDC(HDC hdc) { return on(flatTable().GdipReleaseDC, hdc); }

    bool SetSmoothingMode(SmoothingMode mode) { return on(flatTable().GdipSetSmoothingMode, mode); }
    bool GetSmoothingMode(SmoothingMode& mode) const { return on(flatTable().GdipGetSmoothingMode, &mode); }
    bool SetInterpolationMode(InterpolationMode mode) { return on(flatTable().GdipSetInterpolationMode, mode); }
    bool GetInterpolationMode(InterpolationMode& mode) const { return on(flatTable().GdipGetInterpolationMode, &mode); }
    bool SetTextRenderingHint(TextRenderingHint hint) { return on(flatTable().GdipSetTextRenderingHint, hint); }
    bool GetTextRenderingHint(TextRenderingHint& hint) const { return on(flatTable().GdipGetTextRenderingHint, &hint); }
    bool SetCompositingMode(CompositingMode mode) { return on(flatTable().GdipSetCompositingMode, mode); }
    bool GetCompositingMode(CompositingMode& mode) const { return on(flatTable().GdipGetCompositingMode, &mode); }
    bool SetCompositingQuality(CompositingQuality quality) {
        return on(flatTable().GdipSetCompositingQuality, quality);
    }
    bool GetCompositingQuality(CompositingQuality& quality) const {
        return on(flatTable().GdipGetCompositingQuality, &quality);
    }
    bool SetPixelOffsetMode(PixelOffsetMode mode) { return on(flatTable().GdipSetPixelOffsetMode, mode); }
    bool GetPixelOffsetMode(PixelOffsetMode& mode) const { return on(flatTable().GdipGetPixelOffsetMode, &mode); }
    bool SetRenderingOrigin(int x, int y) { return on(flatTable().GdipSetRenderingOrigin, x, y); }
    bool SetTextContrast(UINT contrast) { return on(flatTable().GdipSetTextContrast, contrast); }
    bool SetPageUnit(Unit unit) { return on(flatTable().GdipSetPageUnit, unit); }
    bool SetPageScale(float scale) { return on(flatTable().GdipSetPageScale, scale); }
    bool GetDpiX(float& dpi) const { return on(flatTable().GdipGetDpiX, &dpi); }
    bool GetDpiY(float& dpi) const { return on(flatTable().GdipGetDpiY, &dpi); }

    // World transform; matrices as the six elements m11, m12, m21, m22, dx, dy.
    bool SetWorldTransform(const float elements[6]);
    bool GetWorldTransform(float elements[6]) const;
    bool ResetWorldTransform() { return on(flatTable().GdipResetWorldTransform); }
    bool MultiplyWorldTransform(const float elements[6], MatrixOrder order = MatrixOrder::Prepend);
    bool TranslateWorldTransform(float dx, float dy, MatrixOrder order = MatrixOrder::Prepend) {
        return on(flatTable().GdipTranslateWorldTransform, dx, dy, order);
    }
    bool ScaleWorldTransform(float sx, float sy, MatrixOrder order = MatrixOrder::Prepend) {
        return on(flatTable().GdipScaleWorldTransform, sx, sy, order);
    }
    bool RotateWorldTransform(float angle, MatrixOrder order = MatrixOrder::Prepend) {
        return on(flatTable().GdipRotateWorldTransform, angle, order);
    }
    // Rotation or scaling that keeps (x, y) fixed, in either order.
    bool RotateWorldTransformAt(float angle, float x, float y, MatrixOrder order = MatrixOrder::Prepend) {
        return detail::aboutPoint(*this, &Graphics::TranslateWorldTransform, order, x, y,
                                  [&] { return RotateWorldTransform(angle, order); });
    }
    bool ScaleWorldTransformAt(float sx, float sy, float x, float y, MatrixOrder order = MatrixOrder::Prepend) {
        return detail::aboutPoint(*this, &Graphics::TranslateWorldTransform, order, x, y,
                                  [&] { return ScaleWorldTransform(sx, sy, order); });
    }
    bool TransformPoints(CoordinateSpace dest, CoordinateSpace src, GpPointF* points, int count) const {
        return on(flatTable().GdipTransformPoints, dest, src, points, count);
    }

    bool Clear(ARGB colour) { return on(flatTable().GdipGraphicsClear, colour); }
    bool DrawLine(const Pen& pen, float x1, float y1, float x2, float y2) {
        return on(flatTable().GdipDrawLine, pen.GetClassHandle(), x1, y1, x2, y2);
    }
    bool DrawLines(const Pen& pen, const GpPointF* points, int count) {
        return on(flatTable().GdipDrawLines, pen.GetClassHandle(), points, count);
    }
    bool DrawArc(const Pen& pen, float x, float y, float width, float height, float startAngle, float sweepAngle) {
        return on(flatTable().GdipDrawArc, pen.GetClassHandle(), x, y, width, height, startAngle, sweepAngle);
    }
    bool DrawRectangle(const Pen& pen, float x, float y, float width, float height) {
        return on(flatTable().GdipDrawRectangle, pen.GetClassHandle(), x, y, width, height);
    }
    bool DrawRectangleI(const Pen& pen, int x, int y, int width, int height) {
        return on(flatTable().GdipDrawRectangleI, pen.GetClassHandle(), x, y, width, height);
    }
    bool DrawEllipse(const Pen& pen, float x, float y, float width, float height) {
        return on(flatTable().GdipDrawEllipse, pen.GetClassHandle(), x, y, width, height);
    }
    bool DrawPolygon(const Pen& pen, const GpPointF* points, int count) {
        return on(flatTable().GdipDrawPolygon, pen.GetClassHandle(), points, count);
    }
    bool DrawPath(const Pen& pen, const GraphicsPath& path) {
        return on(flatTable().GdipDrawPath, pen.GetClassHandle(), path.GetClassHandle());
    }
    bool FillRectangle(const Brush& brush, float x, float y, float width, float height) {
        return on(flatTable().GdipFillRectangle, brush.GetClassHandle(), x, y, width, height);
    }
    bool FillRectangleI(const Brush& brush, int x, int y, int width, int height) {
        return on(flatTable().GdipFillRectangleI, brush.GetClassHandle(), x, y, width, height);
    }
    bool FillEllipse(const Brush& brush, float x, float y, float width, float height) {
        return on(flatTable().GdipFillEllipse, brush.GetClassHandle(), x, y, width, height);
    }
    bool FillPolygon(const Brush& brush, const GpPointF* points, int count, FillMode mode = FillMode::Alternate) {
        return on(flatTable().GdipFillPolygon, brush.GetClassHandle(), points, count, mode);
    }
    bool FillPath(const Brush& brush, const GraphicsPath& path) {
        return on(flatTable().GdipFillPath, brush.GetClassHandle(), path.GetClassHandle());
    }
    bool FillRegion(const Brush& brush, const Region& region) {
        return on(flatTable().GdipFillRegion, brush.GetClassHandle(), region.GetClassHandle());
    }

    // format may be null (the generic default layout).
    bool DrawString(std::string_view textGbk, const Font& font, const GpRectF& layout, const StringFormat* format,
                    const Brush& brush);
    bool MeasureString(std::string_view textGbk, const Font& font, const GpRectF& layout, const StringFormat* format,
                       GpRectF& bounds, int* codepointsFitted = nullptr, int* linesFilled = nullptr) const;

    // Natural size at (x, y); stretched into a rectangle; a source part into a destination rectangle.
    bool DrawImage(const Image& image, float x, float y) {
        return on(flatTable().GdipDrawImage, image.GetClassHandle(), x, y);
    }
    bool DrawImageI(const Image& image, int x, int y) {
        return on(flatTable().GdipDrawImageI, image.GetClassHandle(), x, y);
    }
    bool DrawImageRect(const Image& image, float x, float y, float width, float height) {
        return on(flatTable().GdipDrawImageRect, image.GetClassHandle(), x, y, width, height);
    }
    bool DrawImageRectRect(const Image& image, const GpRectF& dest, const GpRectF& source,
                           Unit sourceUnit = Unit::Pixel) {
        return on(flatTable().GdipDrawImageRectRect, image.GetClassHandle(), dest.X, dest.Y, dest.Width, dest.Height,
                  source.X, source.Y, source.Width, source.Height, sourceUnit, nullptr, nullptr, nullptr);
    }

    bool SetClipGraphics(const Graphics& source, CombineMode mode = CombineMode::Replace) {
        return on(flatTable().GdipSetClipGraphics, source.GetClassHandle(), mode);
    }
    bool SetClipRect(const GpRectF& rect, CombineMode mode = CombineMode::Replace) {
        return on(flatTable().GdipSetClipRect, rect.X, rect.Y, rect.Width, rect.Height, mode);
    }
    bool SetClipRegion(const Region& region, CombineMode mode = CombineMode::Replace) {
        return on(flatTable().GdipSetClipRegion, region.GetClassHandle(), mode);
    }
    bool SetClipPath(const GraphicsPath& path, CombineMode mode = CombineMode::Replace) {
        return on(flatTable().GdipSetClipPath, path.GetClassHandle(), mode);
    }
    bool SetClipHrgn(HRGN hrgn, CombineMode mode = CombineMode::Replace) {
        return on(flatTable().GdipSetClipHrgn, hrgn, mode);
    }
    bool ResetClip() { return on(flatTable().GdipResetClip); }
    bool TranslateClip(float dx, float dy) { return on(flatTable().GdipTranslateClip, dx, dy); }
    // `region` must already hold a region (Region::Create); it receives the clip.
    bool GetClip(Region& region) const { return on(flatTable().GdipGetClip, region.GetClassHandle()); }
    bool GetClipBounds(GpRectF& bounds) const { return on(flatTable().GdipGetClipBounds, &bounds); }
    bool IsClipEmpty(bool& empty) const { return query(flatTable().GdipIsClipEmpty, empty); }

    bool Save(GraphicsState& state) { return on(flatTable().GdipSaveGraphics, &state); }
    bool Restore(GraphicsState state) { return on(flatTable().GdipRestoreGraphics, state); }
};

}  // namespace draw
