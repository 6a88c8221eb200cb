#include <windows.h>

#include "text/encoding.h"
#include "search/site_host.h"

std::optional<std::string> siteHostFromText(std::string_view text) {
    std::string core = siteHostCore(text);
    bool ascii = true;
    for (char c : core) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return asciiSiteHost(core);
    std::wstring wide = gbkToWide(core);
    if (wide.empty()) return std::nullopt;
    // The result is checked as an ASCII host afterwards.
    int n = IdnToAscii(0, wide.c_str(), int(wide.size()), nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring punycode(size_t(n), L'\0');
    if (IdnToAscii(0, wide.c_str(), int(wide.size()), punycode.data(), n) != n)
        return std::nullopt;
    std::string ascii8;
    for (wchar_t c : punycode) {
        if (c >= 0x80) return std::nullopt;
        ascii8 += char(c);
    }
    return asciiSiteHost(ascii8);
}
