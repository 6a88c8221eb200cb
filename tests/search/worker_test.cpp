// The search worker against the engine simulator: extraction, paging, the lock discipline,
// failures and cancellation.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "http/canceller.h"
#include "text/text.h"
#include "http/web_request.h"
#include "search/query.h"
#include "search/services.h"
#include "search/worker.h"
#include "tests/search/sinks.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

struct Row {
    int number;
    std::string title;
    std::string address;
};

// A result list as the main window keeps it: shared numbering, searchLock, a count label.
// It also checks that every hit and count arrive under the lock.
class RecordingSink : public GuardedSink {
public:
    explicit RecordingSink(std::string keyword) : keyword_(std::move(keyword)) {}

    std::string keyword() override {
        std::lock_guard g(keywordMutex_);
        return keyword_;
    }
    void setKeyword(std::string k) {
        std::lock_guard g(keywordMutex_);
        keyword_ = std::move(k);
    }
    void addHits(const std::vector<Hit>& hits) override {
        checkHeld();
        pageSizes_.push_back(int(hits.size()));
        for (const Hit& hit : hits) {
            rows_.push_back({int(rows_.size()) + 1, hit.title, hit.address});
            if (onHit) onHit(rows_.back());
        }
    }
    void serviceEnded(const ServiceOutcome& outcome) override {
        checkHeld();
        outcomes_.push_back(outcome);
    }
    void showCount() override {
        checkHeld();
        countsShown_.push_back(int(rows_.size()));
    }

    std::function<void(const Row&)> onHit;  // runs under the lock, on the worker's thread

    // Read these once the workers have ended.
    const std::vector<Row>& rows() const { return rows_; }
    const std::vector<int>& countsShown() const { return countsShown_; }
    const std::vector<int>& pageSizes() const { return pageSizes_; }
    const std::vector<ServiceOutcome>& outcomes() const { return outcomes_; }

private:
    std::mutex keywordMutex_;
    std::string keyword_;
    std::vector<Row> rows_;
    std::vector<int> countsShown_;
    std::vector<int> pageSizes_;
    std::vector<ServiceOutcome> outcomes_;
};

std::string withoutEm(std::string title) {
    return replaceAll(replaceAll(title, "<em>", ""), "</em>", "");
}

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok());
        setEngineHost(sim.hostPort());
    }
    void TearDown() override { setEngineHost(DEFAULT_ENGINE_HOST); }

    void setHits(int hits) {
        EngineSimOptions o = sim.options();
        o.hitsPerQuery = hits;
        sim.setOptions(o);
    }

    EngineSim sim;
    const std::string host1 = ServiceTable[0].host;
    const std::string host2 = ServiceTable[1].host;
};

TEST(WorkerConstants, PatternAndMarkerAreTheEnginesLayout) {
    std::string pattern = RESULT_PATTERN;
    EXPECT_EQ(pattern.size(), 78u);
    std::string expected = std::string("href=\"(.*?)\"") + "\n\t\t\n\t\t" + std::string(12, ' ') + "target=\"_blank\"" +
                           "\n" + std::string(8, ' ') + "\t\t\n\t\t" + ">(.*?)</a></h3><div";
    EXPECT_EQ(pattern, expected);
    EXPECT_EQ(std::string(NEXT_PAGE_MARKER).size(), 16u);
    EXPECT_EQ(std::string(NEXT_PAGE_MARKER).substr(0, 10), "class=\"n\">");
    EXPECT_EQ(PAGE_SIZE, 50);
}

TEST_F(WorkerTest, SimulatorBoundsRowsAndOffsetsItIsAskedFor) {
    EngineSimOptions o;
    o.endless = true;
    sim.setOptions(o);
    const std::string base = "http://" + sim.hostPort() + "/s?wd=site%3Aa.com%20x&ie=utf-8&rsv_page=1";
    // Billions of rows: one bounded page, not an exhausted memory.
    std::string page = webRequest(base + "&pn=0&rn=2000000000");
    ASSERT_EQ(sim.requestCount(), 1u);
    EXPECT_EQ(sim.requests().back().hitsServed, SIM_MAX_ROWS);
    EXPECT_NE(page.find("id=\"100\""), std::string::npos);
    // A negative offset is served as the first page; one at the end of int does not overflow.
    page = webRequest(base + "&pn=-100&rn=50");
    EXPECT_NE(page.find("id=\"1\""), std::string::npos);
    EXPECT_EQ(page.find("id=\"-"), std::string::npos);
    page = webRequest(base + "&pn=2147483600&rn=100");
    EXPECT_EQ(sim.requests().back().hitsServed, SIM_MAX_ROWS);
    EXPECT_EQ(page.find("id=\"-"), std::string::npos);
}

