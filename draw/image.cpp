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

// Decodes picture bytes into `into` through a creating function that reads a stream.
template <class F>
bool makeFromBytes(Object& into, F entry, std::string_view bytes) {
    ComRelease<IStream> stream{streamOverCopy(bytes)};
    if (!stream.p) {
        setLastStatus(bytes.empty() ? InvalidParameter : OutOfMemory);
        return into.adopt(lastStatus(), nullptr);
    }
    return into.make(entry, stream.p);
}

}  // namespace

bool Image::LoadFromBytes(std::string_view bytes) {
    return makeFromBytes(*this, flatTable().GdipLoadImageFromStream, bytes);
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

bool Image::GetRawFormat(std::string& formatGuid) const {
    GUID format = {};
    if (!FLAT_OK(GdipGetImageRawFormat, GetClassHandle(), &format)) return false;
    formatGuid = guidText(format);
    return true;
}

bool Bitmap::CreateFromBytes(std::string_view bytes) {
    return makeFromBytes(*this, flatTable().GdipCreateBitmapFromStream, bytes);
}

bool Bitmap::CreateHBITMAP(HBITMAP& hbitmap, ARGB background) const {
    hbitmap = nullptr;
    return FLAT_OK(GdipCreateHBITMAPFromBitmap, GetDerivedHandle(), &hbitmap, background);
}

bool Bitmap::CreateFromGraphics(int width, int height, const Graphics& graphics) {
    return make(flatTable().GdipCreateBitmapFromGraphics, width, height, graphics.GetClassHandle());
}

}  // namespace draw
