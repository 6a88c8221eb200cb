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
// UI thread only: the last status and the reference counts are not synchronised.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "draw/gdiplus_flat.h"

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

protected:
    explicit Object(ObjectKind kind) : kind_(kind) {}

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
    bool CreateGenericSansSerif();
    bool CreateGenericSerif();
    bool CreateGenericMonospace();
    // `nameGbk` when installed, otherwise a family that exists, so text is always drawn: the
    // generic sans-serif family, else the family of the default GUI font, else the first
    // installed family (a fresh Wine prefix has neither "宋体" nor the generic sans-serif faces).
    bool CreateFromNameOrSansSerif(std::string_view nameGbk);
    // The first family of the installed collection (a private copy).
    bool CreateFirstInstalled();
    bool Clone(FontFamily& out) const;
    bool GetFamilyName(std::string& nameGbk, LANGID language = 0) const;
    bool IsStyleAvailable(int style, bool& available) const;
    bool GetEmHeight(int style, UINT16& height) const;
    bool GetCellAscent(int style, UINT16& ascent) const;
    bool GetCellDescent(int style, UINT16& descent) const;
    bool GetLineSpacing(int style, UINT16& spacing) const;
};

class Font : public Object {
public:
    Font() : Object(ObjectKind::Font) {}
    GpFont* GetClassHandle() const { return static_cast<GpFont*>(GetNativeHandle()); }
    void SetClassHandle(GpFont* handle) { SetNativeHandle(handle); }

    bool CreateFromFamily(const FontFamily& family, float emSize, int style = FontStyleRegular,
                          Unit unit = Unit::Point);
    // Through a temporary FontFamily; fails and stays null when the family does not exist.
    bool CreateFromName(std::string_view familyGbk, float emSize, int style = FontStyleRegular,
                        Unit unit = Unit::Point);
    // Like CreateFromName, but falls back to a family that exists when the named one is missing
    // (FontFamily::CreateFromNameOrSansSerif).
    bool CreateFromNameOrSansSerif(std::string_view familyGbk, float emSize, int style = FontStyleRegular,
                                   Unit unit = Unit::Point);
    // The stock DEFAULT_GUI_FONT, through its LOGFONTA and the screen DC.
    bool CreateDefaultGui();
    bool CreateFromDC(HDC hdc);
    bool CreateFromLogfontW(HDC hdc, const LOGFONTW& logfont);
    bool Clone(Font& out) const;
    bool GetLogFontW(const Graphics& graphics, LOGFONTW& logfont) const;
    bool GetFamily(FontFamily& family) const;
    bool GetStyle(int& style) const;
    bool GetSize(float& size) const;
    bool GetUnit(Unit& unit) const;
    bool GetHeight(const Graphics& graphics, float& height) const;
};

class StringFormat : public Object {
public:
    StringFormat() : Object(ObjectKind::StringFormat) {}
    GpStringFormat* GetClassHandle() const { return static_cast<GpStringFormat*>(GetNativeHandle()); }
    void SetClassHandle(GpStringFormat* handle) { SetNativeHandle(handle); }

    bool Create(int flags = 0, LANGID language = 0);
    // Private copies of the generic formats (the shared originals are never ours to delete).
    bool CreateGenericDefault();
    bool CreateGenericTypographic();
    bool Clone(StringFormat& out) const;
    bool SetFlags(int flags);
    bool GetFlags(int& flags) const;
    bool SetAlignment(StringAlignment align);
    bool GetAlignment(StringAlignment& align) const;
    bool SetLineAlignment(StringAlignment align);
    bool GetLineAlignment(StringAlignment& align) const;
    bool SetTrimming(StringTrimming trimming);
    bool SetHotkeyPrefix(HotkeyPrefix prefix);
};

class GraphicsPath : public Object {
public:
    GraphicsPath() : Object(ObjectKind::Path) {}
    GpPath* GetClassHandle() const { return static_cast<GpPath*>(GetNativeHandle()); }
    void SetClassHandle(GpPath* handle) { SetNativeHandle(handle); }

