// webRequest against servers on 127.0.0.1 started here: what the server receives, byte for
// byte, and what the caller gets back, including the failure paths a search worker meets.
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "http/canceller.h"
#include "http/web_request.h"
#include "tools/httpd/loopback_server.h"

namespace {

using Handler = LoopbackServer::Handler;

Handler answer(std::string response) {
    return [response](LoopbackConnection& c, const std::string&) { c.send(response); };
}

// Answers each target named with its own response, any other with the one named "".
Handler answerByTarget(std::map<std::string, std::string> responses) {
    return [responses](LoopbackConnection& c, const std::string& raw) {
        auto it = responses.find(parseRequest(raw).target);
        c.send(it != responses.end() ? it->second : responses.at(""));
    };
}

const std::string BLANK_HEADERS(5000, ' ');

std::string headOf(const std::string& raw) {
    return raw.substr(0, raw.find("\r\n\r\n") + 4);
}

// The header block must reach the server unchanged as consecutive lines of the request head.
::testing::AssertionResult blockSent(const std::string& raw, const std::string& block) {
    std::string head = headOf(raw);
    if (head.find("\r\n" + block + "\r\n") != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "block\n" << block << "\nnot in\n" << head;
}

// What a request reports besides its body: the redirect target, the cookies received and the
// raw header text; options() points a request at all three.
struct Reported {
    std::string redirect, received, raw;
    WebRequestOptions options() {
        WebRequestOptions o;
        o.redirectTarget = &redirect;
        o.receivedCookies = &received;
        o.rawHeaders = &raw;
        return o;
    }
};

ULONGLONG elapsedSince(ULONGLONG start) {
    return GetTickCount64() - start;
}

}  // namespace

TEST(WebRequestSend, NothingGivenSendsDefaultBlockAgentAndPathWithQuery) {
    LoopbackServer server(answer(httpResponse(200, "OK", "body")));
    const std::string url = server.url("/a/b?c=1&d=%E4");
    std::string headers;
    WebRequestOptions o;
    o.headers = &headers;
    EXPECT_EQ(webRequest(url, o), "body");

    const std::string block = "Referer: " + url +
                              "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nContent-Type: "
                              "application/x-www-form-urlencoded";
    EXPECT_EQ(headers, block);
    ASSERT_EQ(server.requestCount(), 1u);
    ParsedRequest r = parseRequest(server.lastRequest());
    EXPECT_EQ(r.requestLine, "GET /a/b?c=1&d=%E4 HTTP/1.1");
    EXPECT_TRUE(blockSent(server.lastRequest(), block));
    EXPECT_EQ(r.header("User-Agent"), DEFAULT_AGENT);
    EXPECT_EQ(r.header("Referer"), url);
    EXPECT_FALSE(r.hasHeader("Cookie"));
    EXPECT_EQ(r.body, "");
}

TEST(WebRequestSend, CallerLinesSuppressOnlyTheirDefaultsAndUserAgentBecomesTheAgent) {
    LoopbackServer server(answer(httpResponse(200, "OK", "")));
    const std::string url = server.url("/x");

    // Only an Accept line: the other defaults follow it.
    std::string headers = "Accept: text/html";
    WebRequestOptions o;
    o.headers = &headers;
    webRequest(url, o);
    std::string expected = "Accept: text/html\r\nReferer: " + url +
                           "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded";
    EXPECT_EQ(headers, expected);
    EXPECT_TRUE(blockSent(server.lastRequest(), expected));
    EXPECT_EQ(parseRequest(server.lastRequest()).header("Accept"), "text/html");

    // A User-Agent line as the last line (no CRLF after it) is the agent and stays in the block.
    headers = "Referer: http://from.example/\r\nUser-Agent: QuorrelTest/1.0";
    webRequest(url, o);
    ParsedRequest r = parseRequest(server.lastRequest());
    EXPECT_EQ(r.header("User-Agent"), "QuorrelTest/1.0");
    EXPECT_EQ(r.header("Referer"), "http://from.example/");
    EXPECT_EQ(headers,
              "Referer: http://from.example/\r\nUser-Agent: QuorrelTest/1.0\r\nAccept: */*\r\nAccept-Language: "
              "zh-cn\r\nContent-Type: application/x-www-form-urlencoded");

    // A User-Agent line followed by others, written in another case.
    headers = "user-agent: Lower/2\r\nX-Extra: 1";
    webRequest(url, o);
    EXPECT_EQ(parseRequest(server.lastRequest()).header("User-Agent"), "Lower/2");
    EXPECT_EQ(parseRequest(server.lastRequest()).header("X-Extra"), "1");
}

TEST(WebRequestSend, ReusedHeadersAddOnlyASecondCookieLine) {
    LoopbackServer server(answer(httpResponse(200, "OK", "")));
    const std::string url = server.url("/");
    std::string headers, cookies = "k=v";
    WebRequestOptions o;
    o.headers = &headers;
    o.cookies = &cookies;
    webRequest(url, o);
    const std::string first = headers;
    cookies = "k=v";
    webRequest(url, o);
    EXPECT_EQ(headers, first + "\r\nCookie: k=v");
    EXPECT_EQ(std::count(headers.begin(), headers.end(), '\n'), 5);
}

TEST(WebRequestSend, PostTextBytesAndEmptyBodies) {
    LoopbackServer server(answer(httpResponse(200, "OK", "done")));
    const std::string url = server.url("/post");

    WebRequestOptions text;
    text.method = 1;
    text.postText = "a=1&b=%D6%D0";
    std::string filled;
    text.postBytes = &filled;
    EXPECT_EQ(webRequest(url, text), "done");
    ParsedRequest r = parseRequest(server.lastRequest());
    EXPECT_EQ(r.requestLine, "POST /post HTTP/1.1");
    EXPECT_EQ(r.body, "a=1&b=%D6%D0");
    EXPECT_EQ(r.header("Content-Length"), "12");
    EXPECT_EQ(filled, "a=1&b=%D6%D0");  // the caller sees the bytes that were sent

    // Bytes win over text and travel unchanged, zero bytes included.
    std::string bytes("\x00\x01\xff\r\n\xd6\xd0", 7);
    WebRequestOptions raw;
    raw.method = 1;
    raw.postText = "ignored";
    raw.postBytes = &bytes;
    webRequest(url, raw);
    EXPECT_EQ(parseRequest(server.lastRequest()).body, std::string("\x00\x01\xff\r\n\xd6\xd0", 7));

    // Both empty: a POST without a body.
    WebRequestOptions empty;
    empty.method = 1;
    webRequest(url, empty);
    r = parseRequest(server.lastRequest());
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.body, "");
    EXPECT_EQ(r.header("Content-Length"), "0");

