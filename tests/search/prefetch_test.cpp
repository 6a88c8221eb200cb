// Workers that fetch their later pages while another service holds the list: whatever order the
// pages arrive in (a slow first service, a fast last one, one that fails mid-way, one cancelled),
// the list gets each service's rows together, in page order, numbered without gaps, every
// hand-over under searchLock; and the engine never sees more requests at once than allowed,
// first pages ahead of later ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "http/canceller.h"
#include "search/engine_slots.h"
#include "search/extract.h"
#include "search/query.h"
#include "search/worker.h"
#include "tests/search/query_target.h"
#include "tests/search/sinks.h"
#include "text/encoding.h"
#include "tools/engine_sim/engine_sim.h"
#include "tools/httpd/loopback_server.h"

namespace {

using Clock = std::chrono::steady_clock;

// How one site answers: `pages` pages of 50 hits (the last offers no next page), each after
// delayMs(page) milliseconds; from page `failFrom` on (counted from 0) it answers 503.
struct SiteScript {
    int pages = 4;
    std::function<int(int page)> delayMs = [](int) { return 20; };
    int failFrom = -1;
};

// One request as the engine saw it.
struct Seen {
    std::string site;
    int page = 0;
    Clock::time_point arrived, answered;
};

// An engine on 127.0.0.1 that answers each site by its script, counts the requests it is
// answering at once and can run a test's action when a request arrives.
class ScriptedEngine {
public:
    ScriptedEngine() : server_([this](LoopbackConnection& c, const std::string& raw) { handle(c, raw); }) {}

    std::string hostPort() const { return "127.0.0.1:" + std::to_string(server_.port()); }
    void script(const std::string& site, SiteScript s) { scripts_[site] = std::move(s); }
    // Runs on the server's thread when a request arrives, before it is answered.
    std::function<void(const std::string& site, int page)> onRequest;

    std::vector<Seen> seen() const {
        std::lock_guard lock(mutex_);
        return seen_;
    }
    int peakInFlight() const { return peak_; }
    // The most later pages (second and on) that were being answered at once.
    int peakLaterInFlight() const { return peakLater_; }

private:
    void handle(LoopbackConnection& c, const std::string& raw) {
        Seen request;
        request.arrived = Clock::now();
        ParsedRequest parsed = parseRequest(raw);
        request.site = siteInQuery(parsed.target);
        request.page = numberAfter(parsed.target, "&pn=") / PAGE_SIZE;
        int now = ++inFlight_;
        for (int seen = peak_; now > seen && !peak_.compare_exchange_weak(seen, now);) {
        }
        const bool later = request.page > 0;
        int laterNow = later ? ++laterInFlight_ : 0;
        for (int seen = peakLater_; laterNow > seen && !peakLater_.compare_exchange_weak(seen, laterNow);) {
        }
        if (onRequest) onRequest(request.site, request.page);
        const SiteScript& s = scripts_.at(request.site);
        int delay = s.delayMs ? s.delayMs(request.page) : 0;
        if (delay > 0 && c.waitForStop(delay)) {
            --inFlight_;
            if (later) --laterInFlight_;
            return;
        }
        std::string answer;
        if (s.failFrom >= 0 && request.page >= s.failFrom) {
            answer = httpResponse(503, "Service Unavailable", "<html>busy</html>");
        } else {
            const int offset = request.page * PAGE_SIZE;
            std::string page = simResultPage(request.site, "kw", offset,
                                             simGeneratedHits(request.site, "kw", offset, PAGE_SIZE),
                                             request.page + 1 < s.pages);
            answer = httpResponse(200, "OK", gbkToUtf8(page), "Content-Type: text/html; charset=utf-8\r\n");
        }
        request.answered = Clock::now();
        {
            std::lock_guard lock(mutex_);
            seen_.push_back(request);
        }
        --inFlight_;  // counted out as the answer leaves, so the worker's next request finds it free
        if (later) --laterInFlight_;
        c.send(answer);
    }

