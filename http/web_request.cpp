#include "http/web_request.h"

#include "http/canceller.h"
#include "http/cookies.h"
#include "http/request_parts.h"
#include "text/text.h"
#include "http/url.h"
#include "http/win_handles.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>

static_assert(FLAG_RELOAD == INTERNET_FLAG_RELOAD);
static_assert(FLAG_NEED_FILE == INTERNET_FLAG_NEED_FILE);
static_assert(FLAG_NO_COOKIES == INTERNET_FLAG_NO_COOKIES);
static_assert(FLAG_NO_AUTO_REDIRECT == INTERNET_FLAG_NO_AUTO_REDIRECT);
static_assert(FLAG_SECURE == INTERNET_FLAG_SECURE);
static_assert(FLAG_IGNORE_REDIRECT_TO_HTTPS == INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS);
static_assert(HTTP_QUERY_RAW_HEADERS_CRLF == 22);

namespace {

// Large enough that a megabyte page takes a handful of calls, small enough for the stack of
// any thread.
constexpr DWORD READ_CHUNK = 64 * 1024;

// When the exchange must end, and whether someone has stopped waiting for it.
class Limits {
public:
    Limits(int deadlineMs, const RequestCanceller::State* canceller)
        : deadline_(deadlineMs > 0 ? GetTickCount64() + ULONGLONG(deadlineMs) : 0), canceller_(canceller) {}

    bool cancelled() const { return (canceller_ && canceller_->cancelled()) || abandoned_.load(); }
    bool expired() const { return deadline_ && GetTickCount64() >= deadline_; }
    // Milliseconds left, at least 1; `fallback` when there is no deadline.
    long long left(long long fallback) const {
        if (!deadline_) return fallback;
        ULONGLONG now = GetTickCount64();
        return now >= deadline_ ? 1 : (long long)(deadline_ - now);
    }
    void abandon() { abandoned_ = true; }

private:
    ULONGLONG deadline_;
    const RequestCanceller::State* canceller_;
    std::atomic<bool> abandoned_{false};
};

// The platform's defaults are minutes or unlimited; a stalled server would hold the worker,
// and with it the search lock, for that long. No call may outlast the whole deadline either.
void setTimeouts(HINTERNET handle, int timeoutMs, const Limits& limits) {
    long long ms = limits.left(timeoutMs > 0 ? timeoutMs : -1);
    if (timeoutMs > 0) ms = std::min<long long>(ms, timeoutMs);
    if (ms <= 0) return;
    DWORD value = DWORD(std::min<long long>(ms, 0x7FFFFFFF));
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &value, sizeof value);
    InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &value, sizeof value);
    InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &value, sizeof value);
}

// Some WinInet builds report a receive time-out as a broken connection; a failure that came
// only after the whole time-out had passed is a time-out whatever the code says.
RequestFailure failureAfter(RequestFailure failure, ULONGLONG startedAt, int timeoutMs) {
    if (failure != RequestFailure::reset && failure != RequestFailure::noAnswer) return failure;
    if (timeoutMs > 0 && GetTickCount64() - startedAt >= ULONGLONG(timeoutMs) * 9 / 10) return RequestFailure::timeout;
    return failure;
}

