// The real quorrel.exe while its workers fetch later pages beside the service that holds the
// list: what the list shows mid-search is each service's rows together and in page order, and
// closing the window then (or while every worker waits for an engine slot) ends the program as
// promptly as closing an idle one.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "http/url.h"
#include "search/services.h"
#include "search/worker.h"
#include "tests/app/quorrel_driver.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

class PrefetchWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.ok()); }

    std::unique_ptr<QuorrelProcess> launch(const std::vector<std::string>& extraArgs = {}) {
        auto app = std::make_unique<QuorrelProcess>(freshDirectory("prefetch"));
        std::vector<std::string> args = {"--engine=" + sim.hostPort()};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        EXPECT_TRUE(app->start(args));
        return app;
    }

    // All 22 services ticked, "其他" not, and a search for `keyword` started.
    void searchAllServices(QuorrelProcess& app, const std::string& keyword) {
        app.click(app.control(ID_选择框_全部));
        ASSERT_TRUE(waitFor([&] { return app.isTicked(app.control(ID_选择框1)); }, 3000));
        app.click(app.control(ID_选择框1));
        ASSERT_TRUE(waitFor([&] { return !app.isTicked(app.control(ID_选择框1)); }, 3000));
        app.setText(app.control(ID_编辑框1), keyword);
        app.click(app.control(ID_按钮1));
    }

    // How long closing an idle program takes here (Wine without a window manager waits for
    // each window it unmaps); closing mid-search may take only a little longer.
    DWORD idleCloseMs() {
        QuorrelProcess idle(freshDirectory("prefetch-idle"));
        EXPECT_TRUE(idle.start({"--engine=" + sim.hostPort()}));
        DWORD measured = 0;
        EXPECT_TRUE(idle.closeAndWait(10000, &measured));
        return std::max<DWORD>(measured, 1);
    }

    size_t laterPagesAsked() const {
        size_t n = 0;
        for (const SimRequest& r : sim.requests()) n += r.offset > 0;
        return n;
    }

    EngineSim sim;
};

TEST_F(PrefetchWindowTest, ClosingWhileServicesFetchBesideTheHolderIsPrompt) {
    const DWORD idleMs = idleCloseMs();
    EngineSimOptions options;
    options.hitsPerQuery = 4 * PAGE_SIZE;
    options.latencyMs = 400;
    sim.setOptions(options);
    auto app = launch();
    searchAllServices(*app, "k");
    // One service holds the list; the others have asked for later pages meanwhile.
    ASSERT_TRUE(waitFor([&] { return app->rowCount(ID_超级列表框1) >= PAGE_SIZE && laterPagesAsked() >= 22; }, 15000))
        << app->rowCount(ID_超级列表框1) << " rows, " << laterPagesAsked() << " later pages asked";

    // What the list shows mid-search: whole services and whole pages, each service's rows in
    // the engine's order from its first, numbered from 1 without a gap.
    std::vector<std::vector<std::string>> rows = app->rows(ID_超级列表框1);
    ASSERT_FALSE(rows.empty());
    EXPECT_LT(rows.size(), size_t(SERVICE_COUNT) * 4 * PAGE_SIZE) << "the search ended before the close";
    std::map<std::string, int> perSite;
    std::string current;
    for (size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 3u);
        EXPECT_EQ(rows[i][0], std::to_string(i + 1));
        std::string site = urlHost(rows[i][2]);
        if (site != current) {
            EXPECT_EQ(perSite.count(site), 0u) << site << " split at row " << i + 1;
            current = site;
        }
        int n = perSite[site]++;
        EXPECT_EQ(rows[i][2], simGeneratedHits(site, "k", n, 1)[0].address) << "row " << i + 1;
    }

    DWORD elapsed = 0;
    EXPECT_TRUE(app->closeAndWait(10000, &elapsed)) << "still running";
    EXPECT_LT(elapsed, idleMs + 1500);
}

TEST_F(PrefetchWindowTest, ClosingWhileWorkersWaitForEngineSlotsIsPrompt) {
    const DWORD idleMs = idleCloseMs();
    std::atomic<int> arrived{0};
    sim.setRequestHook([&](const SimRequest&) { ++arrived; });
    EngineSimOptions options;
    options.latencyMs = 60000;  // the two requests allowed hang; twenty workers wait for a slot
    sim.setOptions(options);
    auto app = launch({"--connections=2"});
    searchAllServices(*app, "k");
    ASSERT_TRUE(waitFor([&] { return arrived >= 2; }, 10000)) << arrived;
    Sleep(500);
    EXPECT_EQ(arrived.load(), 2) << "more requests reached the engine than --connections=2 allows";
    DWORD elapsed = 0;
    EXPECT_TRUE(app->closeAndWait(10000, &elapsed)) << "still running";
    EXPECT_LT(elapsed, idleMs + 1500);
    sim.setRequestHook({});
}

}  // namespace
