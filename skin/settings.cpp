// Global skin settings: start-up, SetSkin with its picture modes and mean colour,
// SetControlSkinOptions, ToArgb and the built-in picture.
#include <algorithm>
#include <cmath>

#include "draw/draw.h"
#include "res/resource_ids.h"
#include "skin/engine.h"

DWORD ToArgb(COLORREF colour, std::optional<int> alpha) {
    DWORD a = alpha ? static_cast<DWORD>(std::clamp(*alpha, 0, 255)) : 255u;
    return (a << 24) | (static_cast<DWORD>(GetRValue(colour)) << 16) | (static_cast<DWORD>(GetGValue(colour)) << 8) |
           GetBValue(colour);
}

namespace skin {

Settings& settings() {
    static Settings value;
    return value;
}

namespace {

LRESULT CALLBACK ShadowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN: {
            // The shadow lets its owner be dragged when the owner allows it (captionItems aside,
            // a shadow exists only for windows that draw their caption).
            HWND owner = GetWindow(window, GW_OWNER);
            WindowRecord* record = owner ? recordOfWindow(owner) : nullptr;
            if (record && record->drawCaption) SendMessageA(owner, WM_NCLBUTTONDOWN, HTCAPTION, 0);
            return 0;
        }
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Picture bytes of a file re-encoded as PNG; empty when it cannot be decoded.
std::string loadFileAsPng(const std::string& path) {
    draw::Image image;
    if (!image.LoadFromFile(path)) return {};
    std::string bytes;
    if (!image.SaveToBytes(bytes, draw::PNG_FORMAT)) return {};
    return bytes;
}

COLORREF toColorref(DWORD argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

}  // namespace

DWORD meanColourOf(const std::string& picture) {
    draw::Bitmap bitmap;
    if (picture.empty() || !bitmap.CreateFromBytes(picture)) return 0;
    UINT width = 0, height = 0;
    if (!bitmap.GetWidth(width) || !bitmap.GetHeight(height) || !width || !height) return 0;
    // 2000 samples on a 50 x 40 grid of cell centres, so the whole picture is covered evenly.
    constexpr int COLUMNS = 50, ROWS = MEAN_SAMPLES / COLUMNS;
    unsigned long long r = 0, g = 0, b = 0;
    for (int row = 0; row < ROWS; ++row)
        for (int column = 0; column < COLUMNS; ++column) {
            int x = static_cast<int>((2ull * column + 1) * width / (2 * COLUMNS));
            int y = static_cast<int>((2ull * row + 1) * height / (2 * ROWS));
            draw::ARGB pixel = 0;
            bitmap.GetPixel(x, y, pixel);
            r += (pixel >> 16) & 0xFF;
            g += (pixel >> 8) & 0xFF;
            b += pixel & 0xFF;
        }
    return ToArgb(RGB(r / MEAN_SAMPLES, g / MEAN_SAMPLES, b / MEAN_SAMPLES), 255);
}

std::string composePicture(const std::string& picture, DWORD mainArgb) {
    // The picture washed into the main colour: the main colour underneath and the picture drawn
    // over it at 55 % opacity, so a busy picture becomes a calm background in the skin's colour.
    draw::Bitmap source;
    if (picture.empty() || !source.CreateFromBytes(picture)) return {};
    UINT width = 0, height = 0;
    source.GetWidth(width);
    source.GetHeight(height);
    if (!width || !height) return {};
    draw::Bitmap target;
    if (!target.CreateFromScan0(static_cast<int>(width), static_cast<int>(height))) return {};
    draw::BitmapData in{}, out{};
    draw::GpRect rect{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
    if (!source.LockBits(&rect, draw::ImageLockModeRead, draw::PixelFormat32bppARGB, in)) return {};
    if (!target.LockBits(&rect, draw::ImageLockModeWrite, draw::PixelFormat32bppARGB, out)) {
        source.UnlockBits(in);
        return {};
    }
    const unsigned mr = (mainArgb >> 16) & 0xFF, mg = (mainArgb >> 8) & 0xFF, mb = mainArgb & 0xFF;
    constexpr unsigned KEEP = 140;  // of 255: the picture's share
    for (UINT y = 0; y < height; ++y) {
        auto* src = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(in.Scan0) + y * in.Stride);
        auto* dst = reinterpret_cast<DWORD*>(static_cast<BYTE*>(out.Scan0) + y * out.Stride);
        for (UINT x = 0; x < width; ++x) {
            DWORD p = src[x];
            unsigned a = (p >> 24) * KEEP / 255;
            auto mix = [&](unsigned pc, unsigned mc) { return (pc * a + mc * (255 - a)) / 255; };
            dst[x] =
                0xFF000000u | (mix((p >> 16) & 0xFF, mr) << 16) | (mix((p >> 8) & 0xFF, mg) << 8) | mix(p & 0xFF, mb);
        }
    }
    source.UnlockBits(in);
    target.UnlockBits(out);
    std::string bytes;
    if (!target.SaveToBytes(bytes, draw::PNG_FORMAT)) return {};
    return bytes;
}

std::string preparePicture(const std::string& picture, DWORD mainArgb, int mode) {
    if (mode == 0 || mode == 1) return composePicture(picture, mainArgb);
    return picture;
}

}  // namespace skin

using namespace skin;

void SkinStartup() {
    Settings& s = settings();
    if (!s.started) {
        s.gdiplusToken = draw::startGdiplus();
        s.started = true;
    }
    HINSTANCE module = GetModuleHandleA(nullptr);
    s.icon = LoadIconA(module, MAKEINTRESOURCEA(IDI_QUORREL));
    if (!s.icon) s.icon = LoadIconA(module, "DEFAULT_ICON");
    s.skinImage.clear();
    s.mainColour = ToArgb(GetSysColor(COLOR_BTNFACE));
    s.mainColourSet = false;
    s.accentColour = DEFAULT_ACCENT;
    s.mode = 4;
    s.controlsOn = true;
    s.veilAlpha = DEFAULT_VEIL_ALPHA;
    s.veilOn = false;
    s.trackbarOption = true;

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = ShadowProc;
    wc.hInstance = module;
    wc.hIcon = s.icon;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(16);
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = "yinyWindow";
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (!GetClassInfoExA(module, "yinyWindow", &existing)) RegisterClassExA(&wc);
}

void SkinShutdown() {
    Settings& s = settings();
    releasePictureCache();
    if (s.started && s.gdiplusToken) draw::stopGdiplus(s.gdiplusToken);
    s.gdiplusToken = 0;
    s.started = false;
}

void SetSkin(const SkinSettings& in) {
    Settings& s = settings();
    std::string picture;
    if (!in.skinFile.empty()) {
        picture = loadFileAsPng(in.skinFile);
    } else {
        picture = in.skinImage;
    }
    bool hasPicture = !in.skinFile.empty() || !in.skinImage.empty();
    if (in.mainColour) {
        s.mainColour = ToArgb(*in.mainColour);
    } else if (hasPicture) {
        // An undecodable picture has no mean colour: fall back to the system face colour.
        DWORD mean = meanColourOf(picture);
        s.mainColour = mean ? mean : ToArgb(GetSysColor(COLOR_BTNFACE));
    } else {
        s.mainColour = ToArgb(GetSysColor(COLOR_BTNFACE));
    }
    s.mainColourSet = true;
    if (!in.accentColour) {
        s.accentColour = DEFAULT_ACCENT;
    } else if (*in.accentColour == ACCENT_FROM_MAIN) {
        s.accentColour = toColorref(s.mainColour);
    } else {
        s.accentColour = static_cast<COLORREF>(*in.accentColour & 0xFFFFFF);
    }
    s.mode = std::clamp(in.mode, 0, 4);
    s.skinImage = picture.empty() ? std::string() : preparePicture(picture, s.mainColour, s.mode);

    // Existing windows take the new skin at once.
    for (size_t i = 0; i < windowTable().size(); ++i) {
        WindowRecord& record = *windowTable()[i];
        if (!IsWindowVisible(record.handle)) {
            // A hidden window takes the new skin on its next paint instead of showing the old one.
            record.rebuildPending = true;
            continue;
        }
        RebuildWindowSkin(static_cast<int>(i + 1));
        InvalidateRect(record.handle, nullptr, FALSE);
        refreshChildren(record);
        for (ControlRecord& edit : record.tables[TABLE_EDITS]) repaintOverlays(edit);
    }
}

void SetControlSkinOptions(bool controlsOn, std::optional<int> veilAlpha, bool trackbarOption) {
    Settings& s = settings();
    s.controlsOn = controlsOn;
    s.veilAlpha = std::clamp(veilAlpha.value_or(DEFAULT_VEIL_ALPHA), 0, 255);
    s.veilOn = veilAlpha.has_value();
    s.trackbarOption = trackbarOption;
}

std::string BuiltInSkinPicture() {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(IDR_SKIN_PICTURE), reinterpret_cast<LPCSTR>(RT_RCDATA));
    if (!resource) return {};
    HGLOBAL loaded = LoadResource(module, resource);
    DWORD size = SizeofResource(module, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || !size) return {};
    return std::string(static_cast<const char*>(data), size);
}