    // Another method number: the verb is GET, but the body is attached.
    WebRequestOptions odd;
    odd.method = 2;
    odd.postText = "q=odd";
    webRequest(url, odd);
    r = parseRequest(server.lastRequest());
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.body, "q=odd");
}

TEST(WebRequestSend, UrlWithoutSchemeIsHttp) {
    LoopbackServer server(answer(httpResponse(200, "OK", "plain")));
    std::string url = "127.0.0.1:" + std::to_string(server.port()) + "/x?y=1";
    EXPECT_EQ(webRequest(url), "plain");
    EXPECT_EQ(parseRequest(server.lastRequest()).requestLine, "GET /x?y=1 HTTP/1.1");
}

TEST(WebRequestSend, PortBeyondRangeIsNotWrappedOntoAnother) {
    // 65536 more than a live port would land on it if the number were cut to 16 bits.
    LoopbackServer server(answer(httpResponse(200, "OK", "wrong door")));
    std::string headers = "Accept: x", raw = "untouched";
    WebRequestOptions o;
    o.headers = &headers;
    o.rawHeaders = &raw;
    EXPECT_EQ(webRequest("http://127.0.0.1:" + std::to_string(server.port() + 65536) + "/", o), "");
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_EQ(headers, "Accept: x");
    EXPECT_EQ(raw, "untouched");
}

