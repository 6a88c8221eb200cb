#include <windows.h>

#include "http/encoding.h"

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

std::string utf8ToGbk(std::string_view utf8) {
    return fromWide(CP_GBK, toWide(CP_UTF8, utf8));
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
