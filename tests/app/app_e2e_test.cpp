// The real quorrel.exe, started with --engine pointing at an in-process engine simulator and
// driven from outside by window messages, as a user would drive it.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

#include "app/control_ids.h"
#include "text/encoding.h"
#include "search/services.h"
#include "tests/app/e2e_fixture.h"
#include "tests/app/quorrel_driver.h"
#include "tools/engine_sim/engine_sim.h"

namespace {
const std::string HOST1 = ServiceTable[0].host;
const std::string HOST2 = ServiceTable[1].host;

std::vector<SimHit> corpus(const std::string& site, int count) {
    std::vector<SimHit> hits;
    for (int i = 1; i <= count; ++i) {
        hits.push_back({"http://" + site + "/s/" + std::to_string(i), site + " 资料" + std::to_string(i)});
    }
    return hits;
}

std::string serviceBoxCaption(int n) {
    return ServiceTable[size_t(n - 1)].caption;
}

class AppEndToEnd : public SimulatedEngineTest {
protected:
    // Starts the program into `app` and a search of all 22 services (全部, without 其他) for
    // `keyword`; call it inside ASSERT_NO_FATAL_FAILURE.
    void launchAndSearchEveryService(const std::string& keyword, std::unique_ptr<QuorrelProcess>& app) {
        app = launch();
        app->click(app->control(ID_选择框_全部));
        ASSERT_TRUE(waitFor([&] { return app->isTicked(app->control(ID_选择框1)); }, 3000));
        untick(*app, ID_选择框1);
        search(*app, keyword);
    }

    // Starts the program and a search of the first service for `keyword`; does not wait for it.
    std::unique_ptr<QuorrelProcess> launchAndSearchFirstService(const std::string& keyword) {
        auto app = launch();
        tick(*app, ID_FIRST_SERVICE_BOX);
        search(*app, keyword);
        return app;
    }

    // Serves `hits` as the first service's only page, starts the program and searches that
    // service for `keyword`; nullptr unless the page was asked for and every hit became a row.
    std::unique_ptr<QuorrelProcess> searchedFirstService(std::vector<SimHit> hits, const std::string& keyword = "k") {
        const int rows = int(hits.size());
        sim.setCorpus(HOST1, std::move(hits));
        auto app = launchAndSearchFirstService(keyword);
        if (!waitForSearchEnd(*app, 1, rows)) return nullptr;
        return app;
    }

    // Waits until `requests` requests were answered and the label shows `rows`.
    bool waitForSearchEnd(QuorrelProcess& app, size_t requests, int rows, int ms = 15000) {
        return waitFor(
            [&] {
                return sim.requestCount() >= requests && label(app) == "资源数：" + std::to_string(rows) &&
                       app.rowCount(ID_超级列表框1) == rows;
            },
            ms);
    }

