// FontFamily, Font and StringFormat.
#include <cmath>

#include "draw/flat_call.h"
#include "text/encoding.h"

namespace draw {

bool FontFamily::CreateFromName(std::string_view nameGbk) {
    GpFontFamily* family = nullptr;
    std::wstring name = gbkToWide(nameGbk);
    return adopt(FLAT(GdipCreateFontFamilyFromName, name.c_str(), static_cast<GpFontCollection*>(nullptr), &family),
                 family);
}

bool FontFamily::CreateFromNameOrSansSerif(std::string_view nameGbk) {
    if (!nameGbk.empty() && CreateFromName(nameGbk)) return true;
    if (CreateGenericSansSerif()) return true;
    LOGFONTW logfont = {};
    if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof logfont, &logfont) != 0) {
        Font gui;
        HDC screen = GetDC(nullptr);
        bool made = gui.CreateFromLogfontW(screen, logfont);
        ReleaseDC(nullptr, screen);
        if (made && gui.GetFamily(*this)) return true;
    }
    return CreateFirstInstalled();
}

bool FontFamily::CreateFirstInstalled() {
    // The installed collection belongs to GDI+; only the clone is ours.
    GpFontCollection* installed = nullptr;
    GpFontFamily* first = nullptr;
    INT found = 0;
    if (FLAT(GdipNewInstalledFontCollection, &installed) != Ok ||
        FLAT(GdipGetFontCollectionFamilyList, installed, 1, &first, &found) != Ok)
        return adopt(lastStatus(), nullptr);
    if (found < 1 || !first) {
        setLastStatus(FontFamilyNotFound);
        return adopt(FontFamilyNotFound, nullptr);
    }
    GpFontFamily* clone = nullptr;
    return adopt(FLAT(GdipCloneFontFamily, first, &clone), clone);
}

bool FontFamily::GetFamilyName(std::string& nameGbk, LANGID language) const {
    WCHAR name[LF_FACESIZE + 1] = {};
    if (!FLAT_OK(GdipGetFamilyName, static_cast<const GpFontFamily*>(GetClassHandle()), name, language)) return false;
    nameGbk = wideToGbk(name);
    return true;
}

bool Font::CreateFromName(std::string_view familyGbk, float emSize, int style, Unit unit) {
    FontFamily family;
    if (!family.CreateFromName(familyGbk)) {
        adopt(lastStatus(), nullptr);
        return false;
    }
    return CreateFromFamily(family, emSize, style, unit);
}

bool Font::CreateFromNameOrSansSerif(std::string_view familyGbk, float emSize, int style, Unit unit) {
    FontFamily family;
    if (!family.CreateFromNameOrSansSerif(familyGbk)) {
        adopt(lastStatus(), nullptr);
        return false;
    }
    if (CreateFromFamily(family, emSize, style, unit)) return true;
    // The family exists but lacks the style (a regular-only face asked for bold): plain is better than nothing.
    return style != FontStyleRegular && CreateFromFamily(family, emSize, FontStyleRegular, unit);
}

bool Font::CreateDefaultGui() {
    LOGFONTW logfont = {};
    if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof logfont, &logfont) == 0) {
        adopt(Win32Error, nullptr);
        setLastStatus(Win32Error);
        return false;
    }
    HDC screen = GetDC(nullptr);
    bool ok = CreateFromLogfontW(screen, logfont);
    ReleaseDC(nullptr, screen);
    if (ok) return true;
    // Its face may be missing here; keep the size with a family that exists.
    float pixels = float(std::abs(logfont.lfHeight ? logfont.lfHeight : 12));
    FontFamily family;
    if (!family.CreateGenericSansSerif() && !family.CreateFirstInstalled()) return adopt(lastStatus(), nullptr);
    return CreateFromFamily(family, pixels, FontStyleRegular, Unit::Pixel);
}

bool StringFormat::CreateGenericDefault() {
    return createCopyOf(flatTable().GdipStringFormatGetGenericDefault);
}

bool StringFormat::CreateGenericTypographic() {
    return createCopyOf(flatTable().GdipStringFormatGetGenericTypographic);
}

bool StringFormat::createCopyOf(GpStatus(QUORREL_GDIP_API* getShared)(GpStringFormat**)) {
    GpStringFormat* shared = nullptr;
    if (detail::call(getShared, &shared) != Ok) return adopt(lastStatus(), nullptr);
    return make(flatTable().GdipCloneStringFormat, shared);
}

bool Font::GetLogFontW(const Graphics& graphics, LOGFONTW& logfont) const {
    return on(flatTable().GdipGetLogFontW, graphics.GetClassHandle(), &logfont);
}

bool Font::GetHeight(const Graphics& graphics, float& height) const {
    return on(flatTable().GdipGetFontHeight, static_cast<const GpGraphics*>(graphics.GetClassHandle()), &height);
}

}  // namespace draw
