// TipWindow on real windows (Xvfb) and trimMemory with a temporary Windows directory.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <sstream>
#include <string>

#include "skin/tip_window.h"
#include "skin/trim_memory.h"
#include "text/encoding.h"
#include "tests/app/temp_folder.h"

namespace {

const char CALLBACK_TEXT_GBK[] = "回调提示";

// The owner answers callback-text requests in both notify formats.
LRESULT CALLBACK ownerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == TTN_GETDISPINFOW) {
            static std::wstring text = gbkToWide(CALLBACK_TEXT_GBK);
            reinterpret_cast<NMTTDISPINFOW*>(lParam)->lpszText = text.data();
            return 0;
        }
        if (header->code == TTN_GETDISPINFOA) {
            reinterpret_cast<NMTTDISPINFOA*>(lParam)->lpszText = const_cast<char*>(CALLBACK_TEXT_GBK);
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND createOwner(int clientWidth, int clientHeight) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ownerProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TipTestOwner";
        RegisterClassW(&wc);
        registered = true;
    }
    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowExW(0, L"TipTestOwner", L"tips", WS_OVERLAPPEDWINDOW, 10, 10, frame.right - frame.left,
                                  frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(window, SW_SHOW);
    return window;
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

TTTOOLINFOW queryTool(HWND tip, HWND owner, int id, std::wstring* text = nullptr) {
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.hwnd = owner;
    tool.uId = UINT_PTR(id);
    WCHAR buffer[256] = {};
    tool.lpszText = buffer;
    EXPECT_TRUE(SendMessageW(tip, TTM_GETTOOLINFOW, 0, LPARAM(&tool))) << "tool " << id;
    if (text) {
        tool.lpszText = buffer;
        SendMessageW(tip, TTM_GETTEXTW, 256, LPARAM(&tool));
        *text = buffer;
    }
    return tool;
}

bool sameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST(TipWindow, CreateMakesAnOwnedTooltipWithBalloonStyleAndMaxWidth) {
    HWND owner = createOwner(200, 100);
    TipWindow balloon, plain;
    HWND b = balloon.Create(owner, true);
    HWND p = plain.Create(owner, false);
    ASSERT_TRUE(b && p);
    EXPECT_EQ(balloon.Handle(), b);
    WCHAR className[64] = {};
    GetClassNameW(b, className, 64);
    EXPECT_EQ(lstrcmpiW(className, L"tooltips_class32"), 0);
    EXPECT_TRUE(GetWindowLongW(b, GWL_STYLE) & TTS_BALLOON);
    EXPECT_FALSE(GetWindowLongW(p, GWL_STYLE) & TTS_BALLOON);
    EXPECT_TRUE(GetWindowLongW(p, GWL_STYLE) & TTS_ALWAYSTIP);
    EXPECT_EQ(SendMessageW(b, TTM_GETMAXTIPWIDTH, 0, 0), 600);
    EXPECT_EQ(SendMessageW(p, TTM_GETMAXTIPWIDTH, 0, 0), 600);

    plain.SetBackColor(RGB(1, 2, 3));
    plain.SetTextColor(RGB(200, 100, 50));
    EXPECT_EQ(COLORREF(SendMessageW(p, TTM_GETTIPBKCOLOR, 0, 0)), RGB(1, 2, 3));
    EXPECT_EQ(COLORREF(SendMessageW(p, TTM_GETTIPTEXTCOLOR, 0, 0)), RGB(200, 100, 50));

    // The wrapper never destroys its tooltip: being owned, it goes away with its owner.
    EXPECT_EQ(GetWindow(b, GW_OWNER), owner);
    DestroyWindow(owner);
    pump();
    EXPECT_FALSE(IsWindow(b));
    EXPECT_FALSE(IsWindow(p));
}

TEST(TipWindow, ToolsCoverTheClientAreaCountRemoveAndUpdate) {
    HWND owner = createOwner(220, 130);
    TipWindow tips;
    HWND tip = tips.Create(owner, false);
    ASSERT_TRUE(tip);
    EXPECT_EQ(tips.ToolCount(), 0);

    RECT whole = {5, 5, 6, 6};  // overwritten: no rectangle given
    ASSERT_TRUE(tips.AddTool(whole, false, "整个窗口", 1));
    RECT client;
    GetClientRect(owner, &client);
    EXPECT_TRUE(sameRect(whole, client));
    EXPECT_EQ(whole.right, 220);
    EXPECT_EQ(whole.bottom, 130);

    RECT corner = {10, 20, 30, 40};
    ASSERT_TRUE(tips.AddTool(corner, true, "角落", 2));
    EXPECT_TRUE(sameRect(corner, RECT{10, 20, 30, 40}));
    EXPECT_EQ(tips.ToolCount(), 2);

    std::wstring text;
    TTTOOLINFOW first = queryTool(tip, owner, 1, &text);
    EXPECT_TRUE(sameRect(first.rect, client));
    EXPECT_TRUE(first.uFlags & TTF_SUBCLASS);
    EXPECT_EQ(wideToGbk(text), "整个窗口");

    tips.SetToolText(2, "新的提示文字");
    tips.SetToolRect(2, RECT{50, 60, 70, 80});
    TTTOOLINFOW second = queryTool(tip, owner, 2, &text);
    EXPECT_EQ(wideToGbk(text), "新的提示文字");
    EXPECT_TRUE(sameRect(second.rect, RECT{50, 60, 70, 80}));

    // The callback tool asks the owner each time.
    ASSERT_TRUE(tips.AddCallbackTool(RECT{0, 0, 10, 10}, 3));
    queryTool(tip, owner, 3, &text);
    EXPECT_EQ(wideToGbk(text), CALLBACK_TEXT_GBK);
    EXPECT_EQ(tips.ToolCount(), 3);

    tips.RemoveTool(2);
    EXPECT_EQ(tips.ToolCount(), 2);
    tips.RemoveTool(99);  // not there: nothing changes
    EXPECT_EQ(tips.ToolCount(), 2);
    TTTOOLINFOW gone = {};
    gone.cbSize = TTTOOLINFOW_V1_SIZE;
    gone.hwnd = owner;
    gone.uId = 2;
    EXPECT_FALSE(SendMessageW(tip, TTM_GETTOOLINFOW, 0, LPARAM(&gone)));
    DestroyWindow(owner);
    pump();
}

namespace {

std::wstring winPath(const char* unixPath) {
    std::wstring path = L"Z:" + gbkToWide(unixPath);
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

// A fresh "Windows directory" per test, and the tool's report file next to it.
class TrimMemory : public ::testing::Test {
protected:
    void SetUp() override {
        root = newTempFolder(L"quorrel_trim_");
        dir = root + L"\\win dir";  // a blank in the path must not split the command line
        userDir = root + L"\\user \uD55C\uAE00";  // a per-user folder whose name GBK cannot hold
        CreateDirectoryW(dir.c_str(), nullptr);
        reportPath = root + L"\\report.txt";
        SetEnvironmentVariableW(L"QUORREL_EMPTY_REPORT", reportPath.c_str());
        tool = readBytes(winPath(EMPTY_TOOL_PATH));
        ASSERT_FALSE(tool.empty());
        DWORD n = GetEnvironmentVariableW(L"windir", savedWindir, MAX_PATH);
        hadWindir = n > 0 && n < MAX_PATH;
        n = GetEnvironmentVariableW(L"LOCALAPPDATA", savedLocalAppData, MAX_PATH);
        hadLocalAppData = n > 0 && n < MAX_PATH;
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"QUORREL_EMPTY_REPORT", nullptr);
        SetEnvironmentVariableW(L"windir", hadWindir ? savedWindir : nullptr);
        SetEnvironmentVariableW(L"LOCALAPPDATA", hadLocalAppData ? savedLocalAppData : nullptr);
        DeleteFileW((dir + L"\\empty.exe").c_str());
        DeleteFileW((userDir + L"\\empty.exe").c_str());
        RemoveDirectoryW(userDir.c_str());
        DeleteFileW(reportPath.c_str());
        RemoveDirectoryW(dir.c_str());
        RemoveDirectoryW(root.c_str());
    }
    std::string ourLine() const { return "pid=" + std::to_string(GetCurrentProcessId()) + " result=0\r\n"; }

    std::wstring root, dir, userDir, reportPath;
    std::string tool;
    WCHAR savedWindir[MAX_PATH] = {};
    WCHAR savedLocalAppData[MAX_PATH] = {};
    bool hadWindir = false;
    bool hadLocalAppData = false;
};

}  // namespace

TEST_F(TrimMemory, WritesTheToolWhenMissingAndRunsItWithOurProcessId) {
    std::wstring toolPath = dir + L"\\empty.exe";
    ASSERT_FALSE(fileExists(toolPath));
    EXPECT_TRUE(trimMemoryWith(dir, userDir, tool));
    EXPECT_EQ(readBytes(toolPath), tool);
    EXPECT_EQ(filesIn(dir), 1);
    EXPECT_FALSE(fileExists(userDir));  // the Windows directory's copy is enough
    EXPECT_EQ(readBytes(reportPath), ourLine());
}

TEST_F(TrimMemory, ReusesThePresentToolWithoutRewritingIt) {
    std::wstring toolPath = dir + L"\\empty.exe";
    ASSERT_TRUE(trimMemoryWith(dir, userDir, tool));
    // Date the file back; a rewrite would give it a new time.
    HANDLE file = CreateFileW(toolPath.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SYSTEMTIME old = {2001, 1, 1, 1, 0, 0, 0, 0};
    FILETIME oldTime;
    SystemTimeToFileTime(&old, &oldTime);
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &oldTime));
    CloseHandle(file);

    EXPECT_TRUE(trimMemoryWith(dir, userDir, tool));
    WIN32_FILE_ATTRIBUTE_DATA info;
    ASSERT_TRUE(GetFileAttributesExW(toolPath.c_str(), GetFileExInfoStandard, &info));
    EXPECT_EQ(CompareFileTime(&info.ftLastWriteTime, &oldTime), 0);
    EXPECT_EQ(readBytes(reportPath), ourLine() + ourLine());
}

