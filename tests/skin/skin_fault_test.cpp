// Faults that were found in the engine, each with the test that showed it: the region of a
// maximised window, caption-button capture, font faces, the combo list's brush, overlays of a
// destroyed edit, the edit record across the old procedure and the tree-view notifications.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "text/encoding.h"
#include "skin/engine.h"
#include "tests/skin/skin_test_util.h"

using namespace skin;
using namespace skintest;

namespace {

using SkinFaultTest = SkinnedWindowTest;

POINT centreOf(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The caption button of a kind, in screen coordinates.
POINT buttonOnScreen(HWND window, int kind) {
    WindowRecord* record = recordOfWindow(window);
    for (const CaptionButton& b : record->buttons)
        if (b.kind == kind) {
            POINT p = centreOf(b.rect);
            ClientToScreen(window, &p);
            return p;
        }
    return {-1, -1};
}

void clickCaptionButton(HWND window, int kind) {
    POINT p = buttonOnScreen(window, kind);
    ScreenToClient(window, &p);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
}

}  // namespace

// Fault 1: the region of the restored size stayed on a maximised window, so only its top-left
// corner showed and took clicks, and the caption buttons at the new right edge lay outside it.
TEST_F(SkinFaultTest, AMaximisedWindowHasNoRoundedRegionOfItsOldSizeAndItsButtonsWork) {
    HWND w = make();
    ASSERT_TRUE(SkinWindow(w));
    showPainted(w);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(w, region)) << "restored: the rounded region";

    clickCaptionButton(w, CB_MAXIMISE);
    pump(50);
    ASSERT_TRUE(IsZoomed(w));
    RECT wr{};
    GetWindowRect(w, &wr);
    ASSERT_GT(wr.right - wr.left, 600);
    int kind = GetWindowRgn(w, region);
    if (kind != ERROR) {
        RECT box{};
        GetRgnBox(region, &box);
        EXPECT_LE(box.left, 0);
        EXPECT_LE(box.top, 0);
        EXPECT_GE(box.right, wr.right - wr.left) << "the region covers the whole maximised window";
        EXPECT_GE(box.bottom, wr.bottom - wr.top);
    }
    // Real hit-testing: the system finds the window under its new caption buttons and far corner.
    for (int k : {CB_CLOSE, CB_MAXIMISE, CB_MINIMISE}) {
        POINT p = buttonOnScreen(w, k);
        EXPECT_GT(p.x, wr.left + 500) << "laid out at the new right edge";
        EXPECT_EQ(w, WindowFromPoint(p)) << "button kind " << k;
        EXPECT_EQ(HTCLIENT, SendMessageW(w, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)));
    }
    POINT farCorner{wr.right - 20, wr.bottom - 20};
    EXPECT_EQ(w, WindowFromPoint(farCorner));

    // The restore button works from there and the rounded region of the restored size returns.
    clickCaptionButton(w, CB_MAXIMISE);
    pump(50);
    EXPECT_FALSE(IsZoomed(w));
    GetWindowRect(w, &wr);
    ASSERT_NE(ERROR, GetWindowRgn(w, region));
    EXPECT_FALSE(PtInRegion(region, 0, 0)) << "the corner is cut again";
    EXPECT_TRUE(PtInRegion(region, wr.right - wr.left - 10, wr.bottom - wr.top - 10));

    // A plain size change takes the region along too.
    SetWindowPos(w, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    pump(20);
    ASSERT_NE(ERROR, GetWindowRgn(w, region));
    EXPECT_TRUE(PtInRegion(region, 480, 380)) << "the region follows the new size";
    GetWindowRect(w, &wr);
    POINT corner{wr.right - 15, wr.bottom - 15};
    EXPECT_EQ(w, WindowFromPoint(corner));
    DeleteObject(region);
}

// Fault 3: a caption-button press interrupted by losing the mouse stayed pressed and armed.
TEST_F(SkinFaultTest, LosingTheCaptureDisarmsAPressedCaptionButton) {
    HWND w = make();
    HWND other = make();
    ASSERT_TRUE(SkinWindow(w));
    showPainted(w);
    WindowRecord* record = recordOfWindow(w);
    RECT close = record->buttons[0].rect;
    POINT at = centreOf(close);
    Capture before = capture(w);
    SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    ASSERT_EQ(w, GetCapture());
    EXPECT_EQ(0, record->pressedButton);
    SetCapture(other);  // something else takes the mouse
    ReleaseCapture();
    pump(20);
    EXPECT_EQ(-1, record->pressedButton) << "disarmed";
    Capture after = capture(w);
    EXPECT_EQ(before.at(at.x - 10, at.y), after.at(at.x - 10, at.y)) << "drawn normal again";
    // A button-up that arrives later does nothing.
    SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    EXPECT_TRUE(IsWindow(w)) << "the close button was not armed any more";
}