TEST(WebRequestCookies, NotGivenEmptyAndGiven) {
    // /set plants a session cookie in the system's store for paths under /store.
    LoopbackServer server(answerByTarget(
        {{"/store/set", httpResponse(200, "OK", "", "Set-Cookie: plat=1; path=/store\r\n")},
         {"", httpResponse(200, "OK", "",
                           "Set-Cookie: fresh=new; path=/\r\nSet-Cookie: old=deleted; path=/\r\nSet-Cookie: bare=1\r\n")}}));

    webRequest(server.url("/store/set"));
    // Not given: the system's store is used, so its cookie is sent.
    webRequest(server.url("/store/get"));
    EXPECT_EQ(parseRequest(server.lastRequest()).header("Cookie"), "plat=1");

    // Given as empty text: no Cookie line at all, store off, and the received cookies come back.
    std::string cookies, received;
    WebRequestOptions o;
    o.cookies = &cookies;
    o.receivedCookies = &received;
    webRequest(server.url("/store/get"), o);
    EXPECT_FALSE(parseRequest(server.lastRequest()).hasHeader("Cookie"));
    EXPECT_EQ(received, "fresh=new;old=deleted;bare=1");  // merging removed the spaces
    EXPECT_EQ(cookies, "fresh=new; bare=1");

    // Given: sent as one Cookie line, the store's cookie left out, merged on return.
    cookies = "old=1; keep=2; fresh=stale";
    webRequest(server.url("/store/get"), o);
    EXPECT_EQ(parseRequest(server.lastRequest()).header("Cookie"), "old=1; keep=2; fresh=stale");
    EXPECT_EQ(cookies, "fresh=new; bare=1; keep=2");
}

TEST(WebRequestRedirects, FollowedOrReportedWithNoRedirect) {
    LoopbackServer server(
        answerByTarget({{"/from", httpResponse(302, "Found", "moved body", "Location: /to?x=1\r\nSet-Cookie: r=1; path=/\r\n")},
                        {"", httpResponse(200, "OK", "final body", "Set-Cookie: f=2; path=/\r\n")}}));

    Reported seen;
    auto& [redirect, received, raw] = seen;
    WebRequestOptions follow = seen.options();
    EXPECT_EQ(webRequest(server.url("/from"), follow), "final body");
    ASSERT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(parseRequest(server.requests()[1]).target, "/to?x=1");
    // Only the final response is seen: no Location, so the target is the whole raw header text.
    EXPECT_EQ(raw.substr(0, 17), "HTTP/1.1 200 OK\r\n");
    EXPECT_EQ(redirect, raw);
    EXPECT_EQ(received, "f=2");

    redirect.clear();
    WebRequestOptions stay = follow;
    stay.noRedirect = true;
    EXPECT_EQ(webRequest(server.url("/from"), stay), "moved body");
    EXPECT_EQ(server.requestCount(), 3u);
    EXPECT_EQ(redirect, "/to?x=1");
    EXPECT_EQ(received, "r=1");
    EXPECT_EQ(raw.substr(0, 20), "HTTP/1.1 302 Found\r\n");
}

