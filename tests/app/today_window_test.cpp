// The main window in this process with today's netdisks: the boxes it shows, the columns that fit
// the window, the share link read from each row, the duplicates folded, and what export and the
// context menu's share items take from the rows.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "app/ui_text.h"
#include "search/services.h"
#include "skin/skin.h"
#include "tests/app/window_suite.h"
#include "text/encoding.h"

namespace {

std::string textOf(HWND control) {
    wchar_t text[512] = {};
    GetWindowTextW(control, text, 512);
    return wideToGbk(text);
}

std::string columnTitle(HWND list, int column) {
    wchar_t text[64] = {};
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT;
    c.pszText = text;
    c.cchTextMax = 64;
    if (!SendMessageW(list, LVM_GETCOLUMNW, WPARAM(column), LPARAM(&c))) return "(none)";
    return wideToGbk(text);
}

Hit hit(std::string title, std::string address, std::string snippet = {}) {
    Hit h;
    h.title = std::move(title);
    h.address = std::move(address);
    h.snippet = std::move(snippet);
    return h;
}

class TodayWindow : public InProcessWindowTest {
protected:
    void open(bool today, bool unique) {
        ASSERT_TRUE(window.create(GetModuleHandleW(nullptr), SW_SHOWNOACTIVATE, listSettings(today, unique)));
        list = GetDlgItem(window.handle(), ID_超级列表框1);
    }
    void TearDown() override {
        if (window.handle()) DestroyWindow(window.handle());
        EXPECT_TRUE(window.waitForWorkers(3000));
    }
    HWND box(int n) { return GetDlgItem(window.handle(), ID_FIRST_SERVICE_BOX + n - 1); }
    std::string label() { return textOf(GetDlgItem(window.handle(), ID_透明标签2)); }
    // One page as a worker hands it over.
    void deliver(const std::vector<Hit>& hits) {
        window.addHits(hits);
        window.showCount();
    }

