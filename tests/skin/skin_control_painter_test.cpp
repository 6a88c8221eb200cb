// The painters of the common controls read back pixel by pixel over a known background (main
// colour 0x404040, accent 0xFF8800, veil 100): each state's layers, as the push-button tests do.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "skin/engine.h"
#include "tests/skin/skin_test_util.h"

using namespace skin;
using namespace skintest;

namespace {

constexpr int VEIL = 100;

Rgb rgbOf(DWORD c) {
    return Rgb{{static_cast<double>(red(c)), static_cast<double>(green(c)), static_cast<double>(blue(c))}};
}
// White at the veil over the grey background: the face of trackbars, progress bars, headers and,
// with the veil on, of lists, list views and combo boxes.
Rgb face() {
    return layered(grey(GREY), WHITE, VEIL);
}

class ControlPainterTest : public ::testing::Test {
protected:
    void SetUp() override {
        useTestSkin(VEIL);
        SetCursorPos(0, 0);
        window = createWindow(WS_POPUP | WS_SYSMENU, 420, 300);
    }
    void TearDown() override {
        DestroyWindow(window);
        pump(10);
        SetControlSkinOptions(true);
    }
    void skin() {
        ASSERT_TRUE(SkinWindow(window));
        ShowWindow(window, SW_SHOWNOACTIVATE);
        UpdateWindow(window);
        pump(40);
    }
    Capture shot(HWND control) {
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return capture(control);
    }
    static LPARAM at(int x, int y) { return MAKELPARAM(x, y); }
    // A rectangle the control reports through a message: an item's, the thumb's, the channel's.
    static RECT rectOf(HWND control, UINT message, WPARAM which = 0) {
        RECT r{};
        SendMessageW(control, message, which, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    HWND window = nullptr;
};

}  // namespace

TEST_F(ControlPainterTest, ProgressBarFillsItsPartInTheAccentOverTheTrack) {
    HWND bar = addChild(window, PROGRESS_CLASSA, "", 0, 20, 40, 200, 20);
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    SendMessageW(bar, PBM_SETPOS, 50, 0);
    skin();
    ASSERT_EQ(PAINTER_PROGRESS, controlRecord(bar, TABLE_PROGRESS)->painter);
    Capture c = shot(bar);
    Rgb track = layered(face(), WHITE, 60);
    expectPixel(layered(track, ACCENT, 160), c.at(50, 15), "filled");
    expectPixel(track, c.at(150, 15), "empty");
    SendMessageW(bar, PBM_SETPOS, 100, 0);
    c = shot(bar);
    expectPixel(layered(track, ACCENT, 160), c.at(150, 15), "full");
}

TEST_F(ControlPainterTest, TrackbarThumbIsHotPressedAndTheChannelFilledUpToIt) {
    HWND bar = addChild(window, TRACKBAR_CLASSA, "", TBS_NOTICKS, 20, 40, 240, 30);
    SendMessageW(bar, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
    SendMessageW(bar, TBM_SETPOS, TRUE, 5);
    skin();
    ControlRecord* record = controlRecord(bar, TABLE_TRACKBARS);
    ASSERT_EQ(PAINTER_TRACKBAR, record->painter);
    const RECT thumb = rectOf(bar, TBM_GETTHUMBRECT), channel = rectOf(bar, TBM_GETCHANNELRECT);
    int tx = (thumb.left + thumb.right) / 2, ty = thumb.top + (thumb.bottom - thumb.top) * 3 / 4;
    Capture normal = shot(bar);
    DWORD n = normal.at(tx, ty);
    // The channel: white 200 over the face, the accent 160 on the left of the thumb only.
    int cy = (channel.top + channel.bottom) / 2;
    Rgb groove = layered(face(), WHITE, 200);
    expectPixel(layered(groove, ACCENT, 160), normal.at(channel.left + 4, cy), "filled channel");
    expectPixel(groove, normal.at(channel.right - 4, cy), "channel beyond the thumb");

    SendMessageW(bar, WM_MOUSEMOVE, 0, at(tx, ty));
    EXPECT_EQ(1, record->hotItem);
    expectPixel(layered(rgbOf(n), ACCENT, 60), shot(bar).at(tx, ty), "hot thumb");
    SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at(tx, ty));
    expectPixel(layered(rgbOf(n), ACCENT, 120), shot(bar).at(tx, ty), "pressed thumb");
    // Losing the mouse ends the press.
    ReleaseCapture();
    SendMessageW(bar, WM_CAPTURECHANGED, 0, 0);
    EXPECT_EQ(-1, record->pressedItem);
    SendMessageW(bar, WM_MOUSELEAVE, 0, 0);
    expectPixel(rgbOf(n), shot(bar).at(tx, ty), "after leave");
}

TEST_F(ControlPainterTest, UpDownHalvesLightUpOnHoverAndPress) {
    HWND updown = addChild(window, UPDOWN_CLASSA, "", 0, 40, 40, 18, 40);
    SendMessageW(updown, UDM_SETRANGE32, 0, 10);
    skin();
    ControlRecord* record = controlRecord(updown, TABLE_UPDOWNS);
    ASSERT_EQ(PAINTER_UPDOWN, record->painter);
    // Lower part of the upper half, clear of the outline and the arrow.
    int x = 3, y = 15;
    Capture normal = shot(updown);
    Rgb base = layered(grey(GREY), WHITE, 120);
    expectPixel(base, normal.at(x, y), "normal half");
    SendMessageW(updown, WM_MOUSEMOVE, 0, at(x, y));
    EXPECT_EQ(1, record->hotItem);
    Capture hot = shot(updown);
    expectPixel(layered(base, ACCENT, 60), hot.at(x, y), "hot upper half");
    expectPixel(base, hot.at(x, 20 + 15), "the lower half stays normal");
    SendMessageW(updown, WM_LBUTTONDOWN, MK_LBUTTON, at(x, y));
    expectPixel(layered(base, ACCENT, 120), shot(updown).at(x, y), "pressed");
    SendMessageW(updown, WM_LBUTTONUP, 0, at(x, y));
    EXPECT_EQ(-1, record->pressedItem);
    EnableWindow(updown, FALSE);
    const double LIGHT_GREY[3] = {0xC0, 0xC0, 0xC0};
    expectPixel(layered(grey(GREY), LIGHT_GREY, 160), shot(updown).at(x, y), "disabled");
}

TEST_F(ControlPainterTest, HeaderItemsAreHotAndPressedInTheAccent) {
    HWND header = addChild(window, WC_HEADERA, "", HDS_BUTTONS | HDS_HORZ, 10, 40, 300, 24);
    for (int i = 0; i < 2; ++i) {
        wchar_t text[] = L"A";
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.cxy = 100;
        item.fmt = HDF_LEFT;
        item.pszText = text;
        SendMessageW(header, HDM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    skin();
    ControlRecord* record = controlRecord(header, TABLE_HEADERS);
    ASSERT_EQ(PAINTER_HEADER, record->painter);
    int x = 80, y = 18;
    Rgb normal = layered(face(), WHITE, 120);
    expectPixel(normal, shot(header).at(x, y), "normal item");
    expectPixel(face(), shot(header).at(250, y), "beyond the items: the face");
    SendMessageW(header, WM_MOUSEMOVE, 0, at(x, y));
    EXPECT_EQ(0, record->hotItem);
    Capture hot = shot(header);
    expectPixel(layered(normal, ACCENT, 60), hot.at(x, y), "hot item");
    expectPixel(normal, hot.at(180, y), "the other item");
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at(x, y));
    expectPixel(layered(normal, ACCENT, 120), shot(header).at(x, y), "pressed item");
    SendMessageW(header, WM_LBUTTONUP, 0, at(x, y));
    SendMessageW(header, WM_MOUSELEAVE, 0, 0);
    expectPixel(normal, shot(header).at(x, y), "after leave");
}

TEST_F(ControlPainterTest, TabControlSelectedTabIsThePageFaceOthersLightUpWhenHot) {
    HWND tab = addChild(window, WC_TABCONTROLA, "", 0, 10, 40, 300, 200);
    for (int i = 0; i < 2; ++i) {
        wchar_t text[] = L"Tab";
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    RECT display{};
    GetClientRect(tab, &display);
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    HWND page = addChild(tab, "Static", "", 0, display.left, display.top, display.right - display.left,
                         display.bottom - display.top);
    HWND check = addChild(page, "Button", "", BS_AUTOCHECKBOX, 10, 10, 16, 16);
    skin();
    ControlRecord* record = controlRecord(tab, TABLE_CONTAINERS);
    ASSERT_EQ(PAINTER_TAB, record->painter);
    ASSERT_NE(nullptr, controlRecord(page, TABLE_TAB_PAGES));
    ASSERT_NE(nullptr, controlRecord(check, TABLE_BUTTONS)) << "the page's controls are skinned";
    const RECT first = rectOf(tab, TCM_GETITEMRECT, 0), second = rectOf(tab, TCM_GETITEMRECT, 1);
    Rgb pageFace = layered(grey(GREY), WHITE, VEIL / 2);
    Capture c = shot(tab);
    expectPixel(pageFace, c.at(first.left + 3, first.bottom - 3), "selected tab");
    expectPixel(pageFace, c.at(display.right - 5, display.bottom - 5), "page area");
    Rgb other = layered(grey(GREY), WHITE, 60);
    expectPixel(other, c.at(second.left + 4, second.bottom - 3), "other tab");
    // The page shows the same face, so it and the tab are one surface.
    expectPixel(pageFace, shot(page).at(100, 100), "the page");
    SendMessageW(tab, WM_MOUSEMOVE, 0, at(second.left + 4, second.bottom - 3));
    EXPECT_EQ(1, record->hotItem);
    expectPixel(layered(other, ACCENT, 60), shot(tab).at(second.left + 4, second.bottom - 3), "hot tab");
}

TEST_F(ControlPainterTest, ToolbarButtonsAreFlatUntilHotAndCheckedOnesPressed) {
    HWND toolbar = addChild(window, TOOLBARCLASSNAMEA, "",
                            TBSTYLE_FLAT | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER, 10, 40, 300, 30);
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(16, 16));
    TBBUTTON buttons[2] = {};
    for (int i = 0; i < 2; ++i) {
        buttons[i].iBitmap = I_IMAGENONE;
        buttons[i].idCommand = 100 + i;
        buttons[i].fsState = TBSTATE_ENABLED | (i == 1 ? TBSTATE_CHECKED : 0);
        buttons[i].fsStyle = BTNS_BUTTON | (i == 1 ? BTNS_CHECK : 0);
    }
    SendMessageW(toolbar, TB_ADDBUTTONSW, 2, reinterpret_cast<LPARAM>(buttons));
    skin();
    ControlRecord* record = controlRecord(toolbar, TABLE_CONTAINERS);
    ASSERT_EQ(PAINTER_TOOLBAR, record->painter);
    const RECT r0 = rectOf(toolbar, TB_GETITEMRECT, 0), r1 = rectOf(toolbar, TB_GETITEMRECT, 1);
    Rgb flat = layered(grey(GREY), WHITE, VEIL / 2);
    Capture c = shot(toolbar);
    int y = r0.bottom - 4;
    expectPixel(flat, c.at(r0.left + 4, y), "flat button");
    expectPixel(layered(layered(flat, WHITE, 120), ACCENT, 120), c.at(r1.left + 4, y), "checked button");
    SendMessageW(toolbar, WM_MOUSEMOVE, 0, at(r0.left + 4, y));
    EXPECT_EQ(0, record->hotItem);
    expectPixel(layered(layered(flat, WHITE, 120), ACCENT, 60), shot(toolbar).at(r0.left + 4, y), "hot button");
}

TEST_F(ControlPainterTest, ComboBoxButtonBorderAndList) {
    HWND combo = addChild(window, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL, 20, 40, 160, 150);
    for (const wchar_t* item : {L"one", L"two", L"three"})
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    HWND other = addChild(window, "Button", "", BS_PUSHBUTTON, 250, 40, 60, 24);
    skin();
    ControlRecord* record = controlRecord(combo, TABLE_COMBOS);
    ASSERT_EQ(PAINTER_COMBO, record->painter);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    ControlRecord* list = controlRecord(info.hwndList, TABLE_LISTS);
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(PAINTER_LISTBOX, list->painter);
    int bx = info.rcButton.left + 4, by = info.rcButton.bottom - 4;
    Rgb button = layered(face(), WHITE, 120);
    Capture c = shot(combo);
    expectPixel(button, c.at(bx, by), "button");
    expectPixel(layered(face(), BLACK, 80), c.at(0, c.h / 2), "border");
    expectPixel(face(), c.at(8, 3), "face");
    SendMessageW(combo, WM_MOUSEMOVE, 0, at(bx, by));
    EXPECT_EQ(1, record->hotItem);
    expectPixel(layered(button, ACCENT, 60), shot(combo).at(bx, by), "hot button");
    SendMessageW(combo, WM_MOUSELEAVE, 0, 0);
    ASSERT_TRUE(giveFocus(window, combo));
    expectPixel(layered(face(), ACCENT, 180), shot(combo).at(0, c.h / 2), "focused border");
    SetFocus(other);
    pump(20);
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    pump(20);
    expectPixel(layered(button, ACCENT, 120), shot(combo).at(bx, by), "dropped: pressed button");
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(ControlPainterTest, ListBoxItemsSelectedHotAndPlain) {
    HWND list = addChild(window, "ListBox", "", WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, 20, 40, 160, 120);
    for (const wchar_t* item : {L"a", L"b", L"c"}) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    skin();
    ControlRecord* record = controlRecord(list, TABLE_LISTS);
    ASSERT_EQ(PAINTER_LISTBOX, record->painter);
    SendMessageW(list, LB_SETCURSEL, 1, 0);
    RECT r[3];
    for (int i = 0; i < 3; ++i) SendMessageW(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r[i]));
    auto point = [&](int i) { return POINT{r[i].right - 10, (r[i].top + r[i].bottom) / 2}; };
    Capture c = shot(list);
    expectPixel(face(), c.at(point(0).x, point(0).y), "plain item");
    expectPixel(layered(face(), ACCENT, 90), c.at(point(1).x, point(1).y), "selected item");
    SendMessageW(list, WM_MOUSEMOVE, 0, at(point(2).x, point(2).y));
    EXPECT_EQ(2, record->hotItem);
    expectPixel(layered(face(), ACCENT, 40), shot(list).at(point(2).x, point(2).y), "hot item");
    // Empty rows below the items show the face, not the system's white.
    expectPixel(face(), shot(list).at(50, 100), "below the items");
}

TEST_F(ControlPainterTest, ListViewRowsAndItsHeaderArePainted) {
    HWND list = addChild(window, WC_LISTVIEWA, "", LVS_REPORT | LVS_SHOWSELALWAYS, 20, 40, 300, 150);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    wchar_t title[] = L"A";
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = title;
    column.cx = 200;
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    for (int i = 0; i < 3; ++i) {
        wchar_t text[] = L"x";
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = text;
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
    skin();
    ControlRecord* record = controlRecord(list, TABLE_LISTS);
    ASSERT_EQ(PAINTER_LISTVIEW, record->painter);
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    ASSERT_NE(nullptr, controlRecord(header, TABLE_HEADERS));
    EXPECT_EQ(PAINTER_HEADER, controlRecord(header, TABLE_HEADERS)->painter);
    RECT rows[3];
    for (int i = 0; i < 3; ++i) {
        rows[i].left = LVIR_BOUNDS;
        SendMessageW(list, LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rows[i]));
    }
    auto point = [&](int i) { return POINT{rows[i].left + 150, (rows[i].top + rows[i].bottom) / 2}; };
    Capture c = shot(list);
    // The list view's client starts inside its client edge: capture() reads the whole window.
    RECT wr{}, cr{};
    GetWindowRect(list, &wr);
    POINT origin{0, 0};
    ClientToScreen(list, &origin);
    int ox = origin.x - wr.left, oy = origin.y - wr.top;
    (void)cr;
    expectPixel(face(), c.at(ox + point(0).x, oy + point(0).y), "plain row");
    expectPixel(layered(face(), ACCENT, 90), c.at(ox + point(1).x, oy + point(1).y), "selected row");
    SendMessageW(list, WM_MOUSEMOVE, 0, at(rows[2].left + 10, point(2).y));
    EXPECT_EQ(2, record->hotItem);
    Capture hot = shot(list);
    expectPixel(layered(face(), ACCENT, 40), hot.at(ox + point(2).x, oy + point(2).y), "hot row");
    // The header's items carry the header painter's white over the face.
    RECT hr{};
    GetWindowRect(header, &hr);
    expectPixel(layered(face(), WHITE, 120), hot.at(hr.left - wr.left + 150, hr.bottom - wr.top - 5), "header item");
}
