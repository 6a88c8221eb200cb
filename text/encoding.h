// Conversions between the program's GBK texts, UTF-8 and UTF-16. Always code page 936
// explicitly, never the system's ANSI code page, so every locale behaves the same. Ground floor:
// encoding_win.cpp uses the platform, encoding_iconv.cpp (the native build) iconv.
#pragma once
#include <string>
#include <string_view>

// UTF-8 page text (already cut at its first zero byte) to GBK. Characters GBK lacks come out
// as the converter's default replacement.
std::string utf8ToGbk(std::string_view utf8);
// The same conversion over the text itself, a slice at a time, so a large page is never held
// twice (nor as UTF-16 whole) while it is converted.
void utf8ToGbkInPlace(std::string& text);
// GBK text to UTF-8 bytes.
std::string gbkToUtf8(std::string_view gbk);
// GBK to UTF-16 and back, for the W entry points.
std::wstring gbkToWide(std::string_view gbk);
std::string wideToGbk(std::wstring_view wide);