    MainWindow window;
    HWND list = nullptr;
};

TEST_F(TodayWindow, TodayShowsElevenBoxesAndAllTicksOnlyThose) {
    open(true, false);
    const ServiceList& today = todayServiceList();
    ASSERT_EQ(today.count(), 11);
    RECT client{};
    GetClientRect(window.handle(), &client);
    for (int n = 1; n <= SERVICE_COUNT; ++n) {
        if (n <= today.count()) {
            EXPECT_TRUE(IsWindowVisible(box(n))) << n;
            EXPECT_EQ(textOf(box(n)), today.services[size_t(n - 1)].caption) << n;
            // Above the count label and the list, where the boxes always stood.
            RECT r{};
            GetWindowRect(box(n), &r);
            MapWindowPoints(nullptr, window.handle(), reinterpret_cast<POINT*>(&r), 2);
            EXPECT_LT(r.bottom, 148) << n;
            EXPECT_LE(r.right, client.right) << n;
        } else {
            EXPECT_FALSE(IsWindowVisible(box(n))) << n;
        }
    }
    // No two shown boxes overlap.
    for (int a = 1; a <= today.count(); ++a) {
        for (int b = a + 1; b <= today.count(); ++b) {
            RECT ra{}, rb{}, both{};
            GetWindowRect(box(a), &ra);
            GetWindowRect(box(b), &rb);
            EXPECT_FALSE(IntersectRect(&both, &ra, &rb)) << a << " " << b;
        }
    }
    SendMessageW(GetDlgItem(window.handle(), ID_选择框_全部), BM_CLICK, 0, 0);
    for (int n = 1; n <= SERVICE_COUNT; ++n) {
        bool ticked = SendMessageW(box(n), BM_GETCHECK, 0, 0) == BST_CHECKED;
        EXPECT_EQ(ticked, n <= today.count()) << n;
    }
    EXPECT_EQ(SendMessageW(GetDlgItem(window.handle(), ID_选择框1), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(TodayWindow, ColumnsFitBesideTheScrollBarAndShowTheShare) {
    open(true, false);
    const char* titles[] = {"序号", "名称", "地址", "网盘", "提取码", "状态"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(columnTitle(list, i), titles[i]) << i;
    EXPECT_EQ(columnTitle(list, 6), "(none)");
    std::vector<Hit> hits;
    for (int i = 0; i < 40; ++i) {
        hits.push_back(hit("资料合集 第" + std::to_string(i) + "部 超长的标题文字一直写到列宽以外",
                        "https://pan.quark.cn/s/a1b2c3d4e5f6" + std::to_string(i), "提取码：Xy9" + std::to_string(i % 10)));
    }
    hits.push_back(hit("百度 提取码: abcd", "https://pan.baidu.com/s/1AbCdEfG?pwd=wxyz"));
    hits.push_back(hit("论坛首页", "https://bbs.example.com/t/1", "提取码：abcd"));
    deliver(hits);
    ASSERT_EQ(window.results().size(), 42u);
    // Every column is in sight with the vertical scroll bar showing: no sideways scrolling.
    RECT client{};
    GetClientRect(list, &client);
    int total = 0;
    for (int i = 0; i < 6; ++i) total += int(SendMessageW(list, LVM_GETCOLUMNWIDTH, WPARAM(i), 0));
    EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL);
    EXPECT_LE(total, client.right - client.left);
    EXPECT_FALSE(GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL);

    EXPECT_EQ(listCellText(list, 0, 3), "夸克网盘");
    EXPECT_EQ(listCellText(list, 0, 4), "Xy90");
    EXPECT_EQ(listCellText(list, 0, 5), "");  // not checked
    // The address's own code comes before the title's.
    EXPECT_EQ(listCellText(list, 40, 3), "百度网盘");
    EXPECT_EQ(listCellText(list, 40, 4), "wxyz");
    // A page that is no share has no netdisk and no code, whatever its text says.
    EXPECT_EQ(listCellText(list, 41, 3), "");
    EXPECT_EQ(listCellText(list, 41, 4), "");
    std::vector<ResultRow> exported = window.results().titlesAndAddresses();
    EXPECT_EQ(exported[40].code, "wxyz");
    EXPECT_EQ(exported[41].code, "");
}

TEST_F(TodayWindow, FoldingKeepsTheFirstRowFillsItsCodeAndNumbersWithoutGaps) {
    open(true, true);
    // Page one: a share without a code, a page that is no share, and the same share again.
    deliver({hit("电影 合集", "https://pan.quark.cn/s/abc123def", ""),
             hit("夸克网盘首页", "https://pan.quark.cn/", ""),
             hit("电影 合集（重复）", "https://pan.quark.cn/s/abc123def", "")});
    // Page two, as another service's page: the same share with a code in its snippet and in
    // another form, the same homepage, and a new share.
    deliver({hit("电影 合集 另一处", "https://pan.quark.cn/s/abc123def#/list/share", "提取码：Qk7z"),
             hit("夸克网盘首页", "https://pan.quark.cn/", ""),
             hit("电视剧", "https://pan.baidu.com/s/1XyZabcdEF?pwd=ab12", ""),
             hit("电视剧 again", "https://pan.baidu.com/share/init?surl=XyZabcdEF", "密码: zz99")});
    ASSERT_EQ(window.results().size(), 4u);
    const char* titles[] = {"电影 合集", "夸克网盘首页", "夸克网盘首页", "电视剧"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(window.results().row(i).number, int(i + 1)) << i;
        EXPECT_EQ(window.results().row(i).title, titles[i]) << i;
    }
    EXPECT_EQ(window.results().row(0).code, "Qk7z");  // filled in by the later occurrence
    EXPECT_EQ(window.results().row(0).address, "https://pan.quark.cn/s/abc123def");
    EXPECT_EQ(window.results().row(3).code, "ab12");  // kept: the first had one
    EXPECT_EQ(label(), "资源数：4");
    EXPECT_EQ(listCellText(list, 0, 4), "Qk7z");
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 4);
}

TEST_F(TodayWindow, WithoutFoldingEveryHitIsARow) {
    open(true, false);
    deliver({hit("a", "https://pan.quark.cn/s/abc123def", ""), hit("b", "https://pan.quark.cn/s/abc123def", "提取码：Qk7z")});
    ASSERT_EQ(window.results().size(), 2u);
    EXPECT_EQ(window.results().row(0).code, "");
    EXPECT_EQ(window.results().row(1).code, "Qk7z");
    EXPECT_EQ(label(), "资源数：2");
}

TEST_F(TodayWindow, ClassicKeepsItsThreeColumnsAndExportsNoCode) {
    open(false, false);
    for (int n = 1; n <= SERVICE_COUNT; ++n) {
        EXPECT_TRUE(IsWindowVisible(box(n))) << n;
        EXPECT_EQ(textOf(box(n)), ServiceTable[size_t(n - 1)].caption) << n;
    }
    EXPECT_EQ(columnTitle(list, 2), "地址");
    EXPECT_EQ(columnTitle(list, 3), "(none)");
    deliver({hit("a", "https://pan.baidu.com/s/1XyZabcdEF?pwd=ab12", "")});
    // The row knows its share; the classic export and list do not show it.
    EXPECT_EQ(window.results().row(0).code, "ab12");
    std::vector<ResultRow> exported = window.results().titlesAndAddresses();
    ASSERT_EQ(exported.size(), 1u);
    EXPECT_EQ(exportText(exported, {}), "a      https://pan.baidu.com/s/1XyZabcdEF?pwd=ab12\r\n\r\n筛选后：\r\n\r\n");
}

}  // namespace

namespace {

struct MenuItem {
    UINT id;
    std::string text;  // "" for a separator
    bool grayed;
};

std::vector<MenuItem> itemsOf(HMENU menu) {
    std::vector<MenuItem> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 128;
        GetMenuItemInfoW(menu, UINT(i), TRUE, &info);
        items.push_back({info.wID, wideToGbk(text), (info.fState & MFS_GRAYED) != 0});
    }
    return items;
}

// The context menu as it pops up over the list: read from inside its own loop, then closed.
std::vector<MenuItem> contextMenuItems(HWND window) {
    static std::vector<MenuItem> seen;
    seen.clear();
    SetTimer(nullptr, 0, 150, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        if (HWND popup = FindWindowW(L"#32768", nullptr))
            seen = itemsOf(reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0)));
        EndMenu();
    });
    NMHDR header{GetDlgItem(window, ID_超级列表框1), UINT_PTR(ID_超级列表框1), UINT(NM_RCLICK)};
    SendMessageW(window, WM_NOTIFY, WPARAM(ID_超级列表框1), LPARAM(&header));
    return seen;
}