TEST(WebRequestResponse, LocationLinesAndHeaderNameCase) {
    LoopbackServer server(
        answerByTarget({{"/content", httpResponse(200, "OK", "", "Content-Location: /elsewhere\r\n")},
                        {"/lower", httpResponse(200, "OK", "", "set-cookie: low=1; path=/\r\nlocation: /low\r\n")},
                        {"", httpResponse(200, "OK", "", "Location: /first\r\nX-Note: Location: /second\r\n")}}));
    Reported seen;
    auto& [redirect, received, raw] = seen;
    WebRequestOptions o = seen.options();

    webRequest(server.url("/content"), o);
    EXPECT_EQ(redirect, "/elsewhere");

    // A later line containing "Location:" overwrites an earlier one (value after the first colon).
    redirect.clear();
    webRequest(server.url("/two"), o);
    EXPECT_EQ(redirect, "Location: /second");

    // Lower-case names are not recognised; the caller's old target survives.
    redirect = "kept";
    webRequest(server.url("/lower"), o);
    ASSERT_NE(raw.find("set-cookie: low=1"), std::string::npos);
    EXPECT_EQ(received, "");
    EXPECT_EQ(redirect, "kept");
}

TEST(WebRequestResponse, HeadersOf5000BytesOrMoreLeaveSpaces) {
    // The raw header text has to fit in 5000 bytes with its terminating zero. `extra` bytes of
    // padding come as several lines, as a server with many cookies would send them.
    auto padded = [](size_t extra) {
        std::string lines;
        while (extra > 0) {
            size_t line = extra > 1009 ? 1009 : extra;
            if (extra - line > 0 && extra - line < 9) line -= 9;
            lines += "X-Pad: " + std::string(line - 9, 'p') + "\r\n";
            extra -= line;
        }
        return [lines](LoopbackConnection& c, const std::string&) {
            c.send(httpResponse(200, "OK", "b", "Set-Cookie: s=1; path=/\r\n" + lines));
        };
    };
    Reported seen;
    auto& [redirect, received, raw] = seen;
    WebRequestOptions o = seen.options();
    {
        LoopbackServer probe(padded(0));
        webRequest(probe.url("/"), o);
    }
    const size_t base = raw.size();
    ASSERT_LT(base, 200u);
    {
        LoopbackServer fits(padded(4999 - base));  // 4999 bytes of text
        redirect.clear();
        EXPECT_EQ(webRequest(fits.url("/"), o), "b");
        EXPECT_EQ(raw.size(), 4999u);
        EXPECT_EQ(received, "s=1");
    }
    {
        LoopbackServer tooBig(padded(5000 - base));  // 5000 bytes of text
        redirect.clear();
        EXPECT_EQ(webRequest(tooBig.url("/"), o), "b");  // the body is still read
        EXPECT_EQ(raw, BLANK_HEADERS);
        EXPECT_EQ(received, "");
        EXPECT_EQ(redirect, BLANK_HEADERS);
    }
}

TEST(WebRequestResponse, BinaryBodyAcrossManyChunksArrivesExactly) {
    std::string body;
    for (int i = 0; i < 5 * 1024 + 7; ++i) body += char(i * 7 % 256);
    LoopbackServer server(answer(httpResponse(200, "OK", body)));
    EXPECT_EQ(webRequest(server.url("/bin")), body);
}

