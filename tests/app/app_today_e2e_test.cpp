// The real quorrel.exe with today's netdisks: chosen in the settings window reached from the
// title bar's menu, kept in quorrel.ini across a restart, searched against the simulator with
// codes shown, folded, copied and exported; a broken or unreadable quorrel.ini means the defaults.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "app/control_ids.h"
#include "search/profile.h"
#include "search/services.h"
#include "tests/app/quorrel_driver.h"
#include "text/encoding.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

const std::string QUARK = "pan.quark.cn";

// Shares of 夸克网盘 as the bing layout shows them: codes in the snippet and the title, the same
// share twice (once without its code), an archive password that is no code, and a page of the
// netdisk's own that is no share.
std::vector<SimHit> quarkCorpus() {
    return {
        {"https://pan.quark.cn/s/4f8e2a9c1b7d", "电影合集 4K", "分享链接 提取码：Ab3D 永久有效"},
        {"https://pan.quark.cn/s/9d0c3e5f7a21", "纪录片 全集", "解压密码：1234 直接下载"},
        {"https://pan.quark.cn/s/4f8e2a9c1b7d", "电影合集 4K 再次分享", ""},
        {"https://pan.quark.cn/s/77aa88bb99cc", "电视剧 提取码: Zx9Q", "在线观看"},
        {"https://pan.quark.cn/", "夸克网盘 首页", "官方网站"},
    };
}

std::string clipboardText() {
    std::string text;
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) Sleep(20);
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (void* p = GlobalLock(data)) {
            text = wideToGbk(static_cast<const wchar_t*>(p));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

class AppToday : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok());
        EngineSimOptions o;
        o.layout = "bing";
        sim.setOptions(o);
        sim.setCorpus(QUARK, quarkCorpus());
    }

    // The settings window of the process, once it shows.
    HWND waitForSettings(QuorrelProcess& app) {
        HWND settings = nullptr;
        waitFor([&] {
            auto found = app.windowsOfClass(SETTINGS_WINDOW_CLASS);
            settings = found.empty() ? nullptr : found.front();
            return settings != nullptr;
        });
        return settings;
    }
    // "设置…" of the title bar's menu.
    HWND openFromSystemMenu(QuorrelProcess& app) {
        PostMessageW(app.mainWindow(), WM_SYSCOMMAND, ID_SYSTEM_设置, 0);
        return waitForSettings(app);
    }
    void choose(HWND settings, int comboId, int index) {
        HWND combo = GetDlgItem(settings, comboId);
        SendMessageW(combo, CB_SETCURSEL, WPARAM(index), 0);
        PostMessageW(settings, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), LPARAM(combo));
    }
    bool showsToday(QuorrelProcess& app) {
        const ServiceList& today = todayServiceList();
        for (int n = 1; n <= SERVICE_COUNT; ++n) {
            HWND box = app.control(ID_FIRST_SERVICE_BOX + n - 1);
            bool shown = n <= today.count();
            if (bool(IsWindowVisible(box)) != shown) return false;
            if (shown && app.text(box) != today.services[size_t(n - 1)].caption) return false;
        }
        return app.columnTitle(ID_超级列表框1, 4) == "提取码" && app.columnTitle(ID_超级列表框1, 5) == "状态";
    }
    bool showsClassic(QuorrelProcess& app) {
        for (int n = 1; n <= SERVICE_COUNT; ++n) {
            HWND box = app.control(ID_FIRST_SERVICE_BOX + n - 1);
            if (!IsWindowVisible(box) || app.text(box) != ServiceTable[size_t(n - 1)].caption) return false;
        }
        return app.columnTitle(ID_超级列表框1, 2) == "地址" && app.columnTitle(ID_超级列表框1, 3).empty();
    }
    std::string label(QuorrelProcess& app) { return app.text(app.control(ID_透明标签2)); }
    // Ticks 夸克网盘, the third box of today's list, and searches it for `keyword`.
    void searchQuark(QuorrelProcess& app, const std::string& keyword) {
        HWND quark = app.control(ID_FIRST_SERVICE_BOX + 2);
        ASSERT_EQ(app.text(quark), "夸克网盘");
        app.click(quark);
        ASSERT_TRUE(waitFor([&] { return app.isTicked(quark); }, 3000));
        app.setText(app.control(ID_编辑框1), keyword);
        app.click(app.control(ID_按钮1));
    }
    // A fresh program folder whose url.txt holds `sites`.
    static std::string programWithSites(const std::string& sites) {
        std::string dir = freshDirectory("prog");
        writeWholeFile(dir + "\\url.txt", sites);
        return dir;
    }

    EngineSim sim;
};

