#include "app/extra_sites.h"

#include <cstdint>

#include "text/encoding.h"
#include "text/text.h"
#include "search/services.h"

namespace {
constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

constexpr std::string_view UTF16LE_BOM = "\xFF\xFE";
constexpr std::string_view UTF16BE_BOM = "\xFE\xFF";

// UTF-16 after its byte-order mark, up to the first zero unit, as UTF-8. A lone surrogate
// becomes U+FFFD and an odd last byte is dropped.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    auto unitAt = [&](size_t i) -> uint32_t {
        auto b0 = static_cast<unsigned char>(bytes[i]), b1 = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
    };
    std::string out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        uint32_t unit = unitAt(i);
        if (unit == 0) break;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            uint32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out += utf8Of(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        out += utf8Of(unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
    }
    return out;
}

bool hasHighByte(std::string_view bytes) {
    for (unsigned char c : bytes)
        if (c >= 0x80) return true;
    return false;
}
}  // namespace

bool isUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        size_t more;
        unsigned char low = 0x80, high = 0xBF;  // allowed range of the first continuation byte
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0) low = 0xA0;   // overlong
            if (c == 0xED) high = 0x9F;  // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0) low = 0x90;   // overlong
            if (c == 0xF4) high = 0x8F;  // above U+10FFFF
        } else {
            return false;
        }
        if (bytes.size() - i - 1 < more) return false;
        for (size_t k = 1; k <= more; ++k) {
            unsigned char next = static_cast<unsigned char>(bytes[i + k]);
            if (k == 1 ? (next < low || next > high) : (next < 0x80 || next > 0xBF)) return false;
        }
        i += more + 1;
    }
    return true;
}

std::string extraSitesFromBytes(std::string_view bytes) {
    // Notepad's "Unicode" and "Unicode big endian": zero bytes are part of every ASCII character.
    if (bytes.substr(0, 2) == UTF16LE_BOM) return utf8ToGbk(utf16ToUtf8(bytes.substr(2), false));
    if (bytes.substr(0, 2) == UTF16BE_BOM) return utf8ToGbk(utf16ToUtf8(bytes.substr(2), true));
    std::string_view text = bytes.substr(0, bytes.find('\0'));
    if (text.substr(0, UTF8_BOM.size()) == UTF8_BOM) return utf8ToGbk(text.substr(UTF8_BOM.size()));
    if (hasHighByte(text) && isUtf8(text)) return utf8ToGbk(text);
    return std::string(text);
}

ExtraSitesCheck checkExtraSites(std::string_view text) {
    if (text.empty()) return ExtraSitesCheck::Empty;
    if (text.back() == ';') return ExtraSitesCheck::EndsWithSemicolon;
    return ExtraSitesCheck::Ok;
}

std::string settingsHelpText() {
    const std::string host = ServiceTable[0].host;
    std::string text = "只需写入网址 如：百度网盘的首页地址是：" + host + " 在编辑框里面就是";
    text += "\r\n\r\n" + host;
    text += "\r\n\r\n支持多个网址 每个网址之间请用英文分号隔开";
    text += "\r\n\r\n如：" + host + ";" + HELP_SECOND_EXAMPLE_HOST;
    return text;
}