    // How long closing an idle program takes here: Wine without a window manager waits up to
    // 2 s for each window it unmaps. Closing during a search may take only a little longer.
    DWORD idleCloseMs() {
        static DWORD measured = 0;
        if (!measured) {
            QuorrelProcess idle(freshDirectory("idle"));
            EXPECT_TRUE(idle.start({"--engine=" + sim.hostPort()}));
            EXPECT_TRUE(idle.closeAndWait(10000, &measured));
            if (!measured) measured = 1;
        }
        return measured;
    }

};

TEST_F(AppEndToEnd, MainWindowControlsAtStart) {
    auto app = launch();
    HWND main = app->mainWindow();
    EXPECT_EQ(app->text(main), "Quorrel-V1.0  (Vantry)");
    RECT outer{};
    GetWindowRect(main, &outer);
    EXPECT_EQ(outer.right - outer.left, 629);
    EXPECT_EQ(outer.bottom - outer.top, 454);
    EXPECT_EQ(GetMenu(main), nullptr);  // no menu bar

    auto place = [&](int id) {
        RECT r{};
        GetWindowRect(app->control(id), &r);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
        return std::vector<long>{r.left, r.top, r.right - r.left, r.bottom - r.top};
    };
    const std::pair<int, std::vector<long>> places[] = {
        {ID_透明标签1, {10, 8, 80, 24}},   {ID_编辑框1, {99, 8, 397, 24}},        {ID_按钮1, {509, 5, 80, 28}},
        {ID_选择框1, {429, 148, 100, 24}}, {ID_选择框_全部, {524, 151, 100, 19}}, {ID_标签2, {12, 177, 216, 32}},
        {ID_透明标签2, {0, 180, 696, 24}}, {ID_超级列表框1, {8, 212, 608, 180}},  {ID_超级列表框2, {8, 212, 608, 180}},
        {ID_标签1, {16, 392, 600, 32}},    {ID_编辑框2, {720, 160, 80, 20}},
    };
    for (const auto& [id, expected] : places) EXPECT_EQ(place(id), expected) << id;
    // Service boxes in ServiceTable order, which is not the order on the screen.
    const std::vector<long> servicePlaces[SERVICE_COUNT] = {
        {9, 48, 100, 16},    {125, 49, 100, 16},  {221, 49, 100, 16},  {325, 49, 100, 16},  {428, 49, 100, 16},
        {524, 49, 100, 16},  {9, 82, 100, 16},    {125, 83, 100, 16},  {221, 83, 100, 16},  {325, 83, 100, 16},
        {428, 83, 100, 16},  {524, 116, 100, 16}, {524, 82, 100, 16},  {325, 153, 100, 16}, {9, 152, 100, 16},
        {221, 153, 100, 16}, {125, 153, 100, 16}, {125, 117, 100, 16}, {9, 116, 111, 16},   {221, 117, 100, 16},
        {325, 117, 100, 16}, {428, 117, 100, 16},
    };
    for (int n = 1; n <= SERVICE_COUNT; ++n) {
        EXPECT_EQ(place(ID_FIRST_SERVICE_BOX + n - 1), servicePlaces[n - 1]) << "entry " << n;
    }
    EXPECT_EQ(app->text(app->control(ID_按钮1)), "给我搜");
    EXPECT_EQ(app->text(app->control(ID_透明标签1)), "请输入关键词：");
    EXPECT_EQ(app->text(app->control(ID_选择框1)), "其他");
    EXPECT_EQ(app->text(app->control(ID_选择框_全部)), "全部");
    EXPECT_EQ(app->text(app->control(ID_标签2)), "点击搜索之后,请耐心稍等几秒钟！");
    EXPECT_EQ(app->text(app->control(ID_标签1)),
              "为了保证的准确性,搜索时尽可能多输入关键词,最好带中文（交流群：47209935）");
    EXPECT_EQ(app->text(app->control(ID_透明标签2)), "");
    for (int n = 1; n <= SERVICE_COUNT; ++n) {
        HWND box = app->control(ID_FIRST_SERVICE_BOX + n - 1);
        EXPECT_EQ(app->text(box), serviceBoxCaption(n)) << n;
        EXPECT_FALSE(app->isTicked(box)) << n;
    }
    EXPECT_TRUE(IsWindowVisible(app->control(ID_超级列表框1)));
    EXPECT_FALSE(IsWindowVisible(app->control(ID_超级列表框2)));
    for (int list : {ID_超级列表框1, ID_超级列表框2}) {
        EXPECT_EQ(app->columnTitle(list, 0), "序号");
        EXPECT_EQ(app->columnTitle(list, 1), "名称");
        EXPECT_EQ(app->columnTitle(list, 2), "地址");
        EXPECT_EQ(SendMessageW(app->control(list), LVM_GETCOLUMNWIDTH, 0, 0), 50);
        EXPECT_EQ(SendMessageW(app->control(list), LVM_GETCOLUMNWIDTH, 1, 0), 400);
        EXPECT_EQ(SendMessageW(app->control(list), LVM_GETCOLUMNWIDTH, 2, 0), 220);
    }
    DWORD elapsed = 0;
    EXPECT_TRUE(app->closeAndWait(5000, &elapsed));
}

TEST_F(AppEndToEnd, EmptyKeywordIsRefusedWithoutRequest) {
    auto app = launch();
    tick(*app, ID_FIRST_SERVICE_BOX);
    app->click(app->control(ID_按钮1));
    MessageBoxSeen box = app->waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text, "请输入关键字！");
    EXPECT_EQ(box.caption, "提示");
    EXPECT_EQ(box.owner, app->mainWindow());
    app->closeMessageBox(box.box);
    Sleep(300);
    EXPECT_EQ(sim.requestCount(), 0u);
    EXPECT_EQ(app->rowCount(ID_超级列表框1), 0);
    EXPECT_TRUE(app->closeAndWait(5000));
}

