// Merging the cookies a server sent into the cookie text a caller keeps.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Name of one "name=value" item, trimmed; the whole item when it has no "=".
std::string cookieName(std::string_view item);
bool hasCookieNamed(const std::vector<std::string>& items, std::string_view name);
// 1-based index of the first item equal to `text`, or -1.
int indexOfText(const std::vector<std::string>& items, std::string_view text);
// The items of `text` split at `separator`, repeats dropped, joined again.
std::string joinUnique(std::string_view text, std::string_view separator);
// Browser limits: a cookie longer than MAX_COOKIE_BYTES is dropped, and no more than
// MAX_COOKIES cookies or MAX_COOKIE_TEXT bytes of them are kept, so a server that sends
// thousands cannot make every later request carry them.
inline constexpr size_t MAX_COOKIE_BYTES = 4096;
inline constexpr size_t MAX_COOKIES = 50;
inline constexpr size_t MAX_COOKIE_TEXT = 8192;

// Received cookies first, then old ones not received again; "=deleted" items dropped; then
// the limits above, keeping the first items. Both arguments are left without spaces; the
// merged text is stored in `cookies` and returned.
std::string mergeCookies(std::string& cookies, std::string& received);
