// The main window in this process: how pages reach the virtual result list (the messages the
// list receives), the cells it is given, and the failed services shown once a search has ended.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "app/ui_text.h"
#include "app/window_calls.h"
#include "text/encoding.h"
#include "search/query.h"
#include "search/services.h"
#include "skin/skin.h"
#include "tests/app/quorrel_driver.h"
#include "tests/app/window_suite.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

// Records the item messages the result list receives, in front of its own procedure.
struct ListRecorder {
    static inline WNDPROC original = nullptr;
    static inline std::vector<std::pair<UINT, WPARAM>> seen;
    static LRESULT CALLBACK proc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == LVM_SETITEMCOUNT || message == LVM_INSERTITEMW || message == LVM_INSERTITEMA ||
            message == LVM_SETITEMTEXTW || message == LVM_DELETEALLITEMS)
            seen.push_back({message, wParam});
        return CallWindowProcW(original, list, message, wParam, lParam);
    }
};

HWND messageBoxOfThisProcess() {
    struct Search {
        HWND found = nullptr;
    } search;
    EnumWindows(
        [](HWND w, LPARAM parameter) -> BOOL {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            wchar_t name[16] = {};
            GetClassNameW(w, name, 16);
            if (pid != GetCurrentProcessId() || !IsWindowVisible(w) || lstrcmpW(name, L"#32770") != 0) return TRUE;
            reinterpret_cast<Search*>(parameter)->found = w;
            return FALSE;
        },
        LPARAM(&search));
    return search.found;
}

