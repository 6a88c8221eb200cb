#include "tools/httpd/loopback_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

// Sockets are polled in short slices so that stop() never waits on a blocked call.
constexpr int POLL_MS = 20;
// A request head larger than this is handed over as it is.
constexpr size_t MAX_HEAD = 1 << 20;

// 1 readable, 0 time-out, -1 error.
int waitReadable(SOCKET s, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    int r = select(0, &set, nullptr, nullptr, &tv);
    return r > 0 ? 1 : (r == 0 ? 0 : -1);
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Content-Length of a request head, 0 when absent or unreadable.
size_t contentLength(std::string_view head) {
    size_t pos = 0;
    while (pos < head.size()) {
        size_t end = head.find("\r\n", pos);
        if (end == std::string_view::npos) end = head.size();
        std::string_view line = head.substr(pos, end - pos);
        size_t colon = line.find(':');
        if (colon != std::string_view::npos && equalsIgnoreCase(trim(line.substr(0, colon)), "content-length"))
            return size_t(std::strtoull(std::string(trim(line.substr(colon + 1))).c_str(), nullptr, 10));
        pos = end + 2;
    }
    return 0;
}

}  // namespace

bool LoopbackConnection::send(std::string_view bytes) {
    while (!bytes.empty()) {
        if (server_.stopping_ || wasReset_) return false;
        int chunk = int(std::min<size_t>(bytes.size(), 1 << 16));
        int n = ::send(SOCKET(socket_), bytes.data(), chunk, 0);
        if (n <= 0) return false;
        bytes.remove_prefix(size_t(n));
    }
    return true;
}

bool LoopbackConnection::waitForStop(int ms) {
    std::unique_lock lock(server_.mutex_);
    auto done = [this] { return server_.stopping_.load(); };
    if (ms < 0) {
        server_.changed_.wait(lock, done);
        return true;
    }
    return server_.changed_.wait_for(lock, std::chrono::milliseconds(ms), done);
}

bool LoopbackConnection::stopping() const {
    return server_.stopping_;
}

void LoopbackConnection::reset() {
    if (wasReset_) return;
    linger l{1, 0};  // zero linger: closesocket sends RST
    setsockopt(SOCKET(socket_), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
    ::shutdown(SOCKET(socket_), SD_BOTH);
    wasReset_ = true;
    keepOpen_ = false;
}

// The value of the first header line named `name` (any case), or nothing.
static std::optional<std::string> findHeader(std::string_view block, std::string_view name) {
    size_t pos = 0;
    while (pos <= block.size()) {
        size_t end = block.find("\r\n", pos);
        if (end == std::string_view::npos) end = block.size();
        std::string_view line = block.substr(pos, end - pos);
        size_t colon = line.find(':');
        if (colon != std::string_view::npos && equalsIgnoreCase(trim(line.substr(0, colon)), name))
            return std::string(trim(line.substr(colon + 1)));
        pos = end + 2;
    }
    return std::nullopt;
}

std::string ParsedRequest::header(std::string_view name) const {
    return findHeader(headerBlock, name).value_or("");
}

bool ParsedRequest::hasHeader(std::string_view name) const {
    return findHeader(headerBlock, name).has_value();
}

ParsedRequest parseRequest(std::string_view raw) {
    ParsedRequest r;
    size_t headEnd = raw.find("\r\n\r\n");
    if (raw.empty() || raw[0] < 'A' || raw[0] > 'Z' || headEnd == std::string_view::npos) {
        r.body = std::string(raw);
        return r;
    }
    size_t lineEnd = raw.find("\r\n");
    r.requestLine = std::string(raw.substr(0, lineEnd));
    size_t sp1 = r.requestLine.find(' ');
    size_t sp2 = r.requestLine.rfind(' ');
    if (sp1 != std::string::npos) {
        r.method = r.requestLine.substr(0, sp1);
        if (sp2 > sp1) r.target = r.requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
    }
    if (headEnd > lineEnd) r.headerBlock = std::string(raw.substr(lineEnd + 2, headEnd - lineEnd - 2));
    r.body = std::string(raw.substr(headEnd + 4));
    return r;
}

std::string httpResponse(int status, std::string_view reason, std::string_view body, std::string_view extraHeaders) {
    std::string r = "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) + "\r\n";
    r += extraHeaders;
    r += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    r += "Connection: close\r\n\r\n";
    r += body;
    return r;
}

LoopbackServer::LoopbackServer(Handler handler, uint16_t port)
    : handler_(std::move(handler)), listenSocket_(uintptr_t(INVALID_SOCKET)) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    int len = sizeof addr;
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(s, SOMAXCONN) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        closesocket(s);
        return;
    }
    listenSocket_ = uintptr_t(s);
    port_ = ntohs(addr.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    stop();
    if (SOCKET(listenSocket_) != INVALID_SOCKET) closesocket(SOCKET(listenSocket_));
    WSACleanup();
}