// The list is cleared before the keyword is checked, the count label is left as it was, and a
// keyword of blanks is not empty: it is searched.
TEST_F(AppEndToEnd, ClearingComesBeforeTheKeywordCheckAndBlanksAreSearched) {
    auto app = searchedFirstService(corpus(HOST1, 2));
    ASSERT_TRUE(app) << "the search did not end with 2 rows: " << sim.requestCount() << " requests";

    search(*app, "");
    MessageBoxSeen box = app->waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text, "请输入关键字！");
    EXPECT_EQ(app->rowCount(ID_超级列表框1), 0);  // cleared while the message is up
    app->closeMessageBox(box.box);
    Sleep(300);
    EXPECT_EQ(label(*app), "资源数：2");
    EXPECT_EQ(sim.requestCount(), 1u);

    sim.setCorpus(HOST1, corpus(HOST1, 3));
    search(*app, "  ");
    ASSERT_TRUE(waitForSearchEnd(*app, 2, 3));
    EXPECT_EQ(sim.requests().back().keyword, "  ");
    EXPECT_TRUE(app->windowsOfClass(L"#32770").empty());  // no message box this time
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(AppEndToEnd, TwoServicesGiveContiguousRowsNumberedOneToFive) {
    sim.setCorpus(HOST1, corpus(HOST1, 3));
    sim.setCorpus(HOST2, corpus(HOST2, 2));
    auto app = launch();
    tick(*app, ID_FIRST_SERVICE_BOX);
    tick(*app, ID_FIRST_SERVICE_BOX + 1);
    app->setText(app->control(ID_编辑框1), "电影");

    // Enter in the keyword box and a click on the button start the same search.
    for (bool byEnter : {true, false}) {
        size_t before = sim.requestCount();
        if (byEnter) {
            app->pressEnter(app->control(ID_编辑框1));
        } else {
            app->click(app->control(ID_按钮1));
        }
        ASSERT_TRUE(waitForSearchEnd(*app, before + 2, 5)) << label(*app);
        auto rows = app->rows(ID_超级列表框1);
        ASSERT_EQ(rows.size(), 5u);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(rows[size_t(i)][0], std::to_string(i + 1));
        // One service's rows together, in page order, whichever service got the lock first.
        size_t firstOf1 = rows[0][2].find(HOST1) != std::string::npos ? 0 : 2;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(rows[firstOf1 + size_t(i)][1], HOST1 + " 资料" + std::to_string(i + 1));
            EXPECT_EQ(rows[firstOf1 + size_t(i)][2], "http://" + HOST1 + "/s/" + std::to_string(i + 1));
        }
        size_t firstOf2 = firstOf1 == 0 ? 3 : 0;
        for (int i = 0; i < 2; ++i) EXPECT_EQ(rows[firstOf2 + size_t(i)][1], HOST2 + " 资料" + std::to_string(i + 1));
        EXPECT_EQ(label(*app), "资源数：5");
    }
    for (const SimRequest& r : sim.requests()) EXPECT_EQ(r.keyword, "电影");
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(AppEndToEnd, AllServicesAndThreeExtraSitesStartTwentyFiveWorkers) {
    EngineSimOptions options;
    options.hitsPerQuery = 1;
    sim.setOptions(options);
    auto app = launch("x1.example;x2.example;x3.example", true);
    app->click(app->control(ID_选择框_全部));
    ASSERT_TRUE(waitFor([&] { return app->isTicked(app->control(ID_选择框1)); }, 3000));
    for (int n = 1; n <= SERVICE_COUNT; ++n) EXPECT_TRUE(app->isTicked(app->control(ID_FIRST_SERVICE_BOX + n - 1)));
    // Ticked by "全部", "其他" does not open the settings window.
    Sleep(300);
    EXPECT_TRUE(app->windowsOfClass(SETTINGS_WINDOW_CLASS).empty());

    search(*app, "k");
    ASSERT_TRUE(waitForSearchEnd(*app, 25, 25)) << label(*app) << " " << sim.requestCount();
    std::set<std::string> expected = {"x1.example", "x2.example", "x3.example"};
    for (const ServiceEntry& e : ServiceTable) expected.insert(e.host);
    EXPECT_EQ(requestedSites(), expected);
    EXPECT_EQ(sim.requestCount(), 25u);

    // "全部" again unticks everything, "其他" included.
    app->click(app->control(ID_选择框_全部));
    ASSERT_TRUE(waitFor([&] { return !app->isTicked(app->control(ID_选择框1)); }, 3000));
    for (int n = 1; n <= SERVICE_COUNT; ++n) EXPECT_FALSE(app->isTicked(app->control(ID_FIRST_SERVICE_BOX + n - 1)));
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(AppEndToEnd, OnlyExtraSitesAreNumberedFromOne) {
    sim.setCorpus("a.example", corpus("a.example", 2));
    auto app = launch("a.example", true);
    app->click(app->control(ID_选择框1));  // opens the settings window; leave it with 取消
    ASSERT_TRUE(waitFor([&] { return !app->windowsOfClass(SETTINGS_WINDOW_CLASS).empty(); }));
    HWND settings = app->windowsOfClass(SETTINGS_WINDOW_CLASS).front();
    app->click(GetDlgItem(settings, ID_SETTINGS_按钮3));
    ASSERT_TRUE(waitFor([&] { return !IsWindow(settings); }));
    EXPECT_TRUE(app->isTicked(app->control(ID_选择框1)));
    search(*app, "k");
    ASSERT_TRUE(waitForSearchEnd(*app, 1, 2));
    EXPECT_EQ(app->cell(ID_超级列表框1, 0, 0), "1");
    EXPECT_EQ(app->cell(ID_超级列表框1, 1, 0), "2");
    EXPECT_EQ(requestedSites(), std::set<std::string>{"a.example"});
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(AppEndToEnd, SearchThatFindsNothingShowsZero) {
    auto app = searchedFirstService({}, "nothing");
    ASSERT_TRUE(app) << "the search did not end with 0 rows: " << sim.requestCount() << " requests";
    EXPECT_EQ(label(*app), "资源数：0");
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(AppEndToEnd, NewSearchDuringARunningOneClearsAndNumbersOn) {
    sim.setCorpus(HOST1, corpus(HOST1, 120));  // three pages: 50, 50, 20
    sim.setCorpus(HOST2, corpus(HOST2, 2));
    EngineSimOptions options;
    options.latencyMs = 400;
    sim.setOptions(options);
    auto app = launchAndSearchFirstService("k");
    ASSERT_TRUE(waitFor([&] { return app->rowCount(ID_超级列表框1) == 50; }, 10000));
    // While service 1 fetches its second page, search service 2 alone.
    untick(*app, ID_FIRST_SERVICE_BOX);
    tick(*app, ID_FIRST_SERVICE_BOX + 1);
    app->click(app->control(ID_按钮1));
    ASSERT_TRUE(waitFor([&] { return sim.requestCount() == 4 && label(*app) == "资源数：72"; }, 15000)) << label(*app);
    auto rows = app->rows(ID_超级列表框1);
    ASSERT_EQ(rows.size(), 72u);
    // The earlier worker's later pages come first (it holds the lock), numbered from 1 on the
    // reset counter, then the new worker's two rows.
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i][0], std::to_string(i + 1));
    EXPECT_EQ(rows[0][1], HOST1 + " 资料51");
    EXPECT_EQ(rows[69][1], HOST1 + " 资料120");
    EXPECT_EQ(rows[70][1], HOST2 + " 资料1");
    EXPECT_EQ(rows[71][1], HOST2 + " 资料2");
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(AppEndToEnd, ClosingDuringALongSearchEndsPromptly) {
    // Requests that hang: every worker is blocked in the network.
    std::atomic<int> arrived{0};
    sim.setRequestHook([&](const SimRequest&) { ++arrived; });
    {
        EngineSimOptions options;
        options.latencyMs = 60000;
        sim.setOptions(options);
        std::unique_ptr<QuorrelProcess> app;
        ASSERT_NO_FATAL_FAILURE(launchAndSearchEveryService("k", app));
        ASSERT_TRUE(waitFor([&] { return arrived >= 22; }, 10000)) << arrived;
        DWORD elapsed = 0;
        EXPECT_TRUE(app->closeAndWait(10000, &elapsed)) << "still running";
        EXPECT_LT(elapsed, idleCloseMs() + 1500);
    }
    // Endless paging: one worker delivering under the lock, 21 waiting for it.
    {
        EngineSimOptions options;
        options.endless = true;
        options.latencyMs = 5;
        sim.setOptions(options);
        std::unique_ptr<QuorrelProcess> app;
        ASSERT_NO_FATAL_FAILURE(launchAndSearchEveryService("k", app));
        ASSERT_TRUE(waitFor([&] { return app->rowCount(ID_超级列表框1) >= 300; }, 20000));
        DWORD elapsed = 0;
        EXPECT_TRUE(app->closeAndWait(10000, &elapsed)) << "still running";
        EXPECT_LT(elapsed, idleCloseMs() + 1500);
    }
}

// Rows live in the window and the list asks for them: read from outside, exported, copied and
// numbered, they are the hits, whole, however long, in page order and one service after another.
TEST_F(AppEndToEnd, PagesOfSeveralServicesReadBackWholeThroughTheList) {
    std::vector<SimHit> first = corpus(HOST1, 130);  // three pages: 50, 50, 30
    first[120].address = "http://" + HOST1 + "/long/" + std::string(1500, 'a');
    first[120].title = "长" + std::string(700, 'b');
    sim.setCorpus(HOST1, first);
    sim.setCorpus(HOST2, corpus(HOST2, 60));
    EngineSimOptions options;
    options.latencyMs = 30;
    sim.setOptions(options);
    auto app = launch();
    tick(*app, ID_FIRST_SERVICE_BOX);
    tick(*app, ID_FIRST_SERVICE_BOX + 1);
    search(*app, "k");
    ASSERT_TRUE(waitForSearchEnd(*app, 5, 190, 30000)) << label(*app);

    auto rows = app->rows(ID_超级列表框1);
    ASSERT_EQ(rows.size(), 190u);
    size_t at1 = rows[0][2].find(HOST1) != std::string::npos ? 0 : 60;
    size_t at2 = at1 == 0 ? 130 : 0;
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i][0], std::to_string(i + 1));
    for (size_t i = 0; i < 130; ++i) {
        EXPECT_EQ(rows[at1 + i][1], first[i].title) << i;
        EXPECT_EQ(rows[at1 + i][2], first[i].address) << i;
    }
    for (size_t i = 0; i < 60; ++i) EXPECT_EQ(rows[at2 + i][2], "http://" + HOST2 + "/s/" + std::to_string(i + 1));

    // Copy reads the selected row whole, far down the list.
    ASSERT_TRUE(app->selectRow(ID_超级列表框1, int(at1 + 120)));
    app->command(ID_复制地址);
    MessageBoxSeen box = app->waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text, "复制成功！");
    app->closeMessageBox(box.box);
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) Sleep(20);
    std::string copied;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (void* p = GlobalLock(data)) {
            copied = static_cast<const char*>(p);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    EXPECT_EQ(copied, first[120].address);

    // Export writes every row, whole, in list order.
    std::vector<HWND> before = fileManagerWindows();
    app->command(ID_全部导出);
    box = app->waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    app->closeMessageBox(box.box);
    std::string expected;
    for (const auto& row : rows) expected += row[1] + "      " + row[2] + "\r\n\r\n";
    expected += "筛选后：\r\n\r\n";
    EXPECT_EQ(readWholeFile(app->programDir() + "\\k资源列表.txt"), expected);
    closeNewFileManagerWindows(before, 10000);
    EXPECT_TRUE(app->closeAndWait(5000));
}

