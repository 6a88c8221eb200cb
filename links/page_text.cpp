// A page read in blocks, the share links in it, and its character set. See page_text.h.
#include "links/page_text.h"

#include <algorithm>
#include <cstdint>
#include <cctype>
#include <cstring>
#include <map>
#include <optional>

#include "text/encoding.h"
#include "text/text.h"

namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool sameShare(const ShareLink& a, const ShareLink& b) {
    return a.netdisk == b.netdisk && a.share == b.share;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// `what` (lower-case ASCII) at `at` without regard to case.
bool startsNoCase(std::string_view text, size_t at, std::string_view what) {
    if (at > text.size() || text.size() - at < what.size()) return false;
    for (size_t i = 0; i < what.size(); ++i) {
        if (lowerAscii(text[at + i]) != what[i]) return false;
    }
    return true;
}

// The next `what` (lower-case ASCII starting with an ASCII byte no GBK trail byte can be, such
// as "<" or "-") at or after `from`; npos when absent.
size_t findMarker(std::string_view text, std::string_view what, size_t from) {
    while (from < text.size()) {
        size_t at = text.find(what[0], from);
        if (at == std::string_view::npos) return at;
        if (startsNoCase(text, at, what)) return at;
        from = at + 1;
    }
    return std::string_view::npos;
}

// A text found without regard to ASCII case, stepping GBK characters whole.
size_t findNoCaseGbk(std::string_view text, std::string_view lowerWhat, size_t from = 0) {
    for (size_t i = from; i < text.size();) {
        if (startsNoCase(text, i, lowerWhat)) return i;
        i += isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    return std::string_view::npos;
}

std::string trimBlanks(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

// ---- Character references --------------------------------------------------------------------

struct NamedReference {
    const char* name;
    uint32_t codePoint;
};
// The references pages use around share texts; anything else stays as written.
constexpr NamedReference NAMED_REFERENCES[] = {
    {"amp", '&'},       {"lt", '<'},        {"gt", '>'},        {"quot", '"'},      {"apos", '\''},
    {"nbsp", ' '},      {"ensp", ' '},      {"emsp", ' '},      {"thinsp", ' '},    {"middot", 0xB7},
    {"mdash", 0x2014},  {"ndash", 0x2013},  {"hellip", 0x2026}, {"ldquo", 0x201C},  {"rdquo", 0x201D},
    {"lsquo", 0x2018},  {"rsquo", 0x2019},  {"laquo", 0xAB},    {"raquo", 0xBB},    {"times", 0xD7},
    {"colon", ':'},     {"sol", '/'},       {"quest", '?'},     {"equals", '='},    {"period", '.'},
    {"lpar", '('},      {"rpar", ')'},      {"num", '#'},       {"percnt", '%'},    {"commat", '@'},
};

void appendCodePoint(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp ? cp : '?');
    } else if (cp == 0xA0 || cp == 0x2002 || cp == 0x2003 || cp == 0x2009) {
        out += ' ';
    } else if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        out += '?';
    } else {
        out += utf8ToGbk(utf8Of(cp));
    }
}

// Character references decoded into GBK; an unknown one stays as written.
std::string decodeRefs(std::string_view text) {
    if (text.find('&') == std::string_view::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] != '&') {
            out += text[i++];
            continue;
        }
        size_t semi = text.find(';', i + 1);
        if (semi == std::string_view::npos || semi - i > 12) {
            out += text[i++];
            continue;
        }
        std::string_view name = text.substr(i + 1, semi - i - 1);
        bool done = false;
        if (name.size() >= 2 && name[0] == '#') {
            bool hex = name[1] == 'x' || name[1] == 'X';
            std::string_view digits = name.substr(hex ? 2 : 1);
            uint32_t cp = 0;
            bool ok = !digits.empty() && digits.size() <= 7;
            for (char c : digits) {
                int v = -1;
                if (c >= '0' && c <= '9') v = c - '0';
                else if (hex && c >= 'a' && c <= 'f') v = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F') v = c - 'A' + 10;
                if (v < 0) ok = false;
                else cp = cp * (hex ? 16 : 10) + uint32_t(v);
            }
            if (ok) {
                appendCodePoint(out, cp);
                done = true;
            }
        } else {
            for (const NamedReference& ref : NAMED_REFERENCES) {
                if (name == ref.name) {
                    appendCodePoint(out, ref.codePoint);
                    done = true;
                    break;
                }
            }
        }
        if (done) {
            i = semi + 1;
        } else {
            out += text[i++];
        }
    }
    return out;
}

