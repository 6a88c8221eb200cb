// Link checks in the main window of this process, against the netdisk simulator on 127.0.0.1
// (reached as --netdisk-via sends): the 状态 column of every netdisk x state, a share failing
// once, 隐藏失效链接, 检查链接 on a selection, a code filled in by a folded row, closing
// mid-check, and the classic list left as it was.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <map>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "app/ui_text.h"
#include "links/link_state.h"
#include "skin/skin.h"
#include "tests/app/quorrel_driver.h"
#include "tests/app/window_suite.h"
#include "text/encoding.h"
#include "tools/engine_sim/engine_sim.h"
#include "tools/engine_sim/netdisk_sim.h"
#include "tools/httpd/loopback_server.h"

namespace {

constexpr int STATE_COLUMN = 5;

// The planted shares in the order a run must take them: a netdisk's "too often" share last,
// since the checker leaves that netdisk alone afterwards.
std::vector<PlantedShare> plantedInRunOrder() {
    std::vector<PlantedShare> shares = plantedShares();
    std::stable_sort(shares.begin(), shares.end(),
                     [](const PlantedShare& a, const PlantedShare& b) { return (a.digit == 8) < (b.digit == 8); });
    return shares;
}

// A search result as an engine hands it over: the code, when the link has one, in the snippet.
Hit hitOf(const PlantedShare& planted) {
    Hit h;
    h.title = std::string("分享 ") + netdiskKey(planted.netdisk) + " " + planted.share;
    h.address = planted.url;
    if (!planted.code.empty()) h.snippet = "链接在上 提取码：" + planted.code;
    return h;
}

class CheckWindow : public InProcessWindowTest {
protected:
    void open(bool today, std::optional<bool> checkLinks = std::nullopt, bool unique = false) {
        AppSettings settings = listSettings(today, unique);
        settings.checkLinks = checkLinks;
        window.setNetdiskVia("127.0.0.1:" + std::to_string(server.port()));
        ASSERT_TRUE(server.ok());
        ASSERT_TRUE(window.create(GetModuleHandleW(nullptr), SW_SHOWNOACTIVATE, settings));
        list = GetDlgItem(window.handle(), ID_超级列表框1);
    }
    void TearDown() override {
        if (window.handle()) DestroyWindow(window.handle());
        EXPECT_TRUE(window.waitForWorkers(3000));
    }
    void deliver(const std::vector<Hit>& hits) {
        window.addHits(hits);
        window.showCount();
    }
    bool checksEnd(int ms) {
        return waitFor([&] { return window.checksPending() == 0; }, ms);
    }
    void command(int id) { SendMessageW(window.handle(), WM_COMMAND, WPARAM(id), 0); }
    void select(int item) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, WPARAM(item), LPARAM(&state));
    }
    int items() { return int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
    std::string label() {
        wchar_t text[128] = {};
        GetWindowTextW(GetDlgItem(window.handle(), ID_透明标签2), text, 128);
        return wideToGbk(text);
    }

    NetdiskSim sim;
    LoopbackServer server{[this](LoopbackConnection& c, const std::string& raw) {
        if (!sim.serve(c, raw)) c.send(httpResponse(404, "Not Found", "not a netdisk"));
    }};
    MainWindow window;
    HWND list = nullptr;
};