// A thousand extra sites: the window keeps answering while they are searched, shows a row for
// every site, and, with their requests hanging, never has more than the pool's cap in flight
// and still closes promptly with the rest queued.
TEST_F(AppEndToEnd, AThousandExtraSitesKeepTheWindowAnsweringAndCloseWithTheRestQueued) {
    std::string sites;
    for (int i = 1; i <= 1000; ++i) sites += (i > 1 ? ";x" : "x") + std::to_string(i) + ".example";
    std::atomic<int> arrived{0};
    sim.setRequestHook([&](const SimRequest&) { ++arrived; });
    EngineSimOptions options;
    options.hitsPerQuery = 1;
    sim.setOptions(options);
    {
        auto app = launch(sites, true);
        app->click(app->control(ID_选择框_全部));
        ASSERT_TRUE(waitFor([&] { return app->isTicked(app->control(ID_选择框1)); }, 3000));
        app->setText(app->control(ID_编辑框1), "k");
        // Answering means answering a message: a window that does not for seconds is hung.
        std::atomic<bool> searching{true};
        std::atomic<int> unanswered{0};
        std::thread prober([&] {
            while (searching) {
                DWORD_PTR result = 0;
                if (!SendMessageTimeoutW(app->mainWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 3000, &result)) ++unanswered;
                Sleep(20);
            }
        });
        app->click(app->control(ID_按钮1));
        bool ended = waitForSearchEnd(*app, 1022, 1022, 120000);
        searching = false;
        prober.join();
        ASSERT_TRUE(ended) << label(*app) << " after " << sim.requestCount() << " requests";
        EXPECT_EQ(unanswered, 0);
        EXPECT_EQ(requestedSites().size(), 1022u);
        auto last = app->cell(ID_超级列表框1, 1021, 0);
        EXPECT_EQ(last, "1022");
        EXPECT_TRUE(app->closeAndWait(5000));
    }
    arrived = 0;
    options.latencyMs = 60000;
    sim.setOptions(options);
    {
        auto app = launch(sites, true);
        app->click(app->control(ID_选择框_全部));
        ASSERT_TRUE(waitFor([&] { return app->isTicked(app->control(ID_选择框1)); }, 3000));
        search(*app, "k");
        ASSERT_TRUE(waitFor([&] { return arrived >= 32; }, 20000)) << arrived;
        Sleep(500);
        EXPECT_EQ(arrived, 32);  // the 22 services and the first 10 sites; the rest wait
        DWORD elapsed = 0;
        EXPECT_TRUE(app->closeAndWait(10000, &elapsed)) << "still running";
        EXPECT_LT(elapsed, idleCloseMs() + 1500);
    }
    sim.setRequestHook({});
}