TEST(WebRequestResponse, PagesAreNeverKeptInThePlatformsCache) {
    LoopbackServer server(answer(httpResponse(200, "OK", "a result page", "Cache-Control: max-age=3600\r\n")));
    const std::string url = server.url("/s?wd=private");
    ASSERT_EQ(webRequest(url), "a result page");
    DWORD size = 0;
    EXPECT_FALSE(GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST(WebRequestFailures, ServerThatClosesAtOnceGivesEmptyResult) {
    LoopbackServer closing([](LoopbackConnection& c, const std::string&) { c.close(); });
    std::string raw, redirect;
    WebRequestOptions o;
    o.rawHeaders = &raw;
    o.redirectTarget = &redirect;
    o.timeoutMs = 3000;
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(webRequest(closing.url("/"), o), "");
    EXPECT_LT(elapsedSince(start), 2500u);
    EXPECT_GE(closing.requestCount(), 1u);
    EXPECT_EQ(raw, BLANK_HEADERS);
    EXPECT_EQ(redirect, BLANK_HEADERS);

    // Nothing listening at all: empty, and quickly.
    uint16_t deadPort;
    {
        LoopbackServer gone(answer(""));
        deadPort = gone.port();
    }
    start = GetTickCount64();
    EXPECT_EQ(webRequest("http://127.0.0.1:" + std::to_string(deadPort) + "/", o), "");
    EXPECT_LT(elapsedSince(start), 5000u);
}

TEST(WebRequestFailures, SilentServerIsBoundedByTheTimeout) {
    LoopbackServer silent([](LoopbackConnection& c, const std::string&) { c.waitForStop(); });
    Reported seen;
    WebRequestOptions o = seen.options();
    o.timeoutMs = 800;
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(webRequest(silent.url("/"), o), "");
    ULONGLONG took = elapsedSince(start);
    EXPECT_GE(took, 700u);
    EXPECT_LT(took, 6000u);  // a retry or two by the platform, never the default minutes
    EXPECT_EQ(seen.raw, BLANK_HEADERS);
}

TEST(WebRequestFailures, EndlessBodyStopsAtTheCap) {
    LoopbackServer endless([](LoopbackConnection& c, const std::string&) {
        c.send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
        std::string chunk;
        for (int i = 0; i < 1000; ++i) chunk += char('a' + i % 26);
        while (c.send(chunk)) {
        }
    });
    WebRequestOptions o;
    o.maxBodyBytes = 300000;
    std::string raw;
    o.rawHeaders = &raw;
    ULONGLONG start = GetTickCount64();
    std::string body = webRequest(endless.url("/"), o);
    EXPECT_LT(elapsedSince(start), 10000u);
    ASSERT_EQ(body.size(), 300000u);
    EXPECT_EQ(body.substr(0, 3), "abc");
    EXPECT_EQ(body[26 * 1000 + 25], char('a' + (26 * 1000 + 25) % 1000 % 26));
    EXPECT_EQ(raw.substr(0, 17), "HTTP/1.1 200 OK\r\n");
}

TEST(WebRequestCancel, CancelAbortsABlockedRequestAndLaterOnesReturnAtOnce) {
    LoopbackServer silent([](LoopbackConnection& c, const std::string&) { c.waitForStop(); });
    RequestCanceller canceller;
    Reported seen;
    seen.raw = "untouched";
    WebRequestOptions o = seen.options();
    o.canceller = &canceller;
    o.timeoutMs = 20000;
    std::thread stopper([&] {
        silent.waitForRequests(1, 5000);
        Sleep(100);
        canceller.cancel();
    });
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(webRequest(silent.url("/"), o), "");
    EXPECT_LT(elapsedSince(start), 5000u);
    stopper.join();
    EXPECT_TRUE(canceller.cancelled());
    EXPECT_EQ(seen.raw, "untouched");

    size_t before = silent.connectionCount();
    start = GetTickCount64();
    EXPECT_EQ(webRequest(silent.url("/again"), o), "");
    EXPECT_LT(elapsedSince(start), 500u);
    Sleep(100);
    EXPECT_EQ(silent.connectionCount(), before);
}

TEST(WebRequestCancel, ManyThreadsShareNothing) {
    // Requests on several threads at once, one of them cancelled: the others are unaffected.
    LoopbackServer server([](LoopbackConnection& c, const std::string& raw) {
        std::string target = parseRequest(raw).target;
        if (target == "/stall") {
            c.waitForStop();
            return;
        }
        Sleep(50);
        c.send(httpResponse(200, "OK", target));
    });
    RequestCanceller stallCanceller, unused;
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 6; ++i) {
        threads.emplace_back([&, i] {
            std::string path = "/t" + std::to_string(i);
            WebRequestOptions o;
            o.canceller = &unused;
            if (webRequest(server.url(path), o) == path) ++good;
        });
    }
    threads.emplace_back([&] {
        WebRequestOptions o;
        o.canceller = &stallCanceller;
        webRequest(server.url("/stall"), o);
    });
    Sleep(300);
    stallCanceller.cancel();
    for (auto& t : threads) t.join();
    EXPECT_EQ(good, 6);
    EXPECT_FALSE(unused.cancelled());
}

TEST(WebRequestProxy, HttpGoesThroughTheProxyHttpsDoesNot) {
    LoopbackServer proxy(answer(httpResponse(200, "OK", "from proxy")));
    const std::string address = "127.0.0.1:" + std::to_string(proxy.port());
    WebRequestOptions o;
    o.proxy = &address;
    // The origin's name need not resolve: only the proxy is contacted.
    EXPECT_EQ(webRequest("http://origin.invalid:8081/p?q=1", o), "from proxy");
    ASSERT_EQ(proxy.requestCount(), 1u);
    ParsedRequest r = parseRequest(proxy.lastRequest());
    EXPECT_EQ(r.requestLine, "GET http://origin.invalid:8081/p?q=1 HTTP/1.1");
    EXPECT_EQ(r.header("Referer"), "http://origin.invalid:8081/p?q=1");

    // The proxy list names only http: an https request goes straight to its server.
    LoopbackServer tls([](LoopbackConnection& c, const std::string&) { c.close(); });
    o.timeoutMs = 3000;
    webRequest("https://127.0.0.1:" + std::to_string(tls.port()) + "/s", o);
    EXPECT_EQ(proxy.requestCount(), 1u);  // https bypassed the http-only proxy
    ASSERT_GE(tls.requestCount(), 1u);
    EXPECT_EQ(tls.requests()[0].substr(0, 1), "\x16");  // a TLS handshake record
}

TEST(WebRequestHttps, ConnectsWithTlsToTheNamedPort) {
    LoopbackServer tls([](LoopbackConnection& c, const std::string&) { c.close(); });
    Reported seen;
    WebRequestOptions o = seen.options();
    o.timeoutMs = 3000;
    EXPECT_EQ(webRequest("https://127.0.0.1:" + std::to_string(tls.port()) + "/secure", o), "");
    ASSERT_GE(tls.requestCount(), 1u);
    const std::string hello = tls.requests()[0];
    ASSERT_GE(hello.size(), 6u);
    EXPECT_EQ(hello[0], '\x16');  // handshake record
    EXPECT_EQ(hello[1], '\x03');  // TLS version major
    EXPECT_EQ(hello[5], '\x01');  // ClientHello
    EXPECT_EQ(seen.raw, BLANK_HEADERS);
}

// What a caller learns about an answer that did not arrive whole, and the bounds that keep a
// hostile server from holding a caller for ever.
TEST(WebRequestOutcome, EachKindOfFailureIsNamed) {
    LoopbackServer server([](LoopbackConnection& c, const std::string& raw) {
        std::string target = parseRequest(raw).target;
        if (target == "/ok") {
            c.send(httpResponse(200, "OK", "whole"));
        } else if (target == "/500") {
            c.send(httpResponse(500, "Internal Server Error", "error page"));
        } else if (target == "/short") {
            c.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n0123456789");
        } else if (target == "/reset") {
            c.send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(5000, 'x'));
            Sleep(50);
            c.reset();
        } else if (target == "/large") {
            c.send(httpResponse(200, "OK", std::string(3000, 'L')));
        } else if (target == "/exact") {
            c.send(httpResponse(200, "OK", std::string(2000, 'E')));
        } else if (target == "/closed") {
            c.close();
        }
    });
    WebRequestResult result;
    WebRequestOptions o;
    o.result = &result;
    o.timeoutMs = 3000;

    EXPECT_EQ(webRequest(server.url("/ok"), o), "whole");
    EXPECT_TRUE(result.whole());
    EXPECT_EQ(result.status, 200);

    EXPECT_EQ(webRequest(server.url("/500"), o), "error page");  // the body still comes back
    EXPECT_EQ(result.failure, RequestFailure::httpStatus);
    EXPECT_EQ(describeFailure(result), "HTTP 500");

    EXPECT_EQ(webRequest(server.url("/short"), o), "0123456789");
    EXPECT_EQ(result.failure, RequestFailure::cutShort);
    EXPECT_EQ(describeFailure(result), "cut short (10 of 100 bytes)");

    webRequest(server.url("/reset"), o);
    EXPECT_TRUE(result.failure == RequestFailure::reset || result.failure == RequestFailure::cutShort)
        << describeFailure(result);

    o.maxBodyBytes = 2000;
    EXPECT_EQ(webRequest(server.url("/large"), o).size(), 2000u);
    EXPECT_EQ(result.failure, RequestFailure::tooLarge);
    EXPECT_EQ(webRequest(server.url("/exact"), o).size(), 2000u);  // exactly the cap is whole
    EXPECT_TRUE(result.whole()) << describeFailure(result);
    o.maxBodyBytes = WEB_REQUEST_MAX_BODY;

    EXPECT_EQ(webRequest(server.url("/closed"), o), "");
    EXPECT_FALSE(result.whole());

    uint16_t deadPort;
    {
        LoopbackServer gone(answer(""));
        deadPort = gone.port();
    }
    webRequest("http://127.0.0.1:" + std::to_string(deadPort) + "/", o);
    EXPECT_FALSE(result.whole());
    EXPECT_NE(describeFailure(result), "complete");
}