TEST_F(TrimMemory, AnotherFileInTheWindowsDirectoryIsNeverReplacedNorRun) {
    // Somebody else's empty.exe (or an earlier build's) stays as it is; the per-user copy runs.
    std::wstring toolPath = dir + L"\\empty.exe";
    ASSERT_TRUE(writeBytes(toolPath, "somebody else's empty.exe"));
    EXPECT_TRUE(trimMemoryWith(dir, userDir, tool));
    EXPECT_EQ(readBytes(toolPath), "somebody else's empty.exe");
    EXPECT_EQ(filesIn(dir), 1);
    EXPECT_EQ(readBytes(userDir + L"\\empty.exe"), tool);
    EXPECT_EQ(filesIn(userDir), 1);
    EXPECT_EQ(readBytes(reportPath), ourLine());
    // The next time too.
    EXPECT_TRUE(trimMemoryWith(dir, userDir, tool));
    EXPECT_EQ(readBytes(toolPath), "somebody else's empty.exe");
    EXPECT_EQ(readBytes(reportPath), ourLine() + ourLine());
}

TEST_F(TrimMemory, UnwritableWindowsDirectoryUsesThePerUserCopy) {
    // A Windows directory that cannot take a file, as for a user without elevation: its
    // parent is a file.
    std::wstring blocker = root + L"\\plain_file";
    ASSERT_TRUE(writeBytes(blocker, "x"));
    std::wstring unwritable = blocker + L"\\windir";
    EXPECT_TRUE(trimMemoryWith(unwritable, userDir, tool));
    EXPECT_FALSE(fileExists(unwritable + L"\\empty.exe"));
    EXPECT_EQ(readBytes(userDir + L"\\empty.exe"), tool);
    EXPECT_EQ(readBytes(reportPath), ourLine());
    DeleteFileW(blocker.c_str());
}

