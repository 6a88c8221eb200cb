// Share links of today's netdisks: the host table, the URL forms of each netdisk, and the
// extraction codes in an address and in the text around it. Texts are GBK; positions are byte
// offsets, stepped a GBK character at a time so a trail byte never starts a match.
// Room links/: platform-free; uses text/ only.
#include "links/share_link.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "links/keyed_table.h"
#include "text/encoding.h"
#include "text/text.h"

namespace {

struct NetdiskEntry {
    Netdisk value;
    const char* key;
    const char* caption;
    size_t searchHosts;  // how many of the hosts, from the first, are searched
    std::vector<std::string_view> hosts;
    int codeMin;
    int codeMax;
};

// One table: a netdisk added here is known to the reader, the host filter and the service list.
const std::vector<NetdiskEntry>& netdiskTable() {
    static const std::vector<NetdiskEntry> table = {
        {Netdisk::Baidu, "baidu", "百度网盘", 1, {"pan.baidu.com", "yun.baidu.com"}, 4, 4},
        {Netdisk::Aliyun, "aliyun", "阿里云盘", 2, {"alipan.com", "aliyundrive.com"}, 4, 4},
        {Netdisk::Quark, "quark", "夸克网盘", 1, {"pan.quark.cn", "pan.qoark.cn"}, 4, 16},
        {Netdisk::Uc, "uc", "UC网盘", 1, {"drive.uc.cn", "fast.uc.cn"}, 4, 16},
        {Netdisk::Pan115, "115", "115网盘", 2, {"115.com", "115cdn.com", "anxia.com"}, 4, 4},
        {Netdisk::Tianyi, "tianyi", "天翼云盘", 1, {"cloud.189.cn", "h5.cloud.189.cn"}, 4, 4},
        {Netdisk::Pan123,
         "123pan",
         "123云盘",
         3,
         {"123pan.com", "123684.com", "123865.com", "123pan.cn", "123685.com", "123912.com", "123592.com",
          "123652.com", "123951.com", "123957.com", "123pan.net"},
         4,
         4},
        {Netdisk::Xunlei, "xunlei", "迅雷云盘", 1, {"pan.xunlei.com"}, 4, 4},
        {Netdisk::Pan139, "139", "移动云盘", 2, {"yun.139.com", "caiyun.139.com", "caiyun.feixin.10086.cn"}, 4, 4},
        {Netdisk::Lanzou,
         "lanzou",
         "蓝奏云",
         4,
         {"lanzoux.com", "lanzoui.com", "lanzouw.com", "lanzout.com", "lanzouo.com", "lanzous.com", "lanzoub.com",
          "lanzoue.com", "lanzouq.com", "lanzouv.com"},
         3,
         6},
        {Netdisk::PikPak, "pikpak", "PikPak", 1, {"mypikpak.com", "drive.mypikpak.com"}, 4, 4},
    };
    return table;
}

const NetdiskEntry* entryOf(Netdisk netdisk) {
    return entryWithValue(netdiskTable(), netdisk);
}

bool isAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAsciiLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isIdChar(unsigned char c) {
    return isAsciiAlnum(c) || c == '_' || c == '-';
}
bool isHostChar(unsigned char c) {
    return isAsciiAlnum(c) || c == '.' || c == '-';
}

// The width of the character at `at`: two for a GBK lead byte with a byte after it.
size_t stepAt(std::string_view text, size_t at) {
    return (isLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size()) ? 2 : 1;
}

bool startsWithNoCase(std::string_view text, size_t at, std::string_view what) {
    if (at + what.size() > text.size()) return false;
    for (size_t i = 0; i < what.size(); ++i) {
        char a = text[at + i], b = what[i];
        if (a >= 'A' && a <= 'Z') a = char(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = char(b - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

bool startsWith(std::string_view text, size_t at, std::string_view what) {
    return at <= text.size() && text.substr(at).substr(0, what.size()) == what;
}

bool endsWith(std::string_view text, std::string_view what) {
    return text.size() >= what.size() && text.substr(text.size() - what.size()) == what;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool validUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (n == 9 || (n > 0 && c < 0xC2) || i + n >= s.size()) {
            if (n != 0) return false;
        }
        for (size_t k = 1; k <= n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        i += n + 1;
    }
    return true;
}

// An address part as text: %XX decoded; decoded UTF-8 (what browsers send) becomes GBK, any
// other decoded bytes are taken as GBK already.
std::string addressText(std::string_view part) {
    std::string out;
    bool decoded = false;
    for (size_t i = 0; i < part.size(); ++i) {
        if (part[i] == '%' && i + 2 < part.size() && hexValue(part[i + 1]) >= 0 && hexValue(part[i + 2]) >= 0) {
            out += char(hexValue(part[i + 1]) * 16 + hexValue(part[i + 2]));
            i += 2;
            decoded = true;
        } else {
            out += part[i];
        }
    }
    if (!decoded) return out;
    bool ascii = std::all_of(out.begin(), out.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii && validUtf8(out)) return utf8ToGbk(out);
    return out;
}

// The value of `name=` in an "a=1&b=2" list (the query or the fragment), raw; found says whether
// the name stands there at all.
std::string paramValue(std::string_view list, std::string_view name, bool* found, std::string_view separators = "&") {
    size_t at = 0;
    while (at <= list.size()) {
        size_t end = list.find_first_of(separators, at);
        if (end == std::string_view::npos) end = list.size();
        std::string_view item = list.substr(at, end - at);
        if (item.size() > name.size() && item[name.size()] == '=' && startsWithNoCase(item, 0, name)) {
            *found = true;
            return std::string(item.substr(name.size() + 1));
        }
        at = end + 1;
    }
    return {};
}

// The maximal run of id characters at `at`.
std::string idAt(std::string_view text, size_t at) {
    size_t end = at;
    while (end < text.size() && isIdChar(static_cast<unsigned char>(text[end]))) ++end;
    return std::string(text.substr(std::min(at, text.size()), end - std::min(at, text.size())));
}

// ---- code marks: a code keyword, its separators and the letters and digits after them ----

struct CodeMark {
    size_t keyword = 0;  // where the keyword starts
    size_t begin = 0;    // where the code starts
    size_t end = 0;      // where it ends
    std::string code;
};

struct Keyword {
    const char* text;
    bool ascii;
};
// Longest first, so 提取密码 is one keyword and not 密码 after 提取.
// Posts in traditional characters write 提取碼, 密碼 and 訪問碼.
const Keyword KEYWORDS[] = {{"提取密码", false}, {"提取码", false},  {"访问码", false},   {"密码", false},
                            {"提取密碼", false}, {"提取碼", false},  {"訪問碼", false},   {"密碼", false},
                            {"passcode", true},  {"password", true}, {"passwd", true}, {"pwd", true},
                            {"code", true}};

// Blanks: space, tab and the full-width space.
size_t blankWidth(std::string_view text, size_t at) {
    if (at >= text.size()) return 0;
    if (text[at] == ' ' || text[at] == '\t') return 1;
    if (startsWith(text, at, "\xA1\xA1")) return 2;
    return 0;
}

// Before a keyword: an archive's password is no share's code (解压密码, 解压 密码, 压缩包密码,
// zip password ...).
bool archivePasswordBefore(std::string_view text, size_t keyword) {
    std::string_view before = text.substr(0, keyword);
    while (!before.empty()) {
        if (before.back() == ' ' || before.back() == '\t') {
            before.remove_suffix(1);
        } else if (endsWith(before, "\xA1\xA1")) {
            before.remove_suffix(2);
        } else {
            break;
        }
    }
    for (const char* marker : {"解压", "压缩", "压缩包", "解压缩", "解壓", "壓縮"}) {
        if (endsWith(before, marker)) return true;
    }
    std::string tail = asciiLower(before.substr(before.size() > 8 ? before.size() - 8 : 0));
    for (const char* marker : {"zip", "rar", "7z", "archive", "unzip"}) {
        if (endsWith(tail, marker)) return true;
    }
    return false;
}

// A remark in brackets after the keyword, such as "（区分大小写）": Chinese text without letters or
// digits, so the code itself in brackets is never taken for one. Its width, or 0.
size_t noteWidth(std::string_view text, size_t at) {
    size_t open = startsWith(text, at, "(") ? 1 : startsWith(text, at, "（") ? 2 : 0;
    if (open == 0) return 0;
    size_t i = at + open;
    bool chinese = false;
    while (i < text.size() && i < at + 32) {
        if (startsWith(text, i, ")")) return chinese ? i + 1 - at : 0;
        if (startsWith(text, i, "）")) return chinese ? i + 2 - at : 0;
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (!isLeadByte(c) || i + 1 >= text.size()) return 0;
        chinese = true;
        i += 2;
    }
    return 0;
}

// After the keyword at `at`: the separators, then the code. False when no code follows.
bool codeAfterKeyword(std::string_view text, size_t at, bool asciiKeyword, CodeMark* mark) {
    size_t i = at;
    bool marked = false;  // a colon, an equals sign or a bracket stood between
    int lineBreaks = 0;
    const size_t limit = at + 160;
    while (i < text.size() && i < limit) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (size_t w = blankWidth(text, i)) {
            i += w;
        } else if (size_t note = noteWidth(text, i)) {
            i += note;
        } else if (c == ':' || c == '=' || c == '(' || c == ')' || c == '[' || c == ']') {
            marked = true;
            ++i;
        } else if (startsWith(text, i, "：") || startsWith(text, i, "（") || startsWith(text, i, "）") ||
                   startsWith(text, i, "【") || startsWith(text, i, "】")) {
            marked = true;
            i += 2;
        } else if (!asciiKeyword && (startsWith(text, i, "是") || startsWith(text, i, "为"))) {
            i += 2;
        } else if (c == '*' || c == '`' || c == '"' || c == '\'' || c == '_') {
            // Markdown's emphasis and quotes around the code.
            ++i;
        } else if (startsWith(text, i, "“") || startsWith(text, i, "”") || startsWith(text, i, "「") ||
                   startsWith(text, i, "」")) {
            i += 2;
        } else if (c == '\r') {
            ++i;
        } else if (c == '\n' && lineBreaks == 0) {
            ++lineBreaks;
            ++i;
        } else if (c == '<') {
            // A tag of the page's markup around the code (<b>abcd</b>, <em>...).
            size_t close = text.substr(i, 61).find('>');
            if (close == std::string_view::npos) return false;
            i += close + 1;
        } else if (startsWithNoCase(text, i, "&nbsp;")) {
            i += 6;
        } else {
            break;
        }
    }
    if (asciiKeyword && !marked) return false;
    size_t end = i;
    while (end < text.size() && isAsciiAlnum(static_cast<unsigned char>(text[end]))) ++end;
    if (end == i) return false;
    // An address or a host name is no code ("密码：http://...", "code: abcd.com").
    if (startsWith(text, end, "://")) return false;
    if (end + 1 < text.size() && (text[end] == '.' || text[end] == '@') &&
        isAsciiAlnum(static_cast<unsigned char>(text[end + 1])))
        return false;
    mark->begin = i;
    mark->end = end;
    mark->code = std::string(text.substr(i, end - i));
    return true;
}

// Every code keyword of the text with the code after it, in order.
std::vector<CodeMark> codeMarks(std::string_view text) {
    std::vector<CodeMark> marks;
    size_t i = 0;
    while (i < text.size()) {
        const Keyword* found = nullptr;
        for (const Keyword& k : KEYWORDS) {
            bool match = k.ascii ? startsWithNoCase(text, i, k.text) : startsWith(text, i, k.text);
            if (!match) continue;
            // An English keyword stands as a word of its own ("passcode" is not "code").
            if (k.ascii && i > 0 && isAsciiLetter(static_cast<unsigned char>(text[i - 1]))) continue;
            found = &k;
            break;
        }
        if (!found) {
            i += stepAt(text, i);
            continue;
        }
        size_t after = i + std::strlen(found->text);
        CodeMark mark;
        mark.keyword = i;
        if (!archivePasswordBefore(text, i) && codeAfterKeyword(text, after, found->ascii, &mark)) {
            marks.push_back(mark);
            i = mark.end;
        } else {
            i = after;
        }
    }
    return marks;
}

// ---- share ids by the netdisk's URL forms ----

struct AddressParts {
    std::string_view host;  // as written
    std::string_view rest;  // path, query and fragment
};

// "scheme://host/rest" or a bare "host/rest".
bool splitAddress(std::string_view address, AddressParts* parts) {
    size_t at = 0;
    if (startsWithNoCase(address, 0, "https://")) {
        at = 8;
    } else if (startsWithNoCase(address, 0, "http://")) {
        at = 7;
    } else if (startsWith(address, 0, "//")) {
        at = 2;
    }
    size_t end = at;
    while (end < address.size() && address[end] != '/' && address[end] != '?' && address[end] != '#') ++end;
    std::string_view host = address.substr(at, end - at);
    size_t userEnd = host.rfind('@');
    if (userEnd != std::string_view::npos) host = host.substr(userEnd + 1);
    size_t colon = host.find(':');
    if (colon != std::string_view::npos) host = host.substr(0, colon);
    if (host.empty()) return false;
    for (char c : host) {
        if (!isHostChar(static_cast<unsigned char>(c))) return false;
    }
    parts->host = host;
    parts->rest = address.substr(end);
    return true;
}

bool isLanzouHost(std::string_view host) {
    // The registered name is lanzou<letters>.com; any sub-domain before it.
    if (!endsWith(host, ".com")) return false;
    std::string_view name = host.substr(0, host.size() - 4);
    size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(dot + 1);
    if (name.size() <= 6 || name.substr(0, 6) != "lanzou") return false;
    return std::all_of(name.begin() + 6, name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

struct ShareId {
    std::string id;
    size_t end = 0;  // where the id ends in `rest`
};

ShareId located(std::string_view rest, std::string id) {
    ShareId s;
    if (id.empty()) return s;
    size_t at = rest.find(id);
    s.end = at == std::string_view::npos ? rest.size() : at + id.size();
    s.id = std::move(id);
    return s;
}

// The share id of a link of `netdisk`; id "" when the address is no share of it.
ShareId shareIdOf(Netdisk netdisk, std::string_view host, std::string_view rest) {
    std::string lowerRest = asciiLower(rest);
    std::string_view lower = lowerRest;
    size_t queryAt = rest.find('?');
    std::string_view query = queryAt == std::string_view::npos ? std::string_view() : rest.substr(queryAt + 1);
    bool found = false;
    auto atPathStart = [&](std::string_view prefix) { return lower.substr(0, prefix.size()) == prefix; };
    switch (netdisk) {
        case Netdisk::Baidu: {
            if (atPathStart("/s/") || atPathStart("/e/")) {
                // The surl is what follows the leading 1.
                std::string id = idAt(rest, 3);
                size_t end = 3 + id.size();
                if (!id.empty() && id[0] == '1') id.erase(0, 1);
                return {id, end};
            }
            if (lower.find("init") != std::string_view::npos || lower.find("/share/") != std::string_view::npos) {
                std::string surl = paramValue(query, "surl", &found);
                std::string id = idAt(surl, 0);
                if (!id.empty()) return located(rest, id);
                // The old form names the share by number and its owner (shareid=...&uk=...).
                std::string shareid = paramValue(query, "shareid", &found);
                std::string number = idAt(shareid, 0);
                if (!number.empty() && std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
                    return located(rest, number);
            }
            return {};
        }
        case Netdisk::Tianyi: {
            if (atPathStart("/t/")) return {idAt(rest, 3), 3 + idAt(rest, 3).size()};
            size_t t = lower.find("#/t/");
            if (t != std::string_view::npos) return {idAt(rest, t + 4), t + 4 + idAt(rest, t + 4).size()};
            if (lower.find("share") != std::string_view::npos) return located(rest, idAt(paramValue(query, "code", &found), 0));
            return {};
        }
        case Netdisk::Pan139: {
            if (endsWith(host, "feixin.10086.cn")) {
                return rest.size() > 1 && rest[0] == '/' ? ShareId{idAt(rest, 1), 1 + idAt(rest, 1).size()} : ShareId();
            }
            for (std::string_view prefix : {std::string_view("/w/i/"), std::string_view("/m/i?")}) {
                size_t at = lower.find(prefix);
                if (at != std::string_view::npos) {
                    std::string id = idAt(rest, at + prefix.size());
                    return {id, at + prefix.size() + id.size()};
                }
            }
            return {};
        }
        case Netdisk::Lanzou: {
            std::string_view path = rest;
            size_t skip = 0;
            for (std::string_view prefix : {std::string_view("/s/"), std::string_view("/tp/"), std::string_view("/u/")}) {
                if (atPathStart(prefix)) {
                    skip = prefix.size();
                    break;
                }
            }
            if (skip == 0) {
                if (path.empty() || path[0] != '/') return {};
                skip = 1;
            }
            std::string id = idAt(rest, skip);
            // Pages of the site itself (ajaxm.php, index.html ...) are no shares.
            size_t end = skip + id.size();
            if (id.size() < 5 || (end < rest.size() && rest[end] == '.' && !startsWith(lower, end, ".html"))) return {};
            return {id, end};
        }
        default: {
            // Aliyun, Quark, UC, 115, 123, Xunlei, PikPak: the segment after /s/ (or /t/).
            if (atPathStart("/s/") || (netdisk == Netdisk::Aliyun && atPathStart("/t/"))) {
                std::string id = idAt(rest, 3);
                return {id, 3 + id.size()};
            }
            return {};
        }
    }
}

}  // namespace

const char* netdiskKey(Netdisk netdisk) {
    return keyOfValue(netdiskTable(), netdisk);
}

const char* netdiskCaption(Netdisk netdisk) {
    return captionOfValue(netdiskTable(), netdisk);
}

Netdisk netdiskByKey(std::string_view key) {
    return valueOfKey(netdiskTable(), key, Netdisk::None);
}

Netdisk netdiskOfHost(std::string_view host) {
    for (const NetdiskEntry& e : netdiskTable()) {
        for (std::string_view h : e.hosts) {
            if (host == h || (host.size() > h.size() && endsWith(host, h) && host[host.size() - h.size() - 1] == '.'))
                return e.value;
        }
    }
    if (isLanzouHost(host)) return Netdisk::Lanzou;
    return Netdisk::None;
}

std::vector<std::string_view> netdiskHosts(Netdisk netdisk) {
    const NetdiskEntry* e = entryOf(netdisk);
    return e ? e->hosts : std::vector<std::string_view>();
}

std::vector<std::string_view> netdiskSearchHosts(Netdisk netdisk) {
    const NetdiskEntry* e = entryOf(netdisk);
    if (!e) return {};
    return std::vector<std::string_view>(e->hosts.begin(), e->hosts.begin() + std::min(e->searchHosts, e->hosts.size()));
}

bool codeFits(Netdisk netdisk, std::string_view code) {
    const NetdiskEntry* e = entryOf(netdisk);
    int low = e ? e->codeMin : 4, high = e ? e->codeMax : 16;
    if (int(code.size()) < low || int(code.size()) > high) return false;
    return std::all_of(code.begin(), code.end(), [](char c) { return isAsciiAlnum(static_cast<unsigned char>(c)); });
}

std::optional<ShareLink> readShareLink(std::string_view raw) {
    std::string address = trimSpaces(raw);
    // Copied out of a page's markup: "&amp;" between the parameters.
    if (address.find('&') != std::string::npos) address = replaceAll(address, "&amp;", "&");
    AddressParts parts;
    if (!splitAddress(address, &parts)) return std::nullopt;
    std::string host = asciiLower(parts.host);
    if (host.substr(0, 4) == "www.") host.erase(0, 4);
    Netdisk netdisk = netdiskOfHost(host);
    if (netdisk == Netdisk::None) return std::nullopt;
    ShareId share = shareIdOf(netdisk, host, parts.rest);
    if (share.id.size() < 4) return std::nullopt;

    ShareLink link;
    link.netdisk = netdisk;
    link.url = trimSpaces(raw);
    link.share = share.id;

    // The code the address carries: a parameter of the query or the fragment first.
    std::string_view rest = parts.rest;
    std::string_view tail = rest.substr(std::min(share.end, rest.size()));
    size_t q = rest.find('?'), h = rest.find('#');
    std::string_view query, fragment;
    if (q != std::string_view::npos && (h == std::string_view::npos || q < h))
        query = rest.substr(q + 1, (h == std::string_view::npos ? rest.size() : h) - q - 1);
    if (h != std::string_view::npos) fragment = rest.substr(h + 1);
    for (int part = 0; part < 2; ++part) {
        std::string_view list = part == 0 ? query : fragment;
        for (const char* name : {"pwd", "password", "passcode"}) {
            bool found = false;
            // A fragment may hold a path before its parameters ("#/s?password=...").
            std::string value = addressText(paramValue(list, name, &found, part == 1 ? "&?" : "&"));
            if (found && link.code.empty() && codeFits(netdisk, value)) link.code = value;
        }
    }
    // Then a code written after the share id: 123's ?提取码:XXXX, Tianyi's （访问码：xxxx）, raw or
    // percent-encoded.
    if (link.code.empty()) {
        std::string text = addressText(tail);
        for (const CodeMark& mark : codeMarks(text)) {
            if (codeFits(netdisk, mark.code)) {
                link.code = mark.code;
                break;
            }
        }
    }
    // 123 also takes the bare code as the whole query (?ZY4K).
    if (link.code.empty() && netdisk == Netdisk::Pan123 && codeFits(netdisk, query)) link.code = std::string(query);
    return link;
}

std::string codeInText(Netdisk netdisk, std::string_view text) {
    for (const CodeMark& mark : codeMarks(text)) {
        if (codeFits(netdisk, mark.code)) return mark.code;
    }
    return {};
}

namespace {

// A Baidu link followed by its code alone ("https://pan.baidu.com/s/1xx uftv"): four letters
// or digits after blanks, and then no further word of ASCII on that line.
bool bareCodeAfterBaidu(std::string_view text, size_t at, std::string* code) {
    size_t i = at, w = 0;
    bool blank = false;
    while ((w = blankWidth(text, i)) != 0) {
        i += w;
        blank = true;
    }
    if (!blank) return false;
    size_t end = i;
    while (end < text.size() && isAsciiAlnum(static_cast<unsigned char>(text[end]))) ++end;
    if (end - i != 4) return false;
    // Then the line ends or Chinese text goes on: an English word here is a sentence's.
    size_t after = end;
    while ((w = blankWidth(text, after)) != 0) after += w;
    if (after < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[after]);
        if (c != '\r' && c != '\n' && !isLeadByte(c)) return false;
    }
    *code = std::string(text.substr(i, 4));
    return true;
}

// Tianyi's code in brackets right after the link: "(fc9b)" or "（fc9b）".
bool bracketCodeAfterTianyi(std::string_view text, size_t at, std::string* code) {
    size_t i = at, w = 0;
    while ((w = blankWidth(text, i)) != 0) i += w;
    size_t open = startsWith(text, i, "(") ? 1 : startsWith(text, i, "（") ? 2 : 0;
    if (open == 0) return false;
    i += open;
    size_t end = i;
    while (end < text.size() && isAsciiAlnum(static_cast<unsigned char>(text[end]))) ++end;
    if (end - i != 4) return false;
    if (!startsWith(text, end, ")") && !startsWith(text, end, "）")) return false;
    *code = std::string(text.substr(i, 4));
    return true;
}

// Characters an address in running text is made of; full-width punctuation, Chinese words,
// quotes, brackets and blanks end it.
bool isUrlChar(unsigned char c) {
    if (c <= 0x20 || c >= 0x7F) return false;
    return !std::strchr("<>\"'`()[]{},;!|\\^", c);
}

struct Occurrence {
    size_t begin = 0;
    size_t end = 0;
    ShareLink link;
};

// The address starting at `at` (scheme or a bare host), if it is a share link; `end` is where
// it stops in the text.
std::optional<ShareLink> linkAt(std::string_view text, size_t at, size_t* end) {
    size_t hostAt = at;
    if (startsWithNoCase(text, at, "https://")) {
        hostAt = at + 8;
    } else if (startsWithNoCase(text, at, "http://")) {
        hostAt = at + 7;
    }
    size_t hostEnd = hostAt;
    while (hostEnd < text.size() && isHostChar(static_cast<unsigned char>(text[hostEnd]))) ++hostEnd;
    if (hostEnd == hostAt || hostEnd >= text.size() || text[hostEnd] != '/') return std::nullopt;
    std::string host = asciiLower(text.substr(hostAt, hostEnd - hostAt));
    if (host.substr(0, 4) == "www.") host.erase(0, 4);
    Netdisk netdisk = netdiskOfHost(host);
    if (netdisk == Netdisk::None) return std::nullopt;
    size_t stop = hostEnd;
    while (stop < text.size()) {
        if (startsWith(text, stop, "&amp;")) {
            stop += 5;  // an address in a page's markup
        } else if (isUrlChar(static_cast<unsigned char>(text[stop]))) {
            ++stop;
        } else {
            break;
        }
    }
    // 123's code written into the address as it is: "?提取码:JZMM".
    if (netdisk == Netdisk::Pan123 && stop > 0 && text[stop - 1] == '?' && startsWith(text, stop, "提取码")) {
        size_t i = stop + std::strlen("提取码");
        if (startsWith(text, i, ":")) {
            i += 1;
        } else if (startsWith(text, i, "：")) {
            i += 2;
        }
        size_t codeEnd = i;
        while (codeEnd < text.size() && isAsciiAlnum(static_cast<unsigned char>(text[codeEnd]))) ++codeEnd;
        if (codeEnd > i) stop = codeEnd;
    }
    // Sentence punctuation after an address is the sentence's.
    while (stop > hostEnd && std::strchr(".:?&", text[stop - 1])) --stop;
    std::optional<ShareLink> link = readShareLink(text.substr(at, stop - at));
    if (link) *end = stop;
    return link;
}

// Where the text's lines end, to tell in a few steps whether two places share a line.
class LineIndex {
public:
    explicit LineIndex(std::string_view text) {
        for (size_t i = text.find('\n'); i != std::string_view::npos; i = text.find('\n', i + 1)) ends_.push_back(i);
    }
    bool sameLine(size_t a, size_t b) const { return lineOf(a) == lineOf(b); }

private:
    size_t lineOf(size_t at) const { return size_t(std::lower_bound(ends_.begin(), ends_.end(), at) - ends_.begin()); }
    std::vector<size_t> ends_;
};

// How far before a link a code may stand on another line and still be its own.
constexpr size_t BEFORE_REACH = 300;

}  // namespace

std::vector<ShareLink> shareLinksInText(std::string_view text) {
    std::vector<Occurrence> found;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned char prev = i > 0 ? static_cast<unsigned char>(text[i - 1]) : ' ';
        bool tokenStart = isHostChar(c) && !isHostChar(prev) && prev != '/' && prev != '@' && prev != ':' &&
                          prev != '%';
        if (!tokenStart) {
            i += stepAt(text, i);
            continue;
        }
        size_t end = 0;
        if (std::optional<ShareLink> link = linkAt(text, i, &end)) {
            Occurrence o;
            o.begin = i;
            o.end = end;
            o.link = std::move(*link);
            std::string bare;
            if (o.link.code.empty() &&
                ((o.link.netdisk == Netdisk::Baidu && bareCodeAfterBaidu(text, end, &bare)) ||
                 (o.link.netdisk == Netdisk::Tianyi && bracketCodeAfterTianyi(text, end, &bare)))) {
                o.link.code = bare;
            }
            found.push_back(std::move(o));
            i = end;
            continue;
        }
        // Past the whole token (a host, a word): nothing inside it starts an address.
        while (i < text.size() && (isHostChar(static_cast<unsigned char>(text[i])) || text[i] == ':' || text[i] == '/'))
            ++i;
    }

    // The code keywords outside the links, each with the links beside it.
    struct Mark {
        CodeMark mark;
        int before = -1;  // the nearest link before it
        int after = -1;   // the nearest link after it
        bool used = false;
    };
    std::vector<Mark> marks;
    size_t next = 0;
    for (const CodeMark& m : codeMarks(text)) {
        while (next < found.size() && found[next].end <= m.keyword) ++next;
        if (next < found.size() && found[next].begin <= m.keyword) continue;  // inside an address
        Mark mark;
        mark.mark = m;
        mark.before = int(next) - 1;
        mark.after = next < found.size() && found[next].begin >= m.end ? int(next) : -1;
        marks.push_back(mark);
    }
    LineIndex lines(text);
    auto sameLine = [&](size_t a, size_t b) { return lines.sameLine(a, b); };
    auto lacks = [&](int o) { return o >= 0 && found[o].link.code.empty(); };
    auto give = [&](Mark& m, int o) {
        m.used = true;
        if (lacks(o) && codeFits(found[o].link.netdisk, m.mark.code)) found[o].link.code = m.mark.code;
    };
    auto fits = [&](const Mark& m, int o) { return o >= 0 && codeFits(found[o].link.netdisk, m.mark.code); };

    // Rules, each over every mark before the next: a code on the line of the link before it, a
    // code on the line of the link after it, a code after the link before it, a code shortly
    // before the link after it. A text that puts its codes first (a code before its first link,
    // none after its last) reads the second and fourth rules first.
    // A code on the line of the link before it is that link's, even one it cannot take.
    auto sameLineAfter = [&](Mark& m) {
        if (m.used || m.before < 0 || !sameLine(found[m.before].end, m.mark.keyword)) return;
        give(m, m.before);
    };
    auto sameLineBefore = [&](Mark& m) {
        if (m.used || m.after < 0 || !lacks(m.after) || !fits(m, m.after)) return;
        if (!sameLine(m.mark.end, found[m.after].begin)) return;
        give(m, m.after);
    };
    auto afterLink = [&](Mark& m) {
        if (m.used || m.before < 0) return;
        // The link's own code written out again below it ("URL?pwd=abcd" then "提取码: abcd").
        if (found[m.before].link.code == m.mark.code) m.used = true;
        if (!lacks(m.before) || !fits(m, m.before)) return;
        give(m, m.before);
    };
    auto beforeLink = [&](Mark& m) {
        if (m.used || !lacks(m.after) || !fits(m, m.after)) return;
        if (found[m.after].begin - m.mark.end > BEFORE_REACH) return;
        give(m, m.after);
    };

    bool codesFirst = false;
    if (!found.empty()) {
        bool first = false, last = false;
        for (const Mark& m : marks) {
            if (m.before < 0 && m.after == 0 && fits(m, 0) && found[0].begin - m.mark.end <= BEFORE_REACH) first = true;
            if (m.before == int(found.size()) - 1 && fits(m, m.before)) last = true;
        }
        codesFirst = first && !last && found.back().link.code.empty();
    }
    if (codesFirst) {
        for (Mark& m : marks) sameLineBefore(m);
        for (auto it = marks.rbegin(); it != marks.rend(); ++it) beforeLink(*it);
        for (Mark& m : marks) sameLineAfter(m);
        for (Mark& m : marks) afterLink(m);
    } else {
        for (Mark& m : marks) sameLineAfter(m);
        for (Mark& m : marks) sameLineBefore(m);
        for (Mark& m : marks) afterLink(m);
        for (auto it = marks.rbegin(); it != marks.rend(); ++it) beforeLink(*it);
    }

    // Each share once: the first stays, a later one's code fills a missing code.
    std::vector<ShareLink> links;
    std::map<std::pair<Netdisk, std::string>, size_t> listed;
    for (Occurrence& o : found) {
        auto [at, isNew] = listed.emplace(std::make_pair(o.link.netdisk, o.link.share), links.size());
        if (isNew) {
            links.push_back(std::move(o.link));
        } else if (links[at->second].code.empty()) {
            links[at->second].code = o.link.code;
        }
    }
    return links;
}

std::string postText(std::string_view bytes) {
    if (startsWith(bytes, 0, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
    bool littleEndian = startsWith(bytes, 0, "\xFF\xFE"), bigEndian = startsWith(bytes, 0, "\xFE\xFF");
    if (littleEndian || bigEndian) {
        std::wstring wide;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            unsigned char a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
            wide += wchar_t(littleEndian ? (a | b << 8) : (b | a << 8));
        }
        return wideToGbk(wide);
    }
    if (validUtf8(bytes)) return utf8ToGbk(bytes);
    return std::string(bytes);
}

std::optional<ShareLink> readHitShare(std::string_view address, std::string_view title, std::string_view snippet) {
    std::optional<ShareLink> link = readShareLink(address);
    if (!link || !link->code.empty()) return link;
    for (std::string_view text : {title, snippet}) {
        // A text that names shares itself gives each of them its own code: this share's, if it
        // is among them, and none of the others'.
        std::vector<ShareLink> named = shareLinksInText(text);
        if (named.empty()) {
            link->code = codeInText(link->netdisk, text);
        } else {
            for (const ShareLink& other : named) {
                if (other.netdisk == link->netdisk && other.share == link->share) link->code = other.code;
            }
        }
        if (!link->code.empty()) break;
    }
    return link;
}

std::string shareText(const ShareLink& link) {
    std::string text = "链接: " + link.url;
    if (!link.code.empty()) text += " 提取码: " + link.code;
    return text;
}

std::string linkWithCode(const ShareLink& link) {
    const char* name = nullptr;
    switch (link.netdisk) {
        case Netdisk::Baidu:
        case Netdisk::Quark:
        case Netdisk::Uc:
        case Netdisk::Xunlei:
        case Netdisk::Pan123:
            name = "pwd";
            break;
        case Netdisk::Pan115:
            name = "password";
            break;
        default:
            break;
    }
    if (!name || link.code.empty()) return link.url;
    std::string_view url = link.url;
    size_t hash = url.find('#');
    std::string_view fragment = hash == std::string_view::npos ? std::string_view() : url.substr(hash);
    std::string_view head = url.substr(0, hash == std::string_view::npos ? url.size() : hash);
    size_t q = head.find('?');
    std::string base(head.substr(0, q == std::string_view::npos ? head.size() : q));
    std::string query;
    if (q != std::string_view::npos) {
        // The parameters other than a code stay; a bare code or 提取码:XXXX (123's) goes.
        for (const std::string& item : splitText(head.substr(q + 1), "&")) {
            std::string key = asciiLower(item.substr(0, item.find('=')));
            if (item.find('=') == std::string::npos) continue;
            if (key == "pwd" || key == "password" || key == "passcode") continue;
            query += (query.empty() ? "" : "&") + item;
        }
    }
    query += (query.empty() ? "" : "&") + std::string(name) + "=" + link.code;
    return base + "?" + query + std::string(fragment);
}