TEST_F(AppToday, ChosenInTheSettingsWindowKeptAfterARestartAndSearchedWithCodes) {
    std::string dir = programWithSites("keep.example");
    const std::string ini = dir + "\\quorrel.ini";
    {
        QuorrelProcess app(dir);
        ASSERT_TRUE(app.start({"--engine=" + sim.hostPort(), "--netdisk-via=" + sim.hostPort()}));
        ASSERT_TRUE(showsClassic(app));
        HWND settings = openFromSystemMenu(app);
        ASSERT_NE(settings, nullptr);
        EXPECT_EQ(app.text(settings), "设置");
        EXPECT_FALSE(IsWindowEnabled(app.mainWindow()));  // modal, as from 其他
        EXPECT_EQ(app.text(GetDlgItem(settings, ID_SETTINGS_编辑框1)), "keep.example");
        EXPECT_FALSE(app.isTicked(GetDlgItem(settings, ID_SETTINGS_合并重复链接)));
        EXPECT_FALSE(app.isTicked(GetDlgItem(settings, ID_SETTINGS_检查链接)));
        choose(settings, ID_SETTINGS_网盘列表, 1);
        // Checking links follows the list until the user says otherwise.
        EXPECT_TRUE(waitFor([&] { return app.isTicked(GetDlgItem(settings, ID_SETTINGS_检查链接)); }, 3000));
        std::vector<std::string> profiles = builtinProfileNames();
        auto bing = std::find(profiles.begin(), profiles.end(), "bing");
        ASSERT_NE(bing, profiles.end());
        choose(settings, ID_SETTINGS_搜索方式, int(bing - profiles.begin()));
        app.click(GetDlgItem(settings, ID_SETTINGS_合并重复链接));
        EXPECT_TRUE(waitFor([&] { return app.isTicked(GetDlgItem(settings, ID_SETTINGS_合并重复链接)); }, 3000));
        std::string shots = windowsPath(SCREENSHOT_DIR);
        CreateDirectoryW(gbkToWide(shots).c_str(), nullptr);
        Sleep(800);  // the skin's fade-in
        EXPECT_TRUE(app.screenshot(settings, shots + "\\settings-window-today.png"));
        app.click(GetDlgItem(settings, ID_SETTINGS_按钮1));
        ASSERT_TRUE(waitFor([&] { return !IsWindow(settings); }));
        // Shown at once, without a restart.
        EXPECT_TRUE(waitFor([&] { return showsToday(app); }, 3000));
        std::string saved = readWholeFile(ini);
        EXPECT_NE(saved.find("netdisks=today"), std::string::npos) << saved;
        EXPECT_NE(saved.find("profile=bing"), std::string::npos) << saved;
        EXPECT_NE(saved.find("unique=1"), std::string::npos) << saved;
        EXPECT_EQ(readWholeFile(dir + "\\url.txt"), "keep.example");
        EXPECT_TRUE(app.closeAndWait(5000));
    }

    QuorrelProcess app(dir);
    ASSERT_TRUE(app.start({"--engine=" + sim.hostPort(), "--netdisk-via=" + sim.hostPort()}));
    ASSERT_TRUE(showsToday(app));
    ASSERT_NO_FATAL_FAILURE(searchQuark(app, "电影"));
    // Five hits, the repeated share folded into one row: four rows.
    ASSERT_TRUE(waitFor([&] { return label(app) == "资源数：4" && app.rowCount(ID_超级列表框1) == 4; }, 15000))
        << label(app);
    // 搜索时检查链接 is on with today: the simulator knows none of these shares.
    ASSERT_TRUE(waitFor([&] { return app.cell(ID_超级列表框1, 2, 5) != "" && app.cell(ID_超级列表框1, 0, 5) != ""; }, 30000));
    auto rows = app.rows(ID_超级列表框1);
    ASSERT_EQ(rows.size(), 4u);
    const std::vector<std::vector<std::string>> expected = {
        {"1", "电影合集 4K", "https://pan.quark.cn/s/4f8e2a9c1b7d", "夸克网盘", "Ab3D", "不存在"},
        {"2", "纪录片 全集", "https://pan.quark.cn/s/9d0c3e5f7a21", "夸克网盘", "", "不存在"},
        {"3", "电视剧 提取码: Zx9Q", "https://pan.quark.cn/s/77aa88bb99cc", "夸克网盘", "Zx9Q", "不存在"},
        {"4", "夸克网盘 首页", "https://pan.quark.cn/", "", "", ""},
    };
    for (size_t r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < 6; ++c) EXPECT_EQ(app.cell(ID_超级列表框1, int(r), c), expected[r][size_t(c)]) << r << c;
    }
    std::string shots = windowsPath(SCREENSHOT_DIR);
    CreateDirectoryW(gbkToWide(shots).c_str(), nullptr);
    EXPECT_TRUE(app.screenshot(app.mainWindow(), shots + "\\today-window.png"));

    // The share text of the selected row, as the netdisk itself writes it.
    ASSERT_TRUE(app.selectRow(ID_超级列表框1, 2));
    app.command(ID_复制链接和提取码);
    MessageBoxSeen box = app.waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text, "复制成功！");
    app.closeMessageBox(box.box);
    EXPECT_EQ(clipboardText(), "链接: https://pan.quark.cn/s/77aa88bb99cc 提取码: Zx9Q");
    // The specified items are unchanged: the address alone.
    app.command(ID_复制地址);
    box = app.waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    app.closeMessageBox(box.box);
    EXPECT_EQ(clipboardText(), "https://pan.quark.cn/s/77aa88bb99cc");

    // Export: each entry as before, the code after it where one is known.
    std::vector<HWND> before = fileManagerWindows();
    app.command(ID_全部导出);
    box = app.waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text, "导出成功！");
    app.closeMessageBox(box.box);
    EXPECT_EQ(readWholeFile(dir + "\\电影资源列表.txt"),
              "电影合集 4K      https://pan.quark.cn/s/4f8e2a9c1b7d      提取码: Ab3D      状态: 不存在\r\n\r\n"
              "纪录片 全集      https://pan.quark.cn/s/9d0c3e5f7a21      状态: 不存在\r\n\r\n"
              "电视剧 提取码: Zx9Q      https://pan.quark.cn/s/77aa88bb99cc      提取码: Zx9Q      状态: 不存在\r\n\r\n"
              "夸克网盘 首页      https://pan.quark.cn/\r\n\r\n"
              "筛选后：\r\n\r\n");
    closeNewFileManagerWindows(before, 10000);
    EXPECT_TRUE(app.closeAndWait(5000));
}

