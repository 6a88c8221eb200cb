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
// Received cookies first, then old ones not received again; "=deleted" items dropped.
// Both arguments are left without spaces; the merged text is stored in `cookies` and returned.
std::string mergeCookies(std::string& cookies, std::string& received);
