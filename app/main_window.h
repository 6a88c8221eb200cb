// The main window: keyword box, service boxes, result lists, count label and context menu.
#pragma once
#include <windows.h>

#include <array>
#include <atomic>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "app/app_settings.h"
#include "app/result_list.h"
#include "app/search_command.h"
#include "skin/tip_window.h"
#include "win/owners.h"
#include "search/services.h"
#include "search/worker_pool.h"

class LinkChecker;
struct CheckMailbox;

class MainWindow {
public:
    static constexpr int OUTER_WIDTH = 629;
    static constexpr int OUTER_HEIGHT = 454;
    static constexpr COLORREF BACKGROUND = 0xFF8800;
    // Posted by the worker pool when its last worker has ended.
    static constexpr UINT WM_SEARCH_ENDED = WM_APP + 2;

    MainWindow();
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates and shows the window with the run's settings (quorrel.ini with the command line
    // laid over it); false when it could not be created. The service list and the engine
    // profile the settings name must already be active.
    bool create(HINSTANCE instance, int showCommand, const AppSettings& settings = {});
    HWND handle() const { return window_; }

    // Where link checks send their requests: "HOST:PORT" (--netdisk-via), "" for the netdisks
    // themselves. Taken by the next checker, i.e. the next search.
    void setNetdiskVia(std::string via) { netdiskVia_ = std::move(via); }

    // After the message loop: waits a little for the stopped workers and link checks; true
    // when all ended.
    bool waitForWorkers(DWORD ms);

    // 检查链接: the rows of the list (row indices) are checked, off the window thread.
    void checkRows(const std::vector<size_t>& rows);
    // 隐藏失效链接.
    void setHideDeadLinks(bool hide);
    // Link checks submitted in this search whose answer the window has not taken yet.
    size_t checksPending() const;

    // Search command, on the window thread.
    void startSearch();
    // Called on the window thread for each page a worker delivers.
    void addHits(const std::vector<Hit>& hits);
    void showCount();

    // What the workers reach; the benchmarks deliver through it as a worker does.
    SearchSink& searchSink() { return *sink_; }
    const ResultList& results() const { return results_; }
    // The settings of this run as the window last took them (quorrel.ini, the command line, the
    // settings window).
    const AppSettings& settings() const { return settings_; }
    // The services that did not search completely, once the search has ended; empty otherwise.
    const std::vector<ServiceOutcome>& failedServices() const { return shownFailures_; }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK keywordBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    void onCreate();
    void onDestroy();
    void onCommand(int id, int code, HWND control);
    bool onSystemCommand(WPARAM code);
    LRESULT onNotify(const NMHDR& header);
    LRESULT onControlColour(HDC dc, HWND control);
    void onDrawItem(const DRAWITEMSTRUCT& item);

    void createControls();
    void createMenus();
    void createContextMenu(bool today);
    // The service boxes, the list's columns and folding as the settings say.
    void showServiceList();
    void onSelectAllClicked();
    void onOtherClicked();
    void openSettings();
    // Makes the saved choices the search's own: at once when no search runs, else when it ends.
    void applySearchChoices();
    void onFilterChanged();
    void showContextMenu();
    void onServiceEnded(const ServiceOutcome& outcome);
    void onSearchEnded();
    void stopListSync();  // the rows still waiting for the list's scroll bars need no catch-up
    void showFailures();
    bool serviceBoxFailed(HWND box) const;

    // Result actions.
    void openSelected();
    void copySelected(bool address);
    void copyShareText();
    void openWithCode();
    void exportAll();
    void checkLinksCommand();
    // Window thread, on WM_CHECK_RESULTS: the answers the checker's threads left.
    void takeCheckResults();
    // Cancels the search's checker and lets it end on a thread of its own.
    void retireChecker();

    HWND control(int id) const { return GetDlgItem(window_, id); }
    bool isTicked(int id) const { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }

    HWND window_ = nullptr;
    HINSTANCE instance_ = nullptr;
    WNDPROC keywordBoxOldProc_ = nullptr;
    std::array<HWND, SERVICE_COUNT> serviceBoxes_{};  // in the shown list's order; the unused ones hidden
    AppSettings settings_;
    const ServiceList* boxList_ = nullptr;  // the list the boxes show
    bool choicesPending_ = false;           // settings saved that the search has not taken yet
    GdiObject<HBRUSH> backgroundBrush_;
    GdiObject<HFONT> font_;
    UniqueMenu contextMenu_;  // the popup 菜单
    std::shared_ptr<MainSearchSink> sink_;
    std::unique_ptr<WorkerPool> workers_;
    ResultList results_;   // 超级列表框1
    ResultList filtered_;  // 超级列表框2, which nothing fills
    int hitCounter_ = 0;
    bool listSyncPending_ = false;  // LIST_SYNC_TIMER runs: rows wait for the list's scroll bars
    bool searchEndPending_ = false;  // a search was started whose end the window has not shown
    std::string extraSites_;  // the content of url.txt
    // Services whose search did not arrive whole: gathered while the search runs, shown (the
    // count label's tooltip, the boxes' captions) once it has ended; a new search clears them.
    std::vector<ServiceOutcome> failures_;
    std::vector<ServiceOutcome> shownFailures_;
    TipWindow countTip_;
    bool countTipShown_ = false;
    // Link checks: one checker per search, so a new search drops what the old one left; its
    // answers come back through the mailbox, tagged with the checker's generation.
    std::string netdiskVia_;
    std::unique_ptr<LinkChecker> checker_;
    unsigned checkGeneration_ = 0;
    size_t checksOut_ = 0;  // submitted by the current checker, answer not yet taken
    std::shared_ptr<CheckMailbox> mailbox_;
    std::vector<std::thread> retiring_;  // cancelled checkers being joined
    std::shared_ptr<std::atomic<int>> retiringLeft_;
};