class MainWindowTest : public InProcessWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok());
        setEngineHost(sim.hostPort());
        ASSERT_TRUE(window.create(GetModuleHandleW(nullptr), SW_SHOWNOACTIVATE));
        list = GetDlgItem(window.handle(), ID_超级列表框1);
        ListRecorder::seen.clear();
        ListRecorder::original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(list, GWLP_WNDPROC, LONG_PTR(ListRecorder::proc)));
    }
    void TearDown() override {
        DestroyWindow(window.handle());
        EXPECT_TRUE(window.waitForWorkers(3000));
        setEngineHost(DEFAULT_ENGINE_HOST);
    }
    void search(const std::string& keyword, std::initializer_list<int> services) {
        SetWindowTextW(GetDlgItem(window.handle(), ID_编辑框1), gbkToWide(keyword).c_str());
        for (int n = 1; n <= SERVICE_COUNT; ++n) {
            bool tick = std::find(services.begin(), services.end(), n) != services.end();
            SendMessageW(GetDlgItem(window.handle(), ID_FIRST_SERVICE_BOX + n - 1), BM_SETCHECK,
                         tick ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        window.startSearch();
    }
    std::string label() { return wideToGbkText(GetDlgItem(window.handle(), ID_透明标签2)); }
    static std::string wideToGbkText(HWND control) {
        wchar_t text[256] = {};
        GetWindowTextW(control, text, 256);
        return wideToGbk(text);
    }
    // The item counts the list was given after its rows were deleted.
    std::vector<size_t> countsSet() const {
        std::vector<size_t> counts;
        for (const auto& [message, wParam] : ListRecorder::seen) {
            if (message == LVM_SETITEMCOUNT) counts.push_back(size_t(wParam));
        }
        return counts;
    }

    EngineSim sim;
    MainWindow window;
    HWND list = nullptr;
};

// Each page is one count update of the virtual list, never a row at a time, and the pages of
// one service follow each other whole, in page order, before the next service's.
TEST_F(MainWindowTest, EveryPageReachesTheListAsOneCountUpdate) {
    EngineSimOptions options;
    options.hitsPerSite = {{ServiceTable[0].host, 120}, {ServiceTable[1].host, 70}};
    options.hitsPerQuery = 0;
    options.latencyMs = 20;
    sim.setOptions(options);
    search("页", {1, 2});
    ASSERT_TRUE(waitFor(
        [&] {
            return window.results().size() == 190 && window.waitForWorkers(0) &&
                   SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 190;
        },
        20000));
    ASSERT_TRUE(waitFor([&] { return label() == "资源数：190"; }, 3000)) << label();

    for (const auto& [message, wParam] : ListRecorder::seen) {
        EXPECT_NE(message, UINT(LVM_INSERTITEMW));
        EXPECT_NE(message, UINT(LVM_INSERTITEMA));
        EXPECT_NE(message, UINT(LVM_SETITEMTEXTW));
    }
    // The list's count grows by whole pages (several at once when they arrive below the
    // visible part), never by part of one, and ends with every row.
    std::vector<size_t> counts = countsSet();
    bool firstIs1 = window.results().row(0).address.find(ServiceTable[0].host) != std::string::npos;
    std::set<size_t> pageEnds = firstIs1 ? std::set<size_t>{50, 100, 120, 170, 190} : std::set<size_t>{50, 70, 120, 170, 190};
    ASSERT_FALSE(counts.empty());
    EXPECT_EQ(counts.back(), 190u);
    EXPECT_LE(counts.size(), pageEnds.size());
    for (size_t i = 0; i < counts.size(); ++i) {
        EXPECT_TRUE(pageEnds.count(counts[i])) << counts[i] << " splits a page";
        if (i > 0) {
            EXPECT_GT(counts[i], counts[i - 1]);
        }
    }
    for (size_t i = 0; i < window.results().size(); ++i) EXPECT_EQ(window.results().row(i).number, int(i) + 1);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 190);

    // The list shows the rows the window keeps; a cell that does not fit is cut, not overrun.
    const ResultList::Row& last = window.results().row(189);
    EXPECT_EQ(listCellText(list, 189, 0), "190");
    EXPECT_EQ(listCellText(list, 189, 1), last.title);
    EXPECT_EQ(listCellText(list, 189, 2), last.address);
    wchar_t start[8] = {};
    ListView_GetItemText(list, 189, 2, start, 8);
    EXPECT_EQ(wideToGbk(start), last.address.substr(0, 7));
    EXPECT_EQ(listCellText(list, 190, 1), "");  // past the end

    // Typing in the list finds a row by its number, as a list holding its own texts does.
    LVFINDINFOW find{};
    find.flags = LVFI_STRING | LVFI_PARTIAL | LVFI_WRAP;
    find.psz = L"18";
    EXPECT_EQ(SendMessageW(list, LVM_FINDITEMW, WPARAM(-1), LPARAM(&find)), 17);
    find.psz = L"191";
    EXPECT_EQ(SendMessageW(list, LVM_FINDITEMW, WPARAM(-1), LPARAM(&find)), -1);

    // A new search empties the list before it checks the keyword.
    std::atomic<LRESULT> rowsWhileAsked{-1};
    std::thread answer([&] {
        HWND box = nullptr;
        for (int i = 0; i < 500 && !(box = messageBoxOfThisProcess()); ++i) Sleep(10);
        rowsWhileAsked = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
        if (box) PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    search("", {});  // returns once the message is answered
    answer.join();
    EXPECT_EQ(rowsWhileAsked, 0);
    EXPECT_EQ(window.results().size(), 0u);
}

// An empty keyword clears the list and leaves the count label as it was, also when the end of
// the search before, or a catch-up of the list, is still waiting in the queue: the message box
// runs them while it asks.
TEST_F(MainWindowTest, AnEmptyKeywordKeepsTheCountWhileALateSearchEndWaits) {
    EngineSimOptions options;
    options.hitsPerSite = {{ServiceTable[0].host, 2}};
    options.hitsPerQuery = 0;
    sim.setOptions(options);
    search("k", {1});
    ASSERT_TRUE(waitFor([&] { return label() == "资源数：2" && window.waitForWorkers(0); }, 10000)) << label();
    waitFor([] { return false; }, 100);  // the real end is shown

    PostMessageW(window.handle(), MainWindow::WM_SEARCH_ENDED, 0, 0);
    std::atomic<bool> answered{false};
    std::thread answer([&] {
        HWND box = nullptr;
        for (int i = 0; i < 500 && !(box = messageBoxOfThisProcess()); ++i) Sleep(10);
        Sleep(100);  // the box's own loop has run what was queued
        if (box) PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        answered = box != nullptr;
    });
    search("", {1});
    answer.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(window.results().size(), 0u);
    EXPECT_EQ(label(), "资源数：2");
    waitFor([] { return false; }, 100);
    EXPECT_EQ(label(), "资源数：2");
}

// Failed services are shown once the search has ended: the count label keeps its text, its
// tooltip names them, and their boxes' captions (or "其他" for an extra site) change colour. A
// new search clears it all.
TEST_F(MainWindowTest, FailedServicesAreShownWhenTheSearchHasEnded) {
    EngineSimOptions options;
    options.hitsPerQuery = 3;
    options.latencyMs = 400;
    sim.setOptions(options);
    search("k", {1});
    const std::string failedCaption = ServiceTable[1].caption;
    std::atomic<bool> reported{false};
    std::thread reporter([&] {
        SearchSink& sink = window.searchSink();
        sink.lockResults();
        sink.serviceEnded(ServiceOutcome{failedCaption, "连接失败", false, {}, {}});
        sink.serviceEnded(ServiceOutcome{"x.example", "", true, {}, {}});
        sink.serviceEnded(ServiceOutcome{ServiceTable[2].caption, "", false, {}, {}});  // ended well
        sink.unlockResults();
        reported = true;
    });
    ASSERT_TRUE(waitFor([&] { return reported.load(); }, 5000));
    reporter.join();
    EXPECT_TRUE(window.failedServices().empty());  // the search is still running
    // The engine's verification wall ends the search with one message box naming the service;
    // it is read and closed from here.
    std::string wallText;
    std::thread closer([&] {
        for (int i = 0; i < 1000; ++i) {
            HWND box = FindWindowW(nullptr, L"提示");
            if (box && GetWindow(box, GW_OWNER) == window.handle()) {
                wchar_t text[512] = {};
                GetDlgItemTextW(box, 0xFFFF, text, 512);
                wallText = wideToGbk(text);
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(20);
        }
    });
    ASSERT_TRUE(waitFor([&] { return window.failedServices().size() == 2; }, 10000));
    closer.join();
    EXPECT_NE(wallText.find("安全验证"), std::string::npos) << wallText;
    EXPECT_NE(wallText.find("x.example"), std::string::npos) << wallText;
    EXPECT_EQ(wallText.find(failedCaption), std::string::npos) << wallText;  // not walled
    EXPECT_EQ(label(), "资源数：3");

    // EnumWindows takes a snapshot: walking with GetWindow stops early when another process
    // destroys the next window meanwhile.
    struct TipSearch {
        HWND owner;
        HWND found = nullptr;
    } tips{window.handle()};
    EnumWindows(
        [](HWND w, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<TipSearch*>(parameter);
            wchar_t name[64] = {};
            GetClassNameW(w, name, 64);
            if (GetWindow(w, GW_OWNER) == s->owner && lstrcmpW(name, TOOLTIPS_CLASSW) == 0) s->found = w;
            return TRUE;
        },
        LPARAM(&tips));
    HWND tip = tips.found;
    ASSERT_NE(tip, nullptr);
    ASSERT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    wchar_t text[1024] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.hwnd = window.handle();
    tool.uId = 1;
    tool.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 1024, LPARAM(&tool));
    std::string tipText = wideToGbk(text);
    EXPECT_NE(tipText.find(failedCaption + "：连接失败"), std::string::npos) << tipText;
    EXPECT_NE(tipText.find("x.example"), std::string::npos) << tipText;
    EXPECT_EQ(tipText.find(ServiceTable[2].caption), std::string::npos) << tipText;
    // The tool covers the count label.
    RECT labelRect{};
    GetWindowRect(GetDlgItem(window.handle(), ID_透明标签2), &labelRect);
    MapWindowPoints(nullptr, window.handle(), reinterpret_cast<POINT*>(&labelRect), 2);
    RECT toolRect{};
    SendMessageW(tip, TTM_GETTOOLINFOW, 0, LPARAM(&tool));
    toolRect = tool.rect;
    EXPECT_TRUE(EqualRect(&toolRect, &labelRect));

    auto captionColour = [&](int id) {
        HDC dc = CreateCompatibleDC(nullptr);
        SendMessageW(window.handle(), WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(GetDlgItem(window.handle(), id)));
        COLORREF colour = GetTextColor(dc);
        DeleteDC(dc);
        return colour;
    };
    const COLORREF normal = captionColour(ID_FIRST_SERVICE_BOX);
    EXPECT_EQ(normal, RGB(0, 0, 0));
    EXPECT_NE(captionColour(ID_FIRST_SERVICE_BOX + 1), normal);
    EXPECT_NE(captionColour(ID_选择框1), normal);
    EXPECT_EQ(captionColour(ID_FIRST_SERVICE_BOX + 2), normal);

    options.latencyMs = 0;
    sim.setOptions(options);
    search("k", {1});
    EXPECT_TRUE(window.failedServices().empty());
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 0);
    EXPECT_EQ(captionColour(ID_FIRST_SERVICE_BOX + 1), normal);
    ASSERT_TRUE(waitFor([&] { return label() == "资源数：3" && window.waitForWorkers(0); }, 10000));
    EXPECT_TRUE(window.failedServices().empty());
}

// A service whose later page is answered with an error fails; the one whose pages all arrive
// does not. Only the failed one is named, once both have ended, and its rows stay.
TEST_F(MainWindowTest, AServiceWhosePageFailsIsNamedWithItsRowsKept) {
    EngineSimOptions options;
    options.hitsPerSite = {{ServiceTable[0].host, 120}, {ServiceTable[1].host, 10}};
    options.errorStatus = 503;
    options.errorAfterPages = 1;  // a second page is refused
    sim.setOptions(options);
    search("k", {1, 2});
    ASSERT_TRUE(waitFor([&] { return window.waitForWorkers(0) && !window.failedServices().empty(); }, 20000));
    ASSERT_EQ(window.failedServices().size(), 1u);
    EXPECT_EQ(window.failedServices()[0].service, ServiceTable[0].caption);
    EXPECT_FALSE(window.failedServices()[0].failure.empty());
    EXPECT_EQ(window.results().size(), 60u);  // the first page of each
    EXPECT_EQ(label(), "资源数：60");
}

// A message-only window that drains its queue on DRAIN, counting the drains.
class QueueWindow {
public:
    static constexpr UINT DRAIN = WM_APP + 5;
    QueueWindow()
        : window_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)),
          calls_(window_, DRAIN) {
        current_ = this;
        original_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window_, GWLP_WNDPROC, LONG_PTR(&proc)));
    }
    ~QueueWindow() {
        DestroyWindow(window_);
        current_ = nullptr;
    }
    bool ok() const { return window_ != nullptr; }
    WindowCallQueue& calls() { return calls_; }
    int drains() const { return drains_; }