    std::map<std::string, SiteScript> scripts_;  // set before the workers start
    mutable std::mutex mutex_;
    std::vector<Seen> seen_;
    std::atomic<int> inFlight_{0}, peak_{0}, laterInFlight_{0}, peakLater_{0};
    LoopbackServer server_;
};

struct Row {
    std::string site;
    std::string address;
};

// The result list: searchLock as a mutex that can be tried, the rows as they were handed over,
// and a note of any call made without holding the lock.
class ListSink : public GuardedSink {
public:
    std::string keyword() override { return "kw"; }
    bool tryLockResults() override { return tryTake(); }
    void addHits(const std::vector<Hit>& hits) override {
        checkHeld();
        std::string site = hits.empty() ? "" : addressHost(hits.front().address);
        handOvers_.push_back({site, int(hits.size())});
        for (const Hit& hit : hits) rows_.push_back({addressHost(hit.address), hit.address});
    }
    void showCount() override {
        checkHeld();
        counts_.push_back(int(rows_.size()));
    }
    void serviceEnded(const ServiceOutcome& outcome) override {
        checkHeld();
        outcomes_[outcome.service] = outcome;
    }

    // Read once the workers have ended.
    const std::vector<Row>& rows() const { return rows_; }
    const std::vector<std::pair<std::string, int>>& handOvers() const { return handOvers_; }
    const std::vector<int>& counts() const { return counts_; }
    const std::map<std::string, ServiceOutcome>& outcomes() const { return outcomes_; }
    int rowsOf(const std::string& site) const {
        return int(std::count_if(rows_.begin(), rows_.end(), [&](const Row& r) { return r.site == site; }));
    }

private:
    std::vector<Row> rows_;
    std::vector<std::pair<std::string, int>> handOvers_;
    std::vector<int> counts_;
    std::map<std::string, ServiceOutcome> outcomes_;
};

// Every service's rows in one unbroken run, each run the service's hits from the first in
// page order, as many as `expectedRows` says.
void expectContiguousInPageOrder(const ListSink& sink, const std::map<std::string, int>& expectedRows) {
    EXPECT_TRUE(sink.disciplineKept());
    std::vector<std::string> runs;
    std::map<std::string, int> index;
    for (const Row& row : sink.rows()) {
        if (runs.empty() || runs.back() != row.site) runs.push_back(row.site);
        int n = index[row.site]++;
        std::vector<SimHit> hit = simGeneratedHits(row.site, "kw", n, 1);
        ASSERT_EQ(row.address, hit[0].address) << row.site << " row " << n;
    }
    std::vector<std::string> sorted = runs;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "a service's rows were split";
    for (const auto& [site, rows] : expectedRows) EXPECT_EQ(sink.rowsOf(site), rows) << site;
    size_t total = sink.rows().size();
    if (!sink.counts().empty()) {
        EXPECT_EQ(size_t(sink.counts().back()), total);
    }
}

class PrefetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        setEngineHost(engine.hostPort());
        setEngineConnections(0);
    }
    void TearDown() override {
        setEngineHost(DEFAULT_ENGINE_HOST);
        setEngineConnections(0);
    }

    // Starts one worker per site (extra-site tasks, in this order, `staggerMs` apart), each
    // with a canceller of its own, and waits for all of them.
    void runWorkers(const std::vector<std::string>& sites, int staggerMs = 0) {
        for (const std::string& site : sites) cancellers[site] = std::make_unique<RequestCanceller>();
        std::vector<std::thread> threads;
        for (size_t i = 0; i < sites.size(); ++i) {
            RequestCanceller* canceller = cancellers[sites[i]].get();
            threads.emplace_back([this, i, site = sites[i], canceller] {
                searchWorker(makeSearchTask(24 + int(i), site), sink, canceller);
            });
            if (staggerMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(staggerMs));
        }
        for (std::thread& t : threads) t.join();
    }

    Clock::time_point lastAnswer(const std::string& site) {
        Clock::time_point last{};
        for (const Seen& s : engine.seen())
            if (s.site == site) last = std::max(last, s.answered);
        return last;
    }

    ScriptedEngine engine;
    ListSink sink;
    std::map<std::string, std::unique_ptr<RequestCanceller>> cancellers;
};