TEST_F(AppEndToEnd, ExportWritesExactBytesAndReportsFailure) {
    auto app = searchedFirstService({{"http://h/1?a=1&amp;b=2", "第<em>一</em>个"}, {"http://h/2", "二"}}, "电影");
    ASSERT_TRUE(app) << "the search did not end with 2 rows: " << sim.requestCount() << " requests";

    std::vector<HWND> before = fileManagerWindows();
    app->command(ID_全部导出);
    MessageBoxSeen box = app->waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text, "导出成功！");
    EXPECT_EQ(box.caption, "提示");
    app->closeMessageBox(box.box);
    bool exists = false;
    std::string bytes = readWholeFile(app->programDir() + "\\电影资源列表.txt", &exists);
    ASSERT_TRUE(exists);
    EXPECT_EQ(bytes,
              "第一个      http://h/1?a=1&amp;b=2\r\n\r\n"
              "二      http://h/2\r\n\r\n"
              "筛选后：\r\n\r\n");
    // The file manager was started on the program's folder.
    EXPECT_GE(closeNewFileManagerWindows(before, 10000), 1);

    // Empty keyword (the list stays as it was): the file is "资源列表.txt".
    app->setText(app->control(ID_编辑框1), "");
    before = fileManagerWindows();
    app->command(ID_全部导出);
    box = app->waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text, "导出成功！");
    app->closeMessageBox(box.box);
    EXPECT_EQ(readWholeFile(app->programDir() + "\\资源列表.txt", &exists).size(), bytes.size());
    EXPECT_TRUE(exists);
    EXPECT_GE(closeNewFileManagerWindows(before, 10000), 1);

    // A folder where the file should go: the file cannot be written and the program says so
    // instead of claiming success.
    CreateDirectoryW(gbkToWide(app->programDir() + "\\blocked资源列表.txt").c_str(), nullptr);
    app->setText(app->control(ID_编辑框1), "blocked");
    before = fileManagerWindows();
    app->command(ID_全部导出);
    box = app->waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text.rfind("导出失败！", 0), 0u) << box.text;
    app->closeMessageBox(box.box);
    EXPECT_EQ(closeNewFileManagerWindows(before, 1500), 0);  // no file manager after a failure
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(AppEndToEnd, EmptyListExportsOnlyTheHeading) {
    auto app = launch();
    app->setText(app->control(ID_编辑框1), "空");
    std::vector<HWND> before = fileManagerWindows();
    app->command(ID_全部导出);
    MessageBoxSeen box = app->waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text, "导出成功！");
    app->closeMessageBox(box.box);
    EXPECT_EQ(readWholeFile(app->programDir() + "\\空资源列表.txt"), "筛选后：\r\n\r\n");
    EXPECT_GE(closeNewFileManagerWindows(before, 10000), 1);
    EXPECT_TRUE(app->closeAndWait(5000));
}

