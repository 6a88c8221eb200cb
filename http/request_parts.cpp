#include "http/request_parts.h"

#include "text/text.h"
#include "http/web_request.h"

uint32_t requestFlags(std::string_view url, bool cookiesGiven, bool noRedirect) {
    uint32_t flags = FLAG_RELOAD | FLAG_NEED_FILE;
    if (cookiesGiven) flags |= FLAG_NO_COOKIES;
    if (noRedirect) flags |= FLAG_NO_AUTO_REDIRECT;
    if (asciiLower(leftBytes(url, 5)) == "https")
        flags |= FLAG_SECURE;
    else
        flags |= FLAG_IGNORE_REDIRECT_TO_HTTPS;
    return flags;
}

const char* requestVerb(int method) {
    return method == 1 ? "POST" : "GET";
}

std::string requestAgent(std::string_view headers) {
    if (findText(headers, "User-Agent:", 1, true) == -1) return DEFAULT_AGENT;
    std::string agent = trimSpaces(textBetween(headers, "User-Agent:", "\r\n"));
    // A User-Agent line that ends the block has no "\r\n" after it.
    if (agent.empty()) agent = valueAfterColon(headers);
    return agent;
}

void completeHeaderBlock(std::string& headers, std::string_view url, std::string_view cookies) {
    if (findText(headers, "Referer:") == -1) {
        if (headers.empty())
            headers = "Referer: " + std::string(url);
        else
            headers += "\r\nReferer: " + std::string(url);
    }
    if (findText(headers, "Accept:") == -1) headers += "\r\nAccept: */*";
    if (findText(headers, "Accept-Language:") == -1) headers += "\r\nAccept-Language: zh-cn";
    if (findText(headers, "Content-Type:") == -1) headers += "\r\nContent-Type: application/x-www-form-urlencoded";
    if (!cookies.empty()) headers += "\r\nCookie: " + std::string(cookies);
}

void readResponseHeaders(const std::string& rawHeaders, std::string& redirectTarget, std::string& receivedCookies) {
    receivedCookies.clear();
    for (const std::string& line : splitText(rawHeaders, "\r\n")) {
        if (findText(line, "Location:") != -1) redirectTarget = valueAfterColon(line);
        if (findText(line, "Set-Cookie") != -1) {
            std::string pair = textBetween(line, "Set-Cookie:", ";");
            // A cookie sent without attributes has no ";" after its pair; it is still a cookie
            // and is taken to the end of the line rather than dropped.
            int name = findText(line, "Set-Cookie:", 1, true);
            if (pair.empty() && name != -1 && findText(line, ";", name) == -1)
                pair = midBytes(line, name + 11, int(line.size()));
            receivedCookies += trimSpaces(pair) + "; ";
        }
    }
    receivedCookies = leftBytes(receivedCookies, int(receivedCookies.size()) - 2);
    if (redirectTarget.empty()) redirectTarget = rawHeaders;
}

std::string describeFailure(const WebRequestResult& result) {
    switch (result.failure) {
        case RequestFailure::none: return "complete";
        case RequestFailure::cancelled: return "cancelled";
        case RequestFailure::timeout: return "time-out";
        case RequestFailure::refused: return "connection refused";
        case RequestFailure::reset: return "connection reset";
        case RequestFailure::unreachable: return "host not found";
        case RequestFailure::httpStatus: return "HTTP " + std::to_string(result.status);
        case RequestFailure::cutShort:
            return "cut short (" + std::to_string(result.bodyBytes) + " of " + std::to_string(result.announced) +
                   " bytes)";
        case RequestFailure::tooLarge: return "too large (over " + std::to_string(result.bodyBytes) + " bytes)";
        case RequestFailure::tooManyRedirects:
            return "too many redirects (" + std::to_string(result.redirects) + ")";
        case RequestFailure::noAnswer: break;
    }
    return "no answer";
}
