// The host build's converters (sanitizer and fuzzing builds of the core), on iconv.
#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "text/encoding.h"

namespace {
std::string convert(const char* to, const char* from, const char* data, size_t size) {
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1)) return {};
    std::string out;
    char buffer[4096];
    char* in = const_cast<char*>(data);
    size_t left = size;
    while (left > 0) {
        char* dst = buffer;
        size_t room = sizeof buffer;
        size_t rc = iconv(cd, &in, &left, &dst, &room);
        out.append(buffer, size_t(dst - buffer));
        if (rc == size_t(-1) && errno != E2BIG) {
            // Unconvertible or broken input: emit a "?" and go on, as the platform converter does.
            out += '?';
            ++in;
            --left;
        }
    }
    iconv_close(cd);
    return out;
}
}  // namespace

std::string utf8ToGbk(std::string_view utf8) {
    return convert("CP936", "UTF-8", utf8.data(), utf8.size());
}
void utf8ToGbkInPlace(std::string& text) {
    text = utf8ToGbk(text);
}
std::string gbkToUtf8(std::string_view gbk) {
    return convert("UTF-8", "CP936", gbk.data(), gbk.size());
}

std::wstring gbkToWide(std::string_view gbk) {
    std::string u = convert("UTF-32LE", "CP936", gbk.data(), gbk.size());
    std::wstring out;
    for (size_t i = 0; i + 4 <= u.size(); i += 4) {
        char32_t c;
        std::memcpy(&c, u.data() + i, 4);
        out += wchar_t(c);
    }
    return out;
}

std::string wideToGbk(std::wstring_view wide) {
    std::u32string u(wide.begin(), wide.end());
    return convert("CP936", "UTF-32LE", reinterpret_cast<const char*>(u.data()), u.size() * 4);
}
