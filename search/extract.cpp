#include "search/extract.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "text/encoding.h"
#include "text/text.h"
#include "search/query.h"
#include "search/worker.h"

namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The named references result pages use; the rest are rare enough to stay as written.
struct NamedReference {
    const char* name;
    uint32_t codePoint;
};
constexpr NamedReference NAMED[] = {
    {"amp", '&'},      {"lt", '<'},         {"gt", '>'},         {"quot", '"'},       {"apos", '\''},
    {"nbsp", 0xA0},    {"ensp", 0x2002},    {"emsp", 0x2003},    {"thinsp", 0x2009},  {"middot", 0xB7},
    {"hellip", 0x2026}, {"mdash", 0x2014},  {"ndash", 0x2013},   {"laquo", 0xAB},     {"raquo", 0xBB},
    {"ldquo", 0x201C}, {"rdquo", 0x201D},   {"lsquo", 0x2018},   {"rsquo", 0x2019},   {"copy", 0xA9},
    {"reg", 0xAE},     {"trade", 0x2122},   {"times", 0xD7},     {"bull", 0x2022},
};

// The code point of the reference starting at text[i] ("&"), and its length; 0 when none.
size_t readReference(std::string_view text, size_t i, uint32_t* codePoint) {
    size_t semi = text.find(';', i);
    if (semi == std::string_view::npos || semi - i > 12 || semi == i + 1) return 0;
    std::string_view body = text.substr(i + 1, semi - i - 1);
    if (body[0] == '#') {
        bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
        std::string_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty()) return 0;
        uint32_t value = 0;
        for (char c : digits) {
            int d = hex ? hexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
            if (d < 0) return 0;
            value = value * (hex ? 16 : 10) + uint32_t(d);
            if (value > 0x10FFFF) return 0;
        }
        if (value == 0 || (value >= 0xD800 && value <= 0xDFFF)) value = 0xFFFD;
        *codePoint = value;
        return semi - i + 1;
    }
    for (const NamedReference& named : NAMED) {
        if (body == named.name) {
            *codePoint = named.codePoint;
            return semi - i + 1;
        }
    }
    return 0;
}

// Steps one character: two bytes for a GBK lead byte followed by a trail byte, else one.
size_t charLength(std::string_view text, size_t i) {
    return (isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
}

}  // namespace

size_t findNoCase(std::string_view text, std::string_view what, size_t from) {
    if (what.empty()) return from <= text.size() ? from : std::string_view::npos;
    const char first = lowerAscii(what[0]);
    for (size_t i = from; i + what.size() <= text.size(); i += charLength(text, i)) {
        if (lowerAscii(text[i]) != first) continue;
        size_t k = 1;
        while (k < what.size() && lowerAscii(text[i + k]) == lowerAscii(what[k])) ++k;
        if (k == what.size()) return i;
    }
    return std::string_view::npos;
}

std::string classicMiddle() {
    // The pattern is href="(.*?)" MIDDLE (.*?)</a></h3><div; the middle starts at the quote
    // that closes the address.
    std::string_view pattern = RESULT_PATTERN;
    size_t first = pattern.find("(.*?)");
    size_t second = pattern.find("(.*?)", first + 5);
    return std::string(pattern.substr(first + 5, second - first - 5));
}

std::vector<TextRange> classicCandidates(std::string_view page) {
    static const std::string middle = classicMiddle();
    static const std::string closing = [] {
        std::string_view pattern = RESULT_PATTERN;
        return std::string(pattern.substr(pattern.rfind("(.*?)") + 5));
    }();
    std::vector<TextRange> candidates;
    for (size_t at = findNoCase(page, middle); at != std::string_view::npos; at = findNoCase(page, middle, at + 1)) {
        const char* breaks = "\n";
        size_t lineBreak = at == 0 ? std::string_view::npos : page.find_last_of(breaks, at - 1);
        size_t lineStart = lineBreak == std::string_view::npos ? 0 : lineBreak + 1;
        size_t titleStart = at + middle.size();
        size_t titleEnd = std::min(page.find_first_of(breaks, titleStart), page.size());
        size_t close = findNoCase(page.substr(0, titleEnd), closing, titleStart);
        if (close == std::string_view::npos) continue;
        if (findNoCase(page.substr(lineStart, at - lineStart), "href=\"") == std::string_view::npos) continue;
        candidates.push_back({lineStart, titleEnd});
    }
    return candidates;
}