// Every netdisk x every state the simulator answers, as the 状态 column shows it; the share that
// fails once is 未知 (never a dead state). Then the window's picture.
TEST_F(CheckWindow, EveryPlantedShareShowsItsStateInTheColumn) {
    open(true);  // unset: on with today's list
    std::vector<PlantedShare> shares = plantedInRunOrder();
    std::vector<Hit> hits;
    for (const PlantedShare& planted : shares) hits.push_back(hitOf(planted));
    DWORD start = GetTickCount();
    // Pages as the engine delivers them; no page waits for a check.
    for (size_t i = 0; i < hits.size(); i += 10) {
        deliver({hits.begin() + long(i), hits.begin() + long(std::min(hits.size(), i + 10))});
    }
    EXPECT_LT(GetTickCount() - start, 3000u) << "delivering rows waited for checks";
    ASSERT_TRUE(checksEnd(120000)) << window.checksPending() << " checks left";
    ASSERT_EQ(items(), int(shares.size()));
    std::map<std::string, int> perState;
    for (size_t i = 0; i < shares.size(); ++i) {
        const PlantedShare& planted = shares[i];
        LinkState expected = planted.digit == 9 ? LinkState::Unknown : planted.expected;
        std::string shown = listCellText(list, int(i), STATE_COLUMN);
        EXPECT_EQ(shown, linkStateCaption(expected)) << netdiskKey(planted.netdisk) << "/" << planted.share;
        if (planted.digit == 9) {
            EXPECT_FALSE(isDeadState(window.results().row(i).state)) << planted.share;
        }
        ++perState[shown];
    }
    // Every state has a share somewhere.
    for (LinkState state : {LinkState::Valid, LinkState::NeedsCode, LinkState::WrongCode, LinkState::Expired,
                            LinkState::Cancelled, LinkState::Banned, LinkState::NotFound, LinkState::Limited,
                            LinkState::Unknown}) {
        EXPECT_GT(perState[linkStateCaption(state)], 0) << linkStateKey(state);
    }
    // Export takes the states the rows have.
    std::vector<ResultRow> exported = window.results().titlesAndAddresses();
    ASSERT_EQ(exported.size(), shares.size());
    EXPECT_EQ(exported[0].state, listCellText(list, 0, STATE_COLUMN));

    std::string shots = windowsPath(SCREENSHOT_DIR);
    CreateDirectoryW(gbkToWide(shots).c_str(), nullptr);
    QuorrelProcess painter(freshDirectory("check-window-shot"));
    EXPECT_TRUE(painter.screenshot(window.handle(), shots + "\\check-window-today.png"));
}

// The simulator's today corpus, as its search results come: every state has a row, so the demo
// fills the column offline.
TEST_F(CheckWindow, TodayCorpusShowsEveryState) {
    open(true);
    for (const auto& [host, simHits] : simTodayCorpus()) {
        std::vector<Hit> hits;
        for (const SimHit& s : simHits) {
            Hit h;
            h.title = s.title;
            h.address = s.address;
            h.snippet = s.snippet;
            hits.push_back(h);
        }
        deliver(hits);
    }
    ASSERT_TRUE(checksEnd(120000));
    std::map<LinkState, int> perState;
    for (size_t i = 0; i < window.results().size(); ++i) ++perState[window.results().row(i).state];
    for (LinkState state : {LinkState::Valid, LinkState::NeedsCode, LinkState::WrongCode, LinkState::Expired,
                            LinkState::Cancelled, LinkState::Banned, LinkState::NotFound, LinkState::Limited,
                            LinkState::Unknown}) {
        EXPECT_GT(perState[state], 0) << linkStateKey(state);
    }
}

// 隐藏失效链接 takes the dead rows out of the list with their numbers kept; off shows them
// again. The count label keeps counting every row found.
TEST_F(CheckWindow, HideDeadLinksHidesAndShowsWithNumbersKept) {
    open(true);
    std::vector<Hit> hits;
    std::vector<PlantedShare> chosen;
    for (const PlantedShare& planted : plantedShares()) {
        if (planted.netdisk != Netdisk::Quark || planted.digit == 8) continue;
        chosen.push_back(planted);
        hits.push_back(hitOf(planted));
    }
    Hit page;
    page.title = "论坛帖子";
    page.address = "https://bbs.example.com/t/7";
    hits.insert(hits.begin() + 2, page);  // no share: never checked, never hidden
    deliver(hits);
    ASSERT_TRUE(checksEnd(60000));
    std::string countBefore = label();
    std::vector<int> liveNumbers;
    for (size_t i = 0; i < window.results().size(); ++i) {
        if (!isDeadState(window.results().row(i).state)) liveNumbers.push_back(window.results().row(i).number);
    }
    ASSERT_LT(liveNumbers.size(), window.results().size()) << "the simulator gave no dead quark share";

    command(ID_隐藏失效链接);
    ASSERT_EQ(items(), int(liveNumbers.size()));
    for (int item = 0; item < items(); ++item) {
        EXPECT_EQ(listCellText(list, item, 0), std::to_string(liveNumbers[size_t(item)])) << item;
        std::string state = listCellText(list, item, STATE_COLUMN);
        for (LinkState dead : {LinkState::Expired, LinkState::Cancelled, LinkState::Banned, LinkState::NotFound})
            EXPECT_NE(state, linkStateCaption(dead)) << item;
    }
    EXPECT_EQ(label(), countBefore);
    // The selected item is a live row: the share items act on it, not on a hidden one.
    select(int(liveNumbers.size()) - 1);
    ASSERT_NE(window.results().selectedRow(), nullptr);
    EXPECT_EQ(window.results().selectedRow()->number, liveNumbers.back());

    command(ID_隐藏失效链接);
    EXPECT_EQ(items(), int(window.results().size()));
    for (int item = 0; item < items(); ++item) EXPECT_EQ(listCellText(list, item, 0), std::to_string(item + 1));
}

