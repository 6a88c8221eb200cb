// The real quorrel.exe meeting what a new user brings: extra sites ending in a lone high byte,
// url.txt saved as UTF-8, a program folder whose name GBK cannot hold, keywords that are no file
// names, a gdiplus.dll and an explorer.exe left beside the program, and the keyboard after a
// message box or the settings window.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <set>

#include "app/control_ids.h"
#include "text/encoding.h"
#include "search/services.h"
#include "tests/app/e2e_fixture.h"
#include "tests/app/quorrel_driver.h"
#include "tests/app/temp_folder.h"
#include "tests/http/child_output.h"
#include "tools/engine_sim/engine_sim.h"

namespace {
std::wstring wide(const std::string& gbk) {
    return gbkToWide(gbk);
}

// The control that has the keyboard in the program's window thread.
HWND focusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

// The control that has the keyboard while `window` is active. Suites run side by side and another
// one's window may take the foreground at any moment; then `window` is made active again, which
// gives the keyboard back to the control that had it, and the next call sees that control.
HWND activeFocusOf(HWND window) {
    HWND focus = focusOf(window);
    if (focus == nullptr && GetForegroundWindow() != window) SetForegroundWindow(window);
    return focus;
}

class Hardening : public SimulatedEngineTest {
protected:
    // Ticks "其他", which opens the settings window; returns it.
    HWND openSettings(QuorrelProcess& app) {
        app.click(app.control(ID_选择框1));
        return app.waitForWindowOfClass(SETTINGS_WINDOW_CLASS);
    }

    void cancelSettings(QuorrelProcess& app, HWND settings) {
        app.click(GetDlgItem(settings, ID_SETTINGS_按钮3));
        ASSERT_TRUE(waitFor([&] { return !IsWindow(settings); }));
    }

    // The extra sites the settings window shows when "其他" opens it, read before 取消 closes it;
    // nothing when the window does not open or does not close.
    std::optional<std::string> sitesShownInSettings(QuorrelProcess& app) {
        HWND settings = openSettings(app);
        if (settings == nullptr) return std::nullopt;
        std::string sites = app.text(GetDlgItem(settings, ID_SETTINGS_编辑框1));
        app.click(GetDlgItem(settings, ID_SETTINGS_按钮3));
        if (!waitFor([&] { return !IsWindow(settings); })) return std::nullopt;
        return sites;
    }