// Fault 4: the face name came back through the ANSI code page: a long Chinese name lost its
// end in the 32-byte ANSI record.
TEST_F(SkinFaultTest, TheControlFontFaceIsReadInFull) {
    HWND w = make();
    HWND button = addChild(w, "Button", "按", BS_PUSHBUTTON, 10, 40, 60, 24);
    // 20 characters: 40 bytes of GBK, more than the ANSI record's 31.
    const std::string face = "一二三四五六七八九十甲乙丙丁戊己庚辛壬癸";
    LOGFONTW logFont{};
    logFont.lfHeight = -14;
    logFont.lfWeight = FW_BOLD;
    std::wstring wide = gbkToWide(face);
    wcsncpy(logFont.lfFaceName, wide.c_str(), LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&logFont);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ASSERT_TRUE(SkinWindow(w));
    ControlRecord* record = controlRecord(button, TABLE_BUTTONS);
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(face, record->fontFace);
    EXPECT_EQ(14, record->fontSize);
    EXPECT_EQ(1, record->fontStyle & 1);
    DestroyWindow(w);
    DeleteObject(font);
}

// Fault 5a: the list of a simple combo box got a brush and bitmap that nothing freed.
TEST_F(SkinFaultTest, ASimpleComboBoxTakesTheBrushOfItsListAlong) {
    LiveCounts start = liveCounts();
    HWND w = make();
    HWND combo = addChild(w, "ComboBox", "", CBS_SIMPLE, 10, 40, 150, 120);
    ASSERT_TRUE(skinAndShow(w, 20));
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    ASSERT_TRUE(info.hwndList);
    HDC dc = GetDC(combo);
    auto brush = SendMessageW(combo, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(info.hwndList));
    ReleaseDC(combo, dc);
    ASSERT_NE(0, brush);
    EXPECT_EQ(brush, getProp(info.hwndList, PROP_BACK_BRUSH));
    DestroyWindow(w);
    pump(10);
    EXPECT_EQ(start.gdi, liveCounts().gdi) << "no pattern brush or bitmap outlives the list";
}

// Fault 5b: the scroll-bar overlays of an edit destroyed before its window outlived it.
TEST_F(SkinFaultTest, AnEditDestroyedAloneTakesItsOverlaysAlong) {
    HWND w = make();
    HWND edit = addChild(w, "Edit", "", ES_MULTILINE | WS_VSCROLL | WS_HSCROLL, 10, 40, 200, 100, WS_EX_CLIENTEDGE);
    LiveCounts start = liveCounts();
    ASSERT_TRUE(skinAndShow(w, 20));
    ControlRecord* record = controlRecord(edit, TABLE_EDITS);
    ASSERT_NE(nullptr, record);
    HWND v = record->vOverlay, h = record->hOverlay;
    ASSERT_TRUE(IsWindow(v));
    ASSERT_TRUE(IsWindow(h));
    LiveCounts skinned = liveCounts();
    DestroyWindow(edit);
    EXPECT_FALSE(IsWindow(v));
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(skinned.user - 2, liveCounts().user);
    DestroyWindow(w);
    pump(10);
    EXPECT_EQ(start.user, liveCounts().user);
    EXPECT_EQ(start.gdi, liveCounts().gdi);
}

namespace {

// The edit's own procedure (below the skin) grows the edit table on WM_MOVE, so the vector of
// records moves while the skin's EditProc waits for it.
WNDPROC g_editOriginal = nullptr;
HWND g_growWindow = nullptr;
HWND g_movedOverlay = nullptr;
LRESULT CALLBACK growingEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = CallWindowProcW(g_editOriginal, edit, message, wParam, lParam);
    if (message == WM_MOVE && g_growWindow) {
        HWND window = g_growWindow;
        g_growWindow = nullptr;
        for (int i = 0; i < 40; ++i) addChild(window, "Edit", "", 0, 250, 5 + i, 20, 4);
        SkinWindow(window);
        // The live record now lives elsewhere; the overlay it names is the one to move.
        ControlRecord* record = controlRecord(edit, TABLE_EDITS);
        g_movedOverlay = record->vOverlay;
        HWND replacement = CreateWindowExA(0, "Static", "", WS_CHILD, 0, 0, 5, 5, window, nullptr, nullptr, nullptr);
        setProp(replacement, PROP_OVERLAY_TARGET, reinterpret_cast<INT_PTR>(edit));
        setProp(replacement, "Hw_Vert", 1);
        record->vOverlay = replacement;
        g_movedOverlay = replacement;
    }
    return result;
}

}  // namespace