TEST_F(AppToday, CommandLineWinsForTheRunAndLeavesTheFileAlone) {
    std::string dir = freshDirectory("prog");
    const std::string ini = dir + "\\quorrel.ini";
    // Written by hand: another case, blanks, LF lines.
    writeWholeFile(ini, "[quorrel]\n NetDisks = Today \nunique=yes\n");
    {
        QuorrelProcess app(dir);
        ASSERT_TRUE(app.start({"--engine=" + sim.hostPort(), "--netdisk-via=" + sim.hostPort()}));
        EXPECT_TRUE(showsToday(app));
        EXPECT_TRUE(app.closeAndWait(5000));
    }
    QuorrelProcess app(dir);
    ASSERT_TRUE(app.start({"--engine=" + sim.hostPort(), "--netdisk-via=" + sim.hostPort(), "--netdisks=classic"}));
    EXPECT_TRUE(showsClassic(app));
    EXPECT_TRUE(app.closeAndWait(5000));
    EXPECT_EQ(readWholeFile(ini), "[quorrel]\n NetDisks = Today \nunique=yes\n");
}

TEST_F(AppToday, BrokenOrUnreadableSettingsMeanTheDefaults) {
    // Hand-broken: binary junk, half a key, a list of no name.
    std::string dir = freshDirectory("prog");
    writeWholeFile(dir + "\\quorrel.ini", std::string("\xFF\x00netdisks=tod\r\nnetdisks\r\n=today\x81", 30));
    {
        QuorrelProcess app(dir);
        ASSERT_TRUE(app.start({"--engine=" + sim.hostPort(), "--netdisk-via=" + sim.hostPort()}));
        EXPECT_TRUE(showsClassic(app));
        EXPECT_EQ(app.waitForMessageBox(500).box, nullptr);
        EXPECT_TRUE(app.closeAndWait(5000));
    }

    // Unreadable (a folder of that name): the defaults, and a save says it could not keep the
    // choice, uses it for the run and leaves url.txt as it was.
    dir = programWithSites("mine.example");
    CreateDirectoryW(gbkToWide(dir + "\\quorrel.ini").c_str(), nullptr);
    QuorrelProcess app(dir);
    ASSERT_TRUE(app.start({"--engine=" + sim.hostPort(), "--netdisk-via=" + sim.hostPort()}));
    EXPECT_TRUE(showsClassic(app));
    HWND settings = openFromSystemMenu(app);
    ASSERT_NE(settings, nullptr);
    choose(settings, ID_SETTINGS_网盘列表, 1);
    app.click(GetDlgItem(settings, ID_SETTINGS_按钮1));
    MessageBoxSeen box = app.waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_NE(box.text.find("quorrel.ini"), std::string::npos) << box.text;
    app.closeMessageBox(box.box);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(settings); }));
    EXPECT_TRUE(waitFor([&] { return showsToday(app); }, 3000));
    EXPECT_EQ(readWholeFile(dir + "\\url.txt"), "mine.example");
    EXPECT_TRUE(app.closeAndWait(5000));
}

