// The gallery window of the skin demo: every control kind the skin paints, in one skinned window.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "skin/skin.h"
#include "text/encoding.h"
#include "tools/skin_demo/demo_frame.h"
#include "tools/skin_demo/demo_window.h"

namespace {

constexpr const wchar_t GALLERY_CLASS[] = L"QuorrelSkinGallery";
constexpr int GALLERY_W = 660, GALLERY_H = 430;

void addComboItems(HWND combo) {
    for (const char* item : {"百度网盘", "阿里云盘", "天翼云盘", "夸克网盘"})
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(gbkToWide(item).c_str()));
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
}

void addToolbar(const ControlAdder& b) {
    HWND toolbar = b.add(TOOLBARCLASSNAMEW, "",
                         TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_NOPARENTALIGN | CCS_NORESIZE |
                             CCS_NODIVIDER,
                         0, 8, 30, 400, 30, GALLERY_TOOLBAR_ID);
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar, TB_LOADIMAGES, IDB_STD_SMALL_COLOR, reinterpret_cast<LPARAM>(HINST_COMMCTRL));
    // The button texts, as one list of strings ended by an empty one.
    std::wstring texts = gbkToWide("新建") + L'\0' + gbkToWide("打开") + L'\0' + gbkToWide("保存") + L'\0' +
                         gbkToWide("删除") + L'\0' + L'\0';
    auto first = static_cast<int>(SendMessageW(toolbar, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(texts.c_str())));
    TBBUTTON buttons[5] = {};
    int images[] = {STD_FILENEW, STD_FILEOPEN, STD_FILESAVE, 0, STD_DELETE};
    int text = first;
    for (int i = 0; i < 5; ++i) {
        buttons[i].iBitmap = images[i];
        buttons[i].idCommand = 300 + i;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = i == 3 ? BTNS_SEP : BTNS_BUTTON | BTNS_AUTOSIZE;
        if (i != 3) buttons[i].iString = text++;
    }
    buttons[2].fsState |= TBSTATE_CHECKED;  // a checked button shows its pressed look
    SendMessageW(toolbar, TB_ADDBUTTONSW, 5, reinterpret_cast<LPARAM>(buttons));
}

void addTabs(const ControlAdder& b) {
    HWND tab = b.add(WC_TABCONTROLW, "", WS_CLIPSIBLINGS, 0, 400, 230, 250, 150, GALLERY_TAB_ID);
    for (const char* name : {"常规", "高级"}) {
        std::wstring text = gbkToWide(name);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessageW(tab, TCM_INSERTITEMW, SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), reinterpret_cast<LPARAM>(&item));
    }
    RECT display{};
    GetClientRect(tab, &display);
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    ControlAdder page{tab, b.font};
    HWND first = page.add(L"Static", "", 0, 0, display.left, display.top, display.right - display.left,
                          display.bottom - display.top, GALLERY_PAGE1_ID);
    HWND second = page.add(L"Static", "", 0, 0, display.left, display.top, display.right - display.left,
                           display.bottom - display.top, GALLERY_PAGE2_ID);
    ShowWindow(second, SW_HIDE);
    ControlAdder onFirst{first, b.font};
    onFirst.add(L"Button", "自动翻页", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 10, 10, 100, 20, GALLERY_PAGE_CHECK_ID);
    SendMessageW(GetDlgItem(first, GALLERY_PAGE_CHECK_ID), BM_SETCHECK, BST_CHECKED, 0);
    onFirst.add(L"Edit", "每页 50 条", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 10, 38, 120, 22, 0);
    onFirst.add(L"Button", "应用", BS_PUSHBUTTON | WS_TABSTOP, 0, 150, 36, 70, 26, GALLERY_PAGE_BUTTON_ID);
    ControlAdder onSecond{second, b.font};
    onSecond.add(L"Button", "使用代理", BS_AUTOCHECKBOX, 0, 10, 10, 100, 20, 0);
}