// Fault 5c: EditProc kept a reference into the edit table across the old procedure.
TEST_F(SkinFaultTest, EditProcLooksItsRecordUpAgainAfterTheOldProcedure) {
    HWND w = make(WS_POPUP | WS_SYSMENU, 320, 220);
    HWND edit = addChild(w, "Edit", "", ES_MULTILINE | WS_VSCROLL, 10, 40, 200, 100, WS_EX_CLIENTEDGE);
    g_editOriginal = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(growingEditProc)));
    ASSERT_TRUE(skinAndShow(w, 20));
    SetWindowPos(edit, nullptr, 30, 50, 200, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    pump(10);
    g_growWindow = w;
    g_movedOverlay = nullptr;
    SendMessageW(edit, WM_MOVE, 0, MAKELPARAM(32, 52));
    ASSERT_NE(nullptr, g_movedOverlay);
    // The overlay named by the live record is the one that was put over the scroll bar.
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetScrollBarInfo(edit, OBJID_VSCROLL, &info));
    RECT overlay{};
    GetWindowRect(g_movedOverlay, &overlay);
    EXPECT_TRUE(EqualRect(&info.rcScrollBar, &overlay));
    EXPECT_TRUE(IsWindowVisible(g_movedOverlay));
}

namespace {
std::vector<int> g_notifyCodes;
LRESULT CALLBACK recordNotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) g_notifyCodes.push_back(static_cast<int>(reinterpret_cast<NMHDR*>(lParam)->code));
    return DefWindowProcW(window, message, wParam, lParam);
}
bool hasUpdate(HWND window) {
    RECT r{};
    return GetUpdateRect(window, &r, FALSE) && !IsRectEmpty(&r);
}
}  // namespace

// Fault 6: only the A tree-view codes were heard; Unicode windows get the W codes.
TEST_F(SkinFaultTest, TreeViewExpandNotificationsInTheirWideFormRepaintTheTree) {
    HWND w = make();
    SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recordNotifyProc));
    HWND tree = addChild(w, "SysTreeView32", "", TVS_HASBUTTONS | TVS_LINESATROOT | TVS_HASLINES, 10, 40, 200, 150,
                         WS_EX_CLIENTEDGE);
    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    wchar_t rootText[] = L"root";
    insert.item.pszText = rootText;
    auto root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    insert.hParent = root;
    wchar_t childText[] = L"child";
    insert.item.pszText = childText;
    SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
    ASSERT_TRUE(SkinWindow(w));
    show(w);
    UpdateWindow(w);
    pump(20);

    // What the tree really sends when its button is clicked: the W code.
    g_notifyCodes.clear();
    RECT item{};
    std::memcpy(&item, &root, sizeof root);  // TVM_GETITEMRECT takes the item in the rectangle
    SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&item));
    int buttonX = item.left - 10, buttonY = (item.top + item.bottom) / 2;
    SendMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(buttonX, buttonY));
    SendMessageW(tree, WM_LBUTTONUP, 0, MAKELPARAM(buttonX, buttonY));
    bool sawWide = false;
    for (int code : g_notifyCodes) sawWide = sawWide || code == static_cast<int>(TVN_ITEMEXPANDINGW);
    EXPECT_TRUE(sawWide) << "the tree of a Unicode window sends TVN_ITEMEXPANDINGW";

    for (UINT code : {TVN_ITEMEXPANDINGW, TVN_ITEMEXPANDEDW}) {
        UpdateWindow(tree);
        ValidateRect(tree, nullptr);
        ASSERT_FALSE(hasUpdate(tree));
        NMTREEVIEWW notify{};
        notify.hdr.hwndFrom = tree;
        notify.hdr.idFrom = 0;
        notify.hdr.code = code;
        notify.action = TVE_EXPAND;
        notify.itemNew.hItem = root;
        SendMessageW(w, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
        EXPECT_TRUE(hasUpdate(tree)) << "code " << static_cast<int>(code);
    }
}