private:
    static LRESULT CALLBACK proc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == DRAIN && current_) {
            ++current_->drains_;
            current_->calls_.drain();
            return 0;
        }
        return CallWindowProcW(original_, w, message, wParam, lParam);
    }
    static inline QueueWindow* current_ = nullptr;
    static inline WNDPROC original_ = nullptr;
    HWND window_;
    WindowCallQueue calls_;
    int drains_ = 0;
};

// Workers reach the window through this queue: what they queue runs in order on the window
// thread, a call returns once its work has run, and cancelling (the window going away)
// releases a waiting caller at once and runs nothing more.
TEST(WindowCallQueueTest, CallsAndPostsRunInOrderAndCancellingReleasesTheWaiting) {
    QueueWindow queueWindow;
    ASSERT_TRUE(queueWindow.ok());
    WindowCallQueue& calls = queueWindow.calls();

    std::vector<int> ran;  // touched on this thread only
    std::atomic<bool> callReturned{false}, callRan{false};
    std::thread worker([&] {
        EXPECT_TRUE(calls.post([&] { ran.push_back(1); }));
        callRan = calls.call([&] { ran.push_back(2); });
        callReturned = true;
        EXPECT_TRUE(calls.post([&] { ran.push_back(3); }));
    });
    ASSERT_TRUE(waitFor([&] { return callReturned && ran.size() == 3; }, 5000));
    worker.join();
    EXPECT_TRUE(callRan);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));

    // Nobody drains now: the caller waits until the queue is cancelled, then returns false.
    std::atomic<int> result{-1};
    std::thread waiting([&] { result = calls.call([&] { ran.push_back(4); }) ? 1 : 0; });
    Sleep(200);
    EXPECT_EQ(result, -1);
    calls.cancel();
    waiting.join();
    EXPECT_EQ(result, 0);
    waitFor([] { return false; }, 200);  // the queued call's notification arrives, and runs nothing
    EXPECT_EQ(ran.size(), 3u);
    EXPECT_FALSE(calls.post([&] { ran.push_back(5); }));
}

