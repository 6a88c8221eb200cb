// A tiny HTTP server on 127.0.0.1 for tests and the engine simulator. It hands each request to
// a handler as raw bytes and lets the handler write raw bytes back, so a test can see exactly
// what a client sent and answer with anything: a normal page, a stall, an endless body, a close.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// One accepted client connection, as seen by a handler.
class LoopbackConnection {
public:
    // Writes all bytes; false once the peer has gone or the server is stopping.
    bool send(std::string_view bytes);
    // Closes the connection after the handler returns (the default).
    void close() { keepOpen_ = false; }
    // Keeps the connection open after the handler returns and reads the next request on it.
    void keepOpen() { keepOpen_ = true; }
    // Blocks until the server stops or `ms` milliseconds pass (ms < 0: no limit).
    // True when the server is stopping. A handler that never answers calls this.
    bool waitForStop(int ms = -1);
    bool stopping() const;
    // Closes the socket abruptly (RST) right now, without a response.
    void reset();

private:
    friend class LoopbackServer;
    LoopbackConnection(class LoopbackServer& server, uintptr_t socket) : server_(server), socket_(socket) {}
    LoopbackServer& server_;
    uintptr_t socket_;
    bool keepOpen_ = false;
    bool wasReset_ = false;
};

// Splits a raw request into its parts; for a request that is not HTTP everything is in `body`.
struct ParsedRequest {
    std::string requestLine;  // without the CRLF
    std::string method;
    std::string target;       // path with query, or the absolute URL a proxy receives
    std::string headerBlock;  // the header lines between the request line and the blank line,
                              // CRLF separated, without the final CRLF of the last line
    std::string body;
    // Value of the first header named `name` (case-insensitive), trimmed; "" when absent.
    std::string header(std::string_view name) const;
    bool hasHeader(std::string_view name) const;
};
ParsedRequest parseRequest(std::string_view raw);

// A complete HTTP/1.1 response with Content-Length and "Connection: close".
// `extraHeaders` are lines each ended by CRLF, inserted after the status line.
std::string httpResponse(int status, std::string_view reason, std::string_view body,
                         std::string_view extraHeaders = {});

class LoopbackServer {
public:
    // Called on the connection's thread once per request with the raw request bytes: request
    // line, headers and the body as announced by Content-Length. Bytes that do not start like
    // an HTTP request (a TLS ClientHello, say) are passed on as they arrived.
    using Handler = std::function<void(LoopbackConnection& connection, const std::string& rawRequest)>;

    // Listens on 127.0.0.1:`port` (0: an ephemeral port). Check ok() afterwards.
    explicit LoopbackServer(Handler handler, uint16_t port = 0);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool ok() const { return port_ != 0; }
    uint16_t port() const { return port_; }
    // "http://127.0.0.1:PORT" followed by `path`.
    std::string url(std::string_view path = "/") const;

    // Every raw request received so far, in arrival order.
    std::vector<std::string> requests() const;
    size_t requestCount() const;
    // The last request received, "" when none.
    std::string lastRequest() const;
    // Waits until at least `count` requests have arrived; false on time-out.
    bool waitForRequests(size_t count, int timeoutMs);
    // Number of connections accepted so far.
    size_t connectionCount() const;

    // Stops accepting, wakes stalled handlers, closes every connection and joins all threads.
    // Called by the destructor; safe to call twice.
    void stop();

private:
    friend class LoopbackConnection;
    void acceptLoop();
    void workerLoop();
    void serve(uintptr_t socket);
    // Reads one request; "" when the peer closed before sending anything or the server stops.
    // Bytes read past the request stay in `pending` for the next one.
    std::string readRequest(uintptr_t socket, std::string& pending);

    Handler handler_;
    uintptr_t listenSocket_;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> requests_;
    std::vector<uintptr_t> openSockets_;
    size_t connections_ = 0;
    // Connection threads are kept and reused: a new thread costs about as much as a quick
    // answer under Wine, and the simulator answers page after page.
    std::list<std::thread> workers_;
    std::deque<uintptr_t> waiting_;  // accepted connections no worker has taken yet
    size_t idleWorkers_ = 0;
    std::condition_variable work_;
    std::thread acceptThread_;
};
