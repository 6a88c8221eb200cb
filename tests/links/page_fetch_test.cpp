// The pages behind search results against a loopback server that misbehaves on purpose: the
// body cap keeps the links before the cut, a page that drips ends at the deadline, a redirect
// loop ends, every hop goes through the --engine address with the real host in front, cookies
// stay with their host, and no more than four requests reach one host at once.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "http/canceller.h"
#include "links/page_fetch.h"
#include "links/page_text.h"
#include "text/encoding.h"
#include "tools/httpd/loopback_server.h"

namespace {

const char SHARE_BEFORE[] = "https://pan.quark.cn/s/3f8a9c2b1d4e";
const char SHARE_AFTER[] = "https://pan.quark.cn/s/7c1e2d3f4a5b";

std::string okHeaders(const char* type, long long length = -1) {
    std::string head = std::string("HTTP/1.1 200 OK\r\nContent-Type: ") + type + "\r\n";
    if (length >= 0) head += "Content-Length: " + std::to_string(length) + "\r\n";
    return head + "Connection: close\r\n\r\n";
}

// A server whose answers the test chooses by path (the path as it arrived, host segment and all).
class PageServer {
public:
    using Answer = std::function<void(LoopbackConnection&, const ParsedRequest&)>;
    PageServer()
        : server_([this](LoopbackConnection& connection, const std::string& raw) {
              ParsedRequest request = parseRequest(raw);
              {
                  std::lock_guard lock(mutex_);
                  targets_.push_back(request.target);
                  cookies_.push_back(request.header("Cookie"));
                  peak_ = std::max(peak_, ++inFlight_);
              }
              answer_(connection, request);
              std::lock_guard lock(mutex_);
              --inFlight_;
          }) {}

    void answer(Answer answer) { answer_ = std::move(answer); }
    std::string via() const { return "127.0.0.1:" + std::to_string(server_.port()); }
    std::vector<std::string> targets() {
        std::lock_guard lock(mutex_);
        return targets_;
    }
    std::vector<std::string> cookies() {
        std::lock_guard lock(mutex_);
        return cookies_;
    }
    int peak() {
        std::lock_guard lock(mutex_);
        return peak_;
    }

private:
    Answer answer_;
    std::mutex mutex_;
    std::vector<std::string> targets_, cookies_;
    int inFlight_ = 0, peak_ = 0;
    LoopbackServer server_;  // last: stopped before the state above goes
};

PageFetchOptions through(const PageServer& server) {
    PageFetchOptions options;
    options.via = server.via();
    return options;
}

std::vector<std::string> sharesOfText(const std::string& text) {
    std::vector<std::string> shares;
    for (const PageShare& share : sharesInPage(text)) shares.push_back(share.link.share + "/" + share.link.code);
    return shares;
}

}  // namespace

TEST(PageFetch, AddressesGoThroughTheEngineWithTheirRealHostFirst) {
    EXPECT_EQ(addressVia("https://bbs.example/t/1?x=1", "127.0.0.1:8080"), "http://127.0.0.1:8080/bbs.example/t/1?x=1");
    EXPECT_EQ(addressVia("http://blog.example", "127.0.0.1:8080"), "http://127.0.0.1:8080/blog.example");
    EXPECT_EQ(addressVia("https://bbs.example/t/1", ""), "https://bbs.example/t/1");

    PageServer server;
    server.answer([](LoopbackConnection& c, const ParsedRequest& r) {
        if (r.target == "/bbs.example/t/1") {
            // Relative to the real host, then absolute to another host: both stay on the engine.
            c.send(httpResponse(302, "Found", "", "Set-Cookie: sid=bbs1; path=/\r\nLocation: /t/2\r\n"));
        } else if (r.target == "/bbs.example/t/2") {
            c.send(httpResponse(301, "Moved", "", "Location: https://other.example/x\r\n"));
        } else if (r.target == "/other.example/x") {
            std::string body = gbkToUtf8(std::string("<p>") + SHARE_BEFORE + " 提取码：ab12</p>");
            c.send(okHeaders("text/html; charset=utf-8", (long long)body.size()) + body);
        } else {
            c.send(httpResponse(404, "Not Found", "no"));
        }
    });
    FetchedPage page = fetchMentionPage("https://bbs.example/t/1", through(server));
    EXPECT_EQ(page.failure, "");
    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/bbs.example/t/1", "/bbs.example/t/2", "/other.example/x"}));
    // bbs.example's cookie went back to bbs.example, never to other.example.
    EXPECT_EQ(server.cookies().at(1), "sid=bbs1");
    EXPECT_EQ(server.cookies().at(2), "");
    EXPECT_EQ(sharesOfText(page.text), std::vector<std::string>{readShareLink(SHARE_BEFORE)->share + "/ab12"});
}

