#include "text/text.h"

#include <algorithm>

namespace {

char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool matchesAt(std::string_view text, size_t at, std::string_view what, bool ignoreCase) {
    if (text.size() - at < what.size()) return false;
    for (size_t i = 0; i < what.size(); ++i) {
        char a = text[at + i], b = what[i];
        if (ignoreCase ? foldAscii(a) != foldAscii(b) : a != b) return false;
    }
    return true;
}

// One character: two bytes from a lead byte, one otherwise, and never past the end. A lead
// byte with nothing after it (a text cut in the middle of a character, or a byte such as 0x80
// that stands alone in code page 936) is a character of its own.
size_t stepAt(std::string_view text, size_t at) {
    return isLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

bool isSpaceAt(std::string_view text, size_t at, size_t* width) {
    if (text[at] == ' ') {
        *width = 1;
        return true;
    }
    if (at + 1 < text.size() && static_cast<unsigned char>(text[at]) == 0xA1 &&
        static_cast<unsigned char>(text[at + 1]) == 0xA1) {
        *width = 2;
        return true;
    }
    return false;
}

}  // namespace

int findText(std::string_view text, std::string_view what, int start, bool ignoreCase) {
    size_t at = start > 1 ? size_t(start - 1) : 0;
    if (at >= text.size()) return -1;
    if (what.empty()) return int(at) + 1;
    while (at < text.size()) {
        if (matchesAt(text, at, what, ignoreCase)) return int(at) + 1;
        at += stepAt(text, at);
    }
    return -1;
}

int findTextLast(std::string_view text, std::string_view what) {
    int last = -1;
    for (size_t at = 0; at < text.size(); at += stepAt(text, at)) {
        if (matchesAt(text, at, what, false)) last = int(at) + 1;
    }
    return last;
}

std::string leftBytes(std::string_view text, int n) {
    if (n <= 0) return {};
    return std::string(text.substr(0, std::min<size_t>(size_t(n), text.size())));
}

std::string rightBytes(std::string_view text, int n) {
    if (n <= 0) return {};
    size_t k = std::min<size_t>(size_t(n), text.size());
    return std::string(text.substr(text.size() - k));
}

std::string midBytes(std::string_view text, int pos, int len) {
    if (pos < 1 || size_t(pos) > text.size() || len <= 0) return {};
    return std::string(text.substr(size_t(pos - 1), size_t(len)));
}

std::string trimSpaces(std::string_view text) {
    size_t begin = 0, width = 0;
    while (begin < text.size() && isSpaceAt(text, begin, &width)) begin += width;
    // Trailing spaces: walk forward so a trail byte 0xA1 is never mistaken for half a space.
    size_t end = begin, at = begin;
    while (at < text.size()) {
        if (isSpaceAt(text, at, &width)) {
            at += width;
        } else {
            at += stepAt(text, at);
            end = at;
        }
    }
    return std::string(text.substr(begin, end - begin));
}

std::string removeSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t at = 0, width = 0;
    while (at < text.size()) {
        if (isSpaceAt(text, at, &width)) {
            at += width;
            continue;
        }
        size_t step = stepAt(text, at);
        out.append(text.substr(at, step));
        at += step;
    }
    return out;
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    size_t at = 0;
    for (size_t hit; (hit = text.find(from, at)) != std::string_view::npos; at = hit + from.size()) {
        out.append(text.substr(at, hit - at)).append(to);
    }
    out.append(text.substr(at));
    return out;
}

std::string textBetween(std::string_view text, std::string_view left, std::string_view right, int start,
                        bool caseSensitive) {
    const std::string l = replaceAll(left, QUOTE_MARKER, "\"");
    const std::string r = replaceAll(right, QUOTE_MARKER, "\"");
    int p1 = findText(text, l, start, !caseSensitive);
    if (p1 == -1) return {};
    p1 += int(l.size());
    int p2 = findText(text, r, p1, !caseSensitive);
    if (p2 == -1) return {};
    return midBytes(text, p1, p2 - p1);
}

std::string valueAfterColon(std::string_view text) {
    int p = findText(text, ":");
    if (p == -1) return {};
    return trimSpaces(rightBytes(text, int(text.size()) - p));
}

std::vector<std::string> splitText(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    if (text.empty()) return pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    size_t pieceStart = 0, at = 0;
    while (text.size() - at >= separator.size()) {
        if (text.compare(at, separator.size(), separator) == 0) {
            pieces.emplace_back(text.substr(pieceStart, at - pieceStart));
            at += separator.size();
            pieceStart = at;
        } else {
            at += stepAt(text, at);
        }
    }
    if (pieceStart < text.size()) pieces.emplace_back(text.substr(pieceStart));
    return pieces;
}

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); i += stepAt(out, i)) out[i] = foldAscii(out[i]);
    return out;
}

std::string utf8Of(uint32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += char(cp);
    } else if (cp < 0x800) {
        s += char(0xC0 | (cp >> 6));
        s += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += char(0xE0 | (cp >> 12));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    } else {
        s += char(0xF0 | (cp >> 18));
        s += char(0x80 | ((cp >> 12) & 0x3F));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    }
    return s;
}

std::string attributeValue(std::string_view attributes, std::string_view name, bool upToTagEnd) {
    const std::string_view a = attributes;
    auto ends = [&](size_t i) { return i >= a.size() || (upToTagEnd && a[i] == '>'); };
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; };
    size_t i = 0;
    while (!ends(i)) {
        while (!ends(i) && (blank(a[i]) || a[i] == '/')) ++i;
        const size_t nameStart = i;
        while (!ends(i) && !blank(a[i]) && a[i] != '=' && a[i] != '/') ++i;
        const std::string_view attribute = a.substr(nameStart, i - nameStart);
        while (!ends(i) && blank(a[i])) ++i;
        std::string_view value;
        if (!ends(i) && a[i] == '=') {
            ++i;
            while (!ends(i) && blank(a[i])) ++i;
            if (!ends(i) && (a[i] == '"' || a[i] == '\'')) {
                const char quote = a[i++];
                size_t close = a.find(quote, i);
                if (close == std::string_view::npos) close = a.size();
                value = a.substr(i, close - i);
                i = std::min(close + 1, a.size());
            } else {
                const size_t start = i;
                while (!ends(i) && !blank(a[i])) ++i;
                value = a.substr(start, i - start);
            }
        }
        if (!attribute.empty() && asciiLower(attribute) == asciiLower(name)) return std::string(value);
        if (attribute.empty() && !ends(i)) ++i;  // a stray "=" or quote
    }
    return {};
}

std::string percentEncode(std::string_view bytes, std::string_view keep) {
    static const char HEX[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           (c != 0 && keep.find(char(c)) != std::string_view::npos);
        if (plain) {
            out += char(c);
        } else {
            out += '%';
            out += HEX[c >> 4];
            out += HEX[c & 0xF];
        }
    }
    return out;
}

std::string base64UrlDecode(std::string_view text) {
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '-' || c == '+') return 62;
        if (c == '_' || c == '/') return 63;
        return -1;
    };
    while (!text.empty() && text.back() == '=') text.remove_suffix(1);
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        int v = value(c);
        if (v < 0) return {};
        bits = (bits << 6) | uint32_t(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += char((bits >> count) & 0xFF);
        }
    }
    return out;
}
