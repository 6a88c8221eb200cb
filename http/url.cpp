#include "http/url.h"

#include <cstdlib>

#include "text/text.h"

std::string urlHost(std::string_view url, bool domainOnly, bool keepPort) {
    std::string u = asciiLower(url);
    if (u.empty() || u.back() != '/') u += '/';
    if (u.compare(0, 8, "https://") == 0) {
        u = textBetween(u, "https://", "/");
    } else {
        if (findText(u, "http://") == -1) u = "http://" + u;
        u = textBetween(u, "http://", "/");
    }
    if (domainOnly) {
        auto parts = splitText(u, ".");
        if (parts.size() > 1) u = parts[parts.size() - 2] + "." + parts.back();
    }
    if (!keepPort) {
        int colon = findText(u, ":");
        if (colon != -1) u = leftBytes(u, colon - 1);
    }
    return u;
}

int urlPort(std::string_view url) {
    const std::string host = urlHost(url, false, true);
    int colon = findTextLast(host, ":");
    if (colon == -1) return asciiLower(leftBytes(url, 5)) == "https" ? 443 : 80;
    return std::atoi(host.c_str() + colon);
}

std::string urlPath(std::string_view url) {
    const std::string host = urlHost(url);
    int p = findText(url, host, 1, true);
    int s = findText(url, "/", p, true);
    if (s <= 0) return "/";
    return std::string(url.substr(size_t(s - 1)));
}

namespace {
// "http://host[:port]" of an absolute address; "" when it has no "scheme://".
std::string_view originOf(std::string_view address) {
    size_t scheme = address.find("://");
    if (scheme == std::string_view::npos) return {};
    size_t path = address.find_first_of("/?#", scheme + 3);
    return address.substr(0, path == std::string_view::npos ? address.size() : path);
}

bool hasScheme(std::string_view reference) {
    size_t colon = reference.find("://");
    if (colon == std::string_view::npos || colon == 0) return false;
    for (size_t i = 0; i < colon; ++i) {
        char c = reference[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
              c == '.'))
            return false;
    }
    return true;
}
}  // namespace

std::string resolveAddress(std::string_view base, std::string_view reference) {
    if (reference.empty()) return {};
    if (hasScheme(reference)) return std::string(reference);
    std::string_view origin = originOf(base);
    if (reference.substr(0, 2) == "//") {
        size_t scheme = origin.find("://");
        return std::string(scheme == std::string_view::npos ? "http:" : origin.substr(0, scheme + 1)) +
               std::string(reference);
    }
    if (reference[0] == '/') return std::string(origin) + std::string(reference);
    std::string_view rest = base.substr(origin.size());
    if (reference[0] == '?') {
        size_t query = rest.find_first_of("?#");
        return std::string(origin) + std::string(rest.substr(0, query)) + std::string(reference);
    }
    size_t end = rest.find_first_of("?#");
    rest = rest.substr(0, end);
    size_t slash = rest.rfind('/');
    std::string folder = slash == std::string_view::npos ? "/" : std::string(rest.substr(0, slash + 1));
    return std::string(origin) + folder + std::string(reference);
}