RequestFailure failureFromError(DWORD error) {
    switch (error) {
        case ERROR_INTERNET_TIMEOUT: return RequestFailure::timeout;
        case ERROR_INTERNET_NAME_NOT_RESOLVED: return RequestFailure::unreachable;
        case ERROR_INTERNET_CANNOT_CONNECT: return RequestFailure::refused;
        case ERROR_INTERNET_CONNECTION_ABORTED:
        case ERROR_INTERNET_CONNECTION_RESET: return RequestFailure::reset;
        default: return RequestFailure::noAnswer;
    }
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

long long numberHeader(HINTERNET request, DWORD which) {
    DWORD value = 0, size = sizeof value;
    if (!HttpQueryInfoA(request, which | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr)) return -1;
    return value;
}

// Reads the body into `body`, never holding more than `cap` bytes nor a second full-size
// buffer: capacity grows by doubling up to the cap, then exactly to it.
void readBody(HINTERNET request, size_t cap, int timeoutMs, const Limits& limits, std::string& body,
              WebRequestResult& result) {
    for (;;) {
        if (limits.cancelled()) return;
        if (limits.expired()) {
            result.failure = RequestFailure::timeout;
            return;
        }
        if (body.size() >= cap) {
            // Full: one more byte tells a body of exactly the cap from a larger one.
            char probe = 0;
            DWORD more = 0;
            if (InternetReadFile(request, &probe, 1, &more) && more > 0) result.failure = RequestFailure::tooLarge;
            return;
        }
        // A read of a fixed size waits until that many bytes have come; asking what has come
        // first lets a server that drips bytes meet the deadline between two calls.
        const ULONGLONG startedAt = GetTickCount64();
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0)) {
            RequestFailure failure = failureFromError(GetLastError());
            if (failure == RequestFailure::noAnswer) failure = RequestFailure::reset;
            result.failure = limits.expired() ? RequestFailure::timeout : failureAfter(failure, startedAt, timeoutMs);
            return;
        }
        if (available == 0) return;  // the end of the body
        size_t want = std::min<size_t>({READ_CHUNK, size_t(available), cap - body.size()});
        if (body.capacity() < body.size() + want)
            body.reserve(std::min(cap, std::max(body.size() + want, body.capacity() * 2)));
        size_t at = body.size();
        body.resize(at + want);
        DWORD read = 0;
        BOOL ok = InternetReadFile(request, body.data() + at, DWORD(want), &read);
        body.resize(at + read);
        if (!ok) {
            RequestFailure failure = failureFromError(GetLastError());
            if (failure == RequestFailure::noAnswer) failure = RequestFailure::reset;
            result.failure = limits.expired() ? RequestFailure::timeout : failureAfter(failure, startedAt, timeoutMs);
            return;
        }
        if (read == 0) return;
    }
}

struct Response {
    bool sent = false;  // the request went out; false when a handle could not be opened
    std::string body;
    std::string raw;  // raw headers
};