// ---- Embedded targets ------------------------------------------------------------------------

// %XX of ASCII bytes decoded; other escapes stay, so the text keeps stepping as GBK.
std::string asciiPercentDecode(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        auto hexValue = [](char c) {
            if (c >= '0' && c <= '9') return c - '0';
            c = lowerAscii(c);
            return (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        };
        if (text[i] == '%' && i + 2 < text.size()) {
            int hi = hexValue(text[i + 1]), lo = hexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0 && hi < 8) {
                out += char(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// Addresses a link carries inside its own: a forum's "go?url=https%3A%2F%2F..." or a blog's
// "goto/?url=aHR0cHM6Ly9..." (Base64). Each is returned on its own.
std::vector<std::string> embeddedTargets(std::string_view href) {
    std::vector<std::string> found;
    size_t query = href.find_first_of("?#");
    if (query == std::string_view::npos) return found;
    size_t encoded = findNoCaseGbk(href, "%3a%2f%2f", query);
    if (encoded != std::string_view::npos) {
        size_t start = href.rfind('=', encoded);
        start = (start == std::string_view::npos || start < query) ? query + 1 : start + 1;
        size_t end = href.find('&', encoded);
        found.push_back(asciiPercentDecode(href.substr(start, end == std::string_view::npos ? end : end - start)));
    }
    for (size_t at = query; at < href.size();) {
        size_t eq = href.find('=', at);
        if (eq == std::string_view::npos) break;
        size_t end = href.find('&', eq);
        std::string_view value = href.substr(eq + 1, end == std::string_view::npos ? std::string_view::npos : end - eq - 1);
        if (value.size() >= 16 && value.size() <= 4096) {
            // What follows the first "=" of the padding is not read.
            const std::string base64 = asciiPercentDecode(value);
            std::string decoded = base64UrlDecode(std::string_view(base64).substr(0, base64.find('=')));
            if (startsNoCase(decoded, 0, "http://") || startsNoCase(decoded, 0, "https://")) found.push_back(decoded);
        }
        if (end == std::string_view::npos) break;
        at = end + 1;
    }
    return found;
}

bool isAbsoluteHttp(std::string_view address) {
    return startsNoCase(address, 0, "http://") || startsNoCase(address, 0, "https://") ||
           startsNoCase(address, 0, "//");
}

// A link text that is an address itself (perhaps shortened with "..." by the forum).
bool textIsAddress(std::string_view text) {
    std::string trimmed = trimBlanks(text);
    if (trimmed.empty()) return false;
    if (isAbsoluteHttp(trimmed) || startsNoCase(trimmed, 0, "www.")) return true;
    return readShareLink(trimmed).has_value();
}

// ---- Markup -----------------------------------------------------------------------------------

// Tags whose start and end close a block.
constexpr std::string_view BLOCK_TAGS[] = {
    "p",      "div",     "article", "section",    "li",      "ul",         "ol",    "tr",       "table",
    "tbody",  "thead",   "tfoot",   "pre",        "blockquote", "h1",      "h2",    "h3",       "h4",
    "h5",     "h6",      "dd",      "dt",         "dl",      "header",     "footer", "main",    "aside",
    "nav",    "form",    "fieldset", "hr",        "body",    "html",       "head",  "title",    "center",
    "address", "figure", "figcaption", "details", "summary", "caption",    "option", "textarea", "iframe",
};
// Elements whose content no reader sees.
constexpr std::string_view HIDDEN_TAGS[] = {"script", "style", "template", "svg", "math", "object"};
// Attributes that carry an address or a copy text on any element (copy buttons, input boxes).
constexpr std::string_view CARRYING_ATTRIBUTES[] = {"data-clipboard-text", "data-url", "data-link", "data-href",
                                                    "data-share", "data-copy"};

template <size_t N>
bool oneOf(std::string_view name, const std::string_view (&names)[N]) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

// One tag as written: its lower-case name, whether it closes, and its attribute text.
struct Tag {
    std::string name;
    bool closing = false;
    std::string_view attributes;
    size_t end = 0;  // just after its ">"
};

// The tag at `at` (a "<" followed by a letter or "/"), its end found outside quoted values.
bool readTag(std::string_view page, size_t at, Tag& tag) {
    size_t i = at + 1;
    tag.closing = i < page.size() && page[i] == '/';
    if (tag.closing) ++i;
    size_t nameStart = i;
    while (i < page.size() && (std::isalnum(static_cast<unsigned char>(page[i])) || page[i] == '-' || page[i] == ':') &&
           static_cast<unsigned char>(page[i]) < 0x80)
        ++i;
    if (i == nameStart || !std::isalpha(static_cast<unsigned char>(page[nameStart]))) return false;
    tag.name.assign(page.substr(nameStart, i - nameStart));
    for (char& c : tag.name) c = lowerAscii(c);
    size_t attrStart = i;
    while (i < page.size() && page[i] != '>') {
        if (page[i] == '=') {
            size_t v = i + 1;
            while (v < page.size() && isBlank(page[v])) ++v;
            if (v < page.size() && (page[v] == '"' || page[v] == '\'')) {
                size_t close = page.find(page[v], v + 1);
                // A quote that never closes nearby is a typo, not a value holding the page.
                if (close != std::string_view::npos && close - v < 8192) {
                    i = close + 1;
                    continue;
                }
            }
        }
        ++i;
    }
    tag.attributes = page.substr(attrStart, i - attrStart);
    tag.end = i < page.size() ? i + 1 : page.size();
    return true;
}

bool headerNamesCode(std::string_view cell) {
    if (cell.find("解压") != std::string_view::npos) return false;
    return cell.find("提取码") != std::string_view::npos || cell.find("密码") != std::string_view::npos ||
           cell.find("访问码") != std::string_view::npos || findNoCaseGbk(cell, "code") != std::string_view::npos ||
           findNoCaseGbk(cell, "pwd") != std::string_view::npos;
}

// The code label put before a cell of a table's code column, so the reader finds it as it
// finds "提取码：abcd" in a sentence.
constexpr const char CODE_LABEL[] = " 提取码: ";

// The blocks a reader has written and the one it is writing: its text and the links in it.
class BlockWriter {
protected:
    // Ends the block being written; a block that is only blanks is dropped.
    void endBlock() {
        std::string trimmed = trimBlanks(text_);
        if (!trimmed.empty()) blocks_.push_back(PageBlock{std::move(trimmed), std::move(anchors_)});
        text_.clear();
        anchors_.clear();
    }

    std::vector<PageBlock> blocks_;
    std::string text_;
    std::vector<BlockAnchor> anchors_;
};

class MarkupReader : BlockWriter {
public:
    explicit MarkupReader(std::string_view page) : page_(page) {}

    std::vector<PageBlock> read() {
        size_t i = 0;
        while (i < page_.size()) {
            size_t lt = page_.find('<', i);
            if (lt == std::string_view::npos) lt = page_.size();
            if (lt > i) appendText(page_.substr(i, lt - i));
            if (lt >= page_.size()) break;
            i = onMarkup(lt);
        }
        flush();
        return std::move(blocks_);
    }

private:
    // Reads what starts at "<" and returns where reading goes on.
    size_t onMarkup(size_t lt) {
        if (startsNoCase(page_, lt, "<!--")) {
            size_t end = page_.find("-->", lt + 4);
            return end == std::string_view::npos ? page_.size() : end + 3;
        }
        if (lt + 1 < page_.size() && (page_[lt + 1] == '!' || page_[lt + 1] == '?')) {
            size_t end = page_.find('>', lt);
            return end == std::string_view::npos ? page_.size() : end + 1;
        }
        Tag tag;
        if (!readTag(page_, lt, tag)) {
            appendText(page_.substr(lt, 1));
            return lt + 1;
        }
        if (!tag.closing && oneOf(tag.name, HIDDEN_TAGS)) {
            std::string close = "</" + tag.name;
            size_t end = findMarker(page_, close, tag.end);
            if (end == std::string_view::npos) return page_.size();
            size_t gt = page_.find('>', end);
            return gt == std::string_view::npos ? page_.size() : gt + 1;
        }
        onTag(tag);
        return tag.end;
    }

    void onTag(const Tag& tag) {
        const std::string& name = tag.name;
        if (name == "a") {
            closeAnchor();
            if (!tag.closing) openAnchor(decodeRefs(trimBlanks(attributeValue(tag.attributes, "href"))));
            return;
        }
        if (name == "br") {
            text_ += '\n';
            return;
        }
        if (name == "table") {
            flush();
            codeColumn_ = -1;
            rows_ = 0;
            return;
        }
        if (name == "tr") {
            flush();
            return;
        }
        if (name == "td" || name == "th") {
            if (tag.closing) return;
            ++cell_;
            if (name == "th") headerRow_ = true;
            if (!text_.empty()) text_ += ' ';
            cellStarts_.push_back(text_.size());
            if (name == "td" && cell_ == codeColumn_) text_ += CODE_LABEL;
            return;
        }
        if (oneOf(name, BLOCK_TAGS)) {
            flush();
            if (!tag.closing && name == "textarea") carry(tag.attributes);
            return;
        }
        if (!tag.closing) {
            if (name == "input") {
                std::string value = attributeValue(tag.attributes, "value");
                if (!value.empty()) appendTarget(decodeRefs(value));
            }
            carry(tag.attributes);
        }
    }

    void carry(std::string_view attributes) {
        if (attributes.find("data-") == std::string_view::npos) return;
        for (std::string_view name : CARRYING_ATTRIBUTES) {
            std::string value = attributeValue(attributes, name);
            if (!value.empty()) appendTarget(decodeRefs(value));
        }
    }

    void openAnchor(std::string href) {
        anchorOpen_ = true;
        anchorHref_ = std::move(href);
        anchorStart_ = text_.size();
    }

    // The link's text stays where it stands and its target follows it; a text that is only
    // the address (often shortened by the forum) gives way to the whole target.
    void closeAnchor() {
        if (!anchorOpen_) return;
        anchorOpen_ = false;
        if (anchorStart_ > text_.size()) anchorStart_ = text_.size();
        std::string label = trimBlanks(std::string_view(text_).substr(anchorStart_));
        const std::string& href = anchorHref_;
        bool absolute = isAbsoluteHttp(href);
        std::optional<ShareLink> hrefShare = absolute ? readShareLink(href) : std::nullopt;
        if (hrefShare && textIsAddress(label)) {
            std::optional<ShareLink> labelShare = readShareLink(label);
            bool shortened = label.size() >= 3 && (label.compare(label.size() - 3, 3, "...") == 0 ||
                                                   label.compare(label.size() - 2, 2, "…") == 0);
            if (!labelShare || shortened || sameShare(*labelShare, *hrefShare) ||
                hrefShare->share.compare(0, labelShare->share.size(), labelShare->share) == 0)
                text_.resize(anchorStart_);
        }
        if (absolute) appendTarget(href);
        for (const std::string& inner : embeddedTargets(href)) appendTarget(inner);
        anchors_.push_back(BlockAnchor{href, label});
    }

    void appendTarget(std::string_view target) {
        if (!text_.empty() && !isBlank(text_.back())) text_ += ' ';
        text_.append(target);
        text_ += ' ';
    }

    // Text between tags: references decoded, every run of blanks one blank.
    void appendText(std::string_view raw) {
        std::string decoded = decodeRefs(raw);
        for (char c : decoded) {
            if (isBlank(c)) {
                if (!text_.empty() && text_.back() != ' ' && text_.back() != '\n') text_ += ' ';
            } else {
                text_ += c;
            }
        }
    }

    void flush() {
        closeAnchor();
        if (cell_ >= 0 && codeColumn_ < 0 && (headerRow_ || rows_ == 0)) {
            for (size_t c = 0; c < cellStarts_.size(); ++c) {
                size_t end = c + 1 < cellStarts_.size() ? cellStarts_[c + 1] : text_.size();
                if (cellStarts_[c] <= end && end <= text_.size() &&
                    headerNamesCode(std::string_view(text_).substr(cellStarts_[c], end - cellStarts_[c]))) {
                    codeColumn_ = int(c);
                    break;
                }
            }
        }
        if (cell_ >= 0) ++rows_;
        cell_ = -1;
        headerRow_ = false;
        cellStarts_.clear();
        endBlock();
    }

    std::string_view page_;
    bool anchorOpen_ = false;
    std::string anchorHref_;
    size_t anchorStart_ = 0;
    int cell_ = -1;          // the cell of the row being read, -1 outside a row
    int codeColumn_ = -1;    // the column a table's header names as the code's
    int rows_ = 0;           // rows of the current table read so far
    bool headerRow_ = false;
    std::vector<size_t> cellStarts_;
};

// ---- Plain text and Markdown ------------------------------------------------------------------

size_t stepGbk(std::string_view text, size_t i) {
    return i + (isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1);
}

bool isListItem(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && i < 4 && line[i] == ' ') ++i;
    if (i + 1 < line.size() && (line[i] == '-' || line[i] == '*' || line[i] == '+') && line[i + 1] == ' ') return true;
    size_t digits = i;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
    return digits > i && digits - i <= 3 && digits + 1 < line.size() && (line[digits] == '.' || line[digits] == ')') &&
           line[digits + 1] == ' ';
}

// The cells of a Markdown table row "| a | b |", split at "|" outside double-byte characters.
std::vector<std::string> tableCells(std::string_view line) {
    std::vector<std::string> cells;
    std::string trimmed = trimBlanks(line);
    std::string_view row = trimmed;
    if (!row.empty() && row.front() == '|') row.remove_prefix(1);
    if (!row.empty() && row.back() == '|') row.remove_suffix(1);
    size_t start = 0;
    for (size_t i = 0; i < row.size();) {
        if (row[i] == '|') {
            cells.push_back(trimBlanks(row.substr(start, i - start)));
            start = i + 1;
        }
        i = stepGbk(row, i);
    }
    cells.push_back(trimBlanks(row.substr(std::min(start, row.size()))));
    return cells;
}

bool isTableSeparator(std::string_view line) {
    std::string trimmed = trimBlanks(line);
    return trimmed.size() >= 3 && trimmed.find('-') != std::string::npos &&
           trimmed.find_first_not_of("|-: ") == std::string::npos;
}

class PlainReader : BlockWriter {
public:
    explicit PlainReader(std::string_view text) : input_(text) {}

    std::vector<PageBlock> read() {
        size_t start = 0;
        while (start <= input_.size()) {
            size_t end = input_.find('\n', start);
            if (end == std::string_view::npos) end = input_.size();
            std::string_view line = input_.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            onLine(line);
            if (end >= input_.size()) break;
            start = end + 1;
        }
        flush();
        return std::move(blocks_);
    }

private:
    void onLine(std::string_view line) {
        std::string trimmed = trimBlanks(line);
        if (trimmed.empty()) {
            flush();
            tableHeader_.clear();
            codeColumn_ = -1;
            return;
        }
        if (trimmed.compare(0, 3, "```") == 0 || trimmed.compare(0, 3, "~~~") == 0 || trimmed[0] == '#') {
            flush();
            if (trimmed[0] == '#') {
                appendLine(trimmed);
                flush();
            }
            return;
        }
        if (trimmed[0] == '|') {
            onTableLine(trimmed);
            return;
        }
        if (isListItem(line)) flush();
        appendLine(line);
    }

    void onTableLine(std::string_view line) {
        flush();
        if (isTableSeparator(line)) {
            for (size_t c = 0; c < tableHeader_.size(); ++c) {
                if (headerNamesCode(tableHeader_[c])) {
                    codeColumn_ = int(c);
                    break;
                }
            }
            return;
        }
        std::vector<std::string> cells = tableCells(line);
        if (tableHeader_.empty()) tableHeader_ = cells;
        std::string row;
        for (size_t c = 0; c < cells.size(); ++c) {
            if (c > 0) row += ' ';
            if (int(c) == codeColumn_ && !cells[c].empty()) row += CODE_LABEL;
            row += cells[c];
        }
        appendLine(row);
        flush();
    }

    // One line: Markdown links "[text](url)" read as their text followed by their target,
    // autolinks "<url>" as the bare address.
    void appendLine(std::string_view line) {
        for (size_t i = 0; i < line.size();) {
            char c = line[i];
            if (c == '[') {
                size_t close = findClose(line, i + 1, ']');
                if (close != std::string_view::npos && close + 1 < line.size() && line[close + 1] == '(') {
                    size_t paren = findClose(line, close + 2, ')');
                    if (paren != std::string_view::npos) {
                        std::string label = trimBlanks(line.substr(i + 1, close - i - 1));
                        std::string_view rest = line.substr(close + 2, paren - close - 2);
                        std::string target = trimBlanks(rest.substr(0, rest.find(' ')));
                        // A label that is only the address gives way to the whole target.
                        if (!(textIsAddress(label) && readShareLink(target).has_value())) text_ += label;
                        text_ += ' ';
                        text_ += target;
                        text_ += ' ';
                        for (const std::string& inner : embeddedTargets(target)) text_ += inner + ' ';
                        anchors_.push_back(BlockAnchor{target, label});
                        i = paren + 1;
                        continue;
                    }
                }
            } else if (c == '<' && (startsNoCase(line, i + 1, "http://") || startsNoCase(line, i + 1, "https://"))) {
                size_t close = line.find('>', i);
                if (close != std::string_view::npos) {
                    text_ += ' ';
                    text_.append(line.substr(i + 1, close - i - 1));
                    text_ += ' ';
                    i = close + 1;
                    continue;
                }
            }
            size_t next = stepGbk(line, i);
            text_.append(line.substr(i, next - i));
            i = next;
        }
        text_ += '\n';
    }

    static size_t findClose(std::string_view line, size_t from, char close) {
        for (size_t i = from; i < line.size(); i = stepGbk(line, i)) {
            if (line[i] == close) return i;
            if (line[i] == '\n') break;
        }
        return std::string_view::npos;
    }

    void flush() { endBlock(); }

    std::string_view input_;
    std::vector<std::string> tableHeader_;
    int codeColumn_ = -1;
};

// A block that holds only a code is short: one line such as "提取码：abcd" or "密码: 1234".
constexpr size_t MAX_CODE_BLOCK = 160;

}  // namespace

bool looksLikeHtml(std::string_view page) {
    std::string_view head = page.substr(0, std::min<size_t>(page.size(), 65536));
    static constexpr std::string_view MARKS[] = {"<html", "<!doctype", "<body", "<div", "<p>",  "<p ", "<br",
                                                 "<a ",   "<table",    "<li",   "<span", "<head", "<td"};
    for (std::string_view mark : MARKS) {
        if (findMarker(head, mark, 0) != std::string_view::npos) return true;
    }
    return false;
}

std::vector<PageBlock> pageBlocks(std::string_view page) {
    if (looksLikeHtml(page)) return MarkupReader(page).read();
    return PlainReader(page).read();
}

bool namesFile(std::string_view anchorText) {
    std::string text = trimBlanks(anchorText);
    if (text.empty() || textIsAddress(text) || text.find("://") != std::string::npos) return false;
    static constexpr std::string_view GENERIC[] = {
        "点击", "下载", "链接", "地址", "网盘", "百度", "夸克", "阿里", "云盘", "这里", "此处", "点此", "点我",
        "打开", "前往", "查看", "获取", "传送门", "提取码", "密码", "进入", "立即", "资源", "直达", "备用",
        "link", "download", "here", "click", "open", "go"};
    std::string rest = text;
    for (std::string_view word : GENERIC) {
        for (size_t at = findNoCaseGbk(rest, word); at != std::string::npos; at = findNoCaseGbk(rest, word, at))
            rest.erase(at, word.size());
    }
    size_t meaningful = 0;
    for (size_t i = 0; i < rest.size(); i = stepGbk(rest, i)) {
        unsigned char c = static_cast<unsigned char>(rest[i]);
        if (isLeadByte(c)) {
            // Full-width punctuation and blanks (row 0xA1-0xA3 symbols) name nothing.
            if (c != 0xA1 && c != 0xA3) meaningful += 2;
        } else if (std::isalnum(c)) {
            meaningful += 1;
        }
    }
    return meaningful >= 4;
}

std::vector<PageShare> sharesInPage(std::string_view page) {
    std::vector<PageShare> shares;
    // Where each share stands in `shares`: a page of thousands of links stays linear.
    std::map<std::pair<Netdisk, std::string>, size_t> at;
    int waitingForCode = -1;  // the last link of the block before, when it has no code
    std::string_view codeBefore;  // a short block without links that gave its code to none
    for (const PageBlock& block : pageBlocks(page)) {
        std::vector<ShareLink> links = shareLinksInText(block.text);
        if (links.empty()) {
            bool given = false;
            if (waitingForCode >= 0 && block.text.size() <= MAX_CODE_BLOCK) {
                ShareLink& link = shares[size_t(waitingForCode)].link;
                link.code = codeInText(link.netdisk, block.text);
                given = !link.code.empty();
            }
            codeBefore = !given && block.text.size() <= MAX_CODE_BLOCK ? std::string_view(block.text) : std::string_view();
            waitingForCode = -1;
            continue;
        }
        // "提取码：abcd" alone in the block before: the first link of this one takes it when
        // the block itself gives that link none.
        if (!codeBefore.empty() && links.front().code.empty()) links.front().code = codeInText(links.front().netdisk, codeBefore);
        codeBefore = {};
        // The names the block's link texts give their shares, each target read once.
        std::map<std::pair<Netdisk, std::string>, std::string> names;
        for (const BlockAnchor& anchor : block.anchors) {
            if (!namesFile(anchor.text)) continue;
            std::optional<ShareLink> target = readShareLink(anchor.target);
            if (!target) target = readShareLink(trimBlanks(anchor.text));
            if (target) names.emplace(std::make_pair(target->netdisk, target->share), trimBlanks(anchor.text));
        }
        int last = -1;
        for (ShareLink& link : links) {
            auto key = std::make_pair(link.netdisk, link.share);
            auto named = names.find(key);
            std::string name = named == names.end() ? std::string() : named->second;
            auto found = at.find(key);
            if (found == at.end()) {
                at.emplace(key, shares.size());
                shares.push_back(PageShare{std::move(link), std::move(name)});
                last = int(shares.size()) - 1;
            } else {
                PageShare& known = shares[found->second];
                if (known.link.code.empty()) known.link.code = link.code;
                if (known.name.empty()) known.name = name;
                last = int(found->second);
            }
        }
        waitingForCode = (last >= 0 && shares[size_t(last)].link.code.empty()) ? last : -1;
    }
    return shares;
}

// ---- Character sets ---------------------------------------------------------------------------

namespace {

PageCharset charsetOfName(std::string_view label) {
    std::string name;
    for (char c : label) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') name += lowerAscii(c);
        else break;
    }
    if (name == "utf-8" || name == "utf8") return PageCharset::Utf8;
    static constexpr std::string_view GBK_NAMES[] = {"gbk",      "gb2312",      "gb18030", "x-gbk",  "cp936",
                                                     "ms936",    "windows-936", "euc-cn",  "x-euc-cn",
                                                     "csgb2312", "gb_2312-80",  "csgbk",   "chinese"};
    if (oneOf(name, GBK_NAMES)) return PageCharset::Gbk;
    return PageCharset::Unknown;
}

// The value after "charset" (or "encoding") at `at`: blanks, "=", blanks, an optional quote.
PageCharset charsetValueAt(std::string_view text, size_t at) {
    size_t i = at;
    while (i < text.size() && isBlank(text[i])) ++i;
    if (i >= text.size() || text[i] != '=') return PageCharset::Unknown;
    ++i;
    while (i < text.size() && (isBlank(text[i]) || text[i] == '"' || text[i] == '\'')) ++i;
    return charsetOfName(text.substr(i));
}

// Well-formed GBK: GB18030's four-byte characters and bytes that start no character become "?".
void keepGbk(std::string& text) {
    std::string out;
    bool changed = false;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += char(c);
            ++i;
            continue;
        }
        unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c >= 0x81 && c <= 0xFE && next >= 0x30 && next <= 0x39 && i + 3 < text.size()) {
            out += '?';
            i += 4;
            changed = true;
        } else if (c >= 0x81 && c <= 0xFE && next >= 0x40 && next <= 0xFE && next != 0x7F) {
            out += char(c);
            out += char(next);
            i += 2;
        } else {
            out += '?';
            ++i;
            changed = true;
        }
    }
    if (changed) text = std::move(out);
}

}  // namespace