std::string clipboardText(UINT format) {
    std::string text;
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) Sleep(20);
    if (HANDLE data = GetClipboardData(format)) {
        if (void* p = GlobalLock(data)) {
            if (format == CF_UNICODETEXT) {
                text = wideToGbk(static_cast<const wchar_t*>(p));
            } else {
                text = static_cast<const char*>(p);
            }
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

TEST_F(AppEndToEnd, CopyPutsTheSelectedAddressAndTitleOnTheClipboard) {
    auto app = searchedFirstService({{"http://h/一", "标题一"}, {"http://h/二", "标题二"}});
    ASSERT_TRUE(app) << "the search did not end with 2 rows: " << sim.requestCount() << " requests";
    ASSERT_TRUE(app->selectRow(ID_超级列表框1, 1));

    const std::pair<int, std::string> copies[] = {{ID_复制地址, "http://h/二"}, {ID_复制标题, "标题二"}};
    for (const auto& [item, expected] : copies) {
        app->command(item);
        MessageBoxSeen box = app->waitForMessageBox();
        ASSERT_NE(box.box, nullptr);
        EXPECT_EQ(box.text, "复制成功！");
        app->closeMessageBox(box.box);
        EXPECT_EQ(clipboardText(CF_UNICODETEXT), expected);
        EXPECT_EQ(clipboardText(CF_TEXT), expected);  // GBK bytes
    }
    EXPECT_TRUE(app->closeAndWait(5000));
}

// Clicks item `index` of the open popup menu (items of equal height) and returns the message
// box it brings. The menu pops up under the pointer, so a pointer motion reported late (the
// menu mapping under it, another program moving it) can move the highlight between button down
// and up; such a click runs nothing, the menu stays open, and the click is made again.
MessageBoxSeen clickMenuItem(const QuorrelProcess& app, HWND menu, int index, int items) {
    RECT r{};
    GetWindowRect(menu, &r);
    // Menu tracking reads the screen position of a posted mouse message from its lParam.
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, r.top + (r.bottom - r.top) * (2 * index + 1) / (2 * items));
    for (int attempt = 0; attempt < 5; ++attempt) {
        PostMessageW(menu, WM_MOUSEMOVE, 0, at);
        PostMessageW(menu, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(menu, WM_LBUTTONUP, 0, at);
        MessageBoxSeen box = app.waitForMessageBox(2000);
        if (box.box || !IsWindowVisible(menu)) return box.box ? box : app.waitForMessageBox();
    }
    return {};
}

// Right-click on a list pops up 菜单; its third item copies the title of the row selected in
// 超级列表框1, also when the menu was opened over 超级列表框2.
TEST_F(AppEndToEnd, ContextMenuOverEitherListActsOnTheResultSelection) {
    auto app = searchedFirstService({{"http://h/1", "第一"}, {"http://h/2", "第二"}});
    ASSERT_TRUE(app) << "the search did not end with 2 rows: " << sim.requestCount() << " requests";
    ASSERT_TRUE(app->selectRow(ID_超级列表框1, 0));

    struct Case {
        int list;
        int item;  // of 打开资源地址, 复制地址, 复制标题, 全部导出
        std::string expected;
    };
    for (const Case& c : {Case{ID_超级列表框1, 2, "第一"}, Case{ID_超级列表框2, 1, "http://h/1"}}) {
        if (c.list == ID_超级列表框2) {
            ShowWindow(app->control(ID_超级列表框1), SW_HIDE);
            ShowWindow(app->control(ID_超级列表框2), SW_SHOW);
        }
        HWND list = app->control(c.list);
        POINT row0 = app->rowPoint(ID_超级列表框1, 0);  // over row 0, which stays selected
        LPARAM at = MAKELPARAM(row0.x, row0.y);
        HWND menu = nullptr;
        // A real pointer motion while the list tracks the right button reads as the start of a
        // drag, which opens no menu; the user would click again.
        for (int attempt = 0; attempt < 3 && !menu; ++attempt) {
            PostMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, at);
            PostMessageW(list, WM_RBUTTONUP, 0, at);
            waitFor(
                [&] {
                    auto menus = app->windowsOfClass(L"#32768");
                    menu = menus.empty() ? nullptr : menus.front();
                    return menu != nullptr;
                },
                3000);
        }
        ASSERT_NE(menu, nullptr);
        MessageBoxSeen box = clickMenuItem(*app, menu, c.item, 4);
        ASSERT_NE(box.box, nullptr);
        EXPECT_EQ(box.text, "复制成功！");
        app->closeMessageBox(box.box);
        EXPECT_EQ(clipboardText(CF_UNICODETEXT), c.expected);
    }
    EXPECT_TRUE(app->closeAndWait(5000));
}

// A double-click opens the selected hit, but only web addresses reach the shell: an address
// taken from a page that names a program must not start it.
TEST_F(AppEndToEnd, DoubleClickDoesNotHandNonWebAddressesToTheShell) {
    auto app =
        searchedFirstService({{"notepad.exe", "a"}, {"C:\\windows\\notepad.exe", "b"}, {"file:///C:/windows/notepad.exe", "c"}});
    ASSERT_TRUE(app) << "the search did not end with 3 rows: " << sim.requestCount() << " requests";
    ASSERT_EQ(app->cell(ID_超级列表框1, 0, 2), "notepad.exe");
    std::vector<HWND> before = windowsOfImage(L"notepad.exe");
    HWND list = app->control(ID_超级列表框1);
    for (int row = 0; row < 3; ++row) {
        POINT p = app->rowPoint(ID_超级列表框1, row);
        LPARAM at = MAKELPARAM(p.x, p.y);
        PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(list, WM_LBUTTONUP, 0, at);
        PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageW(list, WM_LBUTTONUP, 0, at);
    }
    // The double-clicks were handled (the last one selected row 2) and nothing was started.
    EXPECT_TRUE(waitFor([&] { return SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED) == 2; }, 3000));
    Sleep(1500);
    std::vector<HWND> after = windowsOfImage(L"notepad.exe");
    for (HWND w : after) {
        if (std::find(before.begin(), before.end(), w) == before.end()) PostMessageW(w, WM_CLOSE, 0, 0);
    }
    EXPECT_EQ(after.size(), before.size());
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(AppEndToEnd, FilterBoxClearedShowsTheResultListAndCount) {
    auto app = searchedFirstService(corpus(HOST1, 4));
    ASSERT_TRUE(app) << "the search did not end with 4 rows: " << sim.requestCount() << " requests";
    ShowWindow(app->control(ID_超级列表框1), SW_HIDE);
    ShowWindow(app->control(ID_超级列表框2), SW_SHOW);
    SetWindowTextW(app->control(ID_透明标签2), L"x");
    app->setText(app->control(ID_编辑框2), "abc");  // not empty: nothing happens
    EXPECT_TRUE(IsWindowVisible(app->control(ID_超级列表框2)));
    app->setText(app->control(ID_编辑框2), "");
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(app->control(ID_超级列表框1)); }, 3000));
    EXPECT_FALSE(IsWindowVisible(app->control(ID_超级列表框2)));
    EXPECT_EQ(label(*app), "资源数：4");
    EXPECT_TRUE(app->closeAndWait(5000));
}