    bool Create(FillMode mode = FillMode::Alternate);
    bool Clone(GraphicsPath& out) const;
    bool Reset();
    bool SetFillMode(FillMode mode);
    bool GetPointCount(int& count) const;
    bool StartFigure();
    bool CloseFigure();
    bool CloseAllFigures();
    bool AddLine(float x1, float y1, float x2, float y2);
    bool AddLines(const GpPointF* points, int count);
    bool AddArc(float x, float y, float width, float height, float startAngle, float sweepAngle);
    bool AddBezier(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4);
    bool AddRectangle(float x, float y, float width, float height);
    bool AddEllipse(float x, float y, float width, float height);
    bool AddPolygon(const GpPointF* points, int count);
    bool AddPath(const GraphicsPath& other, bool connect);
    bool GetBounds(GpRectF& bounds) const;
    bool IsVisible(float x, float y, bool& visible) const;
};

class Brush : public Object {
public:
    Brush() : Object(ObjectKind::Brush) {}
    GpBrush* GetClassHandle() const { return static_cast<GpBrush*>(GetNativeHandle()); }
    void SetClassHandle(GpBrush* handle) { SetNativeHandle(handle); }
    bool GetType(BrushType& type) const;
    bool Clone(Brush& out) const;
};

class SolidBrush : public Brush {
public:
    SolidBrush() = default;
    GpSolidFill* GetDerivedHandle() const { return static_cast<GpSolidFill*>(GetClassHandle()); }
    void SetDerivedHandle(GpSolidFill* handle) { SetNativeHandle(handle); }

    bool Create(ARGB colour);
    bool SetColor(ARGB colour);
    bool GetColor(ARGB& colour) const;
};

class LinearGradientBrush : public Brush {
public:
    LinearGradientBrush() = default;
    GpLineGradient* GetDerivedHandle() const { return static_cast<GpLineGradient*>(GetClassHandle()); }
    void SetDerivedHandle(GpLineGradient* handle) { SetNativeHandle(handle); }

    bool Create(const GpPointF& point1, const GpPointF& point2, ARGB colour1, ARGB colour2,
                WrapMode wrap = WrapMode::Tile);
    bool CreateFromRect(const GpRectF& rect, ARGB colour1, ARGB colour2, LinearGradientMode mode,
                        WrapMode wrap = WrapMode::Tile);
    bool CreateFromRectWithAngle(const GpRectF& rect, ARGB colour1, ARGB colour2, float angle, bool isAngleScalable,
                                 WrapMode wrap = WrapMode::Tile);
    bool SetLinearColors(ARGB colour1, ARGB colour2);
    bool GetLinearColors(ARGB& colour1, ARGB& colour2) const;
    bool GetRectangle(GpRectF& rect) const;
    bool SetGammaCorrection(bool useGamma);
    bool SetBlend(const float* factors, const float* positions, int count);
    // Colours at positions 0..1 (first 0, last 1): the three-colour gradient of the skin.
    bool SetPresetBlend(const ARGB* colours, const float* positions, int count);
    bool SetWrapMode(WrapMode wrap);
    bool ResetTransform();
    bool TranslateTransform(float dx, float dy, MatrixOrder order = MatrixOrder::Prepend);
    bool ScaleTransform(float sx, float sy, MatrixOrder order = MatrixOrder::Prepend);
    bool RotateTransform(float angle, MatrixOrder order = MatrixOrder::Prepend);
    bool RotateTransformAt(float angle, float x, float y, MatrixOrder order = MatrixOrder::Prepend);
    bool ScaleTransformAt(float sx, float sy, float x, float y, MatrixOrder order = MatrixOrder::Prepend);
};

class Pen : public Object {
public:
    Pen() : Object(ObjectKind::Pen) {}
    GpPen* GetClassHandle() const { return static_cast<GpPen*>(GetNativeHandle()); }
    void SetClassHandle(GpPen* handle) { SetNativeHandle(handle); }

    bool Create(ARGB colour, float width = 1.0f, Unit unit = Unit::World);
    bool CreateFromBrush(const Brush& brush, float width = 1.0f, Unit unit = Unit::World);
    bool Clone(Pen& out) const;
    bool SetWidth(float width);
    bool GetWidth(float& width) const;
    bool SetColor(ARGB colour);
    bool GetColor(ARGB& colour) const;
    bool SetLineJoin(LineJoin join);
    bool SetStartCap(LineCap cap);
    bool SetEndCap(LineCap cap);
    bool SetDashStyle(DashStyle style);
};