void addListView(const ControlAdder& b) {
    HWND list = b.add(WC_LISTVIEWW, "", LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP, WS_EX_CLIENTEDGE, 160, 230, 230,
                      150, GALLERY_LISTVIEW_ID);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const char* columns[] = {"序号", "名称", "地址"};
    int widths[] = {44, 80, 100};
    for (int i = 0; i < 3; ++i) {
        std::wstring text = gbkToWide(columns[i]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = text.data();
        column.cx = widths[i];
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    const char* rows[][2] = {{"课程资料合集", "pan.example.com/s/1a"},
                             {"电子书 第二卷", "disk.example.net/f/22"},
                             {"软件安装包", "yun.example.org/x/3c"},
                             {"照片备份", "pan.example.com/s/4d"}};
    for (int i = 0; i < 4; ++i) {
        std::wstring number = std::to_wstring(i + 1);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = number.data();
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (int c = 0; c < 2; ++c) {
            std::wstring text = gbkToWide(rows[i][c]);
            LVITEMW sub{};
            sub.iSubItem = c + 1;
            sub.pszText = text.data();
            SendMessageW(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&sub));
        }
    }
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
}

void createGalleryControls(HWND window, HFONT font) {
    ControlAdder b{window, font};
    addToolbar(b);
    // Left column: buttons of every kind, the two combo boxes and a list box.
    b.add(L"Button", "记住网址", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 12, 68, 130, 20, GALLERY_CHECK_ID);
    SendMessageW(GetDlgItem(window, GALLERY_CHECK_ID), BM_SETCHECK, BST_CHECKED, 0);
    b.add(L"Button", "全部网盘", BS_AUTORADIOBUTTON | WS_GROUP, 0, 12, 92, 130, 20, GALLERY_RADIO_ID);
    b.add(L"Button", "其他网站", BS_AUTORADIOBUTTON, 0, 12, 116, 130, 20, 0);
    SendMessageW(GetDlgItem(window, GALLERY_RADIO_ID), BM_SETCHECK, BST_CHECKED, 0);
    HWND dropList = b.add(L"ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 12, 144, 136, 200,
                          GALLERY_COMBO_LIST_ID);
    addComboItems(dropList);
    HWND dropDown = b.add(L"ComboBox", "", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, 0, 12, 176, 136, 200,
                          GALLERY_COMBO_EDIT_ID);
    addComboItems(dropDown);
    HWND list = b.add(L"ListBox", "", WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY | WS_TABSTOP, WS_EX_CLIENTEDGE,
                      12, 230, 136, 150, GALLERY_LIST_ID);
    for (const char* item : {"pan.example.com", "disk.example.net", "yun.example.org", "share.example.cn"})
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(gbkToWide(item).c_str()));
    SendMessageW(list, LB_SETCURSEL, 2, 0);
    // Middle: trackbar, progress bar, an edit with its up-down control.
    HWND trackbar = b.add(TRACKBAR_CLASSW, "", TBS_AUTOTICKS | WS_TABSTOP, 0, 160, 68, 230, 34, GALLERY_TRACKBAR_ID);
    SendMessageW(trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
    SendMessageW(trackbar, TBM_SETPOS, TRUE, 6);
    HWND progress = b.add(PROGRESS_CLASSW, "", 0, 0, 160, 112, 230, 18, GALLERY_PROGRESS_ID);
    SendMessageW(progress, PBM_SETRANGE32, 0, 100);
    SendMessageW(progress, PBM_SETPOS, 60, 0);
    HWND buddy = b.add(L"Edit", "5", ES_NUMBER, WS_EX_CLIENTEDGE, 160, 144, 80, 24, GALLERY_UPDOWN_EDIT_ID);
    HWND updown = b.add(UPDOWN_CLASSW, "", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0, 0, 0, 0, 0,
                        GALLERY_UPDOWN_ID);
    SendMessageW(updown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
    SendMessageW(updown, UDM_SETRANGE32, 0, 99);
    SendMessageW(updown, UDM_SETPOS32, 0, 5);
    b.add(L"Edit", "多行文本\r\n第二行\r\n第三行\r\n第四行\r\n第五行\r\n第六行",
          ES_MULTILINE | WS_VSCROLL | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE, 250, 144, 140, 76, 0);
    addListView(b);
    // Right: the tab control with its pages, and the push buttons.
    addTabs(b);
    b.add(L"Button", "取消", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 0, 400, 150, 70, 26, 0);
    b.add(L"Button", "确定", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 480, 150, 70, 26, GALLERY_OK_ID);
}

void showPage(HWND window) {
    HWND tab = GetDlgItem(window, GALLERY_TAB_ID);
    auto selected = static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
    ShowWindow(GetDlgItem(tab, GALLERY_PAGE1_ID), selected == 0 ? SW_SHOW : SW_HIDE);
    ShowWindow(GetDlgItem(tab, GALLERY_PAGE2_ID), selected == 1 ? SW_SHOW : SW_HIDE);
}

LRESULT CALLBACK GalleryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            createGalleryControls(window, makeDemoFont(window));
            applyDemoSkin();
            SkinWindow(window);
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->idFrom == GALLERY_TAB_ID && header->code == TCN_SELCHANGE) showPage(window);
            return 0;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == GALLERY_OK_ID) SendMessageW(window, WM_CLOSE, 0, 0);
            return 0;
        case WM_DESTROY:
            takeDemoFont(window);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

HWND createGalleryWindow(bool activate) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                                     ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    return openDemoWindow(GALLERY_CLASS, GalleryProc, "皮肤控件一览",
                          WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN, GALLERY_W,
                          GALLERY_H, activate);
}
