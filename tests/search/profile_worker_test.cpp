// The worker with each engine profile against the simulator serving that engine's layout:
// rows, paging and its end, redirect links, the host rule, the verification wall; and the
// limits that keep a hostile engine from paging for ever.
#include <gtest/gtest.h>

#include <mutex>

#include "text/text.h"
#include "search/extract.h"
#include "search/profile.h"
#include "search/query.h"
#include "search/services.h"
#include "search/worker.h"
#include "tests/search/sinks.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

class ProfileWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok());
        setEngineHost(sim.hostPort());
    }
    void TearDown() override {
        setEngineHost(DEFAULT_ENGINE_HOST);
        setActiveProfile(*builtinProfile("classic"));
        setKeepAllHits(false);
    }
    void use(const std::string& layout, int hits) {
        EngineSimOptions o;
        o.layout = layout;
        o.hitsPerQuery = hits;
        sim.setOptions(o);
        setActiveProfile(*builtinProfile(layout));
    }
    // Turns one of the simulator's switches on, keeping its other options.
    void simOption(bool EngineSimOptions::*option) {
        EngineSimOptions o = sim.options();
        o.*option = true;
        sim.setOptions(o);
    }
    std::vector<SimRequest> searches() const {
        std::vector<SimRequest> out;
        for (const SimRequest& r : sim.requests()) {
            if (r.isSearch) out.push_back(r);
        }
        return out;
    }

    EngineSim sim;
    const std::string host1 = ServiceTable[0].host;
};

// What a row of a simulated hit must read: the title cleaned, the address's references decoded.
void expectRows(const std::vector<Hit>& rows, const std::vector<SimHit>& hits, const std::string& layout) {
    ASSERT_EQ(rows.size(), hits.size()) << layout;
    for (size_t i = 0; i < hits.size(); ++i) {
        EXPECT_EQ(rows[i].title, cleanTitle(hits[i].title)) << layout << " " << i;
        EXPECT_EQ(rows[i].address, decodeReferences(hits[i].address)) << layout << " " << i;
    }
}

TEST_F(ProfileWorkerTest, EachProfileReadsEveryPageOfItsEngineInOrder) {
    struct Case {
        std::string layout;
        int hits;
        std::vector<int> positions;  // the paging value of every request
    };
    const std::vector<Case> cases = {
        {"baidu", 120, {0, 50, 100}},  {"bing", 23, {1, 11, 21}},        {"sogou", 23, {1, 2, 3}},
        {"so360", 23, {1, 2, 3}},      {"duckduckgo", 23, {0, 10, 20}},
    };
    for (const Case& c : cases) {
        use(c.layout, c.hits);
        size_t before = sim.requestCount();
        CollectingSink sink("电子书 合集");
        searchWorker(makeSearchTask(1), sink);
        expectRows(sink.rows, sim.hitsFor(host1, "电子书 合集"), c.layout);
        EXPECT_EQ(sink.rows[0].title, "电子书 合集 资料1 & 合集 - " + host1) << c.layout;
        EXPECT_EQ(sink.pages, int(c.positions.size())) << c.layout;
        std::vector<SimRequest> all = sim.requests();
        std::vector<int> positions;
        for (size_t i = before; i < all.size(); ++i) {
            ASSERT_TRUE(all[i].isSearch) << c.layout << " " << all[i].target;
            EXPECT_EQ(all[i].site, host1) << c.layout;
            EXPECT_EQ(all[i].keyword, "电子书 合集") << c.layout;
            positions.push_back(all[i].position);
        }
        EXPECT_EQ(positions, c.positions) << c.layout;
        ASSERT_EQ(sink.outcomes.size(), 1u);
        EXPECT_FALSE(sink.outcomes[0].failed());
        EXPECT_EQ(sink.counts, 1);
    }
    // DuckDuckGo's later pages are its own form posted back.
    std::vector<SimRequest> all = sim.requests();
    EXPECT_EQ(all[all.size() - 3].method, "GET");
    EXPECT_EQ(all.back().method, "POST");
}

TEST_F(ProfileWorkerTest, RedirectLinksAreResolvedWithOneRequestEach) {
    for (std::string layout : {"baidu", "sogou", "so360"}) {
        use(layout, 12);
        simOption(&EngineSimOptions::linksOnly);  // no real address on the page
        size_t before = sim.requestCount();
        CollectingSink sink("k");
        searchWorker(makeSearchTask(1), sink);
        expectRows(sink.rows, sim.hitsFor(host1, "k"), layout);
        int redirects = 0;
        std::vector<SimRequest> all = sim.requests();
        for (size_t i = before; i < all.size(); ++i) redirects += all[i].isRedirect;
        // so360 links every third result of a page directly (three of the first ten).
        EXPECT_EQ(redirects, layout == "so360" ? 9 : 12) << layout;
    }
    // Bing's click links carry the address themselves: nothing to ask.
    use("bing", 12);
    simOption(&EngineSimOptions::bingClickLinks);
    size_t before = sim.requestCount();
    CollectingSink sink("k");
    searchWorker(makeSearchTask(1), sink);
    expectRows(sink.rows, sim.hitsFor(host1, "k"), "bing");
    EXPECT_EQ(sim.requestCount() - before, 2u);  // the two result pages, nothing else
}

