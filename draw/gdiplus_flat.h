// The GDI+ flat interface as we use it: our own declarations of its types, and one table of
// entries resolved by name from gdiplus.dll at run time. No import library and no system GDI+
// header is needed; a function the DLL lacks leaves its entry null, and calls through a null
// entry answer NotImplemented instead of crashing.
#pragma once
#include <objidl.h>  // IStream
#include <windows.h>

#include <cstdint>

namespace draw {

#define QUORREL_GDIP_API __stdcall

enum GpStatus : int {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
    PropertyNotSupported = 20,
    ProfileNotFound = 21,
};

using ARGB = std::uint32_t;
using GraphicsState = UINT;
using GraphicsContainer = UINT;
using PixelFormat = INT;

inline constexpr PixelFormat PixelFormat24bppRGB = 0x00021808;
inline constexpr PixelFormat PixelFormat32bppRGB = 0x00022009;
inline constexpr PixelFormat PixelFormat32bppARGB = 0x0026200A;
inline constexpr PixelFormat PixelFormat32bppPARGB = 0x000E200B;

enum class SmoothingMode : int {
    Invalid = -1,
    Default = 0,
    HighSpeed = 1,
    HighQuality = 2,
    None = 3,
    AntiAlias = 4,
    AntiAlias8x8 = 5
};
enum class InterpolationMode : int {
    Invalid = -1,
    Default = 0,
    LowQuality = 1,
    HighQuality = 2,
    Bilinear = 3,
    Bicubic = 4,
    NearestNeighbor = 5,
    HighQualityBilinear = 6,
    HighQualityBicubic = 7
};
enum class TextRenderingHint : int {
    SystemDefault = 0,
    SingleBitPerPixelGridFit = 1,
    SingleBitPerPixel = 2,
    AntiAliasGridFit = 3,
    AntiAlias = 4,
    ClearTypeGridFit = 5
};
enum class CompositingMode : int { SourceOver = 0, SourceCopy = 1 };
enum class CompositingQuality : int {
    Invalid = -1,
    Default = 0,
    HighSpeed = 1,
    HighQuality = 2,
    GammaCorrected = 3,
    AssumeLinear = 4
};
enum class PixelOffsetMode : int { Invalid = -1, Default = 0, HighSpeed = 1, HighQuality = 2, None = 3, Half = 4 };
enum class MatrixOrder : int { Prepend = 0, Append = 1 };
enum class CombineMode : int { Replace = 0, Intersect = 1, Union = 2, Xor = 3, Exclude = 4, Complement = 5 };
enum class FillMode : int { Alternate = 0, Winding = 1 };
enum class CoordinateSpace : int { World = 0, Page = 1, Device = 2 };
enum class Unit : int { World = 0, Display = 1, Pixel = 2, Point = 3, Inch = 4, Document = 5, Millimeter = 6 };
enum class StringAlignment : int { Near = 0, Center = 1, Far = 2 };
enum class StringTrimming : int {
    None = 0,
    Character = 1,
    Word = 2,
    EllipsisCharacter = 3,
    EllipsisWord = 4,
    EllipsisPath = 5
};
enum class HotkeyPrefix : int { None = 0, Show = 1, Hide = 2 };
enum class WrapMode : int { Tile = 0, TileFlipX = 1, TileFlipY = 2, TileFlipXY = 3, Clamp = 4 };
enum class LinearGradientMode : int { Horizontal = 0, Vertical = 1, ForwardDiagonal = 2, BackwardDiagonal = 3 };
enum class BrushType : int { SolidColor = 0, HatchFill = 1, TextureFill = 2, PathGradient = 3, LinearGradient = 4 };
enum class ImageType : int { Unknown = 0, Bitmap = 1, Metafile = 2 };
enum class LineJoin : int { Miter = 0, Bevel = 1, Round = 2, MiterClipped = 3 };
enum class LineCap : int { Flat = 0, Square = 1, Round = 2, Triangle = 3 };
enum class DashStyle : int { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4, Custom = 5 };

// FontStyle and StringFormatFlags and ImageLockMode combine as bit sets, so they stay plain ints.
enum FontStyle : int {
    FontStyleRegular = 0,
    FontStyleBold = 1,
    FontStyleItalic = 2,
    FontStyleBoldItalic = 3,
    FontStyleUnderline = 4,
    FontStyleStrikeout = 8
};
enum StringFormatFlags : int {
    StringFormatFlagsDirectionRightToLeft = 0x0001,
    StringFormatFlagsDirectionVertical = 0x0002,
    StringFormatFlagsNoFitBlackBox = 0x0004,
    StringFormatFlagsDisplayFormatControl = 0x0020,
    StringFormatFlagsNoFontFallback = 0x0400,
    StringFormatFlagsMeasureTrailingSpaces = 0x0800,
    StringFormatFlagsNoWrap = 0x1000,
    StringFormatFlagsLineLimit = 0x2000,
    StringFormatFlagsNoClip = 0x4000
};
enum ImageLockMode : UINT { ImageLockModeRead = 1, ImageLockModeWrite = 2, ImageLockModeUserInputBuf = 4 };

struct GpPointF {
    float X;
    float Y;
};
struct GpPoint {
    INT X;
    INT Y;
};
struct GpRectF {
    float X;
    float Y;
    float Width;
    float Height;
};
struct GpRect {
    INT X;
    INT Y;
    INT Width;
    INT Height;
};

struct BitmapData {
    UINT Width;
    UINT Height;
    INT Stride;
    PixelFormat Format;
    void* Scan0;
    UINT_PTR Reserved;
};

struct GdiplusStartupInput {
    UINT32 GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};
struct GdiplusStartupOutput {
    void* NotificationHook;
    void* NotificationUnhook;
};

struct ImageCodecInfo {
    CLSID Clsid;
    GUID FormatID;
    const WCHAR* CodecName;
    const WCHAR* DllName;
    const WCHAR* FormatDescription;
    const WCHAR* FilenameExtension;
    const WCHAR* MimeType;
    DWORD Flags;
    DWORD Version;
    DWORD SigCount;
    DWORD SigSize;
    const BYTE* SigPattern;
    const BYTE* SigMask;
};
struct EncoderParameters;
struct ImageAttributes;

// Opaque native objects. The derived ones inherit so that a typed handle converts to its
// family's handle without a cast, as in the flat interface itself.
struct GpGraphics {};
struct GpPath {};
struct GpBrush {};
struct GpSolidFill : GpBrush {};
struct GpLineGradient : GpBrush {};
struct GpPathGradient : GpBrush {};
struct GpTexture : GpBrush {};
struct GpPen {};
struct GpFont {};
struct GpFontFamily {};
struct GpFontCollection {};
struct GpStringFormat {};
struct GpImage {};
struct GpBitmap : GpImage {};
struct GpRegion {};
struct GpMatrix {};

// name, parameter list. Every one of these returns GpStatus.
#define QUORREL_GDIP_FUNCTIONS(X)                                                                                      \
    X(GdipCreateFromHDC, (HDC hdc, GpGraphics * *graphics))                                                            \
    X(GdipCreateFromHDC2, (HDC hdc, HANDLE device, GpGraphics * *graphics))                                            \
    X(GdipGetImageGraphicsContext, (GpImage * image, GpGraphics * *graphics))                                          \
    X(GdipDeleteGraphics, (GpGraphics * graphics))                                                                     \
    X(GdipFlush, (GpGraphics * graphics, int intention))                                                               \
    X(GdipGetDC, (GpGraphics * graphics, HDC * hdc))                                                                   \
    X(GdipReleaseDC, (GpGraphics * graphics, HDC hdc))                                                                 \
    X(GdipSetSmoothingMode, (GpGraphics * graphics, SmoothingMode mode))                                               \
    X(GdipGetSmoothingMode, (GpGraphics * graphics, SmoothingMode * mode))                                             \
    X(GdipSetInterpolationMode, (GpGraphics * graphics, InterpolationMode mode))                                       \
    X(GdipGetInterpolationMode, (GpGraphics * graphics, InterpolationMode * mode))                                     \
    X(GdipSetTextRenderingHint, (GpGraphics * graphics, TextRenderingHint hint))                                       \
    X(GdipGetTextRenderingHint, (GpGraphics * graphics, TextRenderingHint * hint))                                     \
    X(GdipSetCompositingMode, (GpGraphics * graphics, CompositingMode mode))                                           \
    X(GdipGetCompositingMode, (GpGraphics * graphics, CompositingMode * mode))                                         \
    X(GdipSetCompositingQuality, (GpGraphics * graphics, CompositingQuality quality))                                  \
    X(GdipGetCompositingQuality, (GpGraphics * graphics, CompositingQuality * quality))                                \
    X(GdipSetPixelOffsetMode, (GpGraphics * graphics, PixelOffsetMode mode))                                           \
    X(GdipGetPixelOffsetMode, (GpGraphics * graphics, PixelOffsetMode * mode))                                         \
    X(GdipSetRenderingOrigin, (GpGraphics * graphics, INT x, INT y))                                                   \
    X(GdipSetTextContrast, (GpGraphics * graphics, UINT contrast))                                                     \
    X(GdipSetPageUnit, (GpGraphics * graphics, Unit unit))                                                             \
    X(GdipSetPageScale, (GpGraphics * graphics, float scale))                                                          \
    X(GdipGetDpiX, (GpGraphics * graphics, float* dpi))                                                                \
    X(GdipGetDpiY, (GpGraphics * graphics, float* dpi))                                                                \
    X(GdipSetWorldTransform, (GpGraphics * graphics, GpMatrix * matrix))                                               \
    X(GdipGetWorldTransform, (GpGraphics * graphics, GpMatrix * matrix))                                               \
    X(GdipResetWorldTransform, (GpGraphics * graphics))                                                                \
    X(GdipMultiplyWorldTransform, (GpGraphics * graphics, GpMatrix * matrix, MatrixOrder order))                       \
    X(GdipTranslateWorldTransform, (GpGraphics * graphics, float dx, float dy, MatrixOrder order))                     \
    X(GdipScaleWorldTransform, (GpGraphics * graphics, float sx, float sy, MatrixOrder order))                         \
    X(GdipRotateWorldTransform, (GpGraphics * graphics, float angle, MatrixOrder order))                               \
    X(GdipTransformPoints,                                                                                             \
      (GpGraphics * graphics, CoordinateSpace dest, CoordinateSpace src, GpPointF * points, INT count))                \
    X(GdipGraphicsClear, (GpGraphics * graphics, ARGB colour))                                                         \
    X(GdipDrawLine, (GpGraphics * graphics, GpPen * pen, float x1, float y1, float x2, float y2))                      \
    X(GdipDrawLines, (GpGraphics * graphics, GpPen * pen, const GpPointF* points, INT count))                          \
    X(GdipDrawArc, (GpGraphics * graphics, GpPen * pen, float x, float y, float width, float height, float startAngle, \
                    float sweepAngle))                                                                                 \
    X(GdipDrawRectangle, (GpGraphics * graphics, GpPen * pen, float x, float y, float width, float height))            \
    X(GdipDrawRectangleI, (GpGraphics * graphics, GpPen * pen, INT x, INT y, INT width, INT height))                   \
    X(GdipDrawEllipse, (GpGraphics * graphics, GpPen * pen, float x, float y, float width, float height))              \
    X(GdipDrawPolygon, (GpGraphics * graphics, GpPen * pen, const GpPointF* points, INT count))                        \
    X(GdipDrawPath, (GpGraphics * graphics, GpPen * pen, GpPath * path))                                               \
    X(GdipFillRectangle, (GpGraphics * graphics, GpBrush * brush, float x, float y, float width, float height))        \
    X(GdipFillRectangleI, (GpGraphics * graphics, GpBrush * brush, INT x, INT y, INT width, INT height))               \
    X(GdipFillEllipse, (GpGraphics * graphics, GpBrush * brush, float x, float y, float width, float height))          \
    X(GdipFillPolygon, (GpGraphics * graphics, GpBrush * brush, const GpPointF* points, INT count, FillMode mode))     \
    X(GdipFillPath, (GpGraphics * graphics, GpBrush * brush, GpPath * path))                                           \
    X(GdipFillRegion, (GpGraphics * graphics, GpBrush * brush, GpRegion * region))                                     \
    X(GdipDrawString, (GpGraphics * graphics, const WCHAR* text, INT length, const GpFont* font,                       \
                       const GpRectF* layout, const GpStringFormat* format, const GpBrush* brush))                     \
    X(GdipMeasureString,                                                                                               \
      (GpGraphics * graphics, const WCHAR* text, INT length, const GpFont* font, const GpRectF* layout,                \
       const GpStringFormat* format, GpRectF* bounds, INT* codepointsFitted, INT* linesFilled))                        \
    X(GdipDrawImage, (GpGraphics * graphics, GpImage * image, float x, float y))                                       \
    X(GdipDrawImageI, (GpGraphics * graphics, GpImage * image, INT x, INT y))                                          \
    X(GdipDrawImageRect, (GpGraphics * graphics, GpImage * image, float x, float y, float width, float height))        \
    X(GdipDrawImageRectRect, (GpGraphics * graphics, GpImage * image, float dstx, float dsty, float dstwidth,          \
                              float dstheight, float srcx, float srcy, float srcwidth, float srcheight, Unit srcUnit,  \
                              const ImageAttributes* attributes, void* callback, void* callbackData))                  \
    X(GdipSetClipGraphics, (GpGraphics * graphics, GpGraphics * source, CombineMode mode))                             \
    X(GdipSetClipRect, (GpGraphics * graphics, float x, float y, float width, float height, CombineMode mode))         \
    X(GdipSetClipRegion, (GpGraphics * graphics, GpRegion * region, CombineMode mode))                                 \
    X(GdipSetClipPath, (GpGraphics * graphics, GpPath * path, CombineMode mode))                                       \
    X(GdipSetClipHrgn, (GpGraphics * graphics, HRGN hrgn, CombineMode mode))                                           \
    X(GdipResetClip, (GpGraphics * graphics))                                                                          \
    X(GdipTranslateClip, (GpGraphics * graphics, float dx, float dy))                                                  \
    X(GdipGetClip, (GpGraphics * graphics, GpRegion * region))                                                         \
    X(GdipGetClipBounds, (GpGraphics * graphics, GpRectF * rect))                                                      \
    X(GdipIsClipEmpty, (GpGraphics * graphics, BOOL * result))                                                         \
    X(GdipSaveGraphics, (GpGraphics * graphics, GraphicsState * state))                                                \
    X(GdipRestoreGraphics, (GpGraphics * graphics, GraphicsState state))                                               \
    X(GdipCreateMatrix, (GpMatrix * *matrix))                                                                          \
    X(GdipCreateMatrix2, (float m11, float m12, float m21, float m22, float dx, float dy, GpMatrix** matrix))          \
    X(GdipDeleteMatrix, (GpMatrix * matrix))                                                                           \
    X(GdipGetMatrixElements, (const GpMatrix* matrix, float* elements))                                                \
    X(GdipCreatePath, (FillMode mode, GpPath * *path))                                                                 \
    X(GdipClonePath, (GpPath * path, GpPath * *clone))                                                                 \
    X(GdipDeletePath, (GpPath * path))                                                                                 \
    X(GdipResetPath, (GpPath * path))                                                                                  \
    X(GdipSetPathFillMode, (GpPath * path, FillMode mode))                                                             \
    X(GdipGetPointCount, (GpPath * path, INT * count))                                                                 \
    X(GdipStartPathFigure, (GpPath * path))                                                                            \
    X(GdipClosePathFigure, (GpPath * path))                                                                            \
    X(GdipClosePathFigures, (GpPath * path))                                                                           \
    X(GdipAddPathLine, (GpPath * path, float x1, float y1, float x2, float y2))                                        \
    X(GdipAddPathLine2, (GpPath * path, const GpPointF* points, INT count))                                            \
    X(GdipAddPathArc,                                                                                                  \
      (GpPath * path, float x, float y, float width, float height, float startAngle, float sweepAngle))                \
    X(GdipAddPathBezier,                                                                                               \
      (GpPath * path, float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4))                 \
    X(GdipAddPathRectangle, (GpPath * path, float x, float y, float width, float height))                              \
    X(GdipAddPathEllipse, (GpPath * path, float x, float y, float width, float height))                                \
    X(GdipAddPathPolygon, (GpPath * path, const GpPointF* points, INT count))                                          \
    X(GdipAddPathPath, (GpPath * path, const GpPath* added, BOOL connect))                                             \
    X(GdipGetPathWorldBounds, (GpPath * path, GpRectF * bounds, const GpMatrix* matrix, const GpPen* pen))             \
    X(GdipIsVisiblePathPoint, (GpPath * path, float x, float y, GpGraphics* graphics, BOOL* result))                   \
    X(GdipDeleteBrush, (GpBrush * brush))                                                                              \
    X(GdipCloneBrush, (GpBrush * brush, GpBrush * *clone))                                                             \
    X(GdipGetBrushType, (GpBrush * brush, BrushType * type))                                                           \
    X(GdipCreateSolidFill, (ARGB colour, GpSolidFill * *brush))                                                        \
    X(GdipSetSolidFillColor, (GpSolidFill * brush, ARGB colour))                                                       \
    X(GdipGetSolidFillColor, (GpSolidFill * brush, ARGB * colour))                                                     \
    X(GdipCreateLineBrush, (const GpPointF* point1, const GpPointF* point2, ARGB colour1, ARGB colour2, WrapMode wrap, \
                            GpLineGradient** brush))                                                                   \
    X(GdipCreateLineBrushFromRect, (const GpRectF* rect, ARGB colour1, ARGB colour2, LinearGradientMode mode,          \
                                    WrapMode wrap, GpLineGradient** brush))                                            \
    X(GdipCreateLineBrushFromRectWithAngle, (const GpRectF* rect, ARGB colour1, ARGB colour2, float angle,             \
                                             BOOL isAngleScalable, WrapMode wrap, GpLineGradient** brush))             \
    X(GdipSetLineColors, (GpLineGradient * brush, ARGB colour1, ARGB colour2))                                         \
    X(GdipGetLineColors, (GpLineGradient * brush, ARGB * colours))                                                     \
    X(GdipGetLineRect, (GpLineGradient * brush, GpRectF * rect))                                                       \
    X(GdipSetLineGammaCorrection, (GpLineGradient * brush, BOOL useGamma))                                             \
    X(GdipSetLineBlend, (GpLineGradient * brush, const float* factors, const float* positions, INT count))             \
    X(GdipSetLinePresetBlend, (GpLineGradient * brush, const ARGB* colours, const float* positions, INT count))        \
    X(GdipSetLineWrapMode, (GpLineGradient * brush, WrapMode wrap))                                                    \
    X(GdipResetLineTransform, (GpLineGradient * brush))                                                                \
    X(GdipTranslateLineTransform, (GpLineGradient * brush, float dx, float dy, MatrixOrder order))                     \
    X(GdipScaleLineTransform, (GpLineGradient * brush, float sx, float sy, MatrixOrder order))                         \
    X(GdipRotateLineTransform, (GpLineGradient * brush, float angle, MatrixOrder order))                               \
    X(GdipCreatePen1, (ARGB colour, float width, Unit unit, GpPen** pen))                                              \
    X(GdipCreatePen2, (GpBrush * brush, float width, Unit unit, GpPen** pen))                                          \
    X(GdipClonePen, (GpPen * pen, GpPen * *clone))                                                                     \
    X(GdipDeletePen, (GpPen * pen))                                                                                    \
    X(GdipSetPenWidth, (GpPen * pen, float width))                                                                     \
    X(GdipGetPenWidth, (GpPen * pen, float* width))                                                                    \
    X(GdipSetPenColor, (GpPen * pen, ARGB colour))                                                                     \
    X(GdipGetPenColor, (GpPen * pen, ARGB * colour))                                                                   \
    X(GdipSetPenLineJoin, (GpPen * pen, LineJoin join))                                                                \
    X(GdipSetPenStartCap, (GpPen * pen, LineCap cap))                                                                  \
    X(GdipSetPenEndCap, (GpPen * pen, LineCap cap))                                                                    \
    X(GdipSetPenDashStyle, (GpPen * pen, DashStyle style))                                                             \
    X(GdipCreateFont, (const GpFontFamily* family, float emSize, INT style, Unit unit, GpFont** font))                 \
    X(GdipCreateFontFromDC, (HDC hdc, GpFont * *font))                                                                 \
    X(GdipCreateFontFromLogfontA, (HDC hdc, const LOGFONTA* logfont, GpFont** font))                                   \
    X(GdipCreateFontFromLogfontW, (HDC hdc, const LOGFONTW* logfont, GpFont** font))                                   \
    X(GdipCloneFont, (GpFont * font, GpFont * *clone))                                                                 \
    X(GdipDeleteFont, (GpFont * font))                                                                                 \
    X(GdipGetLogFontW, (GpFont * font, GpGraphics * graphics, LOGFONTW * logfont))                                     \
    X(GdipGetFamily, (GpFont * font, GpFontFamily * *family))                                                          \
    X(GdipGetFontStyle, (GpFont * font, INT * style))                                                                  \
    X(GdipGetFontSize, (GpFont * font, float* size))                                                                   \
    X(GdipGetFontUnit, (GpFont * font, Unit * unit))                                                                   \
    X(GdipGetFontHeight, (const GpFont* font, const GpGraphics* graphics, float* height))                              \
    X(GdipCreateFontFamilyFromName, (const WCHAR* name, GpFontCollection* collection, GpFontFamily** family))          \
    X(GdipGetGenericFontFamilySansSerif, (GpFontFamily * *family))                                                     \
    X(GdipGetGenericFontFamilySerif, (GpFontFamily * *family))                                                         \
    X(GdipGetGenericFontFamilyMonospace, (GpFontFamily * *family))                                                     \
    X(GdipCloneFontFamily, (GpFontFamily * family, GpFontFamily * *clone))                                             \
    X(GdipDeleteFontFamily, (GpFontFamily * family))                                                                   \
    X(GdipGetFamilyName, (const GpFontFamily* family, WCHAR* name, LANGID language))                                   \
    X(GdipIsStyleAvailable, (const GpFontFamily* family, INT style, BOOL* available))                                  \
    X(GdipGetEmHeight, (const GpFontFamily* family, INT style, UINT16* height))                                        \
    X(GdipGetCellAscent, (const GpFontFamily* family, INT style, UINT16* ascent))                                      \
    X(GdipGetCellDescent, (const GpFontFamily* family, INT style, UINT16* descent))                                    \
    X(GdipGetLineSpacing, (const GpFontFamily* family, INT style, UINT16* spacing))                                    \
    X(GdipNewInstalledFontCollection, (GpFontCollection * *collection))                                                \
    X(GdipGetFontCollectionFamilyCount, (GpFontCollection * collection, INT * count))                                  \
    X(GdipGetFontCollectionFamilyList,                                                                                 \
      (GpFontCollection * collection, INT wanted, GpFontFamily * *families, INT * found))                              \
    X(GdipCreateStringFormat, (INT flags, LANGID language, GpStringFormat * *format))                                  \
    X(GdipStringFormatGetGenericDefault, (GpStringFormat * *format))                                                   \
    X(GdipStringFormatGetGenericTypographic, (GpStringFormat * *format))                                               \
    X(GdipCloneStringFormat, (const GpStringFormat* format, GpStringFormat** clone))                                   \
    X(GdipDeleteStringFormat, (GpStringFormat * format))                                                               \
    X(GdipSetStringFormatFlags, (GpStringFormat * format, INT flags))                                                  \
    X(GdipGetStringFormatFlags, (const GpStringFormat* format, INT* flags))                                            \
    X(GdipSetStringFormatAlign, (GpStringFormat * format, StringAlignment align))                                      \
    X(GdipGetStringFormatAlign, (const GpStringFormat* format, StringAlignment* align))                                \
    X(GdipSetStringFormatLineAlign, (GpStringFormat * format, StringAlignment align))                                  \
    X(GdipGetStringFormatLineAlign, (const GpStringFormat* format, StringAlignment* align))                            \
    X(GdipSetStringFormatTrimming, (GpStringFormat * format, StringTrimming trimming))                                 \
    X(GdipSetStringFormatHotkeyPrefix, (GpStringFormat * format, INT prefix))                                          \
    X(GdipLoadImageFromFile, (const WCHAR* file, GpImage** image))                                                     \
    X(GdipLoadImageFromStream, (IStream * stream, GpImage * *image))                                                   \
    X(GdipCloneImage, (GpImage * image, GpImage * *clone))                                                             \
    X(GdipDisposeImage, (GpImage * image))                                                                             \
    X(GdipSaveImageToFile,                                                                                             \
      (GpImage * image, const WCHAR* file, const CLSID* encoder, const EncoderParameters* parameters))                 \
    X(GdipSaveImageToStream,                                                                                           \
      (GpImage * image, IStream * stream, const CLSID* encoder, const EncoderParameters* parameters))                  \
    X(GdipGetImageEncodersSize, (UINT * count, UINT * size))                                                           \
    X(GdipGetImageEncoders, (UINT count, UINT size, ImageCodecInfo * encoders))                                        \
    X(GdipGetImageRawFormat, (GpImage * image, GUID * format))                                                         \
    X(GdipGetImageType, (GpImage * image, ImageType * type))                                                           \
    X(GdipGetImageWidth, (GpImage * image, UINT * width))                                                              \
    X(GdipGetImageHeight, (GpImage * image, UINT * height))                                                            \
    X(GdipGetImagePixelFormat, (GpImage * image, PixelFormat * format))                                                \
    X(GdipCreateBitmapFromFile, (const WCHAR* file, GpBitmap** bitmap))                                                \
    X(GdipCreateBitmapFromStream, (IStream * stream, GpBitmap * *bitmap))                                              \
    X(GdipCreateBitmapFromScan0,                                                                                       \
      (INT width, INT height, INT stride, PixelFormat format, BYTE * scan0, GpBitmap * *bitmap))                       \
    X(GdipCreateBitmapFromGraphics, (INT width, INT height, GpGraphics * graphics, GpBitmap * *bitmap))                \
    X(GdipCreateBitmapFromHBITMAP, (HBITMAP hbitmap, HPALETTE palette, GpBitmap * *bitmap))                            \
    X(GdipCreateHBITMAPFromBitmap, (GpBitmap * bitmap, HBITMAP * hbitmap, ARGB background))                            \
    X(GdipCloneBitmapAreaI,                                                                                            \
      (INT x, INT y, INT width, INT height, PixelFormat format, GpBitmap * source, GpBitmap * *clone))                 \
    X(GdipBitmapLockBits, (GpBitmap * bitmap, const GpRect* rect, UINT flags, PixelFormat format, BitmapData* data))   \
    X(GdipBitmapUnlockBits, (GpBitmap * bitmap, BitmapData * data))                                                    \
    X(GdipBitmapGetPixel, (GpBitmap * bitmap, INT x, INT y, ARGB * colour))                                            \
    X(GdipBitmapSetPixel, (GpBitmap * bitmap, INT x, INT y, ARGB colour))                                              \
    X(GdipBitmapSetResolution, (GpBitmap * bitmap, float xdpi, float ydpi))                                            \
    X(GdipCreateRegion, (GpRegion * *region))                                                                          \
    X(GdipCreateRegionRect, (const GpRectF* rect, GpRegion** region))                                                  \
    X(GdipCreateRegionRectI, (const GpRect* rect, GpRegion** region))                                                  \
    X(GdipCreateRegionPath, (GpPath * path, GpRegion * *region))                                                       \
    X(GdipCreateRegionHrgn, (HRGN hrgn, GpRegion * *region))                                                           \
    X(GdipCloneRegion, (GpRegion * region, GpRegion * *clone))                                                         \
    X(GdipDeleteRegion, (GpRegion * region))                                                                           \
    X(GdipSetInfinite, (GpRegion * region))                                                                            \
    X(GdipSetEmpty, (GpRegion * region))                                                                               \
    X(GdipCombineRegionRect, (GpRegion * region, const GpRectF* rect, CombineMode mode))                               \
    X(GdipCombineRegionRegion, (GpRegion * region, GpRegion * other, CombineMode mode))                                \
    X(GdipCombineRegionPath, (GpRegion * region, GpPath * path, CombineMode mode))                                     \
    X(GdipTranslateRegion, (GpRegion * region, float dx, float dy))                                                    \
    X(GdipGetRegionBounds, (GpRegion * region, GpGraphics * graphics, GpRectF * rect))                                 \
    X(GdipGetRegionHRgn, (GpRegion * region, GpGraphics * graphics, HRGN * hrgn))                                      \
    X(GdipIsEmptyRegion, (GpRegion * region, GpGraphics * graphics, BOOL * result))                                    \
    X(GdipIsVisibleRegionPoint, (GpRegion * region, float x, float y, GpGraphics* graphics, BOOL* result))

// The table: one entry per flat function, plus the four that do not return a status.
struct FlatTable {
#define QUORREL_GDIP_ENTRY(name, params) GpStatus(QUORREL_GDIP_API* name) params = nullptr;
    QUORREL_GDIP_FUNCTIONS(QUORREL_GDIP_ENTRY)
#undef QUORREL_GDIP_ENTRY
    GpStatus(QUORREL_GDIP_API* GdiplusStartup)(ULONG_PTR* token, const GdiplusStartupInput* input,
                                               GdiplusStartupOutput* output) = nullptr;
    void(QUORREL_GDIP_API* GdiplusShutdown)(ULONG_PTR token) = nullptr;
    void*(QUORREL_GDIP_API* GdipAlloc)(size_t size) = nullptr;
    void(QUORREL_GDIP_API* GdipFree)(void* pointer) = nullptr;
};

// The process's table, bound on first use. Tests may replace single entries (to count calls or
// to simulate a DLL that lacks a function) and put them back afterwards.
FlatTable& flatTable();
// Number of entries that were found in gdiplus.dll, and the total number asked for.
int flatEntriesBound();
int flatEntriesWanted();

}  // namespace draw