TEST_F(WorkerTest, FirstPageWithoutHitsOrMarkerShowsTheCountOnce) {
    setHits(0);
    RecordingSink sink("无结果");
    searchWorker(makeSearchTask(1), sink);
    EXPECT_TRUE(sink.rows().empty());
    EXPECT_EQ(sink.countsShown(), std::vector<int>{0});
    EXPECT_EQ(sink.locks(), 1);  // taken even without hits
    EXPECT_EQ(sink.unlocks(), 1);
    ASSERT_EQ(sim.requestCount(), 1u);
    EXPECT_EQ(sim.requests()[0].site, host1);
}

TEST_F(WorkerTest, FiftyAndTwelveHitsComeFromTwoPagesInOrder) {
    setHits(62);
    RecordingSink sink("电子书 pdf");
    searchWorker(makeSearchTask(1), sink);

    std::vector<SimHit> expected = sim.hitsFor(host1, "电子书 pdf");
    ASSERT_EQ(expected.size(), 62u);
    ASSERT_EQ(sink.rows().size(), 62u);
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(sink.rows()[i].address, expected[i].address) << i;
        EXPECT_EQ(sink.rows()[i].title, withoutEm(expected[i].title)) << i;
    }
    EXPECT_EQ(sink.rows()[0].title.rfind("电子书 pdf 资料1 &amp; ", 0), 0u) << sink.rows()[0].title;
    EXPECT_EQ(sink.countsShown(), std::vector<int>{62});
    EXPECT_TRUE(sink.disciplineKept());

    std::vector<SimRequest> requests = sim.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].offset, 0);
    EXPECT_EQ(requests[1].offset, 50);
    for (const SimRequest& r : requests) {
        EXPECT_EQ(r.site, host1);
        EXPECT_EQ(r.keyword, "电子书 pdf");
        EXPECT_EQ(r.rows, 50);
        EXPECT_EQ(r.ie, "utf-8");
        EXPECT_EQ(r.rsvPage, "1");
    }
    EXPECT_NE(requests[0].target.find("&pn=0&rn=50&ie=utf-8&rsv_page=1"), std::string::npos);
}

TEST_F(WorkerTest, OnlyLowerCaseHighlightingIsRemovedAndReferencesStay) {
    sim.setCorpus(host1,
                  {
                      {"http://pan.example/s/1?a=1&amp;b=2", "<em>Win</em>dows &amp; <EM>Office</EM> &#39;2010&#39;"},
                      {"http://pan.example/s/2", "<b>粗体</b> <em>中文</em><Em>名</Em>"},
                      {"http://pan.example/s/3?q=&quot;x&quot;", ""},
                  });
    RecordingSink sink("Win");
    searchWorker(makeSearchTask(1), sink);
    ASSERT_EQ(sink.rows().size(), 3u);
    EXPECT_EQ(sink.rows()[0].title, "Windows &amp; <EM>Office</EM> &#39;2010&#39;");
    EXPECT_EQ(sink.rows()[0].address, "http://pan.example/s/1?a=1&amp;b=2");
    EXPECT_EQ(sink.rows()[1].title, "<b>粗体</b> 中文<Em>名</Em>");
    EXPECT_EQ(sink.rows()[2].title, "");
    EXPECT_EQ(sink.rows()[2].address, "http://pan.example/s/3?q=&quot;x&quot;");
}

TEST_F(WorkerTest, TwoServicesDeliverUnbrokenRunsNumberedWithoutGaps) {
    EngineSimOptions o;
    o.hitsPerQuery = 120;  // three pages each
    o.latencyMs = 100;     // first pages answer well before any later page
    sim.setOptions(o);
    RecordingSink sink("ab");
    std::thread a([&] { searchWorker(makeSearchTask(1), sink); });
    std::thread b([&] { searchWorker(makeSearchTask(2), sink); });
    a.join();
    b.join();

    ASSERT_EQ(sink.rows().size(), 240u);
    EXPECT_TRUE(sink.disciplineKept());
    EXPECT_EQ(sink.locks(), 2);
    EXPECT_EQ(sink.unlocks(), 2);
    auto hostOf = [&](const Row& r) { return r.address.find(host1) != std::string::npos ? 1 : 2; };
    int switches = 0;
    for (size_t i = 0; i < sink.rows().size(); ++i) {
        EXPECT_EQ(sink.rows()[i].number, int(i) + 1);
        if (i > 0 && hostOf(sink.rows()[i]) != hostOf(sink.rows()[i - 1])) ++switches;
    }
    EXPECT_EQ(switches, 1);
    EXPECT_EQ(sink.countsShown(), (std::vector<int>{120, 240}));
    // Both first pages were asked before either service had all its pages.
    std::vector<SimRequest> requests = sim.requests();
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_EQ(requests[0].offset, 0);
    EXPECT_EQ(requests[1].offset, 0);
}

TEST_F(WorkerTest, UnreachableEngineGivesNoRowsAndAFinalCount) {
    std::string closed;
    {
        EngineSim gone;
        closed = gone.hostPort();
    }
    setEngineHost(closed);
    RecordingSink sink("x");
    searchWorker(makeSearchTask(3), sink);
    EXPECT_TRUE(sink.rows().empty());
    EXPECT_EQ(sink.countsShown(), std::vector<int>{0});
    EXPECT_EQ(sink.unlocks(), 1);
}