TEST_F(ProfileWorkerTest, HitsOutsideTheServiceAreDroppedUnlessAllAreKept) {
    use("baidu", 0);
    simOption(&EngineSimOptions::linksOnly);
    sim.setCorpus(host1, {
                             {"https://pan.baidu.com/s/1", "一"},
                             {"https://evil.example/pan.baidu.com", "外站"},
                             {"http://yun.pan.baidu.com/s/2", "二"},
                             {"", "无法解析"},  // the engine cannot say where this link leads
                             {"https://notpan.baidu.com/s/3", "近似"},
                         });
    CollectingSink filtered("k");
    searchWorker(makeSearchTask(1), filtered);
    ASSERT_EQ(filtered.rows.size(), 3u);
    EXPECT_EQ(filtered.rows[0].address, "https://pan.baidu.com/s/1");
    EXPECT_EQ(filtered.rows[1].address, "http://yun.pan.baidu.com/s/2");
    // An unresolved redirect link is kept: it may well lead to the service.
    EXPECT_EQ(filtered.rows[2].title, "无法解析");
    EXPECT_EQ(filtered.rows[2].address, "http://www.baidu.com/link?url=");

    setKeepAllHits(true);
    CollectingSink all("k");
    searchWorker(makeSearchTask(1), all);
    ASSERT_EQ(all.rows.size(), 5u);
    EXPECT_EQ(all.rows[1].address, "https://evil.example/pan.baidu.com");
}

TEST_F(ProfileWorkerTest, VerificationWallIsReportedNotTakenForNoResults) {
    for (std::string layout : {"classic", "baidu", "bing", "sogou", "so360", "duckduckgo"}) {
        use(layout, 30);
        simOption(&EngineSimOptions::wall);
        size_t before = sim.requestCount();
        CollectingSink sink("k");
        searchWorker(makeSearchTask(2), sink);
        EXPECT_TRUE(sink.rows.empty()) << layout;
        ASSERT_EQ(sink.outcomes.size(), 1u) << layout;
        EXPECT_TRUE(sink.outcomes[0].verificationWall) << layout;
        EXPECT_EQ(sink.outcomes[0].service, ServiceTable[1].caption);
        EXPECT_EQ(sim.requestCount() - before, 1u) << layout;
        EXPECT_EQ(sink.counts, 1) << layout;
    }
}

TEST_F(ProfileWorkerTest, AnEndlessEngineIsFollowedForAtMostThePageLimit) {
    EngineSimOptions o;
    o.endless = true;  // every page full of new addresses and a next-page link
    sim.setOptions(o);
    CollectingSink sink("endless");
    searchWorker(makeSearchTask(1), sink);
    EXPECT_EQ(sim.requestCount(), size_t(MAX_PAGES_PER_SERVICE));
    EXPECT_EQ(sink.rows.size(), size_t(MAX_PAGES_PER_SERVICE) * PAGE_SIZE);
    EXPECT_EQ(sink.counts, 1);
    EXPECT_EQ(sim.requests().back().offset, (MAX_PAGES_PER_SERVICE - 1) * PAGE_SIZE);
}

TEST_F(ProfileWorkerTest, APageWithoutANewAddressEndsPagingButIsStillListed) {
    for (std::string layout : {"classic", "bing"}) {
        use(layout, 0);
        simOption(&EngineSimOptions::samePage);
        sim.setCorpus(host1, {{"http://pan.baidu.com/s/a", "A"}, {"http://pan.baidu.com/s/b", "B"}});
        size_t before = sim.requestCount();
        CollectingSink sink("k");
        searchWorker(makeSearchTask(1), sink);
        EXPECT_EQ(sim.requestCount() - before, 2u) << layout;
        // Rows are never de-duplicated: the repeated page gives its rows again.
        ASSERT_EQ(sink.rows.size(), 4u) << layout;
        EXPECT_EQ(sink.rows[2].address, "http://pan.baidu.com/s/a");
    }
}

TEST_F(ProfileWorkerTest, ControlCharactersNeverSplitARow) {
    sim.setCorpus(host1, {{"http://pan.baidu.com/s/1\tx\x0by", "标题\t一\r二\x01三"}});
    CollectingSink classic("k");
    searchWorker(makeSearchTask(1), classic);
    ASSERT_EQ(classic.rows.size(), 1u);
    EXPECT_EQ(classic.rows[0].address, "http://pan.baidu.com/s/1 x y");
    EXPECT_EQ(classic.rows[0].title, "标题 一 二 三");

    use("bing", 0);
    sim.setCorpus(host1, {{"http://pan.baidu.com/s/2", "多\r\n行\t标题"}});
    CollectingSink bing("k");
    searchWorker(makeSearchTask(1), bing);
    ASSERT_EQ(bing.rows.size(), 1u);
    EXPECT_EQ(bing.rows[0].title, "多 行 标题");
}

}  // namespace