// The settings window over a program whose url.txt holds `start`; returns the window.
HWND openSettings(QuorrelProcess& app) {
    HWND other = app.control(ID_选择框1);
    if (app.isTicked(other)) {
        app.click(other);  // unticking opens nothing
        waitFor([&] { return !app.isTicked(other); }, 3000);
        Sleep(200);
        EXPECT_TRUE(app.windowsOfClass(SETTINGS_WINDOW_CLASS).empty());
    }
    app.click(other);
    return app.waitForWindowOfClass(SETTINGS_WINDOW_CLASS);
}

TEST_F(AppEndToEnd, SettingsWindowChecksAndSavesUrlTxt) {
    auto app = launch("old.example", true);
    const std::string urlTxt = app->programDir() + "\\url.txt";
    HWND settings = openSettings(*app);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(app->text(settings), "设置-其他网盘");
    EXPECT_EQ(GetWindow(settings, GW_OWNER), app->mainWindow());
    EXPECT_FALSE(IsWindowEnabled(app->mainWindow()));  // modal
    RECT r{};
    GetWindowRect(settings, &r);
    EXPECT_EQ(r.right - r.left, 381);
    EXPECT_EQ(r.bottom - r.top, 236);
    HWND edit = GetDlgItem(settings, ID_SETTINGS_编辑框1);
    EXPECT_EQ(app->text(edit), "old.example");
    EXPECT_EQ(app->text(GetDlgItem(settings, ID_SETTINGS_按钮1)), "确定");
    EXPECT_EQ(app->text(GetDlgItem(settings, ID_SETTINGS_按钮2)), "帮助");
    EXPECT_EQ(app->text(GetDlgItem(settings, ID_SETTINGS_按钮3)), "取消");

    // Help.
    app->click(GetDlgItem(settings, ID_SETTINGS_按钮2));
    MessageBoxSeen box = app->waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.caption, "帮助");
    EXPECT_EQ(box.owner, settings);
    EXPECT_NE(box.text.find("支持多个网址 每个网址之间请用英文分号隔开"), std::string::npos) << box.text;
    app->closeMessageBox(box.box);

    // 确定 with this text in the box: the message box it brings, if any.
    auto submit = [&](const std::string& text) {
        app->setText(edit, text);
        app->click(GetDlgItem(settings, ID_SETTINGS_按钮1));
        return app->waitForMessageBox();
    };

    // Empty text: refused, window stays.
    box = submit("");
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text, "请输入内容！");
    EXPECT_EQ(box.caption, "提示");
    app->closeMessageBox(box.box);
    EXPECT_TRUE(IsWindow(settings));

    // Ending in ";": a plain task-modal box without owner, nothing saved.
    box = submit("a.example;b.example;");
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text, "请不用分号结尾！");
    EXPECT_EQ(box.caption, "信息：");
    EXPECT_EQ(box.owner, nullptr);
    app->closeMessageBox(box.box);
    EXPECT_TRUE(IsWindow(settings));
    EXPECT_EQ(readWholeFile(urlTxt), "old.example");

    // Accepted: exactly the text's bytes, the window closes, "其他" stays ticked.
    app->setText(edit, "a.example;b.example");
    app->click(GetDlgItem(settings, ID_SETTINGS_按钮1));
    ASSERT_TRUE(waitFor([&] { return !IsWindow(settings); }));
    EXPECT_EQ(readWholeFile(urlTxt), "a.example;b.example");
    EXPECT_TRUE(app->isTicked(app->control(ID_选择框1)));
    EXPECT_TRUE(IsWindowEnabled(app->mainWindow()));

    // 取消 after editing changes nothing; the next opening shows the saved text.
    settings = openSettings(*app);
    ASSERT_NE(settings, nullptr);
    edit = GetDlgItem(settings, ID_SETTINGS_编辑框1);
    EXPECT_EQ(app->text(edit), "a.example;b.example");
    app->setText(edit, "changed.example");
    app->click(GetDlgItem(settings, ID_SETTINGS_按钮3));
    ASSERT_TRUE(waitFor([&] { return !IsWindow(settings); }));
    EXPECT_EQ(readWholeFile(urlTxt), "a.example;b.example");

    // The saved sites are what the search uses: task numbers 24 and 25.
    search(*app, "k");
    ASSERT_TRUE(waitFor([&] { return sim.requestCount() >= 2; }));
    Sleep(300);
    EXPECT_EQ(requestedSites(), (std::set<std::string>{"a.example", "b.example"}));

    // A text that is no host name (one blank, a query key) is refused, naming it; nothing saved.
    settings = openSettings(*app);
    ASSERT_NE(settings, nullptr);
    app->setText(GetDlgItem(settings, ID_SETTINGS_编辑框1), "ok.example;inj.t&pn=5000");
    app->click(GetDlgItem(settings, ID_SETTINGS_按钮1));
    box = app->waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_NE(box.text.find("“inj.t&pn=5000”"), std::string::npos) << box.text;
    EXPECT_EQ(box.text.find("“ok.example”"), std::string::npos) << box.text;
    app->closeMessageBox(box.box);
    EXPECT_TRUE(IsWindow(settings));
    EXPECT_EQ(readWholeFile(urlTxt), "a.example;b.example");
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(AppEndToEnd, UnwritableUrlTxtIsReportedAndTheTextStillUsed) {
    auto app = launch();
    // A folder named url.txt: the file cannot be created.
    CreateDirectoryW(gbkToWide(app->programDir() + "\\url.txt").c_str(), nullptr);
    HWND settings = openSettings(*app);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(app->text(GetDlgItem(settings, ID_SETTINGS_编辑框1)), "");
    app->setText(GetDlgItem(settings, ID_SETTINGS_编辑框1), "mem.example");
    app->click(GetDlgItem(settings, ID_SETTINGS_按钮1));
    MessageBoxSeen box = app->waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_NE(box.text.find("url.txt"), std::string::npos) << box.text;
    app->closeMessageBox(box.box);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(settings); }));
    search(*app, "k");
    ASSERT_TRUE(waitFor([&] { return sim.requestCount() >= 1; }));
    EXPECT_EQ(requestedSites(), std::set<std::string>{"mem.example"});
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(AppEndToEnd, StartedElsewhereReadsItsOwnUrlTxtUpToTheZeroByte) {
    std::string elsewhere = freshDirectory("elsewhere");
    writeWholeFile(elsewhere + "\\url.txt", "wrong.example");
    QuorrelProcess app(freshDirectory("prog"));
    writeWholeFile(app.programDir() + "\\url.txt", std::string("own.example\0junk.example", 25));
    ASSERT_TRUE(app.start({"--engine=" + sim.hostPort()}, elsewhere));
    HWND settings = openSettings(app);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(app.text(GetDlgItem(settings, ID_SETTINGS_编辑框1)), "own.example");
    app.click(GetDlgItem(settings, ID_SETTINGS_按钮3));
    ASSERT_TRUE(waitFor([&] { return !IsWindow(settings); }));
    // The export lands beside the program too, not in the working directory.
    app.setText(app.control(ID_编辑框1), "here");
    std::vector<HWND> before = fileManagerWindows();
    app.command(ID_全部导出);
    MessageBoxSeen box = app.waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    app.closeMessageBox(box.box);
    bool exists = false;
    readWholeFile(app.programDir() + "\\here资源列表.txt", &exists);
    EXPECT_TRUE(exists);
    EXPECT_GE(closeNewFileManagerWindows(before, 10000), 1);
    EXPECT_TRUE(app.closeAndWait(5000));
}

