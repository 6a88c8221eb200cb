// Searches against an engine that misbehaves on purpose, one hostile site and one normal site in
// each search: every search ends, the normal site's rows all arrive, memory stays bounded, no
// request carries a flood of cookies and every row stays one line.
#include <windows.h>

#include <psapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "tests/search/query_target.h"
#include "text/encoding.h"
#include "search/query.h"
#include "search/worker.h"
#include "tools/engine_sim/engine_sim.h"
#include "tools/httpd/loopback_server.h"

namespace {

const std::string NORMAL_HOST = "normal.example";
constexpr int NORMAL_HITS = 120;  // pages of 50, 50 and 20

std::string pageHead() {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n";
}

std::string classicPage(const std::string& site, int offset, const std::vector<SimHit>& hits, bool marker) {
    return gbkToUtf8(simResultPage(site, "kw", offset, hits, marker));
}

// The engine: the normal site is answered properly, every other site by the behaviour its
// first label names.
class HostileEngine {
public:
    HostileEngine()
        : server_([this](LoopbackConnection& c, const std::string& raw) { handle(c, raw); }) {}

    std::string hostPort() const { return "127.0.0.1:" + std::to_string(server_.port()); }
    size_t largestCookieHeader() const { return largestCookie_; }
    size_t requestsFor(const std::string& site) {
        std::lock_guard lock(mutex_);
        return requests_[site];
    }

private:
    void handle(LoopbackConnection& c, const std::string& raw) {
        ParsedRequest request = parseRequest(raw);
        const std::string site = siteInQuery(request.target);
        const int offset = numberAfter(request.target, "&pn=");
        {
            std::lock_guard lock(mutex_);
            ++requests_[site];
        }
        size_t cookie = request.header("Cookie").size();
        for (size_t seen = largestCookie_; cookie > seen && !largestCookie_.compare_exchange_weak(seen, cookie);) {
        }

        if (site == NORMAL_HOST) {
            int count = std::min(50, NORMAL_HITS - offset);
            c.send(httpResponse(200, "OK", classicPage(site, offset, simGeneratedHits(site, "kw", offset + 1, count),
                                                       offset + 50 < NORMAL_HITS)));
            return;
        }
        const std::string kind = site.substr(0, site.find('.'));
        const std::vector<SimHit> fresh = simGeneratedHits(site, "kw", offset + 1, 50);
        if (kind == "drip") {
            // A good first page, then the next one a byte a second for ever: the lock is held.
            if (offset == 0) {
                c.send(httpResponse(200, "OK", classicPage(site, 0, fresh, true)));
                return;
            }
            c.send(pageHead() + "\r\n");
            while (c.send("<") && !c.waitForStop(1000)) {
            }
        } else if (kind == "loop") {
            c.send(httpResponse(302, "Found", "", "Location: " + request.target + "\r\n"));
        } else if (kind == "wander") {
            c.send(httpResponse(302, "Found", "", "Location: " + request.target + "&r=" + std::to_string(++wander_) +
                                                      "\r\n"));
        } else if (kind == "same") {
            // The next-page link on every page, and the same results on every page.
            c.send(httpResponse(200, "OK", classicPage(site, offset, simGeneratedHits(site, "kw", 1, 50), true)));
        } else if (kind == "fresh") {
            // The next-page link on every page, with new results every time.
            c.send(httpResponse(200, "OK", classicPage(site, offset, fresh, true)));
        } else if (kind == "endless") {
            // A body without end that keeps offering results and the next page.
            c.send(pageHead() + "\r\n");
            std::string chunk = classicPage(site, offset, fresh, true);
            while (c.send(chunk)) {
            }
        } else if (kind == "huge") {
            const size_t size = size_t(80) << 20;
            c.send(pageHead() + "Content-Length: " + std::to_string(size) + "\r\n\r\n");
            std::string page = classicPage(site, offset, fresh, false);
            std::string filler(1 << 20, ' ');
            size_t sent = page.size();
            if (!c.send(page)) return;
            while (sent + filler.size() <= size && c.send(filler)) sent += filler.size();
            c.send(std::string(size - sent, ' '));
        } else if (kind == "longline") {
            std::string line;
            while (line.size() < (size_t(2) << 20)) line += "href=\"x\" ";
            c.send(httpResponse(200, "OK", line + "\n" + classicPage(site, offset, fresh, false)));
        } else if (kind == "cookies") {
            std::string lines;
            for (int i = 0; i < 5000; ++i) lines += "Set-Cookie: c" + std::to_string(i) + "=" + std::string(40, 'v') + "\r\n";
            c.send(httpResponse(200, "OK", classicPage(site, offset, fresh, offset < 100), lines));
        } else if (kind == "control") {
            std::vector<SimHit> odd = {{"http://control.example/a\tb", "tab\there"},
                                       {"http://control.example/c", "carriage\rreturn"},
                                       {"http://control.example/d", "bell\x07" "and\x0b" "vt"}};
            c.send(httpResponse(200, "OK", classicPage(site, offset, odd, false)));
        }
    }

