#include "app/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <chrono>
#include <mutex>

#include "app/app_files.h"
#include "app/control_ids.h"
#include "app/dialog_keys.h"
#include "app/export_format.h"
#include "app/extra_sites.h"
#include "app/result_actions.h"
#include "app/settings_window.h"
#include "app/ui_text.h"
#include "links/link_checker.h"
#include "links/web_transport.h"
#include "text/encoding.h"
#include "regex/warm_up.h"
#include "res/resource_ids.h"
#include "search/mentions.h"
#include "search/profile.h"
#include "search/query.h"
#include "search/site_host.h"
#include "skin/skin.h"

namespace {
constexpr UINT WM_WINDOW_CALLS = WM_APP + 1;  // a worker queued list changes
constexpr UINT WM_CHECK_RESULTS = WM_APP + 3;  // link checks left answers in the mailbox
constexpr COLORREF RED_TEXT = 0x0000FF;
// The caption of a service box whose search did not arrive whole: dark red on the blue.
constexpr COLORREF FAILED_SERVICE_TEXT = RGB(150, 0, 0);
constexpr int COUNT_TIP_TOOL = 1;
// Rows below the visible part reach the list's scroll bars at most this often.
constexpr UINT_PTR LIST_SYNC_TIMER = 1;
constexpr UINT LIST_SYNC_MS = 400;

struct ControlPlace {
    int left, top, width, height;
};

// Places of the 22 service boxes, in ServiceTable order (not screen order).
constexpr std::array<ControlPlace, SERVICE_COUNT> SERVICE_BOX_PLACES = {{
    {9, 48, 100, 16},    {125, 49, 100, 16},  {221, 49, 100, 16},  {325, 49, 100, 16},  {428, 49, 100, 16},
    {524, 49, 100, 16},  {9, 82, 100, 16},    {125, 83, 100, 16},  {221, 83, 100, 16},  {325, 83, 100, 16},
    {428, 83, 100, 16},  {524, 116, 100, 16}, {524, 82, 100, 16},  {325, 153, 100, 16}, {9, 152, 100, 16},
    {221, 153, 100, 16}, {125, 153, 100, 16}, {125, 117, 100, 16}, {9, 116, 111, 16},   {221, 117, 100, 16},
    {325, 117, 100, 16}, {428, 117, 100, 16},
}};
// Today's list, in its order: two rows in screen order where the classic boxes stand, each box
// clear of the next.
constexpr std::array<ControlPlace, 11> TODAY_BOX_PLACES = {{
    {9, 49, 92, 16},   {125, 49, 92, 16}, {221, 49, 92, 16}, {325, 49, 92, 16}, {428, 49, 92, 16}, {524, 49, 92, 16},
    {9, 83, 92, 16},   {125, 83, 92, 16}, {221, 83, 92, 16}, {325, 83, 92, 16}, {428, 83, 92, 16},
}};

HWND createChild(HWND parent, const wchar_t* className, const std::string& text, DWORD style, DWORD exStyle,
                 const ControlPlace& place, int id) {
    return CreateWindowExW(exStyle, className, gbkToWide(text).c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
                           place.left, place.top, place.width, place.height, parent,
                           reinterpret_cast<HMENU>(INT_PTR(id)), nullptr, nullptr);
}

HFONT createGuiFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        return CreateFontIndirectW(&metrics.lfMessageFont);
    }
    return nullptr;
}
}  // namespace

// Where the checker's threads leave their answers for the window thread. They never wait for
// the window: an answer is queued and, when the queue was empty, one message posted.
struct CheckMailbox {
    struct Answer {
        unsigned generation;
        size_t row;
        std::string code;  // the code the check used
        LinkState state;
    };
    std::mutex mutex;
    HWND window = nullptr;
    bool closed = false;
    std::vector<Answer> answers;