class Region : public Object {
public:
    Region() : Object(ObjectKind::Region) {}
    GpRegion* GetClassHandle() const { return static_cast<GpRegion*>(GetNativeHandle()); }
    void SetClassHandle(GpRegion* handle) { SetNativeHandle(handle); }

    bool Create();  // infinite
    bool CreateFromRect(const GpRectF& rect);
    bool CreateFromRectI(const GpRect& rect);
    bool CreateFromPath(const GraphicsPath& path);
    bool CreateFromHrgn(HRGN hrgn);
    bool Clone(Region& out) const;
    bool MakeInfinite();
    bool MakeEmpty();
    bool CombineRect(const GpRectF& rect, CombineMode mode);
    bool CombineRegion(const Region& other, CombineMode mode);
    bool CombinePath(const GraphicsPath& path, CombineMode mode);
    bool Translate(float dx, float dy);
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

    bool LoadFromFile(std::string_view pathGbk);
    // Decodes encoded picture bytes (copied into an HGLOBAL stream that lives as long as the image).
    bool LoadFromBytes(std::string_view bytes);
    bool Clone(Image& out) const;
    // formatGuid: an image format GUID as text, e.g. PNG_FORMAT; the encoder of that format is used.
    bool SaveToFile(std::string_view pathGbk, std::string_view formatGuid = PNG_FORMAT) const;
    bool SaveToBytes(std::string& bytes, std::string_view formatGuid = PNG_FORMAT) const;
    bool GetWidth(UINT& width) const;
    bool GetHeight(UINT& height) const;
    bool GetType(ImageType& type) const;
    bool GetPixelFormat(PixelFormat& format) const;
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

    bool CreateFromFile(std::string_view pathGbk);
    bool CreateFromBytes(std::string_view bytes);
    // scan0 may be null: GDI+ then allocates the pixels itself (stride 0).
    bool CreateFromScan0(int width, int height, int stride = 0, PixelFormat format = PixelFormat32bppARGB,
                         BYTE* scan0 = nullptr);
    bool CreateFromGraphics(int width, int height, const Graphics& graphics);
    bool CreateFromHBITMAP(HBITMAP hbitmap, HPALETTE palette = nullptr);
    // The caller owns the returned HBITMAP (DeleteObject).
    bool CreateHBITMAP(HBITMAP& hbitmap, ARGB background = 0xFF000000) const;
    bool CloneArea(int x, int y, int width, int height, PixelFormat format, Bitmap& out) const;
    bool GetPixel(int x, int y, ARGB& colour) const;
    bool SetPixel(int x, int y, ARGB colour);
    bool LockBits(const GpRect* rect, UINT flags, PixelFormat format, BitmapData& data);
    bool UnlockBits(BitmapData& data);
    bool SetResolution(float xdpi, float ydpi);
};

class Graphics : public Object {
public:
    Graphics() : Object(ObjectKind::Graphics) {}
    GpGraphics* GetClassHandle() const { return static_cast<GpGraphics*>(GetNativeHandle()); }
    void SetClassHandle(GpGraphics* handle) { SetNativeHandle(handle); }

    bool CreateFromHDC(HDC hdc);
    bool CreateFromHDC2(HDC hdc, HANDLE device);
    bool CreateFromImage(const Image& image);
    bool Flush(bool sync = false);
    bool GetHDC(HDC& hdc);
    bool ReleaseHDC(HDC hdc);

    bool SetSmoothingMode(SmoothingMode mode);
    bool GetSmoothingMode(SmoothingMode& mode) const;
    bool SetInterpolationMode(InterpolationMode mode);
    bool GetInterpolationMode(InterpolationMode& mode) const;
    bool SetTextRenderingHint(TextRenderingHint hint);
    bool GetTextRenderingHint(TextRenderingHint& hint) const;
    bool SetCompositingMode(CompositingMode mode);
    bool GetCompositingMode(CompositingMode& mode) const;
    bool SetCompositingQuality(CompositingQuality quality);
    bool GetCompositingQuality(CompositingQuality& quality) const;
    bool SetPixelOffsetMode(PixelOffsetMode mode);
    bool GetPixelOffsetMode(PixelOffsetMode& mode) const;
    bool SetRenderingOrigin(int x, int y);
    bool SetTextContrast(UINT contrast);
    bool SetPageUnit(Unit unit);
    bool SetPageScale(float scale);
    bool GetDpiX(float& dpi) const;
    bool GetDpiY(float& dpi) const;