    std::mutex mutex_;
    std::map<std::string, size_t> requests_;
    std::atomic<size_t> largestCookie_{0};
    std::atomic<int> wander_{0};
    LoopbackServer server_;
};

// One search's result list, printed the way the command line prints it.
class PrintingSink : public SearchSink {
public:
    std::string keyword() override { return "kw"; }
    void lockResults() override { lock_.lock(); }
    void unlockResults() override { lock_.unlock(); }
    void addHits(const std::vector<Hit>& hits) override {
        for (const Hit& hit : hits) {
            output_ += std::to_string(++rows_) + "\t" + hit.title + "\t" + hit.address + "\n";
            if (hit.address.rfind("http://" + NORMAL_HOST + "/", 0) == 0) normalAddresses_.push_back(hit.address);
        }
    }
    void showCount() override {}
    void serviceEnded(const ServiceOutcome& outcome) override { outcomes_.push_back(outcome); }

    const std::string& output() const { return output_; }
    const std::vector<std::string>& normalAddresses() const { return normalAddresses_; }
    int rows() const { return rows_; }
    const std::vector<ServiceOutcome>& outcomes() const { return outcomes_; }

private:
    std::mutex lock_;
    std::string output_;
    std::vector<std::string> normalAddresses_;
    int rows_ = 0;
    std::vector<ServiceOutcome> outcomes_;
};

struct SearchRun {
    std::string hostile;
    PrintingSink sink;
    ULONGLONG tookMs = 0;
};

// Runs each search (the hostile site and the normal site, as two workers sharing one list)
// at the same time, and waits for all of them.
void runSearches(std::vector<std::unique_ptr<SearchRun>>& runs) {
    std::vector<std::thread> searches;
    for (auto& run : runs) {
        searches.emplace_back([&run] {
            ULONGLONG start = GetTickCount64();
            std::thread hostile([&] { searchWorker(makeSearchTask(24, run->hostile), run->sink); });
            std::thread normal([&] { searchWorker(makeSearchTask(25, NORMAL_HOST), run->sink); });
            hostile.join();
            normal.join();
            run->tookMs = GetTickCount64() - start;
        });
    }
    for (auto& search : searches) search.join();
}

size_t peakWorkingSetMb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize >> 20;
}

void checkSearch(const SearchRun& run, ULONGLONG limitMs) {
    SCOPED_TRACE(run.hostile);
    EXPECT_LT(run.tookMs, limitMs);
    // Every row of the normal site, in order.
    std::vector<std::string> expected;
    for (const SimHit& hit : simGeneratedHits(NORMAL_HOST, "kw", 1, NORMAL_HITS)) expected.push_back(hit.address);
    EXPECT_EQ(run.sink.normalAddresses(), expected);
    // One line per row: three cells, no stray line breaks.
    size_t lines = 0;
    size_t start = 0;
    for (size_t end; (end = run.sink.output().find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = run.sink.output().substr(start, end - start);
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 2) << line;
        EXPECT_EQ(line.find('\r'), std::string::npos) << line;
        ++lines;
    }
    EXPECT_EQ(lines, size_t(run.sink.rows()));
    EXPECT_EQ(run.sink.outcomes().size(), 2u);
}

