#include "search/site_host.h"

#include "text/text.h"

namespace {
bool isLabelByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

// A line end or tab around an item is how a text editor leaves url.txt (Enter after the last
// site); inside an item it still makes the item no host.
bool isAsciiBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimAsciiBlanks(std::string_view text) {
    while (!text.empty() && isAsciiBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isAsciiBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && asciiLower(text.substr(0, prefix.size())) == prefix;
}
}  // namespace

std::string siteHostCore(std::string_view text) {
    std::string core(trimAsciiBlanks(trimSpaces(trimAsciiBlanks(text))));
    std::string_view view = core;
    for (std::string_view scheme : {"http://", "https://"}) {
        if (startsWithNoCase(view, scheme)) {
            view.remove_prefix(scheme.size());
            break;
        }
    }
    while (!view.empty() && view.back() == '/') view.remove_suffix(1);
    return std::string(view);
}

std::optional<std::string> asciiSiteHost(std::string_view text) {
    std::string host = siteHostCore(text);
    if (host.empty() || host.size() > 253) return std::nullopt;
    size_t labelStart = 0;
    for (size_t i = 0; i <= host.size(); ++i) {
        if (i < host.size() && host[i] != '.') {
            if (!isLabelByte(host[i])) return std::nullopt;
            continue;
        }
        size_t length = i - labelStart;
        // A trailing dot (the root) is allowed; an empty label anywhere else is not.
        if (length == 0 && !(i == host.size() && i > 0)) return std::nullopt;
        if (length > 63) return std::nullopt;
        if (length > 0 && (host[labelStart] == '-' || host[i - 1] == '-')) return std::nullopt;
        labelStart = i + 1;
    }
    if (host.back() == '.') host.pop_back();
    return host;
}

std::vector<std::string> rejectedSites(std::string_view extraSites,
                                       std::optional<std::string> (*toHost)(std::string_view)) {
    std::vector<std::string> rejected;
    for (const std::string& item : splitText(extraSites, ";")) {
        if (!toHost(item)) rejected.push_back(item);
    }
    return rejected;
}

std::string sitesForSearch(std::string_view extraSites, std::optional<std::string> (*toHost)(std::string_view)) {
    std::string out;
    bool first = true;
    for (const std::string& item : splitText(extraSites, ";")) {
        if (!first) out += ';';
        first = false;
        if (std::optional<std::string> host = toHost(item)) out += *host;
    }
    return out;
}