TEST(WebRequestOutcome, SilentServerIsATimeOutWithOrWithoutACanceller) {
    LoopbackServer silent([](LoopbackConnection& c, const std::string&) { c.waitForStop(); });
    WebRequestResult result;
    WebRequestOptions o;
    o.result = &result;
    o.timeoutMs = 700;
    webRequest(silent.url("/"), o);
    EXPECT_EQ(result.failure, RequestFailure::timeout) << describeFailure(result);
    RequestCanceller canceller;
    o.canceller = &canceller;
    webRequest(silent.url("/"), o);
    EXPECT_EQ(result.failure, RequestFailure::timeout) << describeFailure(result);
}

TEST(WebRequestLimits, ADrippingServerIsCutOffAtTheDeadline) {
    // One byte every 100 ms restarts the per-call time-out every time; only the deadline ends it.
    LoopbackServer drip([](LoopbackConnection& c, const std::string&) {
        c.send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
        while (c.send("x")) {
            if (c.waitForStop(100)) return;
        }
    });
    for (bool cancellable : {false, true}) {
        RequestCanceller canceller;
        WebRequestResult result;
        WebRequestOptions o;
        o.result = &result;
        o.deadlineMs = 1500;
        if (cancellable) o.canceller = &canceller;
        ULONGLONG start = GetTickCount64();
        webRequest(drip.url("/"), o);
        ULONGLONG took = elapsedSince(start);
        EXPECT_GE(took, 1400u) << cancellable;
        EXPECT_LT(took, 6000u) << cancellable;
        EXPECT_EQ(result.failure, RequestFailure::timeout) << describeFailure(result);
    }
}

