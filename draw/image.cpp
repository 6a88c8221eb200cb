// Image and Bitmap: decoding from files and memory, PNG encoding, pixel access.
#include <vector>

#include "draw/flat_call.h"
#include "text/encoding.h"

namespace draw {
namespace {

// Releases a COM interface at scope end.
template <class T>
struct ComRelease {
    T* p = nullptr;
    ~ComRelease() {
        if (p) p->Release();
    }
};

// A stream over a fresh movable block holding a copy of `bytes`. The stream owns the block, and
// GDI+ keeps its own reference to the stream for as long as the image needs the data.
IStream* streamOverCopy(std::string_view bytes) {
    if (bytes.empty()) return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size());
    if (!block) return nullptr;
    void* data = GlobalLock(block);
    if (!data) {
        GlobalFree(block);
        return nullptr;
    }
    memcpy(data, bytes.data(), bytes.size());
    GlobalUnlock(block);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
        GlobalFree(block);
        return nullptr;
    }
    return stream;
}

std::string guidText(const GUID& guid) {
    WCHAR text[64] = {};
    StringFromGUID2(guid, text, 64);
    return wideToGbk(text);
}

bool parseGuid(std::string_view text, GUID& guid) {
    std::wstring wide = gbkToWide(text);
    return SUCCEEDED(CLSIDFromString(wide.c_str(), &guid));
}

}  // namespace

bool Image::LoadFromFile(std::string_view pathGbk) {
    GpImage* image = nullptr;
    std::wstring path = gbkToWide(pathGbk);
    return adopt(FLAT(GdipLoadImageFromFile, path.c_str(), &image), image);
}

bool Image::LoadFromBytes(std::string_view bytes) {
    ComRelease<IStream> stream{streamOverCopy(bytes)};
    if (!stream.p) {
        setLastStatus(bytes.empty() ? InvalidParameter : OutOfMemory);
        return adopt(lastStatus(), nullptr);
    }
    GpImage* image = nullptr;
    return adopt(FLAT(GdipLoadImageFromStream, stream.p, &image), image);
}

bool Image::Clone(Image& out) const {
    GpImage* clone = nullptr;
    return out.adopt(FLAT(GdipCloneImage, GetClassHandle(), &clone), clone);
}

bool Image::GetImageEncoders(std::vector<EncoderInfo>& encoders) {
    encoders.clear();
    UINT count = 0, size = 0;
    if (!FLAT_OK(GdipGetImageEncodersSize, &count, &size)) return false;
    if (count == 0) return true;
    // ImageCodecInfo records followed by the texts they point to; new[] keeps pointer alignment.
    std::vector<ImageCodecInfo> buffer((size + sizeof(ImageCodecInfo) - 1) / sizeof(ImageCodecInfo));
    if (!FLAT_OK(GdipGetImageEncoders, count, size, buffer.data())) return false;
    for (UINT i = 0; i < count; ++i) {
        const ImageCodecInfo& info = buffer[i];
        encoders.push_back({guidText(info.Clsid), guidText(info.FormatID),
                            info.CodecName ? wideToGbk(info.CodecName) : std::string(),
                            info.MimeType ? wideToGbk(info.MimeType) : std::string()});
    }
    return true;
}

bool Image::FindEncoder(std::string_view formatGuid, CLSID& encoder) {
    GUID wanted;
    if (!parseGuid(formatGuid, wanted)) {
        setLastStatus(InvalidParameter);
        return false;
    }
    std::vector<EncoderInfo> encoders;
    if (!GetImageEncoders(encoders)) return false;
    for (const EncoderInfo& info : encoders) {
        GUID format;
        if (parseGuid(info.formatId, format) && IsEqualGUID(format, wanted) && parseGuid(info.clsid, encoder)) {
            setLastStatus(Ok);
            return true;
        }
    }
    setLastStatus(UnknownImageFormat);
    return false;
}

bool Image::SaveToFile(std::string_view pathGbk, std::string_view formatGuid) const {
    CLSID encoder;
    if (!FindEncoder(formatGuid, encoder)) return false;
    std::wstring path = gbkToWide(pathGbk);
    return FLAT_OK(GdipSaveImageToFile, GetClassHandle(), path.c_str(), &encoder,
                   static_cast<const EncoderParameters*>(nullptr));
}