std::vector<TextRange> resultBlocks(std::string_view page, std::string_view markers, size_t cap) {
    std::vector<size_t> starts;
    for (const std::string& marker : splitText(markers, "|")) {
        if (marker.empty()) continue;
        for (size_t at = findNoCase(page, marker); at != std::string_view::npos;
             at = findNoCase(page, marker, at + marker.size())) {
            // The block opens at the tag holding the marker, so attributes written before the
            // marker (an address in front of the class) belong to it.
            size_t open = page.rfind('<', at);
            size_t close = open == std::string_view::npos ? std::string_view::npos : page.find('>', open);
            starts.push_back(open != std::string_view::npos && close != std::string_view::npos && close >= at ? open
                                                                                                              : at);
        }
    }
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    std::vector<TextRange> blocks;
    for (size_t i = 0; i < starts.size(); ++i) {
        size_t end = i + 1 < starts.size() ? starts[i + 1] : page.size();
        blocks.push_back({starts[i], std::min(end, starts[i] + cap)});
    }
    return blocks;
}

std::vector<TextRange> anchorWindows(std::string_view page, std::string_view anchor, size_t before, size_t after) {
    std::vector<TextRange> windows;
    if (anchor.empty()) return windows;
    for (size_t at = findNoCase(page, anchor); at != std::string_view::npos;
         at = findNoCase(page, anchor, at + anchor.size())) {
        TextRange window{at > before ? at - before : 0, std::min(page.size(), at + anchor.size() + after)};
        // Overlapping windows are merged, so a page full of anchors costs no more than its size.
        if (!windows.empty() && window.begin <= windows.back().end) {
            windows.back().end = window.end;
        } else {
            windows.push_back(window);
        }
    }
    return windows;
}

std::string decodeReferences(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        uint32_t codePoint = 0;
        size_t length = text[i] == '&' ? readReference(text, i, &codePoint) : 0;
        if (length == 0) {
            size_t n = charLength(text, i);
            out.append(text.substr(i, n));
            i += n;
            continue;
        }
        if (codePoint < 0x80) {
            out += char(codePoint);
        } else if (codePoint > 0xFFFF) {
            out += '?';  // GBK has nothing beyond the basic plane
        } else if (codePoint == 0xA0) {
            out += ' ';  // GBK has no non-breaking space
        } else {
            std::string gbk = utf8ToGbk(utf8Of(codePoint));
            out += gbk.empty() ? "?" : gbk;
        }
        i += length;
    }
    return out;
}

std::string cleanTitle(std::string_view html) {
    std::string text;
    text.reserve(html.size());
    for (size_t i = 0; i < html.size();) {
        if (html.compare(i, 4, "<!--") == 0) {
            size_t end = html.find("-->", i + 4);
            i = end == std::string_view::npos ? html.size() : end + 3;
        } else if (html[i] == '<' && i + 1 < html.size() &&
                   (std::isalpha(static_cast<unsigned char>(html[i + 1])) || html[i + 1] == '/' || html[i + 1] == '!')) {
            size_t end = html.find('>', i + 1);
            // Tags leave no trace: "<em>Win</em>dows" is one word.
            i = end == std::string_view::npos ? html.size() : end + 1;
        } else {
            size_t n = charLength(html, i);
            text.append(html.substr(i, n));
            i += n;
        }
    }
    std::string decoded = decodeReferences(text);
    std::string out;
    bool pendingBlank = false;
    for (size_t i = 0; i < decoded.size();) {
        size_t n = charLength(decoded, i);
        bool blank = n == 1 && (isBlank(decoded[i]) || static_cast<unsigned char>(decoded[i]) < 0x20);
        bool wideBlank = n == 2 && decoded.compare(i, 2, "\xA1\xA1") == 0;  // the full-width space
        if (blank || wideBlank) {
            pendingBlank = !out.empty();
        } else {
            if (pendingBlank) out += ' ';
            pendingBlank = false;
            out.append(decoded, i, n);
        }
        i += n;
    }
    return out;
}

std::string oneLine(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size();) {
        size_t n = charLength(out, i);
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (n == 1 && (c < 0x20 || c == 0x7F)) out[i] = ' ';
        i += n;
    }
    return out;
}

std::string tagAttribute(std::string_view tag, std::string_view name) {
    size_t open = tag.find('<');
    if (open == std::string_view::npos) return {};
    size_t i = open + 1;
    while (i < tag.size() && !isBlank(tag[i]) && tag[i] != '>') ++i;  // the tag's name
    return attributeValue(tag.substr(i), name, true);
}