TEST(PageFetch, HostilePagesEndWithinTheirBounds) {
    PageServer server;
    std::atomic<bool> stop{false};
    server.answer([&](LoopbackConnection& c, const ParsedRequest& r) {
        if (r.target == "/huge.example/big") {
            // 3 MB with a share at the start and one after the cap.
            std::string filler(size_t(5) << 19, 'x');
            std::string body = std::string("<p>") + SHARE_BEFORE + " 提取码：ab12</p><p>" + filler + "</p><p>" +
                               SHARE_AFTER + " 提取码：cd34</p><p>" + std::string(size_t(1) << 19, 'y') + "</p>";
            c.send(okHeaders("text/html; charset=gbk", (long long)body.size()) + body);
        } else if (r.target == "/huge.example/endless") {
            std::string chunk(64 * 1024, 'z');
            bool open = c.send(okHeaders("text/html") + "<p>" + SHARE_BEFORE + " 提取码：ab12</p><p>");
            for (int i = 0; open && i < 1000 && !stop; ++i) open = c.send(chunk);
        } else if (r.target == "/slow.example/drip") {
            bool open = c.send(okHeaders("text/html") + "<p>");
            for (int i = 0; open && i < 400 && !stop && !c.waitForStop(100); ++i) open = c.send(" ");
        } else if (r.target == "/loop.example/a" || r.target == "/loop.example/b") {
            c.send(httpResponse(302, "Found", "", std::string("Location: /") + (r.target.back() == 'a' ? "b" : "a") + "\r\n"));
        } else {
            c.send(httpResponse(404, "Not Found", "<p>gone</p>"));
        }
    });
    PageFetchOptions options = through(server);
    options.deadlineMs = 2000;

    // The cap: what arrived before it is read, the rest is not, and the cut is said.
    FetchedPage big = fetchMentionPage("https://huge.example/big", options);
    EXPECT_TRUE(big.cut);
    EXPECT_NE(big.failure.find("cut"), std::string::npos) << big.failure;
    EXPECT_LE(big.text.size(), MENTION_PAGE_MAX_BYTES);
    EXPECT_EQ(sharesOfText(big.text), std::vector<std::string>{readShareLink(SHARE_BEFORE)->share + "/ab12"});

    FetchedPage endless = fetchMentionPage("https://huge.example/endless", options);
    EXPECT_TRUE(endless.cut);
    EXPECT_EQ(sharesOfText(endless.text).size(), 1u);

    // A page that drips ends at the deadline, not when the server tires.
    ULONGLONG start = GetTickCount64();
    FetchedPage drip = fetchMentionPage("https://slow.example/drip", options);
    ULONGLONG took = GetTickCount64() - start;
    EXPECT_FALSE(drip.failure.empty());
    EXPECT_LT(took, 6000u);
    EXPECT_GE(took, 1500u);

    FetchedPage loop = fetchMentionPage("https://loop.example/a", options);
    EXPECT_NE(loop.failure.find("redirects"), std::string::npos) << loop.failure;
    EXPECT_LE(server.targets().size(), size_t(3 + 1 + MENTION_PAGE_REDIRECTS + 1));

    FetchedPage gone = fetchMentionPage("https://bbs.example/gone", options);
    EXPECT_EQ(gone.failure, "HTTP 404");
    stop = true;
}

TEST(PageFetch, FourInFlightPerHostAcrossSearches) {
    PageServer server;
    std::atomic<int> perHostPeak{0};
    server.answer([&](LoopbackConnection& c, const ParsedRequest& r) {
        int now = pagesInFlight(r.target.compare(0, 11, "/a.example/") == 0 ? "a.example" : "b.example");
        int seen = perHostPeak.load();
        while (now > seen && !perHostPeak.compare_exchange_weak(seen, now)) {
        }
        c.waitForStop(150);
        std::string body = "<p>" + r.target + "</p>";
        c.send(okHeaders("text/html", (long long)body.size()) + body);
    });
    std::vector<std::string> urls;
    for (int i = 0; i < 12; ++i) urls.push_back("https://a.example/p" + std::to_string(i));
    // Two services reading pages of one host at once share its four slots.
    std::vector<FetchedPage> first, second;
    std::thread other([&] { second = fetchMentionPages(urls, through(server)); });
    first = fetchMentionPages(urls, through(server));
    other.join();
    EXPECT_LE(server.peak(), MENTION_PAGES_PER_HOST);
    EXPECT_GE(server.peak(), 2) << "the pages are read side by side";
    EXPECT_LE(perHostPeak.load(), MENTION_PAGES_PER_HOST);
    ASSERT_EQ(first.size(), urls.size());
    for (size_t i = 0; i < urls.size(); ++i) {
        EXPECT_EQ(first[i].url, urls[i]);
        EXPECT_EQ(first[i].text, "<p>/a.example/p" + std::to_string(i) + "</p>") << "results keep the order asked";
        EXPECT_EQ(second[i].failure, "");
    }
    EXPECT_EQ(pagesInFlight("a.example"), 0);

    // Cancelled: every page ends at once, none is asked any more.
    RequestCanceller canceller;
    canceller.cancel();
    PageFetchOptions options = through(server);
    options.canceller = &canceller;
    size_t asked = server.targets().size();
    std::vector<FetchedPage> cancelled = fetchMentionPages(urls, options);
    EXPECT_EQ(server.targets().size(), asked);
    for (const FetchedPage& page : cancelled) EXPECT_EQ(page.failure, "cancelled");
}

TEST(PageFetch, PagesAreReadInTheirCharset) {
    PageServer server;
    server.answer([](LoopbackConnection& c, const ParsedRequest& r) {
        std::string gbk = std::string("<p>") + SHARE_BEFORE + " 提取码：ab12</p>";
        if (r.target == "/x.example/gbk-meta") {
            std::string body = "<meta charset=\"gb2312\">" + gbk;
            c.send(okHeaders("text/html", (long long)body.size()) + body);
        } else {
            std::string body = gbkToUtf8(gbk);
            c.send(okHeaders("text/html", (long long)body.size()) + body);
        }
    });
    for (const char* page : {"https://x.example/gbk-meta", "https://x.example/utf8-undeclared"}) {
        FetchedPage fetched = fetchMentionPage(page, through(server));
        EXPECT_EQ(sharesOfText(fetched.text), std::vector<std::string>{readShareLink(SHARE_BEFORE)->share + "/ab12"})
            << page;
    }
}