// One request and its response on the calling thread; the handles are opened and closed here.
Response exchangeOnce(const std::string& url, const WebRequestOptions& options, std::string& headers,
                      const Limits& limits, WebRequestResult& result) {
    const char* verb = requestVerb(options.method);
    const std::string agent = requestAgent(headers);
    // The proxy carries http only; https goes direct (some WinInet builds would tunnel it).
    const bool useProxy = options.proxy && !(requestFlags(url, false, false) & FLAG_SECURE);
    result = WebRequestResult{RequestFailure::noAnswer, 0, 0, -1, result.redirects};

    Response response;
    // Opened in this order and closed in reverse at the end of the block, on every path.
    InternetHandle internet(useProxy ? InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PROXY,
                                                     ("http=" + *options.proxy).c_str(), "", 0)
                                     : InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!internet || limits.cancelled()) return response;
    setTimeouts(internet.get(), options.timeoutMs, limits);

    // A port the platform cannot take must not wrap round to some other port.
    const int port = urlPort(url);
    if (port < 0 || port > 0xFFFF) {
        result.failure = RequestFailure::refused;
        return response;
    }
    InternetHandle connection(InternetConnectA(internet.get(), urlHost(url).c_str(), INTERNET_PORT(port), nullptr,
                                               nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection || limits.cancelled()) return response;

    // Redirects are followed by webRequest itself, so that their number is bounded. Pages are
    // never written to the platform's cache either (they are never read from it): the user's
    // cache would keep every page of every search, and the write costs more than a quick
    // answer itself.
    const DWORD flags =
        (requestFlags(url, options.cookies != nullptr, true) & ~FLAG_NEED_FILE) | INTERNET_FLAG_NO_CACHE_WRITE;
    InternetHandle request(
        HttpOpenRequestA(connection.get(), verb, urlPath(url).c_str(), "HTTP/1.1", nullptr, nullptr, flags, 0));
    if (!request || limits.cancelled()) return response;
    setTimeouts(request.get(), options.timeoutMs, limits);

    completeHeaderBlock(headers, url, options.cookies ? std::string_view(*options.cookies) : std::string_view());

    BOOL sent;
    const ULONGLONG sentAt = GetTickCount64();
    if (options.method == 0) {
        sent = HttpSendRequestA(request.get(), headers.c_str(), DWORD(headers.size()), const_cast<char*>(""), 0);
    } else {
        std::string localBytes;
        std::string& bytes = options.postBytes ? *options.postBytes : localBytes;
        if (bytes.empty()) bytes = options.postText;
        sent = HttpSendRequestA(request.get(), headers.c_str(), DWORD(headers.size()),
                                bytes.empty() ? nullptr : bytes.data(), DWORD(bytes.size()));
    }
    const DWORD sendError = sent ? 0 : GetLastError();
    if (limits.cancelled()) return response;
    response.sent = true;

    if (sent) {
        result.failure = RequestFailure::none;
        result.status = int(numberHeader(request.get(), HTTP_QUERY_STATUS_CODE));
        result.announced = numberHeader(request.get(), HTTP_QUERY_CONTENT_LENGTH);
        readBody(request.get(), options.maxBodyBytes, options.timeoutMs, limits, response.body, result);
        if (limits.cancelled()) return response;
        result.bodyBytes = response.body.size();
        if (result.failure == RequestFailure::none && result.announced >= 0 &&
            (long long)response.body.size() < result.announced)
            result.failure = RequestFailure::cutShort;
        if (result.failure == RequestFailure::none && result.status >= 400) result.failure = RequestFailure::httpStatus;
        // A connection closed before any status line is no answer, whatever the platform made of it.
        if (result.failure == RequestFailure::none && result.status <= 0) result.failure = RequestFailure::noAnswer;
    } else {
        result.failure =
            limits.expired() ? RequestFailure::timeout : failureAfter(failureFromError(sendError), sentAt, options.timeoutMs);
    }
    response.raw = rawResponseHeaders(request.get());
    return response;
}