// A long batch is run a slice at a time: the window answers between slices, and nothing is
// lost or run out of order.
TEST(WindowCallQueueTest, ALongBatchLetsTheWindowAnswerBetweenSlices) {
    QueueWindow queueWindow;
    ASSERT_TRUE(queueWindow.ok());
    WindowCallQueue& calls = queueWindow.calls();

    // Twenty posts of 3 ms each are queued before the window thread looks: 60 ms of work.
    std::vector<int> ran;
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i) {
            EXPECT_TRUE(calls.post([&ran, i] {
                Sleep(3);
                ran.push_back(i);
            }));
        }
    });
    worker.join();
    ASSERT_TRUE(waitFor([&] { return ran.size() == 20; }, 5000));
    std::vector<int> inOrder(20);
    for (int i = 0; i < 20; ++i) inOrder[size_t(i)] = i;
    EXPECT_EQ(ran, inOrder);
    // One notification was posted by the worker; the others by the slices themselves.
    EXPECT_GE(queueWindow.drains(), 3) << "60 ms of calls ran in " << queueWindow.drains() << " slices of at most 10 ms";

    // Before the search's end is shown everything queued runs at once, without the message loop.
    ran.clear();
    std::thread again([&] {
        for (int i = 0; i < 20; ++i) EXPECT_TRUE(calls.post([&ran, i] {
            Sleep(3);
            ran.push_back(i);
        }));
    });
    again.join();
    calls.drainAll();
    EXPECT_EQ(ran, inOrder);
}

}  // namespace