TEST_F(TrimMemory, NothingRunsWhenBothPlacesHoldAnotherFile) {
    ASSERT_TRUE(writeBytes(dir + L"\\empty.exe", "other one"));
    CreateDirectoryW(userDir.c_str(), nullptr);
    ASSERT_TRUE(writeBytes(userDir + L"\\empty.exe", "other two"));
    EXPECT_FALSE(trimMemoryWith(dir, userDir, tool));
    EXPECT_EQ(readBytes(dir + L"\\empty.exe"), "other one");
    EXPECT_EQ(readBytes(userDir + L"\\empty.exe"), "other two");
    EXPECT_EQ(filesIn(userDir), 1);
    EXPECT_FALSE(fileExists(reportPath));
    // No per-user folder at all: nothing runs either.
    EXPECT_FALSE(trimMemoryWith(dir, L"", tool));
    EXPECT_FALSE(fileExists(reportPath));
}

TEST_F(TrimMemory, InstancesAtOnceShareOneWholeCopy) {
    // Several instances deactivated together, none finding the tool: each writes its own
    // temporary file, one of them lands, and every one runs that copy.
    constexpr int INSTANCES = 4;
    struct Call {
        std::wstring dir, userDir;
        std::string tool;
        bool ran = false;
    } calls[INSTANCES];
    HANDLE threads[INSTANCES];
    for (auto& call : calls) {
        call.dir = dir;
        call.userDir = userDir;
        call.tool = tool;
    }
    for (int i = 0; i < INSTANCES; ++i) {
        threads[i] = CreateThread(
            nullptr, 0,
            [](void* parameter) -> DWORD {
                auto* call = static_cast<Call*>(parameter);
                call->ran = trimMemoryWith(call->dir, call->userDir, call->tool);
                return 0;
            },
            &calls[i], 0, nullptr);
        ASSERT_NE(threads[i], nullptr);
    }
    WaitForMultipleObjects(INSTANCES, threads, TRUE, 60000);
    for (HANDLE thread : threads) CloseHandle(thread);
    for (const auto& call : calls) EXPECT_TRUE(call.ran);
    EXPECT_EQ(readBytes(dir + L"\\empty.exe"), tool);
    EXPECT_EQ(filesIn(dir), 1);
    EXPECT_FALSE(fileExists(userDir));
    std::string expected;
    for (int i = 0; i < INSTANCES; ++i) expected += ourLine();
    EXPECT_EQ(readBytes(reportPath), expected);
}

TEST_F(TrimMemory, PlainCallUsesWindirLocalAppDataAndTheEmbeddedTool) {
    EXPECT_EQ(embeddedTrimTool(), tool);
    SetEnvironmentVariableW(L"windir", dir.c_str());
    SetEnvironmentVariableW(L"LOCALAPPDATA", root.c_str());
    trimMemory();
    EXPECT_EQ(readBytes(dir + L"\\empty.exe"), tool);
    EXPECT_EQ(readBytes(reportPath), ourLine());

    // The Windows directory holding another file: %LOCALAPPDATA%\Quorrel\empty.exe runs.
    ASSERT_TRUE(writeBytes(dir + L"\\empty.exe", "not ours"));
    trimMemory();
    std::wstring perUser = root + L"\\Quorrel";
    EXPECT_EQ(readBytes(perUser + L"\\empty.exe"), tool);
    EXPECT_EQ(readBytes(dir + L"\\empty.exe"), "not ours");
    EXPECT_EQ(readBytes(reportPath), ourLine() + ourLine());
    DeleteFileW((perUser + L"\\empty.exe").c_str());
    RemoveDirectoryW(perUser.c_str());
}