class HostileEngineTest : public ::testing::Test {
protected:
    void SetUp() override { setEngineHost(engine.hostPort()); }
    void TearDown() override { setEngineHost(DEFAULT_ENGINE_HOST); }

    std::vector<std::unique_ptr<SearchRun>> searchesOf(std::initializer_list<const char*> hostiles) {
        std::vector<std::unique_ptr<SearchRun>> runs;
        for (const char* hostile : hostiles) {
            runs.push_back(std::make_unique<SearchRun>());
            runs.back()->hostile = hostile;
        }
        return runs;
    }

    HostileEngine engine;
};

TEST_F(HostileEngineTest, EverySearchEndsAndTheNormalSiteDelivers) {
    auto runs = searchesOf({"drip.example", "loop.example", "wander.example", "same.example", "fresh.example",
                            "longline.example", "cookies.example", "control.example"});
    runSearches(runs);
    for (const auto& run : runs) checkSearch(*run, run->hostile == "fresh.example" ? 150000 : 90000);
    EXPECT_LT(peakWorkingSetMb(), 200u);
    // A browser never sends more than about 8 KB of cookies; nor do we.
    EXPECT_LE(engine.largestCookieHeader(), 8192u);
    // Redirect loops end after a bounded number of requests.
    EXPECT_LE(engine.requestsFor("loop.example"), 12u);
    EXPECT_LE(engine.requestsFor("wander.example"), 12u);

    std::map<std::string, const SearchRun*> byHost;
    for (const auto& run : runs) byHost[run->hostile] = run.get();
    // Results that repeat page after page end the paging at once; new ones at the page limit.
    EXPECT_LE(engine.requestsFor("same.example"), 2u);
    EXPECT_LE(byHost["fresh.example"]->sink.rows(), 200 * 50 + NORMAL_HITS);
    // The titles and addresses with control characters are kept, each on one line.
    EXPECT_NE(byHost["control.example"]->sink.output().find("tab here"), std::string::npos);
    EXPECT_NE(byHost["control.example"]->sink.output().find("carriage return"), std::string::npos);
    EXPECT_NE(byHost["control.example"]->sink.output().find("bell and vt"), std::string::npos);
    EXPECT_NE(byHost["control.example"]->sink.output().find("http://control.example/a b"), std::string::npos);
    // The hostile services that were cut off are reported as failed, the normal ones are not.
    for (const char* host : {"drip.example", "loop.example", "wander.example"}) {
        const auto& outcomes = byHost[host]->sink.outcomes();
        bool hostileFailed = false;
        for (const ServiceOutcome& outcome : outcomes) {
            if (outcome.service == NORMAL_HOST) {
                EXPECT_FALSE(outcome.failed()) << host;
            }
            if (outcome.service == host) hostileFailed = outcome.failed();
        }
        EXPECT_TRUE(hostileFailed) << host;
    }
}

TEST_F(HostileEngineTest, HugeAndEndlessBodiesStayWithinTheirCap) {
    auto runs = searchesOf({"endless.example", "huge.example"});
    runSearches(runs);
    for (const auto& run : runs) {
        checkSearch(*run, 90000);
        for (const ServiceOutcome& outcome : run->sink.outcomes()) {
            if (outcome.service == run->hostile) {
                EXPECT_EQ(outcome.failure.rfind("too large", 0), 0u) << outcome.failure;
            }
        }
    }
    EXPECT_LT(peakWorkingSetMb(), 300u);
}

}  // namespace
