#include "http/web_request.h"

#include "http/canceller.h"
#include "http/cookies.h"
#include "http/request_parts.h"
#include "http/text.h"
#include "http/url.h"
#include "http/win_handles.h"

static_assert(FLAG_RELOAD == INTERNET_FLAG_RELOAD);
static_assert(FLAG_NEED_FILE == INTERNET_FLAG_NEED_FILE);
static_assert(FLAG_NO_COOKIES == INTERNET_FLAG_NO_COOKIES);
static_assert(FLAG_NO_AUTO_REDIRECT == INTERNET_FLAG_NO_AUTO_REDIRECT);
static_assert(FLAG_SECURE == INTERNET_FLAG_SECURE);
static_assert(FLAG_IGNORE_REDIRECT_TO_HTTPS == INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS);
static_assert(HTTP_QUERY_RAW_HEADERS_CRLF == 22);

namespace {

constexpr DWORD READ_CHUNK = 1024;

// The platform's defaults are minutes or unlimited; a stalled server would hold the worker,
// and with it the search lock, for that long.
void setTimeouts(HINTERNET handle, int timeoutMs) {
    if (timeoutMs <= 0) return;
    DWORD ms = DWORD(timeoutMs);
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &ms, sizeof ms);
    InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof ms);
    InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
}

bool isCancelled(const RequestCanceller* canceller) {
    return canceller && canceller->cancelled();
}

}  // namespace

std::string webRequest(const std::string& url, const WebRequestOptions& options) {
    RequestCanceller* canceller = options.canceller;
    if (isCancelled(canceller)) return {};

    std::string localHeaders;
    std::string& headers = options.headers ? *options.headers : localHeaders;
    const char* verb = requestVerb(options.method);
    const std::string agent = requestAgent(headers);

    std::string body;
    std::string raw;
    {
        // Opened in this order and closed in reverse at the end of the block, on every path.
        InternetHandle internet(
            options.proxy
                ? InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PROXY, ("http=" + *options.proxy).c_str(), "", 0)
                : InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0),
            canceller);
        if (!internet || isCancelled(canceller)) return {};
        setTimeouts(internet.get(), options.timeoutMs);

        InternetHandle connection(InternetConnectA(internet.get(), urlHost(url).c_str(), INTERNET_PORT(urlPort(url)),
                                                   nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0),
                                  canceller);
        if (!connection || isCancelled(canceller)) return {};

        const DWORD flags = requestFlags(url, options.cookies != nullptr, options.noRedirect);
        InternetHandle request(
            HttpOpenRequestA(connection.get(), verb, urlPath(url).c_str(), "HTTP/1.1", nullptr, nullptr, flags, 0),
            canceller);
        if (!request || isCancelled(canceller)) return {};
        setTimeouts(request.get(), options.timeoutMs);

        completeHeaderBlock(headers, url, options.cookies ? std::string_view(*options.cookies) : std::string_view());

        if (options.method == 0) {
            HttpSendRequestA(request.get(), headers.c_str(), DWORD(headers.size()), const_cast<char*>(""), 0);
        } else {
            std::string localBytes;
            std::string& bytes = options.postBytes ? *options.postBytes : localBytes;
            if (bytes.empty()) bytes = options.postText;
            HttpSendRequestA(request.get(), headers.c_str(), DWORD(headers.size()),
                             bytes.empty() ? nullptr : bytes.data(), DWORD(bytes.size()));
        }
        if (isCancelled(canceller)) return {};

        for (;;) {
            char buffer[READ_CHUNK] = {};
            DWORD read = 0;
            InternetReadFile(request.get(), buffer, READ_CHUNK, &read);
            if (read == 0 || isCancelled(canceller)) break;
            body.append(buffer, read);
            if (body.size() >= options.maxBodyBytes) {
                body.resize(options.maxBodyBytes);
                break;
            }
        }
        if (isCancelled(canceller)) return {};

        std::string buffer(RAW_HEADER_SIZE, ' ');
        DWORD length = RAW_HEADER_SIZE;
        if (HttpQueryInfoA(request.get(), HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &length, nullptr))
            raw = buffer.substr(0, buffer.find('\0'));
        else
            raw.assign(RAW_HEADER_SIZE, ' ');
    }

    std::string localRedirect, localReceived;
    std::string& redirectTarget = options.redirectTarget ? *options.redirectTarget : localRedirect;
    std::string& receivedCookies = options.receivedCookies ? *options.receivedCookies : localReceived;
    readResponseHeaders(raw, redirectTarget, receivedCookies);
    if (options.cookies) mergeCookies(*options.cookies, receivedCookies);
    if (options.rawHeaders) *options.rawHeaders = std::move(raw);
    return body;
}
