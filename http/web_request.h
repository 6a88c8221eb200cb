// One complete, blocking HTTP or HTTPS exchange over WinInet with a browser-like header block.
#pragma once
#include <cstddef>
#include <string>

class RequestCanceller;

inline constexpr int WEB_REQUEST_TIMEOUT_MS = 20000;
// Far above any result page; an endless body must not grow memory without bound.
inline constexpr size_t WEB_REQUEST_MAX_BODY = size_t(64) << 20;

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
    // in/out variables as they were (an exchange under way finishes alone, bounded by timeoutMs).
    RequestCanceller* canceller = nullptr;
    // Connect, send and receive time-out each, so a silent server cannot hold a worker forever.
    int timeoutMs = WEB_REQUEST_TIMEOUT_MS;
    // Reading stops after this many body bytes and what was read is returned.
    size_t maxBodyBytes = WEB_REQUEST_MAX_BODY;
};

inline constexpr const char DEFAULT_AGENT[] =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; Velmo; .NET CLR 2.0.50727; .NET CLR 3.0.04506.648; "
    ".NET CLR 3.5.21022)";

// Returns the response body exactly as received; empty when nothing could be opened or read.
std::string webRequest(const std::string& url, const WebRequestOptions& options = {});
