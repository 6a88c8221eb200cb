// The real quorrel.exe with engine profiles: --profile chooses how the simulator's pages are
// read, and a search that meets the engine's verification wall says so once in a message box.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/control_ids.h"
#include "search/services.h"
#include "tests/app/e2e_fixture.h"
#include "tests/app/quorrel_driver.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

class AppProfiles : public SimulatedEngineTest {
protected:
    // Starts the program with --profile=`profile`, ticks `services` and searches for 资料.
    std::unique_ptr<QuorrelProcess> searchServices(const std::string& profile, const std::vector<int>& services) {
        auto app = launch({}, false, {"--profile=" + profile});
        for (int n : services) tick(*app, ID_FIRST_SERVICE_BOX + n - 1);
        search(*app, "资料");
        return app;
    }
};

TEST_F(AppProfiles, WallIsShownOnceForTheWholeSearch) {
    EngineSimOptions o;
    o.layout = "sogou";
    o.wall = true;
    sim.setOptions(o);
    auto app = searchServices("sogou", {1, 2});
    MessageBoxSeen box = app->waitForMessageBox(15000);
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.caption, "提示");
    EXPECT_NE(box.text.find("安全验证"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find(ServiceTable[0].caption), std::string::npos) << box.text;
    EXPECT_NE(box.text.find(ServiceTable[1].caption), std::string::npos) << box.text;
    EXPECT_EQ(sim.requestCount(), 2u);
    app->closeMessageBox(box.box);
    EXPECT_EQ(label(*app), "资源数：0");
    // One box for the search, not one per service.
    EXPECT_EQ(app->waitForMessageBox(1500).box, nullptr);
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(AppProfiles, ProfileReadsItsEnginesPagesIntoTheList) {
    EngineSimOptions o;
    o.layout = "bing";
    o.bingClickLinks = true;
    sim.setOptions(o);
    sim.setCorpus(ServiceTable[0].host, {{"https://pan.baidu.com/s/1?a=1&amp;b=2", "<em>资料</em> &amp; 合集"},
                                         {"https://elsewhere.example/1", "外站"}});
    auto app = searchServices("bing", {1});
    ASSERT_TRUE(waitFor([&] { return label(*app) == "资源数：1"; }, 15000)) << label(*app);
    EXPECT_EQ(app->cell(ID_超级列表框1, 0, 1), "资料 & 合集");
    EXPECT_EQ(app->cell(ID_超级列表框1, 0, 2), "https://pan.baidu.com/s/1?a=1&b=2");
    EXPECT_EQ(app->waitForMessageBox(500).box, nullptr);
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(AppProfiles, UnknownProfileIsReportedAndTheClassicLayoutUsed) {
    QuorrelProcess app(freshDirectory("prog"));
    ASSERT_TRUE(app.start({"--engine=" + sim.hostPort(), "--profile=altavista"}));
    MessageBoxSeen box = app.waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_NE(box.text.find("--profile"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("altavista"), std::string::npos) << box.text;
    app.closeMessageBox(box.box);
    EXPECT_TRUE(app.closeAndWait(5000));
}

}  // namespace