bool Image::SaveToBytes(std::string& bytes, std::string_view formatGuid) const {
    bytes.clear();
    CLSID encoder;
    if (!FindEncoder(formatGuid, encoder)) return false;
    ComRelease<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream.p))) {
        setLastStatus(OutOfMemory);
        return false;
    }
    if (!FLAT_OK(GdipSaveImageToStream, GetClassHandle(), stream.p, &encoder,
                 static_cast<const EncoderParameters*>(nullptr)))
        return false;
    // The block can be larger than what was written: the stream's own size counts.
    STATSTG stat = {};
    HGLOBAL block = nullptr;
    if (FAILED(stream.p->Stat(&stat, STATFLAG_NONAME)) || FAILED(GetHGlobalFromStream(stream.p, &block))) {
        setLastStatus(Win32Error);
        return false;
    }
    size_t size = size_t(stat.cbSize.QuadPart);
    if (size > GlobalSize(block)) size = GlobalSize(block);
    const char* data = static_cast<const char*>(GlobalLock(block));
    if (!data) {
        setLastStatus(Win32Error);
        return false;
    }
    bytes.assign(data, size);
    GlobalUnlock(block);
    return true;
}

bool Image::GetWidth(UINT& width) const {
    return FLAT_OK(GdipGetImageWidth, GetClassHandle(), &width);
}
bool Image::GetHeight(UINT& height) const {
    return FLAT_OK(GdipGetImageHeight, GetClassHandle(), &height);
}
bool Image::GetType(ImageType& type) const {
    return FLAT_OK(GdipGetImageType, GetClassHandle(), &type);
}

bool Image::GetPixelFormat(PixelFormat& format) const {
    return FLAT_OK(GdipGetImagePixelFormat, GetClassHandle(), &format);
}

bool Image::GetRawFormat(std::string& formatGuid) const {
    GUID format = {};
    if (!FLAT_OK(GdipGetImageRawFormat, GetClassHandle(), &format)) return false;
    formatGuid = guidText(format);
    return true;
}

bool Bitmap::CreateFromFile(std::string_view pathGbk) {
    GpBitmap* bitmap = nullptr;
    std::wstring path = gbkToWide(pathGbk);
    return adopt(FLAT(GdipCreateBitmapFromFile, path.c_str(), &bitmap), bitmap);
}

bool Bitmap::CreateFromBytes(std::string_view bytes) {
    ComRelease<IStream> stream{streamOverCopy(bytes)};
    if (!stream.p) {
        setLastStatus(bytes.empty() ? InvalidParameter : OutOfMemory);
        return adopt(lastStatus(), nullptr);
    }
    GpBitmap* bitmap = nullptr;
    return adopt(FLAT(GdipCreateBitmapFromStream, stream.p, &bitmap), bitmap);
}

bool Bitmap::CreateFromScan0(int width, int height, int stride, PixelFormat format, BYTE* scan0) {
    GpBitmap* bitmap = nullptr;
    return adopt(FLAT(GdipCreateBitmapFromScan0, width, height, stride, format, scan0, &bitmap), bitmap);
}

bool Bitmap::CreateFromGraphics(int width, int height, const Graphics& graphics) {
    GpBitmap* bitmap = nullptr;
    return adopt(FLAT(GdipCreateBitmapFromGraphics, width, height, graphics.GetClassHandle(), &bitmap), bitmap);
}

bool Bitmap::CreateFromHBITMAP(HBITMAP hbitmap, HPALETTE palette) {
    GpBitmap* bitmap = nullptr;
    return adopt(FLAT(GdipCreateBitmapFromHBITMAP, hbitmap, palette, &bitmap), bitmap);
}

bool Bitmap::CreateHBITMAP(HBITMAP& hbitmap, ARGB background) const {
    hbitmap = nullptr;
    return FLAT_OK(GdipCreateHBITMAPFromBitmap, GetDerivedHandle(), &hbitmap, background);
}

bool Bitmap::CloneArea(int x, int y, int width, int height, PixelFormat format, Bitmap& out) const {
    GpBitmap* clone = nullptr;
    return out.adopt(FLAT(GdipCloneBitmapAreaI, x, y, width, height, format, GetDerivedHandle(), &clone), clone);
}

bool Bitmap::GetPixel(int x, int y, ARGB& colour) const {
    return FLAT_OK(GdipBitmapGetPixel, GetDerivedHandle(), x, y, &colour);
}

bool Bitmap::SetPixel(int x, int y, ARGB colour) {
    return FLAT_OK(GdipBitmapSetPixel, GetDerivedHandle(), x, y, colour);
}

bool Bitmap::LockBits(const GpRect* rect, UINT flags, PixelFormat format, BitmapData& data) {
    return FLAT_OK(GdipBitmapLockBits, GetDerivedHandle(), rect, flags, format, &data);
}

bool Bitmap::UnlockBits(BitmapData& data) {
    return FLAT_OK(GdipBitmapUnlockBits, GetDerivedHandle(), &data);
}

bool Bitmap::SetResolution(float xdpi, float ydpi) {
    return FLAT_OK(GdipBitmapSetResolution, GetDerivedHandle(), xdpi, ydpi);
}

}  // namespace draw
