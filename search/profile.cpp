#include "search/profile.h"

#include <algorithm>
#include <cstdlib>

#include "text/encoding.h"
#include "text/text.h"
#include "search/engine_slots.h"
#include "search/query.h"

namespace {

// Patterns are liberal in what they accept: either quote or none, blanks around "=", any
// attribute order and line breaks inside tags. Every repetition stops where another attempt
// could begin (a tag's interior at the next "<", a title at the next link, the text before a
// heading's link at the next heading) and has a fixed bound besides, so each byte is crossed
// by few attempts and no pattern takes time growing with the square of a long line.
const char ATTRIBUTE_VALUE[] = R"(\s*=\s*["']?([^"'\s<>]+))";
const char TITLE_TEXT[] = R"(((?:[^<]|<(?!/?a\b)){0,3000})</a\s*>)";
// A snippet's text: inline markup included, up to the next block element that opens or closes.
const char SNIPPET_TEXT[] = R"(((?:[^<]|<(?!/?(?:div|p|h[1-6]|li|ul|ol|table|tr|td)\b)){0,3000}))";

// The text of the first element (of `tags`, such as "div|span") whose class names one of
// `classes` (as a part of a class name: engines add generated suffixes such as "_8Zs40").
std::string snippetOf(const std::string& tags, const std::string& classes) {
    return "<(?:" + tags + R"()\b[^<>]*\b(?:class|id|data-module)\s*=\s*["']?[^"'<>]*(?:)" + classes + ")[^<>]*>" +
           SNIPPET_TEXT;
}

// The first link inside a heading: group 1 its address, group 2 its text.
std::string headingLink(const std::string& heading) {
    return "<" + heading + R"(\b[^<>]*>(?:[^<]|<(?!a\b|/?)" + heading + R"(\b)){0,3000}<a\b[^<>]*?\shref)" +
           ATTRIBUTE_VALUE + "[^<>]*>" + TITLE_TEXT;
}

// The built-in profiles, one entry each; a field left out keeps the default it has in
// EngineProfile (which is the point, so GCC's warning about it is off for the table).
// "classic" comes first: it is the default a run starts with.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
const std::vector<EngineProfile>& builtinProfiles() {
    static const std::vector<EngineProfile> profiles = {
        {.name = "classic", .classic = true, .scheme = "http", .host = DEFAULT_ENGINE_HOST, .hostFilter = false},
        {
            .name = "baidu",
            .host = "www.baidu.com",
            .path = "/s",
            .keywordKey = "wd",
            .extra = "ie=utf-8",
            .paging = Paging::Offset,
            .pageKey = "pn",
            .pageSize = 50,
            .sizeKey = "rn",
            // "result-op" cards are the engine's own boxes, not results; "result c-container"
            // leaves them out by itself.
            .block = "result c-container",
            .result = headingLink("h3"),
            .snippet = snippetOf("div|span|p", "abstract|content-right|summary-text"),
            .real = std::string(R"(<div\b[^<>]*?\smu)") + ATTRIBUTE_VALUE,
            .realIgnore = "nourl",
            .redirect = "/link?url=",
            .nextAnchor = "下一页",
            .next = R"(<a\b[^<>]*\sclass\s*=\s*["']?n\b[^<>]*>(?:\s|<[^<>]*>|&nbsp;)*下一页)",
            .walls = {"百度安全验证", "wappass.baidu.com/static/captcha"},
        },
        {
            .name = "bing",
            .host = "www.bing.com",
            .path = "/search",
            .keywordKey = "q",
            .paging = Paging::First,
            .pageKey = "first",
            .block = "b_algo",
            .result = headingLink("h2"),
            .snippet = std::string(R"(\bb_caption\b[^<>]*>(?:[^<]|<(?!/?p\b|/div\b)){0,2000}<p\b[^<>]*>)") + SNIPPET_TEXT,
            .redirect = "bing.com/ck/a?",
            .redirectKey = "u",
            .redirectEncoding = LinkEncoding::Base64A1,
            .nextAnchor = "sb_pagN",
            .next = R"(<a\b[^<>]*\bsb_pagN\b[^<>]*>)",
            .walls = {"b_captcha", "/turing/captcha/", "captcha_challenge"},
        },
        {
            .name = "sogou",
            .host = "www.sogou.com",
            .path = "/web",
            .keywordKey = "query",
            .paging = Paging::PageNumber,
            .pageKey = "page",
            .block = "vrwrap|class=\"rb\"|class='rb'",
            .result = headingLink("h3"),
            .snippet = snippetOf("div|p", "cacheresult_summary|space-txt|str_info|str-info"),
            .real = std::string(R"(<div\b(?=[^<>]*\br-sech\b)[^<>]*?\sdata-url)") + ATTRIBUTE_VALUE,
            .redirect = "/link?url=",
            .nextAnchor = "sogou_next",
            .next = R"(<a\b[^<>]*\bid\s*=\s*["']?sogou_next\b[^<>]*>)",
            .walls = {"antispider", "请输入验证码"},
        },
        {
            .name = "so360",
            .host = "www.so.com",
            .path = "/s",
            .keywordKey = "q",
            .paging = Paging::PageNumber,
            .pageKey = "pn",
            .block = "res-list",
            .result = headingLink("h3"),
            .snippet = snippetOf("p|div|span", "res-desc|res-list-summary"),
            .real = std::string(R"(<h3\b[^<>]*>(?:[^<]|<(?!a\b|/?h3\b)){0,3000}<a\b[^<>]*?\sdata-mdurl)") + ATTRIBUTE_VALUE,
            .redirect = "so.com/link?",
            .nextAnchor = "snext",
            .next = R"(<a\b[^<>]*\bid\s*=\s*["']?snext\b[^<>]*>)",
            .walls = {"qcaptcha", "访问出现异常"},
        },
        {
            .name = "duckduckgo",
            .host = "html.duckduckgo.com",
            .path = "/html/",
            .keywordKey = "q",
            .paging = Paging::Form,
            .block = "results_links",
            .skip = "result--ad",
            .result = std::string(R"(<a\b(?=[^<>]*\bresult__a\b)[^<>]*?\shref)") + ATTRIBUTE_VALUE + "[^<>]*>" + TITLE_TEXT,
            .snippet = std::string(R"(<(?:a|div|td)\b[^<>]*\bresult__snippet\b[^<>]*>((?:[^<]|<(?!/a\b|/?div\b|/?td\b)){0,3000}))"),
            .redirect = "duckduckgo.com/l/?",
            .redirectKey = "uddg",
            .redirectEncoding = LinkEncoding::Percent,
            .nextAnchor = "next",
            .next = R"(<input\b[^<>]*\svalue\s*=\s*["']?Next\b[^<>]*>)",
            .walls = {"anomaly-modal", "bots use DuckDuckGo too"},
        },
    };
    return profiles;
}
#pragma GCC diagnostic pop