TEST_F(AppEndToEnd, MalformedEngineOptionIsReportedAndTheProgramRuns) {
    QuorrelProcess app(freshDirectory("prog"));
    ASSERT_TRUE(app.start({"--engine=http://127.0.0.1/"}));
    MessageBoxSeen box = app.waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_NE(box.text.find("--engine"), std::string::npos) << box.text;
    app.closeMessageBox(box.box);
    EXPECT_TRUE(IsWindowEnabled(app.mainWindow()));
    EXPECT_TRUE(app.closeAndWait(5000));
}

TEST_F(AppEndToEnd, ClosingWithTheSettingsWindowOpenEndsTheProcess) {
    auto app = launch("a.example", true);
    HWND settings = openSettings(*app);
    ASSERT_NE(settings, nullptr);
    DWORD elapsed = 0;
    EXPECT_TRUE(app->closeAndWait(5000, &elapsed));
    // Two windows go: Wine without a window manager spends up to 2 s unmapping each.
    EXPECT_LT(elapsed, 2 * idleCloseMs() + 1500);
}

TEST_F(AppEndToEnd, Screenshots) {
    sim.setCorpus(HOST1, simGeneratedHits(HOST1, "电影", 0, 30));
    sim.setCorpus(HOST2, simGeneratedHits(HOST2, "电影", 0, 12));
    auto app = launch("pan.example.com;yun.example.org", true);
    tick(*app, ID_FIRST_SERVICE_BOX);
    tick(*app, ID_FIRST_SERVICE_BOX + 1);
    search(*app, "电影");
    ASSERT_TRUE(waitForSearchEnd(*app, 2, 42));
    std::string dir = windowsPath(SCREENSHOT_DIR);
    CreateDirectoryW(gbkToWide(dir).c_str(), nullptr);
    EXPECT_TRUE(app->screenshot(app->mainWindow(), dir + "\\main-window.png"));
    HWND settings = openSettings(*app);
    ASSERT_NE(settings, nullptr);
    Sleep(800);  // the skin's fade-in
    EXPECT_TRUE(app->screenshot(settings, dir + "\\settings-window.png"));
    app->click(GetDlgItem(settings, ID_SETTINGS_按钮3));
    ASSERT_TRUE(waitFor([&] { return !IsWindow(settings); }));
    EXPECT_TRUE(app->closeAndWait(5000));
}
}  // namespace