std::string percentDecode(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() + 0 && hexDigit(text[i + 1]) >= 0 && hexDigit(text[i + 2]) >= 0) {
            out += char(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else if (text[i] == '+' && plusIsSpace) {
            out += ' ';
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string queryValue(std::string_view url, std::string_view name) {
    size_t question = url.find('?');
    if (question == std::string_view::npos) return {};
    std::string_view query = url.substr(question + 1);
    query = query.substr(0, query.find('#'));
    for (const std::string& pair : splitText(query, "&")) {
        size_t eq = pair.find('=');
        if (pair.substr(0, eq) == name) return eq == std::string::npos ? std::string() : pair.substr(eq + 1);
    }
    return {};
}

std::string urlOrigin(std::string_view url) {
    size_t scheme = url.find("://");
    if (scheme == std::string_view::npos || scheme == 0 || url.substr(0, scheme).find_first_of("/?#") != std::string_view::npos)
        return {};
    size_t end = url.find_first_of("/?#", scheme + 3);
    return std::string(url.substr(0, end));
}

std::string urlPathAndQuery(std::string_view url) {
    std::string origin = urlOrigin(url);
    if (origin.empty()) return std::string(url);
    std::string rest(url.substr(origin.size()));
    if (rest.empty() || rest[0] != '/') rest.insert(0, "/");
    return rest;
}

std::string absoluteLink(std::string_view link, std::string_view origin, std::string_view scheme) {
    if (link.substr(0, 2) == "//") return std::string(scheme) + ":" + std::string(link);
    if (!urlOrigin(link).empty()) return std::string(link);
    if (!link.empty() && (link[0] == '/' || link[0] == '?')) return std::string(origin) + std::string(link);
    return std::string(link);
}

std::string addressHost(std::string_view address) {
    std::string lower = asciiLower(address);
    size_t start;
    if (lower.rfind("http://", 0) == 0) {
        start = 7;
    } else if (lower.rfind("https://", 0) == 0) {
        start = 8;
    } else {
        return {};
    }
    size_t end = lower.find_first_of("/?#\\", start);
    std::string authority = lower.substr(start, end == std::string::npos ? std::string::npos : end - start);
    size_t at = authority.rfind('@');
    if (at != std::string::npos) authority.erase(0, at + 1);
    size_t colon = authority.find(':');
    if (colon != std::string::npos) authority.resize(colon);
    while (!authority.empty() && authority.back() == '.') authority.pop_back();
    return authority;
}

bool hostBelongs(std::string_view address, std::string_view serviceHost) {
    std::string host = addressHost(address);
    std::string service = asciiLower(serviceHost);
    if (host.empty() || service.empty()) return false;
    if (host == service) return true;
    return host.size() > service.size() && host.compare(host.size() - service.size(), service.size(), service) == 0 &&
           host[host.size() - service.size() - 1] == '.';
}

FormFields enclosingForm(std::string_view page, size_t within) {
    FormFields form;
    size_t open = std::string_view::npos;
    // The nearest "<form" before the position that is not closed before it.
    for (size_t at = findNoCase(page, "<form"); at != std::string_view::npos && at <= within;
         at = findNoCase(page, "<form", at + 5)) {
        open = at;
    }
    if (open == std::string_view::npos) return form;
    size_t closed = findNoCase(page, "</form", open);
    if (closed != std::string_view::npos && closed < within) return form;
    size_t end = closed == std::string_view::npos ? page.size() : closed;
    std::string_view body = page.substr(open, end - open);
    form.action = decodeReferences(tagAttribute(body, "action"));
    for (size_t at = findNoCase(body, "<input"); at != std::string_view::npos; at = findNoCase(body, "<input", at + 6)) {
        std::string_view tag = body.substr(at, body.find('>', at) == std::string_view::npos ? std::string_view::npos
                                                                                              : body.find('>', at) - at + 1);
        std::string name = tagAttribute(tag, "name");
        std::string type = asciiLower(tagAttribute(tag, "type"));
        if (name.empty() || type == "submit" || type == "button" || type == "image") continue;
        form.fields.emplace_back(decodeReferences(name), decodeReferences(tagAttribute(tag, "value")));
    }
    return form;
}

std::string formBody(const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string body;
    for (const auto& [name, value] : fields) {
        if (!body.empty()) body += '&';
        body += encodeKeyword(name) + "=" + encodeKeyword(value);
    }
    return body;
}