TEST_F(WorkerTest, KeywordChangedWhilePagingChangesTheNextRequest) {
    setHits(150);
    RecordingSink sink("first");
    sink.onHit = [&](const Row& row) {
        if (row.number == 1) sink.setKeyword("");
        if (row.number == 51) sink.setKeyword("第三");
    };
    searchWorker(makeSearchTask(1), sink);
    std::vector<SimRequest> requests = sim.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].keyword, "first");
    EXPECT_NE(requests[1].target.find("site%3A" + host1 + "%20&pn=50&rn=50"), std::string::npos) << requests[1].target;
    EXPECT_EQ(requests[2].keyword, "第三");
    EXPECT_EQ(requests[2].offset, 100);
}

TEST_F(WorkerTest, ExtraSiteIsSearchedUnderItsOwnHost) {
    setHits(3);
    RecordingSink sink("k");
    searchWorker(makeSearchTask(24, "my.disk.example"), sink);
    ASSERT_EQ(sim.requestCount(), 1u);
    EXPECT_EQ(sim.requests()[0].site, "my.disk.example");
    EXPECT_EQ(sink.rows().size(), 3u);
}

TEST_F(WorkerTest, EmptyTaskDoesNothing) {
    RecordingSink sink("x");
    searchWorker("", sink);
    EXPECT_EQ(sim.requestCount(), 0u);
    EXPECT_EQ(sink.locks(), 0);
    EXPECT_TRUE(sink.countsShown().empty());
}

// A run ends where the page gives it no way on, delivering what it read and showing the count
// once: a marker with a capital "N", a broken page, a page the engine answers with an error.
TEST_F(WorkerTest, CapitalMarkerBrokenOrFailingPageEndsTheRunQuietly) {
    EngineSimOptions capital, broken, failing;
    capital.hitsPerQuery = broken.hitsPerQuery = 62;
    capital.capitalMarker = true;
    broken.brokenPages = true;  // zero byte in front of the 26th result, marker behind it
    failing.hitsPerQuery = 200;
    failing.errorStatus = 503;
    failing.errorAfterPages = 1;
    const struct {
        const char* name;
        const EngineSimOptions& options;
        int service, rows;
        size_t requests;
    } runs[] = {{"capital marker", capital, 2, 50, 1}, {"broken page", broken, 1, 25, 1},
                // One more page asked, answered 503, then nothing.
                {"failing page", failing, 2, 50, 2}};
    for (const auto& run : runs) {
        sim.setOptions(run.options);
        size_t before = sim.requestCount();
        RecordingSink sink(run.name);
        searchWorker(makeSearchTask(run.service), sink);
        EXPECT_EQ(int(sink.rows().size()), run.rows) << run.name;
        EXPECT_EQ(sim.requestCount() - before, run.requests) << run.name;
        EXPECT_EQ(sink.countsShown(), std::vector<int>{run.rows}) << run.name;
    }
    EXPECT_EQ(sim.requests().back().status, 503);
}

TEST_F(WorkerTest, CancelledWorkerStopsPagingAndReleasesTheLock) {
    EngineSimOptions o;
    o.endless = true;
    sim.setOptions(o);
    RequestCanceller canceller;
    RecordingSink sink("endless");
    sink.onHit = [&](const Row& row) {
        if (row.number == 120) canceller.cancel();
    };
    searchWorker(makeSearchTask(1), sink, &canceller);
    // A page is delivered whole, so the page that held row 120 ends the run.
    EXPECT_EQ(sink.rows().size(), 150u);
    EXPECT_EQ(sink.pageSizes(), (std::vector<int>{50, 50, 50}));
    EXPECT_EQ(sink.unlocks(), 1);
    EXPECT_TRUE(sink.countsShown().empty());
    EXPECT_EQ(sim.requestCount(), 3u);

    // Cancelled while a later page is on its way (the window going away): the request in
    // flight is abandoned and the lock comes free at once.
    EngineSimOptions slow;
    slow.endless = true;
    slow.latencyMs = 2000;
    sim.setOptions(slow);
    RequestCanceller midFlight;
    sim.setRequestHook([&](const SimRequest& r) {
        if (r.offset == 50) midFlight.cancel();
    });
    RecordingSink waiting("slow");
    auto started = std::chrono::steady_clock::now();
    searchWorker(makeSearchTask(2), waiting, &midFlight);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(3500));  // one latency, not two
    EXPECT_EQ(waiting.rows().size(), 50u);
    EXPECT_EQ(waiting.unlocks(), 1);
    EXPECT_TRUE(waiting.countsShown().empty());
    sim.setRequestHook({});

    // Cancelled before it starts: nothing fetched, the lock never taken.
    RecordingSink idle("x");
    searchWorker(makeSearchTask(1), idle, &canceller);
    EXPECT_EQ(idle.locks(), 0);
    EXPECT_EQ(sim.requestCount(), 4u);
}

}  // namespace