TEST_F(PrefetchTest, SlowFirstServiceFastLastServiceAndEveryOrderBetween) {
    // a answers slowest and is started first; d answers fastest and is started last.
    const std::vector<std::string> sites = {"a.example", "b.example", "c.example", "d.example"};
    engine.script("a.example", {4, [](int) { return 250; }});
    engine.script("b.example", {4, [](int page) { return page % 2 ? 10 : 150; }});
    engine.script("c.example", {3, [](int page) { return page == 0 ? 5 : 120; }});
    engine.script("d.example", {4, [](int) { return 1; }});
    runWorkers(sites, 10);
    expectContiguousInPageOrder(sink, {{"a.example", 200}, {"b.example", 200}, {"c.example", 150}, {"d.example", 200}});
    EXPECT_EQ(sink.counts().size(), 4u);
    ASSERT_EQ(sink.outcomes().size(), 4u);
    for (const auto& [name, outcome] : sink.outcomes()) EXPECT_FALSE(outcome.failed()) << name;
}

TEST_F(PrefetchTest, OthersFetchEveryPageWhileTheHolderWaitsAndHandOverInOneGo) {
    // a has its first page at once and takes the list; its later pages are slow. The others'
    // pages all arrive meanwhile and wait, whole, for the list.
    const std::vector<std::string> sites = {"a.example", "b.example", "c.example"};
    engine.script("a.example", {4, [](int page) { return page == 0 ? 1 : 400; }});
    engine.script("b.example", {4, [](int page) { return page == 0 ? 150 : 30; }});
    engine.script("c.example", {3, [](int page) { return page == 0 ? 150 : 30; }});
    runWorkers(sites);
    expectContiguousInPageOrder(sink, {{"a.example", 200}, {"b.example", 200}, {"c.example", 150}});
    ASSERT_FALSE(sink.rows().empty());
    EXPECT_EQ(sink.rows().front().site, "a.example");

    // Every request of b and c was answered before a's last page was.
    Clock::time_point aDone = lastAnswer("a.example");
    for (const Seen& s : engine.seen()) {
        if (s.site != "a.example") {
            EXPECT_LT(s.answered, aDone) << s.site << " page " << s.page;
        }
    }
    // a handed over page by page; b and c each in one call of all their rows.
    std::vector<std::pair<std::string, int>> expected = {{"a.example", 50}, {"a.example", 50}, {"a.example", 50},
                                                         {"a.example", 50}};
    std::vector<std::pair<std::string, int>> got = sink.handOvers();
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(std::vector(got.begin(), got.begin() + 4), expected);
    std::sort(got.begin() + 4, got.end());
    EXPECT_EQ(got[4], std::make_pair(std::string("b.example"), 200));
    EXPECT_EQ(got[5], std::make_pair(std::string("c.example"), 150));
}

TEST_F(PrefetchTest, ServiceThatFailsMidwayKeepsItsRowsAndAsksNoFurther) {
    const std::vector<std::string> sites = {"a.example", "b.example", "c.example"};
    engine.script("a.example", {4, [](int page) { return page == 0 ? 1 : 200; }});
    engine.script("b.example", {4, [](int) { return 20; }, 2});  // pages 0 and 1, then 503
    engine.script("c.example", {2, [](int) { return 60; }});
    runWorkers(sites);
    expectContiguousInPageOrder(sink, {{"a.example", 200}, {"b.example", 100}, {"c.example", 100}});
    ASSERT_EQ(sink.outcomes().size(), 3u);
    EXPECT_FALSE(sink.outcomes().at("a.example").failed());
    EXPECT_TRUE(sink.outcomes().at("b.example").failed());
    EXPECT_NE(sink.outcomes().at("b.example").failure.find("503"), std::string::npos)
        << sink.outcomes().at("b.example").failure;
    EXPECT_FALSE(sink.outcomes().at("c.example").failed());
    int bRequests = 0;
    for (const Seen& s : engine.seen()) bRequests += s.site == "b.example";
    EXPECT_EQ(bRequests, 3);
    EXPECT_EQ(sink.counts().size(), 3u);
}