TEST_F(AppToday, OtherOpensTheExtraSitesAloneAndTheWholeWindowSavesWithoutSites) {
    std::string dir = freshDirectory("prog");
    QuorrelProcess app(dir);
    ASSERT_TRUE(app.start({"--engine=" + sim.hostPort(), "--netdisk-via=" + sim.hostPort()}));
    // 其他: the extra sites only, as it always was.
    app.click(app.control(ID_选择框1));
    HWND settings = waitForSettings(app);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(app.text(settings), "设置-其他网盘");
    EXPECT_EQ(GetDlgItem(settings, ID_SETTINGS_网盘列表), nullptr);
    app.click(GetDlgItem(settings, ID_SETTINGS_按钮3));
    ASSERT_TRUE(waitFor([&] { return !IsWindow(settings); }));

    // "设置…" with no extra sites: the choices are saved, no url.txt is written, nothing refused.
    settings = openFromSystemMenu(app);
    ASSERT_NE(settings, nullptr);
    RECT r{};
    GetWindowRect(settings, &r);
    EXPECT_GT(r.bottom - r.top, 236);
    app.click(GetDlgItem(settings, ID_SETTINGS_合并重复链接));
    app.click(GetDlgItem(settings, ID_SETTINGS_按钮1));
    ASSERT_TRUE(waitFor([&] { return !IsWindow(settings); }));
    EXPECT_EQ(app.waitForMessageBox(500).box, nullptr);
    bool exists = true;
    readWholeFile(dir + "\\url.txt", &exists);
    EXPECT_FALSE(exists);
    std::string saved = readWholeFile(dir + "\\quorrel.ini");
    EXPECT_NE(saved.find("unique=1"), std::string::npos) << saved;
    EXPECT_NE(saved.find("netdisks=classic"), std::string::npos) << saved;
    // The classic list keeps its boxes and columns when only folding changed.
    EXPECT_TRUE(showsClassic(app));
    EXPECT_TRUE(app.closeAndWait(5000));
}

// 提及 chosen in the settings window: kept in quorrel.ini, and the search lists the share links
// found where the simulator's results mention the netdisk, not the pages themselves.
TEST_F(AppToday, MentionsChosenInTheSettingsWindowListShareLinksFoundOnPages) {
    std::string dir = freshDirectory("mentions");
    QuorrelProcess app(dir);
    ASSERT_TRUE(app.start({"--engine=" + sim.hostPort(), "--netdisk-via=" + sim.hostPort(), "--netdisks=today", "--profile=bing"}));
    HWND settings = openFromSystemMenu(app);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(SendDlgItemMessageW(settings, ID_SETTINGS_搜索范围, CB_GETCURSEL, 0, 0), 0) << "站内 unless chosen";
    choose(settings, ID_SETTINGS_搜索范围, 1);
    app.click(GetDlgItem(settings, ID_SETTINGS_按钮1));
    ASSERT_TRUE(waitFor([&] { return !IsWindow(settings); }));
    std::string saved = readWholeFile(dir + "\\quorrel.ini");
    EXPECT_NE(saved.find("mode=mentions"), std::string::npos) << saved;

    ASSERT_NO_FATAL_FAILURE(searchQuark(app, "电子书"));
    // The page that drips holds the search until its deadline.
    ASSERT_TRUE(waitFor([&] { return label(app).find("资源数：") == 0 && app.rowCount(ID_超级列表框1) >= 15; }, 60000))
        << label(app);
    for (int row = 0; row < app.rowCount(ID_超级列表框1); ++row) {
        std::string address = app.cell(ID_超级列表框1, row, 2);
        EXPECT_EQ(address.find("https://pan.quark.cn/s/"), 0u) << address;
    }
    EXPECT_TRUE(app.closeAndWait(5000));
}

}  // namespace
