// The gallery of the skin demo: every control kind the skin paints is subclassed by it, and the
// picture of the whole window is saved as a screenshot.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "skin/engine.h"
#include "tests/skin/skin_test_util.h"
#include "tools/skin_demo/demo_window.h"

using namespace skin;
using namespace skintest;

TEST(SkinGallery, EveryKindIsSubclassedAndTheWindowIsSavedAsAScreenshot) {
    HWND window = createGalleryWindow(false);
    ASSERT_NE(nullptr, window);
    pump(300);
    WindowRecord* record = recordOfWindow(window);
    ASSERT_NE(nullptr, record);
    auto item = [&](int id) { return GetDlgItem(window, id); };
    HWND tab = item(GALLERY_TAB_ID);
    HWND listView = item(GALLERY_LISTVIEW_ID);
    HWND header = reinterpret_cast<HWND>(SendMessageW(listView, LVM_GETHEADER, 0, 0));
    struct Expect {
        HWND control;
        TableKind table;
        int painter;
    };
    const Expect expected[] = {
        {item(GALLERY_TRACKBAR_ID), TABLE_TRACKBARS, PAINTER_TRACKBAR},
        {item(GALLERY_PROGRESS_ID), TABLE_PROGRESS, PAINTER_PROGRESS},
        {item(GALLERY_UPDOWN_ID), TABLE_UPDOWNS, PAINTER_UPDOWN},
        {header, TABLE_HEADERS, PAINTER_HEADER},
        {tab, TABLE_CONTAINERS, PAINTER_TAB},
        {item(GALLERY_TOOLBAR_ID), TABLE_CONTAINERS, PAINTER_TOOLBAR},
        {item(GALLERY_COMBO_LIST_ID), TABLE_COMBOS, PAINTER_COMBO},
        {item(GALLERY_COMBO_EDIT_ID), TABLE_COMBOS, PAINTER_COMBO},
        {item(GALLERY_LIST_ID), TABLE_LISTS, PAINTER_LISTBOX},
        {listView, TABLE_LISTS, PAINTER_LISTVIEW},
        {GetDlgItem(tab, GALLERY_PAGE1_ID), TABLE_TAB_PAGES, PAINTER_PAGE},
        {GetDlgItem(tab, GALLERY_PAGE2_ID), TABLE_TAB_PAGES, PAINTER_PAGE},
        {item(GALLERY_CHECK_ID), TABLE_BUTTONS, PAINTER_NONE},
        {item(GALLERY_RADIO_ID), TABLE_BUTTONS, PAINTER_NONE},
        {item(GALLERY_OK_ID), TABLE_BUTTONS, PAINTER_NONE},
    };
    for (const Expect& e : expected) {
        ASSERT_NE(nullptr, e.control);
        ControlRecord* control = controlRecord(e.control, e.table);
        ASSERT_NE(nullptr, control) << "table " << e.table;
        EXPECT_EQ(e.painter, control->painter) << "table " << e.table;
        bool container = e.table == TABLE_CONTAINERS || e.table == TABLE_TAB_PAGES;
        EXPECT_NE(nullptr, GetPropA(e.control, container ? PROP_CHILD_PROC : PROP_PROC)) << "subclassed";
    }
    // The controls on the first page are skinned too, and the combo boxes' lists.
    HWND page = GetDlgItem(tab, GALLERY_PAGE1_ID);
    EXPECT_NE(nullptr, controlRecord(GetDlgItem(page, GALLERY_PAGE_BUTTON_ID), TABLE_BUTTONS));
    EXPECT_NE(nullptr, controlRecord(GetDlgItem(page, GALLERY_PAGE_CHECK_ID), TABLE_BUTTONS));
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(item(GALLERY_COMBO_LIST_ID), &info));
    EXPECT_NE(nullptr, controlRecord(info.hwndList, TABLE_LISTS));

    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump(200);
    EXPECT_FALSE(saveScreenshot(window, "skin_gallery.png").empty());
    // The second page, shown through the tab control.
    SendMessageW(tab, TCM_SETCURSEL, 1, 0);
    NMHDR change{tab, GALLERY_TAB_ID, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(window, WM_NOTIFY, GALLERY_TAB_ID, reinterpret_cast<LPARAM>(&change));
    UpdateWindow(window);
    pump(100);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(tab, GALLERY_PAGE2_ID)));
    EXPECT_FALSE(saveScreenshot(window, "skin_gallery_page2.png").empty());
    DestroyWindow(window);
    pump(20);
    EXPECT_EQ(nullptr, recordOfWindow(window));
}