std::optional<bool> yesNo(const std::string& value) {
    std::string v = asciiLower(trimSpaces(value));
    if (v == "yes" || v == "true" || v == "1" || v == "on") return true;
    if (v == "no" || v == "false" || v == "0" || v == "off") return false;
    return std::nullopt;
}

// One "key=value" line applied to a profile; false for an unknown key or a bad value.
bool applyKey(EngineProfile& p, const std::string& key, const std::string& value) {
    std::string v = value;
    if (key == "url") {
        // SCHEME://HOST/PATH
        size_t scheme = v.find("://");
        if (scheme == std::string::npos) return false;
        p.scheme = asciiLower(v.substr(0, scheme));
        if (p.scheme != "http" && p.scheme != "https") return false;
        size_t slash = v.find('/', scheme + 3);
        p.host = v.substr(scheme + 3, slash == std::string::npos ? std::string::npos : slash - scheme - 3);
        p.path = slash == std::string::npos ? "/" : v.substr(slash);
        if (p.host.empty() || p.path.find_first_of("?#") != std::string::npos) return false;
    } else if (key == "keyword") {
        p.keywordKey = v;
    } else if (key == "query") {
        if (v.find("{keyword}") == std::string::npos) return false;
        p.query = v;
    } else if (key == "mentions") {
        if (v.find("{keyword}") == std::string::npos) return false;
        p.mentions = v;
    } else if (key == "extra") {
        p.extra = v;
    } else if (key == "paging") {
        std::string kind = asciiLower(v);
        if (kind == "offset") {
            p.paging = Paging::Offset;
        } else if (kind == "first") {
            p.paging = Paging::First;
        } else if (kind == "page") {
            p.paging = Paging::PageNumber;
        } else if (kind == "form") {
            p.paging = Paging::Form;
        } else {
            return false;
        }
    } else if (key == "page") {
        p.pageKey = v;
    } else if (key == "size") {
        char* end = nullptr;
        long n = std::strtol(v.c_str(), &end, 10);
        if (v.empty() || *end != '\0' || n < 0 || n > 1000) return false;
        p.pageSize = int(n);
    } else if (key == "connections") {
        int n = parseConnections(v);
        if (n <= 0) return false;
        p.connections = n;
    } else if (key == "sizekey") {
        p.sizeKey = v;
    } else if (key == "block") {
        p.block = v;
    } else if (key == "skip") {
        p.skip = v;
    } else if (key == "result") {
        p.result = v;
    } else if (key == "snippet") {
        p.snippet = v;
    } else if (key == "real") {
        p.real = v;
    } else if (key == "realignore") {
        p.realIgnore = v;
    } else if (key == "redirect") {
        p.redirect = v;
    } else if (key == "redirectkey") {
        p.redirectKey = v;
    } else if (key == "redirectencoding") {
        std::string kind = asciiLower(v);
        if (kind == "percent") {
            p.redirectEncoding = LinkEncoding::Percent;
        } else if (kind == "a1base64") {
            p.redirectEncoding = LinkEncoding::Base64A1;
        } else {
            return false;
        }
    } else if (key == "resolve" || key == "hostfilter") {
        std::optional<bool> flag = yesNo(v);
        if (!flag) return false;
        (key == "resolve" ? p.resolve : p.hostFilter) = *flag;
    } else if (key == "nextanchor") {
        p.nextAnchor = v;
    } else if (key == "next") {
        p.next = v;
    } else if (key == "wall") {
        if (!v.empty()) p.walls.push_back(v);
    } else {
        return false;
    }
    return true;
}

