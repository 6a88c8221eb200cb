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

bool FontFamily::CreateGenericSansSerif() {
    GpFontFamily* family = nullptr;
    return adopt(FLAT(GdipGetGenericFontFamilySansSerif, &family), family);
}

bool FontFamily::CreateGenericSerif() {
    GpFontFamily* family = nullptr;
    return adopt(FLAT(GdipGetGenericFontFamilySerif, &family), family);
}

bool FontFamily::CreateGenericMonospace() {
    GpFontFamily* family = nullptr;
    return adopt(FLAT(GdipGetGenericFontFamilyMonospace, &family), family);
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

bool FontFamily::Clone(FontFamily& out) const {
    GpFontFamily* clone = nullptr;
    return out.adopt(FLAT(GdipCloneFontFamily, GetClassHandle(), &clone), clone);
}

bool FontFamily::GetFamilyName(std::string& nameGbk, LANGID language) const {
    WCHAR name[LF_FACESIZE + 1] = {};
    if (!FLAT_OK(GdipGetFamilyName, static_cast<const GpFontFamily*>(GetClassHandle()), name, language)) return false;
    nameGbk = wideToGbk(name);
    return true;
}

bool FontFamily::IsStyleAvailable(int style, bool& available) const {
    BOOL result = FALSE;
    bool ok = FLAT_OK(GdipIsStyleAvailable, static_cast<const GpFontFamily*>(GetClassHandle()), style, &result);
    available = ok && result;
    return ok;
}

bool FontFamily::GetEmHeight(int style, UINT16& height) const {
    return FLAT_OK(GdipGetEmHeight, static_cast<const GpFontFamily*>(GetClassHandle()), style, &height);
}

bool FontFamily::GetCellAscent(int style, UINT16& ascent) const {
    return FLAT_OK(GdipGetCellAscent, static_cast<const GpFontFamily*>(GetClassHandle()), style, &ascent);
}

bool FontFamily::GetCellDescent(int style, UINT16& descent) const {
    return FLAT_OK(GdipGetCellDescent, static_cast<const GpFontFamily*>(GetClassHandle()), style, &descent);
}

bool FontFamily::GetLineSpacing(int style, UINT16& spacing) const {
    return FLAT_OK(GdipGetLineSpacing, static_cast<const GpFontFamily*>(GetClassHandle()), style, &spacing);
}

bool Font::CreateFromFamily(const FontFamily& family, float emSize, int style, Unit unit) {
    GpFont* font = nullptr;
    return adopt(
        FLAT(GdipCreateFont, static_cast<const GpFontFamily*>(family.GetClassHandle()), emSize, style, unit, &font),
        font);
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

bool Font::CreateFromDC(HDC hdc) {
    GpFont* font = nullptr;
    return adopt(FLAT(GdipCreateFontFromDC, hdc, &font), font);
}

bool Font::CreateFromLogfontW(HDC hdc, const LOGFONTW& logfont) {
    GpFont* font = nullptr;
    return adopt(FLAT(GdipCreateFontFromLogfontW, hdc, &logfont, &font), font);
}

bool Font::Clone(Font& out) const {
    GpFont* clone = nullptr;
    return out.adopt(FLAT(GdipCloneFont, GetClassHandle(), &clone), clone);
}

bool Font::GetLogFontW(const Graphics& graphics, LOGFONTW& logfont) const {
    return FLAT_OK(GdipGetLogFontW, GetClassHandle(), graphics.GetClassHandle(), &logfont);
}

bool Font::GetFamily(FontFamily& family) const {
    GpFontFamily* result = nullptr;
    return family.adopt(FLAT(GdipGetFamily, GetClassHandle(), &result), result);
}

bool Font::GetStyle(int& style) const {
    INT value = 0;
    bool ok = FLAT_OK(GdipGetFontStyle, GetClassHandle(), &value);
    style = value;
    return ok;
}

bool Font::GetSize(float& size) const {
    return FLAT_OK(GdipGetFontSize, GetClassHandle(), &size);
}

bool Font::GetUnit(Unit& unit) const {
    return FLAT_OK(GdipGetFontUnit, GetClassHandle(), &unit);
}

bool Font::GetHeight(const Graphics& graphics, float& height) const {
    return FLAT_OK(GdipGetFontHeight, static_cast<const GpFont*>(GetClassHandle()),
                   static_cast<const GpGraphics*>(graphics.GetClassHandle()), &height);
}

bool StringFormat::Create(int flags, LANGID language) {
    GpStringFormat* format = nullptr;
    return adopt(FLAT(GdipCreateStringFormat, flags, language, &format), format);
}

bool StringFormat::CreateGenericDefault() {
    GpStringFormat* shared = nullptr;
    GpStringFormat* format = nullptr;
    if (FLAT(GdipStringFormatGetGenericDefault, &shared) != Ok) return adopt(lastStatus(), nullptr);
    return adopt(FLAT(GdipCloneStringFormat, static_cast<const GpStringFormat*>(shared), &format), format);
}

bool StringFormat::CreateGenericTypographic() {
    GpStringFormat* shared = nullptr;
    GpStringFormat* format = nullptr;
    if (FLAT(GdipStringFormatGetGenericTypographic, &shared) != Ok) return adopt(lastStatus(), nullptr);
    return adopt(FLAT(GdipCloneStringFormat, static_cast<const GpStringFormat*>(shared), &format), format);
}

bool StringFormat::Clone(StringFormat& out) const {
    GpStringFormat* clone = nullptr;
    return out.adopt(FLAT(GdipCloneStringFormat, static_cast<const GpStringFormat*>(GetClassHandle()), &clone), clone);
}

bool StringFormat::SetFlags(int flags) {
    return FLAT_OK(GdipSetStringFormatFlags, GetClassHandle(), flags);
}

bool StringFormat::GetFlags(int& flags) const {
    INT value = 0;
    bool ok = FLAT_OK(GdipGetStringFormatFlags, static_cast<const GpStringFormat*>(GetClassHandle()), &value);
    flags = value;
    return ok;
}

bool StringFormat::SetAlignment(StringAlignment align) {
    return FLAT_OK(GdipSetStringFormatAlign, GetClassHandle(), align);
}

bool StringFormat::GetAlignment(StringAlignment& align) const {
    return FLAT_OK(GdipGetStringFormatAlign, static_cast<const GpStringFormat*>(GetClassHandle()), &align);
}

bool StringFormat::SetLineAlignment(StringAlignment align) {
    return FLAT_OK(GdipSetStringFormatLineAlign, GetClassHandle(), align);
}

bool StringFormat::GetLineAlignment(StringAlignment& align) const {
    return FLAT_OK(GdipGetStringFormatLineAlign, static_cast<const GpStringFormat*>(GetClassHandle()), &align);
}

bool StringFormat::SetTrimming(StringTrimming trimming) {
    return FLAT_OK(GdipSetStringFormatTrimming, GetClassHandle(), trimming);
}

bool StringFormat::SetHotkeyPrefix(HotkeyPrefix prefix) {
    return FLAT_OK(GdipSetStringFormatHotkeyPrefix, GetClassHandle(), int(prefix));
}

}  // namespace draw