// With 搜索时检查链接 off nothing is asked as rows arrive; 检查链接 checks the selected row,
// and with none selected every row.
TEST_F(CheckWindow, CheckLinksCommandChecksTheSelectionOrEverything) {
    open(true, false);
    std::vector<PlantedShare> chosen;
    for (const PlantedShare& planted : plantedShares()) {
        if (planted.netdisk == Netdisk::Aliyun && planted.digit != 8 && planted.digit != 9) chosen.push_back(planted);
    }
    ASSERT_GE(chosen.size(), 3u);
    std::vector<Hit> hits;
    for (const PlantedShare& planted : chosen) hits.push_back(hitOf(planted));
    deliver(hits);
    waitFor([] { return false; }, 600);
    EXPECT_TRUE(sim.requests().empty());
    for (int item = 0; item < items(); ++item) EXPECT_EQ(listCellText(list, item, STATE_COLUMN), "") << item;

    select(1);
    command(ID_检查链接);
    ASSERT_TRUE(checksEnd(30000));
    for (int item = 0; item < items(); ++item) {
        std::string expected = item == 1 ? linkStateCaption(chosen[1].expected) : "";
        EXPECT_EQ(listCellText(list, item, STATE_COLUMN), expected) << item;
    }

    LVITEMW none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, WPARAM(-1), LPARAM(&none));
    command(ID_检查链接);
    ASSERT_TRUE(checksEnd(30000));
    for (int item = 0; item < items(); ++item) {
        EXPECT_EQ(listCellText(list, item, STATE_COLUMN), linkStateCaption(chosen[size_t(item)].expected)) << item;
    }
}

// 合并重复链接: a share first listed without its code says 需提取码; the later hit that brings
// the code fills it in and the row is checked again with it.
TEST_F(CheckWindow, FoldedRowCheckedAgainWithTheCodeFilledIn) {
    open(true, std::nullopt, true);
    const PlantedShare* withCode = nullptr;
    for (const PlantedShare& planted : plantedShares()) {
        if (planted.netdisk == Netdisk::Baidu && planted.digit == 1) withCode = &planted;
    }
    ASSERT_NE(withCode, nullptr);
    Hit bare = hitOf(*withCode);
    bare.snippet.clear();
    deliver({bare});
    ASSERT_TRUE(checksEnd(30000));
    EXPECT_EQ(listCellText(list, 0, STATE_COLUMN), linkStateCaption(LinkState::NeedsCode));
    deliver({hitOf(*withCode)});
    ASSERT_EQ(items(), 1);
    ASSERT_TRUE(checksEnd(30000));
    EXPECT_EQ(listCellText(list, 0, 4), PLANTED_CODE);
    EXPECT_EQ(listCellText(list, 0, STATE_COLUMN), linkStateCaption(LinkState::Valid));
}

// Closing while checks wait on a slow netdisk ends them within 3 s, and the window never waited.
TEST_F(CheckWindow, ClosingMidCheckEndsWithinThreeSeconds) {
    sim.setLatencyMs(20000);
    open(true);
    std::vector<Hit> hits;
    for (const PlantedShare& planted : plantedShares()) hits.push_back(hitOf(planted));
    DWORD start = GetTickCount();
    deliver(hits);
    EXPECT_LT(GetTickCount() - start, 2000u);
    waitFor([] { return false; }, 500);  // the first requests are on their way
    EXPECT_GT(window.checksPending(), 0u);
    start = GetTickCount();
    DestroyWindow(window.handle());
    EXPECT_TRUE(window.waitForWorkers(3000));
    EXPECT_LT(GetTickCount() - start, 3000u);
}

// The classic list with no choice made: no request, no state.
TEST_F(CheckWindow, ClassicListChecksNothing) {
    open(false);
    std::vector<Hit> hits;
    for (const PlantedShare& planted : plantedShares()) hits.push_back(hitOf(planted));
    deliver(hits);
    waitFor([] { return false; }, 800);
    EXPECT_TRUE(sim.requests().empty());
    EXPECT_EQ(window.checksPending(), 0u);
    for (size_t i = 0; i < window.results().size(); ++i) {
        EXPECT_EQ(window.results().row(i).state, LinkState::Unchecked) << i;
    }
}

}  // namespace