PageCharset charsetOfLabel(std::string_view contentTypeOrLabel) {
    size_t at = findNoCaseGbk(contentTypeOrLabel, "charset");
    if (at == std::string_view::npos) return charsetOfName(trimBlanks(contentTypeOrLabel));
    return charsetValueAt(contentTypeOrLabel, at + 7);
}

PageCharset declaredInPage(std::string_view body) {
    std::string_view head = body.substr(0, std::min<size_t>(body.size(), 8192));
    if (startsNoCase(head, 0, "<?xml")) {
        size_t end = head.find("?>");
        size_t at = findNoCaseGbk(head.substr(0, end), "encoding");
        if (at != std::string_view::npos) return charsetValueAt(head, at + 8);
    }
    for (size_t meta = findMarker(head, "<meta", 0); meta != std::string_view::npos;
         meta = findMarker(head, "<meta", meta + 5)) {
        size_t end = head.find('>', meta);
        std::string_view tag = head.substr(meta, end == std::string_view::npos ? std::string_view::npos : end - meta);
        size_t at = findNoCaseGbk(tag, "charset");
        if (at == std::string_view::npos) continue;
        PageCharset charset = charsetValueAt(tag, at + 7);
        if (charset != PageCharset::Unknown) return charset;
    }
    return PageCharset::Unknown;
}

bool isValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        size_t length;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (bytes.size() - i < length) return false;
        for (size_t k = 1; k < length; ++k) {
            unsigned char t = static_cast<unsigned char>(bytes[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::string pageToGbk(std::string body, std::string_view contentType) {
    size_t zero = body.find('\0');
    if (zero != std::string::npos) body.resize(zero);
    PageCharset charset = PageCharset::Unknown;
    if (body.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        body.erase(0, 3);
        charset = PageCharset::Utf8;
    }
    if (charset == PageCharset::Unknown) charset = charsetOfLabel(contentType);
    if (charset == PageCharset::Unknown) charset = declaredInPage(body);
    if (charset == PageCharset::Unknown) charset = isValidUtf8(body) ? PageCharset::Utf8 : PageCharset::Gbk;
    if (charset == PageCharset::Utf8) {
        utf8ToGbkInPlace(body);
    } else {
        keepGbk(body);
    }
    return body;
}