bool validUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (n == 0 || i + n > text.size()) return false;
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2) return false;
        }
        i += n;
    }
    return true;
}

EngineProfile& activeStorage() {
    static EngineProfile profile = builtinProfiles().front();
    return profile;
}
bool keepAllStorage = false;

}  // namespace

std::vector<std::string> builtinProfileNames() {
    std::vector<std::string> names;
    for (const EngineProfile& p : builtinProfiles()) names.push_back(p.name);
    return names;
}

std::optional<EngineProfile> builtinProfile(std::string_view name) {
    for (const EngineProfile& p : builtinProfiles()) {
        if (p.name == name) return p;
    }
    return std::nullopt;
}

std::map<std::string, EngineProfile> parseProfiles(std::string_view raw, std::string* error) {
    std::string text(raw);
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    if (validUtf8(text)) text = utf8ToGbk(text);
    std::map<std::string, EngineProfile> profiles;
    EngineProfile* current = nullptr;
    int number = 0;
    auto fail = [&](const std::string& why) {
        if (error) *error = "line " + std::to_string(number) + ": " + why;
        return std::map<std::string, EngineProfile>{};
    };
    for (std::string line : splitText(text, "\n")) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string trimmed = trimSpaces(line);
        if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') continue;
        if (trimmed[0] == '[') {
            if (trimmed.back() != ']' || trimmed.size() < 3) return fail("a section is written [name]");
            std::string name = trimSpaces(trimmed.substr(1, trimmed.size() - 2));
            EngineProfile fresh;
            fresh.name = name;
            current = &(profiles[name] = fresh);
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) return fail("expected key=value");
        if (!current) return fail("a key before the first [section]");
        std::string key = asciiLower(trimSpaces(line.substr(0, eq)));
        // Patterns may begin or end with a blank that matters; only the key is trimmed, and
        // a value's leading blanks after "=".
        std::string value = line.substr(eq + 1);
        value.erase(0, std::min(value.find_first_not_of(' '), value.size()));
        if (key == "like") {
            std::string base = trimSpaces(value);
            std::optional<EngineProfile> from = builtinProfile(base);
            if (!from && profiles.count(base) && base != current->name) from = profiles[base];
            if (!from) return fail("no profile named \"" + base + "\" to start from");
            std::string name = current->name;
            *current = *from;
            current->name = name;
            continue;
        }
        if (current->classic) return fail("the classic layout takes no keys");
        if (!applyKey(*current, key, value)) return fail("bad key or value \"" + key + "\"");
    }
    for (auto& [name, profile] : profiles) {
        number = 0;
        if (profile.classic) continue;
        if (profile.host.empty() || profile.keywordKey.empty() || profile.result.empty())
            return fail("profile \"" + name + "\" needs url, keyword and result");
    }
    if (profiles.empty()) {
        number = 0;
        return fail("no [profile] in the file");
    }
    return profiles;
}

const EngineProfile& activeProfile() {
    return activeStorage();
}
void setActiveProfile(EngineProfile profile) {
    activeStorage() = std::move(profile);
}
bool keepAllHits() {
    return keepAllStorage;
}
void setKeepAllHits(bool keep) {
    keepAllStorage = keep;
}

std::string profileOrigin(const EngineProfile& profile) {
    if (engineHost() != DEFAULT_ENGINE_HOST) return "http://" + engineHost();
    return profile.scheme + "://" + profile.host;
}

int firstPosition(const EngineProfile& profile) {
    return profile.paging == Paging::Offset ? 0 : 1;
}

std::string buildProfileUrl(const EngineProfile& profile, std::string_view host, std::string_view keyword,
                            int position) {
    if (profile.classic) return buildQueryUrl(host, keyword, position);
    std::string query = replaceAll(replaceAll(profile.query, "{site}", host), "{keyword}", keyword);
    std::string url = profileOrigin(profile) + profile.path + "?" + profile.keywordKey + "=" + encodeKeyword(query);
    if (!profile.pageKey.empty() && profile.paging != Paging::Form) url += "&" + profile.pageKey + "=" + std::to_string(position);
    if (!profile.sizeKey.empty() && profile.pageSize > 0) url += "&" + profile.sizeKey + "=" + std::to_string(profile.pageSize);
    if (!profile.extra.empty()) url += "&" + profile.extra;
    return url;
}