TEST(WebRequestLimits, RedirectLoopsEndAfterTheLimit) {
    std::atomic<int> hops{0};
    LoopbackServer server([&](LoopbackConnection& c, const std::string& raw) {
        std::string target = parseRequest(raw).target;
        if (target == "/same") {
            c.send(httpResponse(302, "Found", "again", "Location: /same\r\n"));
        } else if (target.rfind("/new", 0) == 0) {
            c.send(httpResponse(302, "Found", "on", "Location: /new" + std::to_string(++hops) + "\r\n"));
        }
    });
    WebRequestResult result;
    std::string raw;
    WebRequestOptions o;
    o.result = &result;
    o.rawHeaders = &raw;

    EXPECT_EQ(webRequest(server.url("/same"), o), "again");
    EXPECT_EQ(server.requestCount(), size_t(WEB_REQUEST_MAX_REDIRECTS + 1));
    EXPECT_EQ(result.failure, RequestFailure::tooManyRedirects);
    EXPECT_EQ(result.redirects, WEB_REQUEST_MAX_REDIRECTS);
    EXPECT_EQ(raw.substr(0, 20), "HTTP/1.1 302 Found\r\n");  // the last answer is what comes back

    size_t before = server.requestCount();
    o.maxRedirects = 3;
    webRequest(server.url("/new"), o);
    EXPECT_EQ(server.requestCount() - before, 4u);
    EXPECT_EQ(result.failure, RequestFailure::tooManyRedirects);
}

