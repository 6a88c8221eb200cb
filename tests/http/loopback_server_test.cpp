// The loopback server is what every HTTP test trusts to report what a client sent, so its own
// framing (Content-Length bodies, several requests on one connection, non-HTTP bytes) and its
// clean stop with a stalled handler are checked with a plain socket client.
#include <winsock2.h>

#include <gtest/gtest.h>

#include "tools/httpd/loopback_server.h"

namespace {

class Client {
public:
    explicit Client(uint16_t port) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        DWORD timeout = 5000;  // a server fault fails the test instead of hanging it
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(port);
        connected_ = connect(socket_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~Client() {
        closesocket(socket_);
        WSACleanup();
    }
    bool connected() const { return connected_; }
    void send(std::string_view bytes) { ::send(socket_, bytes.data(), int(bytes.size()), 0); }
    // Everything until the server closes.
    std::string readAll() {
        std::string out;
        char buffer[1024];
        int n;
        while ((n = recv(socket_, buffer, sizeof buffer, 0)) > 0) out.append(buffer, size_t(n));
        return out;
    }
    std::string readSome(size_t atLeast) {
        std::string out;
        char buffer[1024];
        while (out.size() < atLeast) {
            int n = recv(socket_, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            out.append(buffer, size_t(n));
        }
        return out;
    }

private:
    SOCKET socket_;
    bool connected_ = false;
};

}  // namespace

TEST(LoopbackServer, RecordsRequestWithBodyAndParsesIt) {
    LoopbackServer server([](LoopbackConnection& c, const std::string&) { c.send(httpResponse(200, "OK", "hi")); });
    ASSERT_TRUE(server.ok());
    Client client(server.port());
    ASSERT_TRUE(client.connected());
    const std::string request = "POST /a?b=1 HTTP/1.1\r\nHost: x\r\ncontent-length: 5\r\n\r\nab\r\nc";
    // Sent in two pieces so that the body has to be collected across reads.
    client.send(request.substr(0, 20));
    Sleep(50);
    client.send(request.substr(20));
    std::string reply = client.readAll();
    EXPECT_EQ(reply, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nhi");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.lastRequest(), request);
    ParsedRequest p = parseRequest(server.lastRequest());
    EXPECT_EQ(p.requestLine, "POST /a?b=1 HTTP/1.1");
    EXPECT_EQ(p.method, "POST");
    EXPECT_EQ(p.target, "/a?b=1");
    EXPECT_EQ(p.headerBlock, "Host: x\r\ncontent-length: 5");
    EXPECT_EQ(p.header("Content-Length"), "5");
    EXPECT_FALSE(p.hasHeader("Cookie"));
    EXPECT_EQ(p.body, "ab\r\nc");
}

TEST(LoopbackServer, KeepOpenServesSeveralRequestsOnOneConnection) {
    LoopbackServer server([](LoopbackConnection& c, const std::string& raw) {
        std::string target = parseRequest(raw).target;
        c.send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(target.size()) + "\r\n\r\n" + target);
        c.keepOpen();
    });
    Client client(server.port());
    client.send("GET /one HTTP/1.1\r\n\r\nGET /two HTTP/1.1\r\n\r\n");
    std::string first = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n/one";
    std::string second = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n/two";
    EXPECT_EQ(client.readSome(first.size() + second.size()), first + second);
    EXPECT_TRUE(server.waitForRequests(2, 2000));
    EXPECT_EQ(server.connectionCount(), 1u);
}

TEST(LoopbackServer, NonHttpBytesAreHandedOverAsTheyCame) {
    LoopbackServer server([](LoopbackConnection&, const std::string&) {});
    Client client(server.port());
    client.send(std::string("\x16\x03\x01\x00\x05hello", 10));
    ASSERT_TRUE(server.waitForRequests(1, 2000));
    EXPECT_EQ(server.lastRequest(), std::string("\x16\x03\x01\x00\x05hello", 10));
    EXPECT_EQ(parseRequest(server.lastRequest()).requestLine, "");
}

TEST(LoopbackServer, StopEndsStalledHandlersAndEndlessWriters) {
    ULONGLONG start = GetTickCount64();
    {
        LoopbackServer server([](LoopbackConnection& c, const std::string& raw) {
            if (parseRequest(raw).target == "/stall") {
                c.waitForStop();
                return;
            }
            c.send("HTTP/1.1 200 OK\r\n\r\n");
            std::string chunk(4096, 'x');
            while (c.send(chunk)) {
            }
        });
        Client stalled(server.port());
        Client endless(server.port());
        stalled.send("GET /stall HTTP/1.1\r\n\r\n");
        endless.send("GET /endless HTTP/1.1\r\n\r\n");
        ASSERT_TRUE(server.waitForRequests(2, 2000));
        EXPECT_GT(endless.readSome(100000).size(), 99999u);
        // The destructor must return although one client never reads again.
    }
    EXPECT_LT(GetTickCount64() - start, 5000u);
}

TEST(LoopbackServer, ResetClosesWithoutResponse) {
    LoopbackServer server([](LoopbackConnection& c, const std::string&) { c.reset(); });
    Client client(server.port());
    client.send("GET / HTTP/1.1\r\n\r\n");
    EXPECT_EQ(client.readAll(), "");
    EXPECT_EQ(server.requestCount(), 1u);
}
