#include "http/url.h"

#include <cstdlib>

#include "http/text.h"

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