    void put(Answer answer) {
        std::lock_guard lock(mutex);
        if (closed) return;
        answers.push_back(std::move(answer));
        if (answers.size() == 1) PostMessageW(window, WM_CHECK_RESULTS, 0, 0);
    }
    std::vector<Answer> take() {
        std::lock_guard lock(mutex);
        std::vector<Answer> out;
        out.swap(answers);
        return out;
    }
    void close() {
        std::lock_guard lock(mutex);
        closed = true;
        answers.clear();
    }
};

MainWindow::MainWindow() : retiringLeft_(std::make_shared<std::atomic<int>>(0)) {}

MainWindow::~MainWindow() {
    if (checker_) retireChecker();
    // A checker still not ended (a request stuck in the network stack) is left to the process's
    // end rather than holding it up.
    bool ended = *retiringLeft_ == 0;
    for (std::thread& thread : retiring_) {
        if (ended) thread.join();
        else thread.detach();
    }
}

bool MainWindow::waitForWorkers(DWORD ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    if (workers_ && !workers_->waitAll(ms)) return false;
    if (checker_) retireChecker();
    while (*retiringLeft_ > 0) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Sleep(10);
    }
    return true;
}

bool MainWindow::create(HINSTANCE instance, int showCommand, const AppSettings& settings) {
    instance_ = instance;
    settings_ = settings;
    backgroundBrush_.reset(CreateSolidBrush(BACKGROUND));

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUORREL));
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORREL), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = backgroundBrush_.get();
    windowClass.lpszClassName = MAIN_WINDOW_CLASS;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    // Fixed size: the controls are laid out for exactly this window.
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    HWND window =
        CreateWindowExW(0, MAIN_WINDOW_CLASS, gbkToWide("Quorrel-V1.0  (Vantry)").c_str(), style, CW_USEDEFAULT,
                        CW_USEDEFAULT, OUTER_WIDTH, OUTER_HEIGHT, nullptr, nullptr, instance, this);
    if (!window) return false;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    // While the user types the keywords: the first search's pages need not wait for it.
    warmUpRegexComponent();
    return true;
}

