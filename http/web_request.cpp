#include "http/web_request.h"

#include "http/canceller.h"
#include "http/cookies.h"
#include "http/request_parts.h"
#include "http/text.h"
#include "http/url.h"
#include "http/win_handles.h"

#include <memory>
#include <thread>

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

bool isCancelled(const RequestCanceller::State* canceller) {
    return canceller && canceller->cancelled();
}

// What HttpQueryInfoA gave, or RAW_HEADER_SIZE spaces when the headers did not fit or nothing
// was received (some WinInet versions then answer a bare "\r\n" instead of failing).
std::string rawResponseHeaders(HINTERNET request) {
    std::string buffer(RAW_HEADER_SIZE, ' ');
    DWORD length = RAW_HEADER_SIZE;
    if (HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &length, nullptr)) {
        buffer.resize(buffer.find('\0') == std::string::npos ? buffer.size() : buffer.find('\0'));
        if (buffer.find("\r\n") != 0 && !buffer.empty()) return buffer;
    }
    return std::string(RAW_HEADER_SIZE, ' ');
}

// The whole exchange on the calling thread. `canceller` (optional) gets the handles.
std::string exchange(const std::string& url, const WebRequestOptions& options, RequestCanceller::State* canceller) {
    std::string localHeaders;
    std::string& headers = options.headers ? *options.headers : localHeaders;
    const char* verb = requestVerb(options.method);
    const std::string agent = requestAgent(headers);
    // The proxy carries http only; https goes direct (some WinInet builds would tunnel it).
    const bool useProxy = options.proxy && !(requestFlags(url, false, false) & FLAG_SECURE);

    std::string body;
    std::string raw;
    {
        // Opened in this order and closed in reverse at the end of the block, on every path.
        InternetHandle internet(
            useProxy ? InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PROXY, ("http=" + *options.proxy).c_str(), "", 0)
                     : InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0),
            canceller);
        if (!internet || isCancelled(canceller)) return {};
        setTimeouts(internet.get(), options.timeoutMs);

        // A port the platform cannot take must not wrap round to some other port.
        const int port = urlPort(url);
        if (port < 0 || port > 0xFFFF) return {};
        InternetHandle connection(InternetConnectA(internet.get(), urlHost(url).c_str(), INTERNET_PORT(port), nullptr,
                                                   nullptr, INTERNET_SERVICE_HTTP, 0, 0),
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
        raw = rawResponseHeaders(request.get());
    }

    std::string localRedirect, localReceived;
    std::string& redirectTarget = options.redirectTarget ? *options.redirectTarget : localRedirect;
    std::string& receivedCookies = options.receivedCookies ? *options.receivedCookies : localReceived;
    readResponseHeaders(raw, redirectTarget, receivedCookies);
    if (options.cookies) mergeCookies(*options.cookies, receivedCookies);
    if (options.rawHeaders) *options.rawHeaders = std::move(raw);
    return body;
}

// A cancellable request runs its exchange on a helper thread with copies of the caller's
// variables. The caller waits for the exchange or the canceller, whichever comes first; a
// cancelled caller returns at once and the helper finishes alone (bounded by the time-outs),
// touching only its own copies.
struct DetachedExchange {
    std::string url;
    WebRequestOptions options;  // points into the copies below
    std::string cookies, receivedCookies, headers, redirectTarget, postBytes, proxy, rawHeaders;
    std::string body;
    HANDLE done = nullptr;

    DetachedExchange(const std::string& u, const WebRequestOptions& o) : url(u), options(o) {
        auto copy = [](auto* from, std::string& into) -> decltype(from) {
            if (!from) return nullptr;
            into = *from;
            return &into;
        };
        options.cookies = copy(o.cookies, cookies);
        options.receivedCookies = copy(o.receivedCookies, receivedCookies);
        options.headers = copy(o.headers, headers);
        options.redirectTarget = copy(o.redirectTarget, redirectTarget);
        options.postBytes = copy(o.postBytes, postBytes);
        options.proxy = copy(o.proxy, proxy);
        options.rawHeaders = copy(o.rawHeaders, rawHeaders);
        options.canceller = nullptr;
        done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~DetachedExchange() {
        if (done) CloseHandle(done);
    }
    void copyBack(const WebRequestOptions& o) {
        if (o.cookies) *o.cookies = std::move(cookies);
        if (o.receivedCookies) *o.receivedCookies = std::move(receivedCookies);
        if (o.headers) *o.headers = std::move(headers);
        if (o.redirectTarget) *o.redirectTarget = std::move(redirectTarget);
        if (o.postBytes) *o.postBytes = std::move(postBytes);
        if (o.rawHeaders) *o.rawHeaders = std::move(rawHeaders);
    }
};

}  // namespace

std::string webRequest(const std::string& url, const WebRequestOptions& options) {
    if (!options.canceller) return exchange(url, options, nullptr);
    std::shared_ptr<RequestCanceller::State> state = options.canceller->state();
    if (state->cancelled()) return {};

    auto job = std::make_shared<DetachedExchange>(url, options);
    if (!job->done) return exchange(url, options, state.get());
    try {
        std::thread([job, state] {
            job->body = exchange(job->url, job->options, state.get());
            SetEvent(job->done);
        }).detach();
    } catch (...) {
        // No thread to be had: do the exchange here; cancel() still closes its handles.
        return exchange(url, options, state.get());
    }
    if (!state->waitUntilDone(job->done)) return {};
    job->copyBack(options);
    return std::move(job->body);
}