    // World transform; matrices as the six elements m11, m12, m21, m22, dx, dy.
    bool SetWorldTransform(const float elements[6]);
    bool GetWorldTransform(float elements[6]) const;
    bool ResetWorldTransform();
    bool MultiplyWorldTransform(const float elements[6], MatrixOrder order = MatrixOrder::Prepend);
    bool TranslateWorldTransform(float dx, float dy, MatrixOrder order = MatrixOrder::Prepend);
    bool ScaleWorldTransform(float sx, float sy, MatrixOrder order = MatrixOrder::Prepend);
    bool RotateWorldTransform(float angle, MatrixOrder order = MatrixOrder::Prepend);
    // Rotation or scaling that keeps (x, y) fixed, in either order.
    bool RotateWorldTransformAt(float angle, float x, float y, MatrixOrder order = MatrixOrder::Prepend);
    bool ScaleWorldTransformAt(float sx, float sy, float x, float y, MatrixOrder order = MatrixOrder::Prepend);
    bool TransformPoints(CoordinateSpace dest, CoordinateSpace src, GpPointF* points, int count) const;

    bool Clear(ARGB colour);
    bool DrawLine(const Pen& pen, float x1, float y1, float x2, float y2);
    bool DrawLines(const Pen& pen, const GpPointF* points, int count);
    bool DrawArc(const Pen& pen, float x, float y, float width, float height, float startAngle, float sweepAngle);
    bool DrawRectangle(const Pen& pen, float x, float y, float width, float height);
    bool DrawRectangleI(const Pen& pen, int x, int y, int width, int height);
    bool DrawEllipse(const Pen& pen, float x, float y, float width, float height);
    bool DrawPolygon(const Pen& pen, const GpPointF* points, int count);
    bool DrawPath(const Pen& pen, const GraphicsPath& path);
    bool FillRectangle(const Brush& brush, float x, float y, float width, float height);
    bool FillRectangleI(const Brush& brush, int x, int y, int width, int height);
    bool FillEllipse(const Brush& brush, float x, float y, float width, float height);
    bool FillPolygon(const Brush& brush, const GpPointF* points, int count, FillMode mode = FillMode::Alternate);
    bool FillPath(const Brush& brush, const GraphicsPath& path);
    bool FillRegion(const Brush& brush, const Region& region);

    // format may be null (the generic default layout).
    bool DrawString(std::string_view textGbk, const Font& font, const GpRectF& layout, const StringFormat* format,
                    const Brush& brush);
    bool MeasureString(std::string_view textGbk, const Font& font, const GpRectF& layout, const StringFormat* format,
                       GpRectF& bounds, int* codepointsFitted = nullptr, int* linesFilled = nullptr) const;

    // Natural size at (x, y); stretched into a rectangle; a source part into a destination rectangle.
    bool DrawImage(const Image& image, float x, float y);
    bool DrawImageI(const Image& image, int x, int y);
    bool DrawImageRect(const Image& image, float x, float y, float width, float height);
    bool DrawImageRectRect(const Image& image, const GpRectF& dest, const GpRectF& source,
                           Unit sourceUnit = Unit::Pixel);

    bool SetClipGraphics(const Graphics& source, CombineMode mode = CombineMode::Replace);
    bool SetClipRect(const GpRectF& rect, CombineMode mode = CombineMode::Replace);
    bool SetClipRegion(const Region& region, CombineMode mode = CombineMode::Replace);
    bool SetClipPath(const GraphicsPath& path, CombineMode mode = CombineMode::Replace);
    bool SetClipHrgn(HRGN hrgn, CombineMode mode = CombineMode::Replace);
    bool ResetClip();
    bool TranslateClip(float dx, float dy);
    // `region` must already hold a region (Region::Create); it receives the clip.
    bool GetClip(Region& region) const;
    bool GetClipBounds(GpRectF& bounds) const;
    bool IsClipEmpty(bool& empty) const;

    bool Save(GraphicsState& state);
    bool Restore(GraphicsState state);
};

}  // namespace draw