TEST_F(TodayWindow, ClassicContextMenuKeepsItsFourAndTheTitleBarMenuHasTheSettings) {
    open(false, false);
    std::vector<MenuItem> items = contextMenuItems(window.handle());
    ASSERT_EQ(items.size(), 4u);
    const UINT ids[] = {ID_打开资源地址, ID_复制地址, ID_复制标题, ID_全部导出};
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(items[i].id, ids[i]) << i;
    std::vector<MenuItem> system = itemsOf(GetSystemMenu(window.handle(), FALSE));
    ASSERT_FALSE(system.empty());
    EXPECT_EQ(system.back().id, UINT(ID_SYSTEM_设置));
    EXPECT_EQ(system.back().text, "设置…");
    // The code Windows gives the window for it: a multiple of 16 below the system's own.
    EXPECT_EQ(ID_SYSTEM_设置 & 0xF, 0);
    EXPECT_LT(ID_SYSTEM_设置, 0xF000);
}

TEST_F(TodayWindow, TodayContextMenuAddsTheShareItemsBehindASeparatorThenTheSettings) {
    open(true, false);
    deliver({hit("分享", "https://pan.quark.cn/s/abc123def", "提取码：Qk7z"), hit("网页", "https://bbs.example.com/t/1")});
    struct Expected {
        UINT id;
        const char* text;
    };
    const Expected expected[] = {{ID_打开资源地址, "打开资源地址"},
                                 {ID_复制地址, "复制地址"},
                                 {ID_复制标题, "复制标题"},
                                 {ID_全部导出, "全部导出"},
                                 {0, ""},
                                 {ID_复制链接和提取码, "复制链接和提取码"},
                                 {ID_打开链接带提取码, "打开链接（带提取码）"},
                                 {ID_检查链接, "检查链接"},
                                 {ID_隐藏失效链接, "隐藏失效链接"},
                                 {0, ""},
                                 {ID_菜单_设置, "设置…"}};
    // No row selected, then a page that is no share: the share items are grayed; a share row
    // enables them. The specified four are never grayed.
    for (int selected : {-1, 1, 0}) {
        if (selected >= 0) {
            LVITEMW state{};
            state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(list, LVM_SETITEMSTATE, WPARAM(selected), LPARAM(&state));
        }
        std::vector<MenuItem> items = contextMenuItems(window.handle());
        ASSERT_EQ(items.size(), std::size(expected)) << selected;
        for (size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].id, expected[i].id) << i;
            EXPECT_EQ(items[i].text, expected[i].text) << i;
            bool shareItem = expected[i].id == UINT(ID_复制链接和提取码) || expected[i].id == UINT(ID_打开链接带提取码);
            // A separator is disabled by nature.
            if (expected[i].id != 0) {
                EXPECT_EQ(items[i].grayed, shareItem && selected != 0) << i << " " << selected;
            }
        }
    }
}

}  // namespace
