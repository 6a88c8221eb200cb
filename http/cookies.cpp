#include "http/cookies.h"

#include "text/text.h"

std::string cookieName(std::string_view item) {
    int p = findText(item, "=");
    return trimSpaces(p == -1 ? std::string(item) : leftBytes(item, p - 1));
}

bool hasCookieNamed(const std::vector<std::string>& items, std::string_view name) {
    for (const auto& item : items) {
        if (cookieName(item) == name) return true;
    }
    return false;
}

int indexOfText(const std::vector<std::string>& items, std::string_view text) {
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == text) return int(i) + 1;
    }
    return -1;
}

namespace {
// Joins items, each followed by the separator, then drops the final separator.
std::string joinDroppingLast(const std::vector<std::string>& items, std::string_view separator) {
    std::string out;
    for (const auto& item : items) out.append(item).append(separator);
    out.resize(out.size() >= separator.size() ? out.size() - separator.size() : 0);
    return out;
}
}  // namespace

std::string joinUnique(std::string_view text, std::string_view separator) {
    std::vector<std::string> taken;
    for (auto& item : splitText(text, separator)) {
        if (indexOfText(taken, item) == -1) taken.push_back(std::move(item));
    }
    return joinDroppingLast(taken, separator);
}

std::string mergeCookies(std::string& cookies, std::string& received) {
    cookies = removeSpaces(cookies);
    received = removeSpaces(received);
    std::vector<std::string> old = splitText(cookies, ";");
    std::vector<std::string> merged = splitText(received, ";");
    for (const auto& item : old) {
        // `merged` grows as we go, so of several old items with one name only the first stays.
        if (!hasCookieNamed(merged, cookieName(item))) merged.push_back(item);
    }
    std::vector<std::string> kept;
    size_t textBytes = 0;
    for (auto& item : merged) {
        if (rightBytes(item, 8) == "=deleted" || item.size() > MAX_COOKIE_BYTES) continue;
        if (indexOfText(kept, item) != -1) continue;
        if (kept.size() == MAX_COOKIES || textBytes + item.size() + 2 > MAX_COOKIE_TEXT) break;
        textBytes += item.size() + 2;
        kept.push_back(std::move(item));
    }
    cookies = joinDroppingLast(kept, "; ");
    return cookies;
}
