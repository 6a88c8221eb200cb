#include <windows.h>

#include "text/encoding.h"

#include <algorithm>

namespace {
constexpr UINT CP_GBK = 936;

std::wstring toWide(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), out.data(), n);
    return out;
}

std::string fromWide(UINT codePage, std::wstring_view text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    if (n > 0) WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}
}  // namespace

namespace {
constexpr size_t SLICE_BYTES = 64 * 1024;

// Where a slice of UTF-8 that should end near `end` may end: never inside a character, so
// every slice converts exactly as the whole text would.
size_t sliceEnd(const std::string& text, size_t end) {
    if (end >= text.size()) return text.size();
    size_t back = end;
    for (int steps = 0; steps < 3 && back > 0 && (static_cast<unsigned char>(text[back]) & 0xC0) == 0x80; ++steps)
        --back;
    return (static_cast<unsigned char>(text[back]) & 0xC0) == 0x80 ? end : back;
}
}  // namespace

std::string utf8ToGbk(std::string_view utf8) {
    std::string text(utf8);
    utf8ToGbkInPlace(text);
    return text;
}

// GBK never needs more bytes than the UTF-8 it came from (one for ASCII, two for a character
// of two or three UTF-8 bytes, one "?" for anything GBK lacks), so each slice's GBK is written
// over bytes already read.
void utf8ToGbkInPlace(std::string& text) {
    size_t read = 0, written = 0;
    while (read < text.size()) {
        size_t end = sliceEnd(text, read + SLICE_BYTES);
        if (end <= read) end = std::min(text.size(), read + SLICE_BYTES);
        std::string gbk = fromWide(CP_GBK, toWide(CP_UTF8, std::string_view(text).substr(read, end - read)));
        if (written + gbk.size() > end) {
            // Not expected with any converter we know; keep the result right all the same.
            std::string rest = utf8ToGbk(std::string_view(text).substr(end));
            text.resize(written);
            text += gbk;
            text += rest;
            return;
        }
        text.replace(written, gbk.size(), gbk);
        written += gbk.size();
        read = end;
    }
    text.resize(written);
}
std::string gbkToUtf8(std::string_view gbk) {
    return fromWide(CP_UTF8, toWide(CP_GBK, gbk));
}
std::wstring gbkToWide(std::string_view gbk) {
    return toWide(CP_GBK, gbk);
}
std::string wideToGbk(std::wstring_view wide) {
    return fromWide(CP_GBK, wide);
}