TEST(WebRequestLimits, RedirectedPostGoesOnAsGetAndKeepsTheCallersBlock) {
    LoopbackServer server([](LoopbackConnection& c, const std::string& raw) {
        ParsedRequest r = parseRequest(raw);
        if (r.target == "/form")
            c.send(httpResponse(302, "Found", "", "Location: done?x=1\r\n"));
        else
            c.send(httpResponse(200, "OK", r.method + " " + r.target + " " + r.body));
    });
    std::string headers = "X-Mine: 1";
    WebRequestOptions o;
    o.method = 1;
    o.postText = "a=b";
    o.headers = &headers;
    EXPECT_EQ(webRequest(server.url("/form"), o), "GET /done?x=1 ");
    ASSERT_EQ(server.requestCount(), 2u);
    ParsedRequest second = parseRequest(server.requests()[1]);
    EXPECT_EQ(second.header("X-Mine"), "1");
    // One Referer and one set of added lines, not those of every hop on top of each other.
    EXPECT_EQ(headOf(server.requests()[1]).find("Referer:"), headOf(server.requests()[1]).rfind("Referer:"));
}

TEST(WebRequestCancel, CancelledRequestsNeverDisturbTheOthers) {
    // Many requests at once, every third cancelled mid-body: the handles of a cancelled request
    // are closed by its own thread only, so no other request's handle is ever closed or read.
    LoopbackServer server([](LoopbackConnection& c, const std::string& raw) {
        std::string target = parseRequest(raw).target;
        std::string body(200000, char('a' + target.size() % 26));
        body.replace(0, target.size(), target);
        std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
        c.send(head);
        for (size_t at = 0; at < body.size(); at += 20000) {
            if (!c.send(body.substr(at, 20000))) return;
            Sleep(5);
        }
    });
    std::atomic<int> whole{0}, broken{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 18; ++i) {
        threads.emplace_back([&, i] {
            RequestCanceller canceller;
            std::string path = "/r" + std::string(size_t(i), 'p');
            WebRequestResult result;
            WebRequestOptions o;
            o.canceller = &canceller;
            o.result = &result;
            std::thread killer;
            if (i % 3 == 0) killer = std::thread([&] {
                    Sleep(10 + i);
                    canceller.cancel();
                });
            std::string body = webRequest(server.url(path), o);
            if (killer.joinable()) killer.join();
            if (i % 3 == 0) return;
            std::string expected(200000, char('a' + path.size() % 26));
            expected.replace(0, path.size(), path);
            (body == expected && result.whole() ? whole : broken)++;
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(whole, 12);
    EXPECT_EQ(broken, 0);
}

// The search and the link checks each raise WinInet's cap of connections to one server to what
// they need; a smaller need asked later must not lower what an earlier caller raised it to.
TEST(WebRequestConnections, TheCapPerServerIsRaisedAndNeverLowered) {
    auto cap = [] {
        DWORD value = 0, size = sizeof value;
        EXPECT_TRUE(InternetQueryOptionW(nullptr, INTERNET_OPTION_MAX_CONNS_PER_SERVER, &value, &size));
        return value;
    };
    allowConnectionsPerServer(48);
    EXPECT_EQ(cap(), 48u);
    allowConnectionsPerServer(22);
    EXPECT_EQ(cap(), 48u);
    allowConnectionsPerServer(64);
    EXPECT_EQ(cap(), 64u);
}
