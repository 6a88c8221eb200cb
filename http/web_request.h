// One complete, blocking HTTP or HTTPS exchange over WinInet with a browser-like header block.
#pragma once
#include <cstddef>
#include <string>

class RequestCanceller;

inline constexpr int WEB_REQUEST_TIMEOUT_MS = 20000;
// The whole exchange, redirects included: a server that drips one byte at a time restarts
// the per-call time-outs with every byte and would otherwise hold the caller for ever.
inline constexpr int WEB_REQUEST_DEADLINE_MS = 60000;
// Browsers give up after about 20; a result page needs one or two.
inline constexpr int WEB_REQUEST_MAX_REDIRECTS = 10;
// Real result pages reach 1.3 MB; an endless body must not grow memory without bound.
inline constexpr size_t WEB_REQUEST_MAX_BODY = size_t(8) << 20;

// Why an exchange did not bring a whole answer.
enum class RequestFailure {
    none,
    cancelled,
    timeout,           // a call's time-out or the whole exchange's deadline
    refused,           // nothing listens at the address
    reset,             // the connection broke
    unreachable,       // the host name could not be resolved
    httpStatus,        // the server answered 400 or above
    cutShort,          // fewer body bytes than Content-Length announced
    tooLarge,          // the body went past maxBodyBytes
    tooManyRedirects,  // more than maxRedirects in a row
    noAnswer,          // anything else: no usable response
};

struct WebRequestResult {
    RequestFailure failure = RequestFailure::none;
    int status = 0;            // status of the last response; 0 when none arrived
    size_t bodyBytes = 0;      // body bytes received from the last response
    long long announced = -1;  // its Content-Length, -1 when not given
    int redirects = 0;         // redirects followed
    bool whole() const { return failure == RequestFailure::none; }
};

// A short English description, such as "time-out", "HTTP 500" or "cut short (10 of 100 bytes)".
std::string describeFailure(const WebRequestResult& result);

// Optional parameters: a null pointer means "not given". For `cookies` and `proxy` the
// given-flag, not the emptiness of the value, decides the behaviour.
struct WebRequestOptions {
    int method = 0;                          // 0 GET, 1 POST; other values: GET with a body
    std::string postText;                    // body as text, used when postBytes is empty
    std::string* cookies = nullptr;          // in/out: sent, then the merged cookie text
    std::string* receivedCookies = nullptr;  // out: pairs of the Set-Cookie lines
    std::string* headers = nullptr;          // in/out: extra lines; on return the block sent
    std::string* redirectTarget = nullptr;   // in/out: last Location value, or the raw headers
    bool noRedirect = false;
    std::string* postBytes = nullptr;    // in/out: body as bytes
    const std::string* proxy = nullptr;  // "host:port" of an http-only proxy
    std::string* rawHeaders = nullptr;   // out: raw response headers, CRLF separated
    // Lets another thread abort the exchange: webRequest then returns "" at once and leaves the
    // in/out variables as they were (an exchange under way finishes alone on its own thread,
    // bounded by the time-outs, and closes its own handles).
    RequestCanceller* canceller = nullptr;
    // Connect, send and receive time-out each, so a silent server cannot hold a worker forever.
    int timeoutMs = WEB_REQUEST_TIMEOUT_MS;
    // Connect to last byte, redirects included; <= 0: no deadline.
    int deadlineMs = WEB_REQUEST_DEADLINE_MS;
    // Redirects followed when noRedirect is false; the last redirect response is returned
    // beyond that.
    int maxRedirects = WEB_REQUEST_MAX_REDIRECTS;
    // Reading stops after this many body bytes and what was read is returned.
    size_t maxBodyBytes = WEB_REQUEST_MAX_BODY;
    WebRequestResult* result = nullptr;  // out: whether the answer arrived whole, and if not why
};

inline constexpr const char DEFAULT_AGENT[] =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; Velmo; .NET CLR 2.0.50727; .NET CLR 3.0.04506.648; "
    ".NET CLR 3.5.21022)";

// Returns the response body exactly as received; empty when nothing could be opened or read.
std::string webRequest(const std::string& url, const WebRequestOptions& options = {});

// WinInet keeps a process-wide cap of connections to one server (two on many Windows versions),
// which would queue a caller's requests behind its own. Raises it to at least `connections`;
// never lowers it, so callers that each need their own number (the search's engine, the link
// checks over one via address) never undo one another. Any thread.
void allowConnectionsPerServer(int connections);