bool isRedirectStatus(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The exchange with its redirects on the calling thread, writing the caller's in/out variables.
std::string exchange(const std::string& url, const WebRequestOptions& options, const Limits& limits,
                     WebRequestResult& result) {
    std::string localHeaders;
    std::string& headers = options.headers ? *options.headers : localHeaders;
    const std::string headersGiven = headers;
    WebRequestOptions hop = options;
    std::string current = url;
    std::string postBytes;
    result = {};

    for (;;) {
        headers = headersGiven;  // every hop sends the caller's block, completed for itself
        Response response = exchangeOnce(current, hop, headers, limits, result);
        if (limits.cancelled()) {
            result.failure = RequestFailure::cancelled;
            return {};
        }

        if (!response.sent) return {};  // nothing was exchanged: the caller's variables stay

        std::string location, received;
        readResponseHeaders(response.raw, location, received);
        const bool redirected = !options.noRedirect && isRedirectStatus(result.status) && location != response.raw &&
                                !trimSpaces(location).empty();
        if (!redirected || result.redirects >= options.maxRedirects) {
            if (redirected) result.failure = RequestFailure::tooManyRedirects;
            std::string localRedirect, localReceived;
            std::string& redirectTarget = options.redirectTarget ? *options.redirectTarget : localRedirect;
            std::string& receivedCookies = options.receivedCookies ? *options.receivedCookies : localReceived;
            readResponseHeaders(response.raw, redirectTarget, receivedCookies);
            if (options.cookies) mergeCookies(*options.cookies, receivedCookies);
            if (options.rawHeaders) *options.rawHeaders = std::move(response.raw);
            return std::move(response.body);
        }
        // The cookies of a redirect response count too, as when the platform followed it.
        if (options.cookies) mergeCookies(*options.cookies, received);
        if (limits.expired()) {
            result.failure = RequestFailure::timeout;
            return {};
        }
        ++result.redirects;
        current = resolveAddress(current, trimSpaces(location));
        // As browsers do: 303, and 301/302 after a POST, go on as a GET without a body.
        if (hop.method != 0 && (result.status == 303 || result.status == 301 || result.status == 302)) {
            hop.method = 0;
            hop.postText.clear();
            hop.postBytes = &postBytes;
            postBytes.clear();
        }
    }
}

// A cancellable request runs its exchange on a helper thread with copies of the caller's
// variables. The caller waits for the exchange, the canceller or the deadline, whichever comes
// first; a released caller returns at once and the helper finishes alone (bounded by the
// time-outs and the deadline), touching only its own copies and closing its own handles.
struct DetachedExchange {
    std::string url;
    WebRequestOptions options;  // points into the copies below
    std::string cookies, receivedCookies, headers, redirectTarget, postBytes, proxy, rawHeaders;
    std::string body;
    WebRequestResult result;
    Limits limits;
    HANDLE done = nullptr;

    DetachedExchange(const std::string& u, const WebRequestOptions& o, const RequestCanceller::State* canceller)
        : url(u), options(o), limits(o.deadlineMs, canceller) {
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
        options.result = nullptr;
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

// The helper is a thread of the process's thread pool: a new thread costs about as much as a
// quick answer under some systems, and a search asks for page after page.
struct PooledExchange {
    std::shared_ptr<DetachedExchange> job;
    std::shared_ptr<RequestCanceller::State> state;  // outlives the caller's canceller
};

VOID CALLBACK runPooledExchange(PTP_CALLBACK_INSTANCE instance, PVOID context) {
    std::unique_ptr<PooledExchange> work(static_cast<PooledExchange*>(context));
    // An exchange blocks for as long as the server takes: the pool must not wait for it
    // before starting the next one.
    CallbackMayRunLong(instance);
    DetachedExchange& job = *work->job;
    job.body = exchange(job.url, job.options, job.limits, job.result);
    SetEvent(job.done);
}

void report(const WebRequestOptions& options, const WebRequestResult& result) {
    if (options.result) *options.result = result;
}

}  // namespace

void allowConnectionsPerServer(int connections) {
    static std::atomic<int> allowed{0};
    int before = allowed.load();
    while (connections > before && !allowed.compare_exchange_weak(before, connections)) {
    }
    if (connections <= before) return;
    DWORD value = DWORD(connections);
    InternetSetOptionW(nullptr, INTERNET_OPTION_MAX_CONNS_PER_SERVER, &value, sizeof value);
    InternetSetOptionW(nullptr, INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER, &value, sizeof value);
}

std::string webRequest(const std::string& url, const WebRequestOptions& options) {
    WebRequestResult result;
    if (!options.canceller) {
        Limits limits(options.deadlineMs, nullptr);
        std::string body = exchange(url, options, limits, result);
        report(options, result);
        return body;
    }
    std::shared_ptr<RequestCanceller::State> state = options.canceller->state();
    result.failure = RequestFailure::cancelled;
    if (state->cancelled()) {
        report(options, result);
        return {};
    }

    auto job = std::make_shared<DetachedExchange>(url, options, state.get());
    bool started = false;
    if (job->done) {
        auto* work = new (std::nothrow) PooledExchange{job, state};
        started = work && TrySubmitThreadpoolCallback(runPooledExchange, work, nullptr);
        if (!started) delete work;
    }
    if (!started) {
        // No thread to be had: do the exchange here; it stops at its next step once cancelled.
        Limits limits(options.deadlineMs, state.get());
        std::string body = exchange(url, options, limits, result);
        report(options, result);
        return body;
    }
    // A little grace past the deadline: the helper notices it itself between reads.
    long long wait = options.deadlineMs > 0 ? job->limits.left(0) + 2000 : -1;
    if (!state->waitUntilDone(job->done, wait)) {
        job->limits.abandon();
        result.failure = state->cancelled() ? RequestFailure::cancelled : RequestFailure::timeout;
        report(options, result);
        return {};
    }
    job->copyBack(options);
    report(options, job->result);
    return std::move(job->body);
}