LRESULT CALLBACK MainWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindow* self;
    if (message == WM_NCCREATE) {
        self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(self));
    } else {
        self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT handled = 0;
    if (handleDialogKeys(window_, message, wParam, lParam, ID_编辑框1, &handled)) return handled;
    switch (message) {
        case WM_CREATE:
            onCreate();
            return 0;
        case WM_DESTROY:
            onDestroy();
            return 0;
        case WM_COMMAND:
            onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_SYSCOMMAND:
            if (onSystemCommand(wParam)) return 0;
            break;
        case WM_NOTIFY:
            return onNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return onControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_DRAWITEM:
            onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_WINDOW_CALLS:
            if (sink_) sink_->drainCalls();
            return 0;
        case WM_SEARCH_ENDED:
            onSearchEnded();
            return 0;
        case WM_CHECK_RESULTS:
            takeCheckResults();
            return 0;
        case WM_TIMER:
            if (wParam == LIST_SYNC_TIMER) {
                stopListSync();
                results_.sync();
                showCount();
            }
            return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::onCreate() {
    sink_ = std::make_shared<MainSearchSink>(
        window_, WM_WINDOW_CALLS,
        MainSearchSink::ListOperations{[this](const std::vector<Hit>& hits) { addHits(hits); },
                                       [this] { showCount(); },
                                       [this](const ServiceOutcome& outcome) { onServiceEnded(outcome); }});
    // Posted, never waited for: the window learns that the search is over on its own time.
    HWND window = window_;
    workers_ = std::make_unique<WorkerPool>(WorkerPool::MAX_RUNNING,
                                            [window] { PostMessageW(window, WM_SEARCH_ENDED, 0, 0); });
    mailbox_ = std::make_shared<CheckMailbox>();
    mailbox_->window = window_;
    extraSites_ = loadExtraSites();
    createControls();
}

void MainWindow::createControls() {
    font_.reset(createGuiFont());
    HWND w = window_;
    createChild(w, L"STATIC", "请输入关键词：", SS_LEFT | SS_CENTERIMAGE, 0, {10, 8, 80, 24}, ID_透明标签1);
    HWND keywordBox =
        createChild(w, L"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, {99, 8, 397, 24}, ID_编辑框1);
    keywordBoxOldProc_ =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(keywordBox, GWLP_WNDPROC, LONG_PTR(keywordBoxProc)));
    createChild(w, L"BUTTON", "给我搜", BS_OWNERDRAW | WS_TABSTOP, 0, {509, 5, 80, 28}, ID_按钮1);
    for (int i = 0; i < SERVICE_COUNT; ++i) {
        serviceBoxes_[size_t(i)] = createChild(w, L"BUTTON", ServiceTable[size_t(i)].caption, BS_AUTOCHECKBOX, 0,
                                               SERVICE_BOX_PLACES[size_t(i)], ID_FIRST_SERVICE_BOX + i);
    }
    boxList_ = &classicServiceList();
    createChild(w, L"BUTTON", "其他", BS_AUTOCHECKBOX, 0, {429, 148, 100, 24}, ID_选择框1);
    createChild(w, L"BUTTON", "全部", BS_AUTOCHECKBOX, 0, {524, 151, 100, 19}, ID_选择框_全部);
    // The count label is wider than the window and overlaps 标签2; its text is centred so the
    // count stands clear of the hint, and 标签2 stays above it.
    createChild(w, L"STATIC", "", SS_CENTER | SS_CENTERIMAGE, 0, {0, 180, 696, 24}, ID_透明标签2);
    HWND hint = createChild(w, L"STATIC", "点击搜索之后,请耐心稍等几秒钟！", SS_LEFT, 0, {12, 177, 216, 32}, ID_标签2);
    SetWindowPos(hint, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // Virtual lists: the rows live in results_ and filtered_, the lists ask for what they show.
    DWORD listStyle = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA | WS_TABSTOP;
    results_.attach(createChild(w, WC_LISTVIEWW, "", listStyle, WS_EX_CLIENTEDGE, {8, 212, 608, 180}, ID_超级列表框1));
    results_.setColumns(ListColumns::Classic);
    filtered_.attach(createChild(w, WC_LISTVIEWW, "", listStyle, WS_EX_CLIENTEDGE, {8, 212, 608, 180}, ID_超级列表框2));
    filtered_.setColumns(ListColumns::Classic);
    ShowWindow(filtered_.handle(), SW_HIDE);
    createChild(w, L"STATIC", "为了保证的准确性,搜索时尽可能多输入关键词,最好带中文（交流群：47209935）", SS_LEFT, 0,
                {16, 392, 600, 32}, ID_标签1);
    createChild(w, L"EDIT", "", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, {720, 160, 80, 20}, ID_编辑框2);

    for (HWND child = GetWindow(w, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        SendMessageW(child, WM_SETFONT, WPARAM(font_ ? font_.get() : GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    }

    createMenus();
    showServiceList();
    countTip_.Create(w, false);
    SetFocus(keywordBox);
}

void MainWindow::createMenus() {
    // The title bar's menu, where small tools keep their settings: there with either list.
    if (HMENU system = GetSystemMenu(window_, FALSE)) {
        AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(system, MF_STRING, ID_SYSTEM_设置, gbkToWide("设置…").c_str());
    }
}

void MainWindow::createContextMenu(bool today) {
    contextMenu_.reset(CreatePopupMenu());
    // The four of old; with today's list the share link's own items follow (link checks add
    // theirs after them), then the settings. The classic list keeps its four alone.
    const std::pair<int, const char*> items[] = {{ID_打开资源地址, "打开资源地址"},
                                                 {ID_复制地址, "复制地址"},
                                                 {ID_复制标题, "复制标题"},
                                                 {ID_全部导出, "全部导出"},
                                                 {0, nullptr},
                                                 {ID_复制链接和提取码, "复制链接和提取码"},
                                                 {ID_打开链接带提取码, "打开链接（带提取码）"},
                                                 {ID_检查链接, "检查链接"},
                                                 {ID_隐藏失效链接, "隐藏失效链接"},
                                                 {0, nullptr},
                                                 {ID_菜单_设置, "设置…"}};
    for (const auto& [id, text] : items) {
        if (!today && (!text || id > ID_全部导出)) break;
        if (text) {
            AppendMenuW(contextMenu_.get(), MF_STRING, UINT_PTR(id), gbkToWide(text).c_str());
        } else {
            AppendMenuW(contextMenu_.get(), MF_SEPARATOR, 0, nullptr);
        }
    }
}

void MainWindow::showServiceList() {
    const ServiceList* list = settings_.today() ? &todayServiceList() : &classicServiceList();
    if (list != boxList_) {
        boxList_ = list;
        for (size_t i = 0; i < serviceBoxes_.size(); ++i) {
            HWND box = serviceBoxes_[i];
            // A tick meant another service in the other list.
            SendMessageW(box, BM_SETCHECK, BST_UNCHECKED, 0);
            bool shown = int(i) < list->count();
            if (shown) {
                const ControlPlace& place = list->classic() ? SERVICE_BOX_PLACES[i] : TODAY_BOX_PLACES[i];
                setWindowTextGbk(box, list->services[i].caption);
                MoveWindow(box, place.left, place.top, place.width, place.height, FALSE);
            }
            ShowWindow(box, shown ? SW_SHOW : SW_HIDE);
        }
        SendMessageW(control(ID_选择框_全部), BM_SETCHECK, BST_UNCHECKED, 0);
        InvalidateRect(window_, nullptr, TRUE);
    }
    ListColumns columns = settings_.today() ? ListColumns::Today : ListColumns::Classic;
    if (results_.columns() != columns || !contextMenu_) {
        results_.setColumns(columns);
        filtered_.setColumns(columns);
        createContextMenu(settings_.today());
        // The classic list has no 状态 column: nothing of it is hidden.
        if (!settings_.today()) results_.setHideDead(false);
        CheckMenuItem(contextMenu_.get(), ID_隐藏失效链接, MF_BYCOMMAND | (results_.hidesDead() ? MF_CHECKED : 0));
    }
    results_.setFolding(settings_.unique);
    filtered_.setFolding(settings_.unique);
    arrangeTabOrder(window_);
}

void MainWindow::onDestroy() {
    // Release every worker waiting on this thread before anything else, then abort their
    // requests; none is waited for here, so a worker can never hold the window thread.
    if (sink_) sink_->cancelDeliveries();
    if (workers_) workers_->stopAll();
    if (mailbox_) mailbox_->close();
    if (checker_) retireChecker();
    sink_.reset();
    if (keywordBoxOldProc_) {
        SetWindowLongPtrW(control(ID_编辑框1), GWLP_WNDPROC, LONG_PTR(keywordBoxOldProc_));
        keywordBoxOldProc_ = nullptr;
    }
    PostQuitMessage(0);
}

LRESULT CALLBACK MainWindow::keywordBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(GetParent(box), GWLP_USERDATA));
    if (!self || !self->keywordBoxOldProc_) return DefWindowProcW(box, message, wParam, lParam);
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        self->startSearch();
        return 0;
    }
    // Enter stays with the box: the dialog keys would otherwise turn it into IDOK.
    auto* key = reinterpret_cast<const MSG*>(lParam);
    if (message == WM_GETDLGCODE && key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
        return CallWindowProcW(self->keywordBoxOldProc_, box, message, wParam, lParam) | DLGC_WANTMESSAGE;
    // The matching character would only make the single-line box beep.
    if (message == WM_CHAR && wParam == '\r') return 0;
    return CallWindowProcW(self->keywordBoxOldProc_, box, message, wParam, lParam);
}

void MainWindow::onCommand(int id, int code, HWND /*control*/) {
    switch (id) {
        case ID_按钮1:
            if (code == BN_CLICKED) startSearch();
            return;
        case ID_编辑框1:
            if (code == EN_CHANGE && sink_) sink_->setKeyword(windowTextGbk(control(ID_编辑框1)));
            return;
        case ID_选择框_全部:
            if (code == BN_CLICKED) onSelectAllClicked();
            return;
        case ID_选择框1:
            if (code == BN_CLICKED) onOtherClicked();
            return;
        case ID_编辑框2:
            if (code == EN_CHANGE) onFilterChanged();
            return;
        case ID_打开资源地址:
            openSelected();
            return;
        case ID_复制地址:
            copySelected(true);
            return;
        case ID_复制标题:
            copySelected(false);
            return;
        case ID_全部导出:
            exportAll();
            return;
        case ID_复制链接和提取码:
            copyShareText();
            return;
        case ID_打开链接带提取码:
            openWithCode();
            return;
        case ID_检查链接:
            checkLinksCommand();
            return;
        case ID_隐藏失效链接:
            setHideDeadLinks(!results_.hidesDead());
            return;
        case ID_菜单_设置:
            openSettings();
            return;
    }
}

bool MainWindow::onSystemCommand(WPARAM code) {
    if ((code & 0xFFF0) != ID_SYSTEM_设置) return false;
    openSettings();
    return true;
}

LRESULT MainWindow::onNotify(const NMHDR& header) {
    int id = int(header.idFrom);
    if (id != ID_超级列表框1 && id != ID_超级列表框2) return 0;
    const ResultList& list = id == ID_超级列表框1 ? results_ : filtered_;
    if (header.code == LVN_GETDISPINFOW) {
        list.fillCell(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
        return 0;
    }
    if (header.code == LVN_ODFINDITEMW) return list.findRow(reinterpret_cast<const NMLVFINDITEMW&>(header));
    if (header.code == NM_RCLICK) {
        showContextMenu();
        return 1;
    }
    if (header.code == NM_DBLCLK && id == ID_超级列表框1) openSelected();
    return 0;
}

LRESULT MainWindow::onControlColour(HDC dc, HWND child) {
    int id = GetDlgCtrlID(child);
    SetBkColor(dc, BACKGROUND);
    SetBkMode(dc, TRANSPARENT);
    COLORREF text = RGB(0, 0, 0);
    if (id == ID_标签1) text = RED_TEXT;
    if (serviceBoxFailed(child)) text = FAILED_SERVICE_TEXT;
    SetTextColor(dc, text);
    return LRESULT(backgroundBrush_.get());
}

void MainWindow::onDrawItem(const DRAWITEMSTRUCT& item) {
    if (int(item.CtlID) != ID_按钮1) return;
    // The button's picture is a flat field of the window's blue with the caption over it.
    RECT face = item.rcItem;
    FillRect(item.hDC, &face, backgroundBrush_.get());
    bool pressed = (item.itemState & ODS_SELECTED) != 0;
    DrawEdge(item.hDC, &face, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    if (pressed) OffsetRect(&face, 1, 1);
    std::wstring caption = gbkToWide("给我搜");
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, RGB(0, 0, 0));
    HGDIOBJ oldFont = SelectObject(item.hDC, font_ ? font_.get() : GetStockObject(DEFAULT_GUI_FONT));
    DrawTextW(item.hDC, caption.c_str(), int(caption.size()), &face, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(item.hDC, oldFont);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -4, -4);
        DrawFocusRect(item.hDC, &focus);
    }
}

void MainWindow::startSearch() {
    // The old search's checks are of rows about to go.
    if (checker_) retireChecker();
    results_.clear();
    // What the list showed is gone. A catch-up of its scroll range, or the end of a search that
    // is over but not yet shown, has nothing left to show and must not rewrite the count label
    // (a message box below runs both): the label keeps its text until a search says otherwise.
    stopListSync();
    if (workers_->idle()) searchEndPending_ = false;
    failures_.clear();
    if (!shownFailures_.empty()) {
        shownFailures_.clear();
        showFailures();
    }
    std::string keyword = windowTextGbk(control(ID_编辑框1));
    sink_->setKeyword(keyword);
    if (keyword.empty()) {
        SkinnedMessageBox(window_, "请输入关键字！", 0, "提示");
        return;
    }
    if (choicesPending_) applySearchChoices();
    if (choicesPending_) {
        // The boxes name the new list's services; the search before still runs with the old.
        SkinnedMessageBox(window_, "上一次搜索尚未结束，新的设置将在它结束后生效，请稍后再搜索。", 0, "提示");
        return;
    }
    hitCounter_ = 0;
    std::vector<bool> ticked(size_t(boxList_->count()));
    for (size_t i = 0; i < ticked.size(); ++i) {
        ticked[i] = SendMessageW(serviceBoxes_[i], BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    // Sites in other scripts go out in their "xn--" form; what is no host name is never sent.
    const std::string sites = sitesForSearch(extraSites_, siteHostFromText);
    // Queued, not started: however many extra sites there are, this returns at once.
    searchEndPending_ = true;
    workers_->submit(searchTasks(ticked, isTicked(ID_选择框1), sites), sink_);
}

void MainWindow::addHits(const std::vector<Hit>& hits) {
    results_.append(hits, hitCounter_);
    // 搜索时检查链接: only where the 状态 column shows the answer.
    std::vector<size_t> fresh = results_.takeFreshShares();
    if (settings_.today() && settings_.checksLinks()) checkRows(fresh);
    // Set once by the first lagging page: setting it again would only push it back.
    if (results_.lagging() && !listSyncPending_) {
        listSyncPending_ = SetTimer(window_, LIST_SYNC_TIMER, LIST_SYNC_MS, nullptr) != 0;
        if (!listSyncPending_) results_.sync();
    }
    showCount();
}

void MainWindow::stopListSync() {
    KillTimer(window_, LIST_SYNC_TIMER);
    listSyncPending_ = false;
}

void MainWindow::showCount() {
    // The rows the list has, so the label never runs ahead of the list.
    setWindowTextGbk(control(ID_透明标签2), countText(int(results_.shown())));
}

void MainWindow::onServiceEnded(const ServiceOutcome& outcome) {
    // Pages behind results that failed (mentions mode) are reported too, the service not marked.
    if (outcome.failed() || !outcome.notes.empty()) failures_.push_back(outcome);
}

void MainWindow::onSearchEnded() {
    // A search started since the pool went idle is still running: its end will come.
    if (!searchEndPending_ || !workers_ || !workers_->idle()) return;
    // What the last workers posted (their services' ends) may still wait behind a slice.
    if (sink_) sink_->drainAllCalls();
    searchEndPending_ = false;
    if (choicesPending_) applySearchChoices();
    stopListSync();
    results_.sync();
    showCount();
    shownFailures_ = failures_;
    showFailures();
    // The engine's verification wall is said once for the search, so that an empty list is not
    // taken for "nothing found".
    std::string walled;
    for (const ServiceOutcome& outcome : shownFailures_) {
        if (outcome.verificationWall) walled += (walled.empty() ? "" : "、") + outcome.service;
    }
    if (!walled.empty()) SkinnedMessageBox(window_, "搜索引擎要求安全验证，以下服务没有取得结果：" + walled, 0, "提示");
}

void MainWindow::showFailures() {
    // The count label keeps its text; the failed services are named in its tooltip.
    RECT label{};
    GetWindowRect(control(ID_透明标签2), &label);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&label), 2);
    if (shownFailures_.empty()) {
        if (countTipShown_) countTip_.RemoveTool(COUNT_TIP_TOOL);
        countTipShown_ = false;
    } else {
        bool anyFailed = false;
        for (const ServiceOutcome& outcome : shownFailures_) anyFailed = anyFailed || outcome.failed();
        std::string text = anyFailed ? "以下网盘未能完整搜索：" : "以下页面未能完整读取：";
        for (const ServiceOutcome& outcome : shownFailures_) {
            if (outcome.failed()) {
                text += "\r\n" + outcome.service + "：";
                text += outcome.verificationWall ? std::string("搜索引擎要求人机验证") : outcome.failure;
            }
            for (const std::string& note : outcome.notes) text += "\r\n" + outcome.service + "：页面 " + note;
        }
        if (countTipShown_) {
            countTip_.SetToolText(COUNT_TIP_TOOL, text);
        } else {
            countTipShown_ = countTip_.AddTool(label, true, text, COUNT_TIP_TOOL);
        }
    }
    for (HWND box : serviceBoxes_) InvalidateRect(box, nullptr, TRUE);
    InvalidateRect(control(ID_选择框1), nullptr, TRUE);
}

bool MainWindow::serviceBoxFailed(HWND box) const {
    if (shownFailures_.empty()) return false;
    int id = GetDlgCtrlID(box);
    for (const ServiceOutcome& outcome : shownFailures_) {
        if (!outcome.failed()) continue;
        bool isService = false;
        for (int n = 1; n <= boxList_->count(); ++n) {
            if (outcome.service != boxList_->services[size_t(n - 1)].caption) continue;
            isService = true;
            if (id == ID_FIRST_SERVICE_BOX + n - 1) return true;
        }
        // An extra site has no box of its own: "其他" stands for them.
        if (!isService && id == ID_选择框1) return true;
    }
    return false;
}

void MainWindow::onSelectAllClicked() {
    WPARAM state = isTicked(ID_选择框_全部) ? BST_CHECKED : BST_UNCHECKED;
    // The shown boxes only: a hidden one would search a service of no list.
    for (int i = 0; i < boxList_->count(); ++i) SendMessageW(serviceBoxes_[size_t(i)], BM_SETCHECK, state, 0);
    SendMessageW(control(ID_选择框1), BM_SETCHECK, state, 0);
}

void MainWindow::onOtherClicked() {
    if (!isTicked(ID_选择框1)) return;
    runSettingsWindow(instance_, window_, extraSites_);
}

void MainWindow::openSettings() {
    if (!IsWindowEnabled(window_)) return;  // a modal window of ours is open already
    AppSettings chosen = settings_;
    if (!runSettingsWindow(instance_, window_, extraSites_, &chosen)) return;
    if (chosen == settings_) return;
    bool searchChoices = chosen.netdisks != settings_.netdisks || chosen.profile != settings_.profile ||
                         chosen.profileFile != settings_.profileFile || chosen.mode != settings_.mode;
    settings_ = chosen;
    showServiceList();
    if (searchChoices) {
        choicesPending_ = true;
        applySearchChoices();
    }
}

void MainWindow::applySearchChoices() {
    // Workers read the active list and profile while they run: they change between searches.
    if (!workers_ || !workers_->idle()) return;
    choicesPending_ = false;
    setActiveServices(settings_.today() ? todayServiceList() : classicServiceList());
    setSearchMode(settings_.mode == MODE_MENTIONS ? SearchMode::Mentions : SearchMode::Site);
    std::vector<std::string> args = profileArguments(settings_);
    if (args.empty()) args.push_back("--profile=classic");
    std::string error = applyProfileOptions(args);
    if (!error.empty()) SkinnedMessageBox(window_, "所选的搜索方式无法使用（" + error + "），已使用默认方式。", 0, "提示");
}

void MainWindow::onFilterChanged() {
    if (GetWindowTextLengthW(control(ID_编辑框2)) != 0) return;
    ShowWindow(filtered_.handle(), SW_HIDE);
    ShowWindow(results_.handle(), SW_SHOW);
    results_.sync();
    showCount();
}

void MainWindow::showContextMenu() {
    // The share link's items are for a selected share link.
    const ResultList::Row* row = results_.selectedRow();
    UINT share = MF_BYCOMMAND | (row && row->isShare() ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(contextMenu_.get(), ID_复制链接和提取码, share);
    EnableMenuItem(contextMenu_.get(), ID_打开链接带提取码, share);
    POINT at{};
    GetCursorPos(&at);
    TrackPopupMenu(contextMenu_.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
}

void MainWindow::openSelected() {
    openAddress(results_.selected().address);
}

void MainWindow::copySelected(bool address) {
    ResultRow row = results_.selected();
    bool copied = copyToClipboard(window_, address ? row.address : row.title);
    SkinnedMessageBox(window_, copied ? "复制成功！" : "复制失败！", 0, "提示");
}

void MainWindow::copyShareText() {
    const ResultList::Row* row = results_.selectedRow();
    if (!row) return;
    bool copied = copyToClipboard(window_, shareText(row->shareLink()));
    SkinnedMessageBox(window_, copied ? "复制成功！" : "复制失败！", 0, "提示");
}

void MainWindow::openWithCode() {
    const ResultList::Row* row = results_.selectedRow();
    if (row) openAddress(linkWithCode(row->shareLink()));
}

void MainWindow::exportAll() {
    exportResults(window_, windowTextGbk(control(ID_编辑框1)), results_.titlesAndAddresses(),
                  filtered_.titlesAndAddresses());
}

void MainWindow::checkRows(const std::vector<size_t>& rows) {
    if (rows.empty() || !mailbox_) return;
    if (!checker_) {
        checker_ = std::make_unique<LinkChecker>(makeWebTransport(netdiskVia_));
        ++checkGeneration_;
        checksOut_ = 0;
    }
    std::shared_ptr<CheckMailbox> mailbox = mailbox_;
    unsigned generation = checkGeneration_;
    for (size_t index : rows) {
        if (index >= results_.size() || !results_.row(index).isShare()) continue;
        ++checksOut_;
        checker_->submit(results_.row(index).shareLink(),
                         [mailbox, generation, index](const ShareLink& link, const CheckOutcome& outcome) {
                             mailbox->put({generation, index, link.code, outcome.state});
                         });
    }
}

void MainWindow::takeCheckResults() {
    for (CheckMailbox::Answer& answer : mailbox_->take()) {
        if (answer.generation != checkGeneration_ || answer.row >= results_.size()) continue;
        if (checksOut_ > 0) --checksOut_;
        // A code filled in since is being checked with it; that answer is the one to show.
        if (results_.row(answer.row).code != answer.code) continue;
        results_.setState(answer.row, answer.state);
    }
}

size_t MainWindow::checksPending() const {
    return checksOut_;
}

void MainWindow::retireChecker() {
    checker_->cancel();
    ++checkGeneration_;  // what it still calls back with is dropped
    checksOut_ = 0;
    ++*retiringLeft_;
    std::shared_ptr<std::atomic<int>> left = retiringLeft_;
    retiring_.emplace_back([checker = std::move(checker_), left]() mutable {
        checker.reset();  // joins its threads
        --*left;
    });
}

void MainWindow::checkLinksCommand() {
    const ResultList::Row* row = results_.selectedRow();
    std::vector<size_t> rows;
    if (row) {
        rows.push_back(size_t(row - &results_.row(0)));
    } else {
        for (size_t i = 0; i < results_.size(); ++i) rows.push_back(i);
    }
    checkRows(rows);
}

void MainWindow::setHideDeadLinks(bool hide) {
    results_.setHideDead(hide);
    CheckMenuItem(contextMenu_.get(), ID_隐藏失效链接, MF_BYCOMMAND | (hide ? MF_CHECKED : MF_UNCHECKED));
    // The count label keeps counting every row found: hidden rows keep their numbers.
    showCount();
}