    // Exports with `keyword` and expects "导出成功！" and a file-manager window.
    void exportExpectingSuccess(QuorrelProcess& app, const std::string& keyword) {
        app.setText(app.control(ID_编辑框1), keyword);
        std::vector<HWND> before = fileManagerWindows();
        app.command(ID_全部导出);
        MessageBoxSeen box = app.waitForMessageBox();
        ASSERT_NE(box.box, nullptr);
        EXPECT_EQ(box.text, "导出成功！") << keyword;
        app.closeMessageBox(box.box);
        EXPECT_GE(closeNewFileManagerWindows(before, 10000), 1) << keyword;
    }
};

TEST_F(Hardening, CliSearchWithAnExtraSiteEndingInALoneHighByte) {
    // "€" is the single byte 0x80 in code page 936.
    std::wstring command = L"\"" + wide(windowsPath(QUORREL_CLI_EXE)) + L"\" search kw \"--extra=a.example;\u20AC\"" +
                           L" --engine=" + wide(sim.hostPort());
    ChildResult r = runChild(command, 60000);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_NE(utf8ToGbk(r.out).find("资源数："), std::string::npos) << r.out << r.err;
    EXPECT_EQ(r.err.find("terminate"), std::string::npos) << r.err;
    EXPECT_EQ(requestedSites().count("a.example"), 1u);
}

TEST_F(Hardening, Utf8UrlTxtEndingInAnOddByteIsReadAndSearched) {
    // "新网盘" in UTF-8: nine bytes, the last one left alone when stepped two at a time.
    auto app = launch("pan.example.com;" + gbkToUtf8("新网盘"), true);
    ASSERT_EQ(sitesShownInSettings(*app), "pan.example.com;新网盘");
    ASSERT_TRUE(app->isTicked(app->control(ID_选择框1)));
    search(*app, "k");
    ASSERT_TRUE(waitFor([&] { return sim.requestCount() >= 2; }, 15000)) << "still running: " << !app->exited();
    EXPECT_EQ(requestedSites().count("pan.example.com"), 1u);
    EXPECT_EQ(requestedSites().size(), 2u);  // and the second site
    EXPECT_TRUE(waitFor([&] { return app->text(app->control(ID_透明标签2)).rfind("资源数：", 0) == 0; }));
    EXPECT_FALSE(app->exited(500));
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(Hardening, GbkUrlTxtEndingInTheEuroSignIsSearched) {
    auto app = launch("a.example;\x80", true);
    ASSERT_EQ(sitesShownInSettings(*app), "a.example;\x80");
    search(*app, "k");
    ASSERT_TRUE(waitFor([&] { return sim.requestCount() >= 2; }, 15000)) << "still running: " << !app->exited();
    EXPECT_EQ(requestedSites().count("a.example"), 1u);
    EXPECT_FALSE(app->exited(500));
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(Hardening, LineBreaksInUrlTxtNeverReachARequest) {
    // A header smuggled in after a line break makes its item no host; Enter after the last site,
    // as a text editor leaves it, does not cost that site.
    auto app = launch("a.example\r\nX-Injected: 1;b.example\r\n", true);
    ASSERT_TRUE(sitesShownInSettings(*app).has_value());
    ASSERT_TRUE(app->isTicked(app->control(ID_选择框1)));
    const std::string expected = "资源数：" + std::to_string(sim.hitsFor("b.example", "k").size());
    search(*app, "k");
    EXPECT_TRUE(waitFor([&] { return app->text(app->control(ID_透明标签2)) == expected; }, 15000))
        << app->text(app->control(ID_透明标签2));
    EXPECT_EQ(requestedSites(), std::set<std::string>{"b.example"});
    for (const SimRequest& r : sim.requests()) {
        for (unsigned char c : r.target) EXPECT_GE(c, 0x21u) << r.target;
    }
    EXPECT_FALSE(app->exited(500));
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(Hardening, KeywordsThatAreNoFileNamesStillExportBesideTheProgram) {
    auto app = launch();
    // "a:b" would name the hidden stream "b资源列表.txt" of a file "a", which nobody finds.
    exportExpectingSuccess(*app, "a:b");
    EXPECT_EQ(readWholeFile(app->programDir() + "\\a_b资源列表.txt"), "筛选后：\r\n\r\n");
    EXPECT_FALSE(fileExists(wide(app->programDir() + "\\a")));
    // A keyword naming the parent folder stays beside the program. (The parent is shared by
    // every test: a file left there by an earlier build must not count.)
    DeleteFileW(wide(app->programDir() + "\\..\\up资源列表.txt").c_str());
    exportExpectingSuccess(*app, "..\\up");
    EXPECT_TRUE(fileExists(wide(app->programDir() + "\\.._up资源列表.txt")));
    EXPECT_FALSE(fileExists(wide(app->programDir() + "\\..\\up资源列表.txt")));
    exportExpectingSuccess(*app, "con.mp4");
    EXPECT_TRUE(fileExists(wide(app->programDir() + "\\_.mp4资源列表.txt")));
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(Hardening, ProgramFolderWhoseNameGbkCannotHold) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"quorrel-app-" + std::to_wstring(GetCurrentProcessId()) +
                          L"-\uD55C\uAE00 \U0001F600";
    QuorrelProcess app(folder);
    ASSERT_TRUE(writeBytes(folder + L"\\url.txt", "k.example"));
    ASSERT_TRUE(app.start({"--engine=" + sim.hostPort()}));
    HWND settings = openSettings(app);
    ASSERT_NE(settings, nullptr);
    HWND edit = GetDlgItem(settings, ID_SETTINGS_编辑框1);
    EXPECT_EQ(app.text(edit), "k.example");
    app.setText(edit, "saved.example");
    app.click(GetDlgItem(settings, ID_SETTINGS_按钮1));
    ASSERT_TRUE(waitFor([&] { return !IsWindow(settings); }));
    EXPECT_EQ(readBytes(folder + L"\\url.txt"), "saved.example");

    app.setText(app.control(ID_编辑框1), "电影");
    std::vector<HWND> before = fileManagerWindows();
    app.command(ID_全部导出);
    MessageBoxSeen box = app.waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text, "导出成功！");
    app.closeMessageBox(box.box);
    EXPECT_EQ(readBytes(folder + L"\\" + wide("电影资源列表.txt")), "筛选后：\r\n\r\n");
    EXPECT_GE(closeNewFileManagerWindows(before, 10000), 1);
    EXPECT_TRUE(app.closeAndWait(5000));
}

TEST_F(Hardening, PlantedGdiplusDllAndExplorerExeAreNeverUsed) {
    QuorrelProcess app(freshDirectory("planted"));
    std::wstring dir = wide(app.programDir());
    std::wstring planted = wide(windowsPath(PLANTED_DIR));
    ASSERT_TRUE(CopyFileW((planted + L"\\gdiplus.dll").c_str(), (dir + L"\\gdiplus.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((planted + L"\\explorer.exe").c_str(), (dir + L"\\explorer.exe").c_str(), FALSE));
    std::string cwd = freshDirectory("planted-cwd");
    ASSERT_TRUE(CopyFileW((planted + L"\\explorer.exe").c_str(), (wide(cwd) + L"\\explorer.exe").c_str(), FALSE));
    // Wine prefers its own gdiplus.dll to a file of that name; as on Windows, the one found
    // first must count. Wine's own setting for that (WINEDLLOVERRIDES="gdiplus=n,b"), for
    // quorrel.exe and only while it starts: Wine reads it from the registry at the start.
    const wchar_t* overridesKey = L"Software\\Wine\\AppDefaults\\quorrel.exe\\DllOverrides";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, overridesKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t nativeFirst[] = L"native,builtin";
    RegSetValueExW(key, L"gdiplus", 0, REG_SZ, reinterpret_cast<const BYTE*>(nativeFirst), sizeof nativeFirst);
    bool started = app.start({"--engine=" + sim.hostPort()}, cwd);
    RegDeleteValueW(key, L"gdiplus");
    RegCloseKey(key);
    ASSERT_TRUE(started);

    // The skinned settings window draws with GDI+.
    HWND settings = openSettings(app);
    ASSERT_NE(settings, nullptr);
    Sleep(500);
    cancelSettings(app, settings);
    EXPECT_FALSE(fileExists(dir + L"\\planted-dll-loaded.txt")) << "the planted gdiplus.dll was loaded";

    exportExpectingSuccess(app, "k");
    EXPECT_FALSE(fileExists(dir + L"\\planted-exe-started.txt")) << "the explorer.exe beside the program ran";
    EXPECT_FALSE(fileExists(wide(cwd) + L"\\planted-exe-started.txt")) << "the working directory's explorer.exe ran";
    EXPECT_TRUE(app.closeAndWait(5000));
}

TEST_F(Hardening, KeyboardFocusSurvivesMessageBoxesAndTheSettingsWindow) {
    auto app = launch("old.example", true);
    HWND main = app->mainWindow();
    HWND keyword = app->control(ID_编辑框1);
    EXPECT_TRUE(waitFor([&] { return activeFocusOf(main) == keyword; }, 3000));

    // A message box comes and goes: the keyword box has the keyboard again.
    app->pressEnter(keyword);  // empty keyword
    MessageBoxSeen box = app->waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    EXPECT_EQ(box.text, "请输入关键字！");
    app->closeMessageBox(box.box);
    EXPECT_TRUE(waitFor([&] { return activeFocusOf(main) == keyword; }, 3000))
        << "focus on id " << GetDlgCtrlID(focusOf(main)) << (focusOf(main) == main ? " (the main window)" : "");
    // Typing reaches it.
    PostMessageW(focusOf(main), WM_CHAR, L'k', 1);
    EXPECT_TRUE(waitFor([&] { return app->text(keyword) == "k"; }, 3000));
    // Clicked, the search button keeps the keyboard across the message box, as in a dialog box.
    app->setText(keyword, "");
    app->click(app->control(ID_按钮1));
    box = app->waitForMessageBox();
    ASSERT_NE(box.box, nullptr);
    app->closeMessageBox(box.box);
    EXPECT_TRUE(waitFor([&] { return activeFocusOf(main) == app->control(ID_按钮1); }, 3000))
        << "focus on id " << GetDlgCtrlID(focusOf(main)) << (focusOf(main) == main ? " (the main window)" : "");

    // The settings window opens with the caret in its edit box; Esc is 取消.
    HWND other = app->control(ID_选择框1);
    HWND settings = openSettings(*app);
    ASSERT_NE(settings, nullptr);
    HWND edit = GetDlgItem(settings, ID_SETTINGS_编辑框1);
    EXPECT_TRUE(waitFor([&] { return focusOf(settings) == edit; }, 3000)) << "focus on " << focusOf(settings);
    app->setText(edit, "changed.example");
    PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(settings); }, 5000));
    EXPECT_EQ(readWholeFile(app->programDir() + "\\url.txt"), "old.example");
    EXPECT_TRUE(app->isTicked(other));
    // Back in the main window the keyboard is where it was: on "其他", clicked last.
    EXPECT_TRUE(waitFor([&] { return activeFocusOf(main) == other; }, 3000)) << "focus on " << focusOf(main);
    EXPECT_TRUE(app->closeAndWait(5000));
}

TEST_F(Hardening, TabGoesThroughTheControlsInScreenOrderAndEnterStillSearches) {
    auto app = launch();
    HWND main = app->mainWindow();
    // Rows from top to bottom, left to right in a row; entries of the service table by number.
    std::vector<HWND> expected = {app->control(ID_编辑框1), app->control(ID_按钮1)};
    for (int entry : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 19, 18, 20, 21, 22, 12, 15, 17, 16, 14})
        expected.push_back(app->control(ID_FIRST_SERVICE_BOX + entry - 1));
    expected.push_back(app->control(ID_选择框1));
    expected.push_back(app->control(ID_选择框_全部));
    expected.push_back(app->control(ID_超级列表框1));

    for (size_t i = 1; i <= expected.size(); ++i) {
        HWND from = expected[i - 1];
        ASSERT_TRUE(waitFor([&] { return activeFocusOf(main) == from; }, 3000))
            << "before Tab " << i << ": focus on id " << GetDlgCtrlID(focusOf(main)) << ", expected id "
            << GetDlgCtrlID(from);
        PostMessageW(from, WM_KEYDOWN, VK_TAB, 0x000F0001);
        PostMessageW(from, WM_KEYUP, VK_TAB, 0xC00F0001);
        HWND want = expected[i % expected.size()];
        EXPECT_TRUE(waitFor([&] { return activeFocusOf(main) == want; }, 3000))
            << "Tab " << i << ": focus on id " << GetDlgCtrlID(focusOf(main)) << ", expected id " << GetDlgCtrlID(want);
        if (i == 5) {
            // Another program takes the foreground (Alt+Tab) and gives it back: the keyboard
            // returns to the control that had it.
            HWND other = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                         nullptr, nullptr, nullptr, nullptr);
            ASSERT_NE(other, nullptr);
            SetForegroundWindow(other);
            EXPECT_TRUE(waitFor([&] { return focusOf(main) == nullptr; }, 3000)) << GetDlgCtrlID(focusOf(main));
            DestroyWindow(other);
            SetForegroundWindow(main);
            EXPECT_TRUE(waitFor([&] { return activeFocusOf(main) == want; }, 3000))
                << "after Alt+Tab: focus on id " << GetDlgCtrlID(focusOf(main)) << ", expected id "
                << GetDlgCtrlID(want);
        }
        if (i == 10) {
            // The window manager may activate a window again that is already active (under
            // load, a late activation from the first mapping): the keyboard stays where it is.
            SendMessageW(main, WM_ACTIVATE, WA_ACTIVE, 0);
            EXPECT_EQ(focusOf(main), want) << "focus moved to id " << GetDlgCtrlID(focusOf(main));
        }
    }
    // Shift+Tab walks the same ring backwards.
    for (size_t i = 0; i < expected.size(); ++i) {
        HWND previous = expected[(i + expected.size() - 1) % expected.size()];
        EXPECT_EQ(GetNextDlgTabItem(main, expected[i], TRUE), previous) << "before id " << GetDlgCtrlID(expected[i]);
    }
    // The off-screen filter box is never reached.
    EXPECT_EQ(GetWindowLongW(app->control(ID_编辑框2), GWL_STYLE) & WS_TABSTOP, 0);

    // Enter in the keyword box searches.
    app->click(app->control(ID_FIRST_SERVICE_BOX));
    ASSERT_TRUE(waitFor([&] { return app->isTicked(app->control(ID_FIRST_SERVICE_BOX)); }));
    app->setText(app->control(ID_编辑框1), "k");
    app->pressEnter(app->control(ID_编辑框1));
    EXPECT_TRUE(waitFor([&] { return sim.requestCount() >= 1; }, 10000));
    EXPECT_TRUE(app->windowsOfClass(L"#32770").empty());
    EXPECT_TRUE(app->closeAndWait(5000));
}
}  // namespace