TEST_F(PrefetchTest, CancelledServiceLeavesTheListWholeForTheOthers) {
    // b is cancelled when its third page is asked for: while it still waits for the list, its
    // kept rows are dropped. a is cancelled while it holds the list: the others still get it.
    const std::vector<std::string> sites = {"a.example", "b.example", "c.example"};
    engine.script("a.example", {4, [](int page) { return page == 0 ? 1 : 300; }});
    engine.script("b.example", {4, [](int page) { return page == 0 ? 100 : 20; }});
    engine.script("c.example", {4, [](int page) { return page == 0 ? 100 : 20; }});
    engine.onRequest = [this](const std::string& site, int page) {
        if (site == "b.example" && page == 2) cancellers["b.example"]->cancel();
        if (site == "a.example" && page == 2) cancellers["a.example"]->cancel();
    };
    for (const std::string& site : sites) cancellers[site] = std::make_unique<RequestCanceller>();
    auto started = Clock::now();
    std::vector<std::thread> threads;
    for (size_t i = 0; i < sites.size(); ++i) {
        threads.emplace_back([this, i, site = sites[i]] {
            searchWorker(makeSearchTask(24 + int(i), site), sink, cancellers[site].get());
        });
    }
    for (std::thread& t : threads) t.join();
    // The cancelled request of a was abandoned, not waited for.
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(3));

    // a delivered its first two pages before it was cancelled; b delivered nothing.
    expectContiguousInPageOrder(sink, {{"a.example", 100}, {"b.example", 0}, {"c.example", 200}});
    EXPECT_EQ(sink.rows().front().site, "a.example");
    ASSERT_EQ(sink.outcomes().size(), 1u);  // a cancelled service reports no end
    EXPECT_EQ(sink.outcomes().count("c.example"), 1u);
    EXPECT_EQ(sink.counts(), std::vector<int>{300});
    for (const Seen& s : engine.seen()) {
        if (s.site != "c.example") {
            EXPECT_LE(s.page, 2) << s.site;
        }
    }
}

TEST_F(PrefetchTest, EngineSeesAtMostTheCapAndFirstPagesBeforeLaterOnes) {
    // Eight services of three pages behind a cap of four: the first pages fill the cap, the
    // next first pages go before any second page.
    setEngineConnections(4);
    std::vector<std::string> sites;
    for (int i = 1; i <= 8; ++i) {
        sites.push_back("s" + std::to_string(i) + ".example");
        engine.script(sites.back(), {3, [](int) { return 300; }});
    }
    runWorkers(sites);
    std::map<std::string, int> expected;
    for (const std::string& site : sites) expected[site] = 150;
    expectContiguousInPageOrder(sink, expected);
    EXPECT_EQ(engine.peakInFlight(), 4);

    std::vector<Seen> seen = engine.seen();
    std::sort(seen.begin(), seen.end(), [](const Seen& x, const Seen& y) { return x.arrived < y.arrived; });
    ASSERT_EQ(seen.size(), 24u);
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(seen[i].page, 0) << i;
    // Each service asked for its pages in order.
    std::map<std::string, int> next;
    for (const Seen& s : seen) EXPECT_EQ(s.page, next[s.site]++) << s.site;
}

TEST_F(PrefetchTest, DefaultLetsFirstPagesOutAsThePoolStartsThem) {
    // 26 services: their first pages all go out together, as the pool starts them.
    std::vector<std::string> sites;
    for (int i = 1; i <= 26; ++i) {
        sites.push_back("t" + std::to_string(i) + ".example");
        engine.script(sites.back(), {1, [](int) { return 1500; }});  // long enough for every thread to start
    }
    runWorkers(sites);
    EXPECT_EQ(engine.peakInFlight(), 26);
}

TEST_F(PrefetchTest, DefaultCapIsTwentyTwoLaterRequestsInFlight) {
    // First pages answer at once, the second pages slowly: 26 second pages, 22 at a time.
    std::vector<std::string> sites;
    for (int i = 1; i <= 26; ++i) {
        sites.push_back("u" + std::to_string(i) + ".example");
        engine.script(sites.back(), {2, [](int page) { return page == 0 ? 0 : 400; }});
    }
    runWorkers(sites);
    std::map<std::string, int> expected;
    for (const std::string& site : sites) expected[site] = 100;
    expectContiguousInPageOrder(sink, expected);
    EXPECT_EQ(engine.peakLaterInFlight(), DEFAULT_ENGINE_CONNECTIONS);
}

}  // namespace