std::string LoopbackServer::url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> LoopbackServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

size_t LoopbackServer::requestCount() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

std::string LoopbackServer::lastRequest() const {
    std::lock_guard lock(mutex_);
    return requests_.empty() ? std::string() : requests_.back();
}

bool LoopbackServer::waitForRequests(size_t count, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return requests_.size() >= count || stopping_;
    }) && requests_.size() >= count;
}

size_t LoopbackServer::connectionCount() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

void LoopbackServer::stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        stopping_ = true;
        // Wake connections blocked in send() to a client that stopped reading.
        for (uintptr_t s : openSockets_) ::shutdown(SOCKET(s), SD_BOTH);
    }
    changed_.notify_all();
    work_.notify_all();
    if (acceptThread_.joinable()) acceptThread_.join();
    // No new workers can appear once the accept thread has ended.
    for (std::thread& w : workers_)
        if (w.joinable()) w.join();
    workers_.clear();
    // Connections accepted but never taken up.
    for (uintptr_t s : waiting_) {
        openSockets_.erase(std::remove(openSockets_.begin(), openSockets_.end(), s), openSockets_.end());
        closesocket(SOCKET(s));
    }
    waiting_.clear();
}

void LoopbackServer::acceptLoop() {
    while (!stopping_) {
        int r = waitReadable(SOCKET(listenSocket_), POLL_MS);
        if (r < 0) break;
        if (r == 0) continue;
        SOCKET s = accept(SOCKET(listenSocket_), nullptr, nullptr);
        if (s == INVALID_SOCKET) continue;
        std::lock_guard lock(mutex_);
        if (stopping_) {
            closesocket(s);
            break;
        }
        ++connections_;
        openSockets_.push_back(uintptr_t(s));
        waiting_.push_back(uintptr_t(s));
        if (idleWorkers_ < waiting_.size()) workers_.emplace_back([this] { workerLoop(); });
        work_.notify_one();
    }
}

void LoopbackServer::workerLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idleWorkers_;
        work_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
        --idleWorkers_;
        if (stopping_) return;
        uintptr_t socket = waiting_.front();
        waiting_.pop_front();
        lock.unlock();
        serve(socket);
        lock.lock();
    }
}

std::string LoopbackServer::readRequest(uintptr_t socket, std::string& pending) {
    std::string data = std::move(pending);
    pending.clear();
    char buffer[4096];
    size_t need = std::string::npos;  // known once the head is complete
    for (;;) {
        if (need == std::string::npos && !data.empty()) {
            // Not HTTP (for instance a TLS handshake): hand over what came.
            if (data[0] < 'A' || data[0] > 'Z') return data;
            size_t headEnd = data.find("\r\n\r\n");
            if (headEnd != std::string::npos)
                need = headEnd + 4 + contentLength(std::string_view(data).substr(0, headEnd));
            else if (data.size() > MAX_HEAD)
                return data;
        }
        if (need != std::string::npos && data.size() >= need) {
            pending = data.substr(need);
            data.resize(need);
            return data;
        }
        if (stopping_) break;
        int r = waitReadable(SOCKET(socket), POLL_MS);
        if (r < 0) break;
        if (r == 0) continue;
        int n = recv(SOCKET(socket), buffer, sizeof buffer, 0);
        if (n <= 0) break;
        data.append(buffer, size_t(n));
    }
    // A peer that closed half-way still gets its partial request recorded.
    return data;
}

void LoopbackServer::serve(uintptr_t socket) {
    LoopbackConnection connection(*this, socket);
    std::string pending;
    for (;;) {
        std::string request = readRequest(socket, pending);
        if (request.empty()) break;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        changed_.notify_all();
        connection.keepOpen_ = false;
        if (handler_) handler_(connection, request);
        if (!connection.keepOpen_ || stopping_) break;
    }
    if (!connection.wasReset_) {
        // Graceful close: the client sees the end of the data, then the socket goes.
        ::shutdown(SOCKET(socket), SD_SEND);
        char sink[512];
        for (int i = 0; i < 10 && waitReadable(SOCKET(socket), POLL_MS) > 0; ++i)
            if (recv(SOCKET(socket), sink, sizeof sink, 0) <= 0) break;
    }
    {
        std::lock_guard lock(mutex_);
        openSockets_.erase(std::remove(openSockets_.begin(), openSockets_.end(), socket), openSockets_.end());
    }
    closesocket(SOCKET(socket));
}
