// Skinned top-level windows: the window table and its properties, children by class, overlays,
// colours, caption-button hover, close effects and frame messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "skin/tip_window.h"
#include "draw/draw.h"
#include "skin/engine.h"
#include "tests/skin/skin_test_util.h"

using namespace skin;
using namespace skintest;

namespace {

using SkinWindowTest = SkinnedWindowTest;

INT_PTR prop(HWND w, const char* name) {
    return getProp(w, name);
}

// The default options with one switch turned off; the window skinned with them, shown, and given
// `ms` to settle (false when the skin refuses it).
SkinWindowOptions switchedOff(bool SkinWindowOptions::*option) {
    SkinWindowOptions options;
    options.*option = false;
    return options;
}
bool skinShown(HWND w, const SkinWindowOptions& options, int ms) {
    if (!SkinWindow(w, options)) return false;
    show(w);
    pump(ms);
    return true;
}

// Skinned with a close effect, shown and settled (false when the skin or the effect is refused).
bool skinWithCloseEffect(HWND w, int effect) {
    if (!SkinWindow(w) || !SetWindowEffect(w, effect)) return false;
    show(w);
    pump(30);
    return true;
}

// A window's own procedure, put in place before it is skinned as a program's window has one:
// the skin's subclass must chain to it.
HWND withOwnProc(HWND w, WNDPROC proc) {
    SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    return w;
}

LRESULT CALLBACK keepOpenProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) return 0;  // an owner that says "not now"
    return DefWindowProcW(window, message, wParam, lParam);
}

POINT g_minSeenByOwnProc{};
LRESULT CALLBACK recordMinMaxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETMINMAXINFO) g_minSeenByOwnProc = reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize;
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

TEST_F(SkinWindowTest, SkinningTwiceKeepsOneRecordAndPicksUpNewControlsOnly) {
    HWND w = make();
    HWND first = addChild(w, "Button", "一", BS_PUSHBUTTON, 10, 40, 60, 24);
    ASSERT_TRUE(SkinWindow(w));
    size_t size = windowTable().size();
    EXPECT_FALSE(SkinWindow(w));
    EXPECT_EQ(size, windowTable().size());
    WindowRecord* record = recordOfWindow(w);
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(1u, record->tables[TABLE_BUTTONS].size());
    // Subclassing keeps Unicode windows Unicode, so texts never pass through the ANSI code page.
    EXPECT_TRUE(IsWindowUnicode(w));
    EXPECT_TRUE(IsWindowUnicode(first));
    SetWindowTextW(w, L"\x8BBE\x7F6E \xAC00");  // "设置 가": 가 is not in code page 936
    wchar_t back[16] = {};
    GetWindowTextW(w, back, 16);
    EXPECT_STREQ(L"\x8BBE\x7F6E \xAC00", back);

    HWND second = addChild(w, "Button", "二", BS_PUSHBUTTON, 80, 40, 60, 24);
    EXPECT_FALSE(SkinWindow(w));
    EXPECT_EQ(2u, record->tables[TABLE_BUTTONS].size());
    EXPECT_EQ(1, prop(first, PROP_INDEX));
    EXPECT_EQ(2, prop(second, PROP_INDEX));
    EXPECT_FALSE(SkinWindow(nullptr));
}

TEST_F(SkinWindowTest, DestroyingTheFirstOfThreeRenumbersWindowsControlsAndOverlays) {
    HWND w[3];
    HWND button[3], edit[3];
    for (int i = 0; i < 3; ++i) {
        w[i] = make();
        button[i] = addChild(w[i], "Button", "按钮", BS_PUSHBUTTON, 10, 140, 80, 26);
        edit[i] = addChild(w[i], "Edit", "", ES_MULTILINE | WS_VSCROLL, 10, 40, 200, 80, WS_EX_CLIENTEDGE);
        ASSERT_TRUE(SkinWindow(w[i]));
        show(w[i]);
    }
    pump(50);
    int base = static_cast<int>(tableBefore);
    EXPECT_EQ(base + 1, prop(w[0], PROP_INDEX));
    EXPECT_EQ(base + 3, prop(w[2], PROP_INDEX));
    HWND overlay2 = controlRecord(edit[2], TABLE_EDITS)->vOverlay;
    ASSERT_NE(nullptr, overlay2);
    EXPECT_EQ(base + 3, prop(overlay2, PROP_OWNER_INDEX));

    DestroyWindow(w[0]);
    pump(20);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(base + i, prop(w[i], PROP_INDEX));
        EXPECT_EQ(base + i, prop(button[i], PROP_OWNER_INDEX));
        EXPECT_EQ(base + i, prop(edit[i], PROP_OWNER_INDEX));
        EXPECT_EQ(w[i], recordAt(base + i)->handle);
        EXPECT_EQ(base + i, FindWindowIndex(button[i]));
    }
    EXPECT_EQ(base + 2, prop(overlay2, PROP_OWNER_INDEX));

    // Painting still goes through the right records: the last window's button is drawn by the
    // skin (its border is the skin's dark outline over the grey main colour, not the system face).
    InvalidateRect(w[2], nullptr, FALSE);
    UpdateWindow(w[2]);
    InvalidateRect(button[2], nullptr, FALSE);
    UpdateWindow(button[2]);
    Capture shot = capture(button[2]);
    DWORD middle = shot.at(shot.w / 2, shot.h * 3 / 4);
    EXPECT_LT(red(middle), 200) << std::hex << middle;  // the system face would be light grey
    EXPECT_GT(red(middle), 0x40);                       // the white base lies over the background
    Capture frame = capture(w[2]);
    EXPECT_EQ(0x404040u, frame.at(150, 200)) << std::hex << frame.at(150, 200);
}

TEST_F(SkinWindowTest, PushCheckAndAutoRadioAreSkinnedOtherButtonsKeepTheirLook) {
    HWND w = make();
    HWND push = addChild(w, "Button", "按", BS_PUSHBUTTON, 10, 30, 60, 24);
    HWND defPush = addChild(w, "Button", "默认", BS_DEFPUSHBUTTON, 80, 30, 60, 24);
    HWND check = addChild(w, "Button", "选", BS_AUTOCHECKBOX, 10, 60, 80, 20);
    HWND radio = addChild(w, "Button", "单", BS_AUTORADIOBUTTON, 10, 90, 80, 20);
    HWND group = addChild(w, "Button", "组", BS_GROUPBOX, 150, 60, 120, 80);
    HWND plainRadio = addChild(w, "Button", "普", BS_RADIOBUTTON, 10, 120, 80, 20);
    HWND ownerDrawn = addChild(w, "Button", "自", BS_OWNERDRAW, 10, 150, 60, 24);
    HWND threeState = addChild(w, "Button", "三", BS_AUTO3STATE, 100, 150, 60, 24);
    ASSERT_TRUE(SkinWindow(w));
    for (HWND skinned : {push, defPush, check, radio}) EXPECT_NE(0, prop(skinned, PROP_PROC));
    for (HWND left : {group, plainRadio, ownerDrawn, threeState}) {
        EXPECT_EQ(0, prop(left, PROP_PROC));
        EXPECT_EQ(0, prop(left, PROP_OWNER_INDEX));
    }
    EXPECT_EQ(BS_OWNERDRAW, GetWindowLongPtrW(push, GWL_STYLE) & 0xF);
    EXPECT_EQ(BS_OWNERDRAW, GetWindowLongPtrW(defPush, GWL_STYLE) & 0xF);
    EXPECT_EQ(BUTTON_CHECK, controlRecord(check, TABLE_BUTTONS)->kind);
    EXPECT_EQ(BUTTON_RADIO, controlRecord(radio, TABLE_BUTTONS)->kind);
    EXPECT_EQ(BUTTON_PUSH, controlRecord(push, TABLE_BUTTONS)->kind);
    EXPECT_EQ(4u, recordOfWindow(w)->tables[TABLE_BUTTONS].size());
    // Push buttons come first in the table.
    EXPECT_EQ(push, recordOfWindow(w)->tables[TABLE_BUTTONS][0].handle);

    // The skinned check box still checks, and the radio button still belongs to its group.
    SendMessageW(check, BM_CLICK, 0, 0);
    EXPECT_EQ(BST_CHECKED, SendMessageW(check, BM_GETCHECK, 0, 0));
    SendMessageW(check, BM_CLICK, 0, 0);
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(check, BM_GETCHECK, 0, 0));
    SendMessageW(radio, BM_CLICK, 0, 0);
    EXPECT_EQ(BST_CHECKED, SendMessageW(radio, BM_GETCHECK, 0, 0));
}

TEST_F(SkinWindowTest, ControlsOffSkinsTheFrameOnly) {
    SetControlSkinOptions(false);
    HWND w = make();
    HWND push = addChild(w, "Button", "按", BS_PUSHBUTTON, 10, 30, 60, 24);
    HWND edit = addChild(w, "Edit", "", WS_VSCROLL | ES_MULTILINE, 10, 60, 100, 60);
    ASSERT_TRUE(SkinWindow(w));
    EXPECT_NE(0, prop(w, PROP_PROC));
    EXPECT_EQ(0, prop(push, PROP_PROC));
    EXPECT_EQ(0, prop(edit, PROP_PROC));
    EXPECT_EQ(BS_PUSHBUTTON, GetWindowLongPtrW(push, GWL_STYLE) & 0xF);
}

TEST_F(SkinWindowTest, EditWithBothScrollBarsGetsTwoOverlaysExactlyOverThem) {
    HWND w = make();
    HWND both = addChild(w, "Edit", "", ES_MULTILINE | WS_VSCROLL | WS_HSCROLL, 10, 30, 200, 100, WS_EX_CLIENTEDGE);
    HWND plain = addChild(w, "Edit", "", 0, 10, 150, 200, 22, WS_EX_CLIENTEDGE);
    ASSERT_TRUE(skinAndShow(w));
    ControlRecord* record = controlRecord(both, TABLE_EDITS);
    ASSERT_NE(nullptr, record);
    ASSERT_NE(nullptr, record->vOverlay);
    ASSERT_NE(nullptr, record->hOverlay);
    for (auto [overlay, id] :
         {std::pair{record->vOverlay, OBJID_VSCROLL}, std::pair{record->hOverlay, OBJID_HSCROLL}}) {
        SCROLLBARINFO info{};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetScrollBarInfo(both, id, &info));
        RECT overlayRect{};
        GetWindowRect(overlay, &overlayRect);
        EXPECT_TRUE(EqualRect(&info.rcScrollBar, &overlayRect))
            << info.rcScrollBar.left << "," << info.rcScrollBar.top << " " << info.rcScrollBar.right << ","
            << info.rcScrollBar.bottom << " vs " << overlayRect.left << "," << overlayRect.top << " "
            << overlayRect.right << "," << overlayRect.bottom;
        EXPECT_TRUE(IsWindowVisible(overlay));
        EXPECT_EQ(both, reinterpret_cast<HWND>(prop(overlay, PROP_OVERLAY_TARGET)));
        EXPECT_NE(0, prop(overlay, PROP_PROC));
        char cls[16] = {};
        GetClassNameA(overlay, cls, sizeof cls);
        EXPECT_STREQ("Static", cls);
        bool aboveEdit = false;
        for (HWND below = GetWindow(overlay, GW_HWNDNEXT); below; below = GetWindow(below, GW_HWNDNEXT))
            aboveEdit = aboveEdit || below == both;
        EXPECT_TRUE(aboveEdit) << "the overlay lies over its edit";
    }
    ControlRecord* plainRecord = controlRecord(plain, TABLE_EDITS);
    ASSERT_NE(nullptr, plainRecord);
    EXPECT_EQ(nullptr, plainRecord->vOverlay);
    EXPECT_EQ(nullptr, plainRecord->hOverlay);
    int visibleStatics = 0;
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (prop(c, PROP_OVERLAY_TARGET) == reinterpret_cast<INT_PTR>(plain) && IsWindowVisible(c)) ++visibleStatics;
    EXPECT_EQ(0, visibleStatics);

    // Moving the edit takes its overlays along.
    SetWindowPos(both, nullptr, 40, 40, 200, 100, SWP_NOZORDER);
    SCROLLBARINFO moved{};
    moved.cbSize = sizeof moved;
    GetScrollBarInfo(both, OBJID_VSCROLL, &moved);
    RECT overlayRect{};
    GetWindowRect(record->vOverlay, &overlayRect);
    EXPECT_TRUE(EqualRect(&moved.rcScrollBar, &overlayRect));
}

TEST_F(SkinWindowTest, VeilDecidesWhetherEditsGetTheSkinBrush) {
    HWND w = make();
    HWND edit = addChild(w, "Edit", "文字", 0, 10, 40, 150, 24, WS_EX_CLIENTEDGE);
    ASSERT_TRUE(skinAndShow(w, 20));
    HDC dc = GetDC(edit);
    // Veil on: the pattern brush of the background behind the edit, kept in Kj_dxjb.
    auto brush = SendMessageW(w, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
    EXPECT_NE(0, brush);
    EXPECT_EQ(brush, prop(edit, PROP_BACK_BRUSH));
    EXPECT_NE(0, prop(edit, PROP_BACK_BITMAP));
    // Asking again replaces the brush and bitmap rather than piling them up.
    LiveCounts before = liveCounts();
    SendMessageW(w, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
    EXPECT_EQ(before.gdi, liveCounts().gdi);

    SetControlSkinOptions(true);  // veil off
    auto systemBrush = SendMessageW(w, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
    EXPECT_NE(systemBrush, prop(edit, PROP_BACK_BRUSH)) << "veil off leaves the edit to the system";
    ReleaseDC(edit, dc);
}

TEST_F(SkinWindowTest, AComboBoxTakesTheBrushOfItsEditAlongWhenDestroyed) {
    LiveCounts start = liveCounts();
    HWND w = make();
    HWND combo = addChild(w, "ComboBox", "", CBS_DROPDOWN | WS_VSCROLL, 10, 40, 150, 120);
    ASSERT_TRUE(skinAndShow(w, 20));
    HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr);
    ASSERT_TRUE(edit);
    HDC dc = GetDC(combo);
    auto brush = SendMessageW(combo, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
    ReleaseDC(combo, dc);
    EXPECT_EQ(brush, prop(edit, PROP_BACK_BRUSH));
    DestroyWindow(w);
    pump(10);
    EXPECT_EQ(start.gdi, liveCounts().gdi) << "no pattern brush or bitmap outlives the combo box";
}

TEST_F(SkinWindowTest, EditBorderFollowsFocusWithTheAccentAndNormalLine) {
    SetControlSkinOptions(true, 100);
    HWND w = make();
    HWND edit = addChild(w, "Edit", "", 0, 20, 60, 150, 24, WS_EX_CLIENTEDGE);
    HWND other = addChild(w, "Button", "另", BS_PUSHBUTTON, 200, 60, 60, 24);
    ASSERT_TRUE(SkinWindow(w));
    show(w);
    const double veiled = over(0x40, 0xFF, 100);
    ASSERT_TRUE(giveFocus(w, edit));
    PaintEditFrame(edit);
    Capture focused = capture(edit);
    DWORD f = focused.at(0, focused.h / 2);
    // Accent 0xFF8800 is RGB(0x00, 0x88, 0xFF) at alpha 180 over the veiled grey.
    EXPECT_NEAR(over(veiled, 0x00, 180), red(f), 6) << std::hex << f;
    EXPECT_NEAR(over(veiled, 0x88, 180), green(f), 6);
    EXPECT_NEAR(over(veiled, 0xFF, 180), blue(f), 6);

    SetFocus(other);  // losing the focus repaints the frame at once
    Capture normal = capture(edit);
    DWORD n = normal.at(0, normal.h / 2);
    EXPECT_NEAR(over(veiled, 0, 80), red(n), 6) << std::hex << n;
    EXPECT_NEAR(over(veiled, 0, 80), blue(n), 6);

    // Hovering a client-edge edit draws the three-line glow: the inner line is the accent at 180.
    SendMessageW(edit, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    Capture hot = capture(edit);
    DWORD inner = hot.at(1, hot.h / 2);
    EXPECT_NEAR(over(veiled, 0xFF, 180), blue(inner), 8) << std::hex << inner;
    EXPECT_NEAR(over(veiled, 0x00, 180), red(inner), 8);
    EXPECT_EQ(1, recordOfWindow(w)->hotControlKind);
}

TEST_F(SkinWindowTest, VeilOffPaintsTheEditFrameOpaqueWhite) {
    SetControlSkinOptions(true);
    HWND w = make();
    HWND edit = addChild(w, "Edit", "", 0, 20, 60, 150, 24, WS_EX_CLIENTEDGE);
    ASSERT_TRUE(skinAndShow(w));
    PaintEditFrame(edit, 0, 0);
    Capture shot = capture(edit);
    EXPECT_NEAR(over(255, 0, 80), red(shot.at(0, shot.h / 2)), 6);  // black line at 80 over white
    EXPECT_EQ(0xFFFFFFu, shot.at(1, shot.h / 2));                   // frame area: opaque white
}

TEST_F(SkinWindowTest, SetWindowEffectNeedsASkinnedWindow) {
    HWND w = make();
    EXPECT_FALSE(SetWindowEffect(w, 2));
    ASSERT_TRUE(SkinWindow(w));
    EXPECT_TRUE(SetWindowEffect(w, 2));
    EXPECT_EQ(2, recordOfWindow(w)->effect);
    HWND plain = make();
    setProp(plain, PROP_INDEX, 999);  // a stale index is out of range
    EXPECT_FALSE(SetWindowEffect(plain, 1));
}

TEST_F(SkinWindowTest, PulseCloseEffectShrinksFiveFramesAndGrowsFiveWithFallingAlpha) {
    HWND w = make();
    ASSERT_TRUE(skinWithCloseEffect(w, 2));
    SendMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(w));
    const auto& frames = lastCloseEffect();
    ASSERT_EQ(10u, frames.size());
    for (int i = 0; i < 10; ++i) EXPECT_EQ(230 - 25 * i, frames[i].alpha);
    auto width = [&](int i) { return frames[i].rect.right - frames[i].rect.left; };
    int dx = static_cast<int>(320 * 0.02);
    EXPECT_EQ(320 - dx, width(0));
    EXPECT_EQ(320 - 5 * dx, width(4));
    EXPECT_EQ(320, width(9));
    EXPECT_LT(width(4), width(5));
}

TEST_F(SkinWindowTest, AWindowKeptOpenAfterTheCloseEffectIsPutBackAsItWas) {
    HWND w = withOwnProc(make(), keepOpenProc);
    ASSERT_TRUE(SkinWindow(w));
    SetWindowEffect(w, 1);
    showPainted(w);
    RECT before{};
    GetWindowRect(w, &before);
    SendMessageW(w, WM_CLOSE, 0, 0);
    ASSERT_EQ(10u, lastCloseEffect().size());
    ASSERT_TRUE(IsWindow(w));
    pump(30);
    RECT after{};
    GetWindowRect(w, &after);
    EXPECT_TRUE(EqualRect(&before, &after)) << "left " << after.left << " width " << after.right - after.left;
    EXPECT_EQ(0, GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_LAYERED);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(ERROR, GetWindowRgn(w, region)) << "the rounded corners come back";
    DeleteObject(region);
    UpdateWindow(w);
    EXPECT_EQ(0x404040u, capture(w).at(100, 150));
}

TEST_F(SkinWindowTest, ShrinkCloseEffectCollapsesToTheCentre) {
    HWND w = make();
    ASSERT_TRUE(skinWithCloseEffect(w, 1));
    RECT before{};
    GetWindowRect(w, &before);
    SendMessageW(w, WM_CLOSE, 0, 0);
    const auto& frames = lastCloseEffect();
    ASSERT_EQ(10u, frames.size());
    EXPECT_LE(frames[9].rect.right - frames[9].rect.left, 32 / 10 + 1);
    int centre = (before.left + before.right) / 2;
    EXPECT_NEAR(centre, (frames[9].rect.left + frames[9].rect.right) / 2, 16);
}

TEST_F(SkinWindowTest, CaptionButtonHoverInAndOutEndsNormalWithTheTimerStopped) {
    HWND w = make();
    ASSERT_TRUE(skinAndShow(w));
    WindowRecord* record = recordOfWindow(w);
    ASSERT_EQ(3u, record->buttons.size());  // close, maximise, minimise
    EXPECT_EQ(CB_CLOSE, record->buttons[0].kind);
    EXPECT_EQ(40, record->buttons[0].rect.right - record->buttons[0].rect.left);
    EXPECT_EQ(26, record->buttons[1].rect.right - record->buttons[1].rect.left);
    EXPECT_EQ(27, record->buttons[0].rect.left - record->buttons[1].rect.left);  // the 27-pixel pitch
    RECT close = record->buttons[0].rect;
    Capture normal = capture(w);
    int cx = (close.left + close.right) / 2 - 8, cy = close.top + 3;
    POINT screen{cx, cy};
    ClientToScreen(w, &screen);
    SetCursorPos(screen.x, screen.y);
    SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(cx, cy));
    EXPECT_EQ(0, record->hotButton);
    EXPECT_TRUE(record->timerRunning);
    pump(200);
    Capture hot = capture(w);
    EXPECT_GT(red(hot.at(cx, cy)), red(normal.at(cx, cy)) + 60) << "the close button glows red when hot";
    EXPECT_FALSE(record->timerRunning) << "fade-in done";

    // In and out within 50 ms. The real pointer leaves too: left over the button, a window
    // mapped or unmapped over it would bring the hover back with a real motion.
    RECT frame{};
    GetWindowRect(w, &frame);
    SetCursorPos(frame.left > 20 ? frame.left - 20 : frame.right + 20, frame.top);
    SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(5, 100));
    SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(cx - 27, cy));
    pump(30);
    SendMessageW(w, WM_MOUSELEAVE, 0, 0);
    pump(400);
    EXPECT_FALSE(record->timerRunning);
    EXPECT_EQ(-1, record->hotButton);
    EXPECT_EQ(-1, record->prevButton);
    Capture after = capture(w);
    EXPECT_EQ(normal.at(cx, cy), after.at(cx, cy));
    EXPECT_EQ(normal.at(cx - 27, cy), after.at(cx - 27, cy));
}

TEST_F(SkinWindowTest, CloseButtonClickClosesAndTooltipsNameTheButtons) {
    HWND w = make();
    ASSERT_TRUE(skinAndShow(w, 20));
    WindowRecord* record = recordOfWindow(w);
    ASSERT_TRUE(record->tips);
    EXPECT_EQ(3, record->tips->ToolCount());
    EXPECT_EQ("关闭", record->buttons[0].tip);
    EXPECT_EQ("最大化", record->buttons[1].tip);
    EXPECT_EQ("最小化", record->buttons[2].tip);
    RECT close = record->buttons[0].rect;
    LPARAM at = MAKELPARAM((close.left + close.right) / 2, (close.top + close.bottom) / 2);
    SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
    EXPECT_TRUE(IsWindow(w));
    SendMessageW(w, WM_LBUTTONUP, 0, at);
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(SkinWindowTest, MaximiseButtonTogglesAndItsTipFollows) {
    HWND w = make();
    ASSERT_TRUE(skinAndShow(w, 20));
    WindowRecord* record = recordOfWindow(w);
    RECT max = record->buttons[1].rect;
    LPARAM at = MAKELPARAM((max.left + max.right) / 2, (max.top + max.bottom) / 2);
    SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(w, WM_LBUTTONUP, 0, at);
    pump(30);
    EXPECT_TRUE(IsZoomed(w));
    EXPECT_EQ("还原", record->buttons[1].tip);
    max = record->buttons[1].rect;  // laid out again for the new width
    at = MAKELPARAM((max.left + max.right) / 2, (max.top + max.bottom) / 2);
    SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(w, WM_LBUTTONUP, 0, at);
    pump(30);
    EXPECT_FALSE(IsZoomed(w));
    EXPECT_EQ("最大化", record->buttons[1].tip);
}

TEST_F(SkinWindowTest, NotResizableIgnoresCaptionDoubleClickAndHasNoSizingEdges) {
    HWND w = make();
    ASSERT_TRUE(skinShown(w, switchedOff(&SkinWindowOptions::resizable), 20));
    SendMessageW(w, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(60, 10));
    pump(20);
    EXPECT_FALSE(IsZoomed(w));

    HWND r = make();
    ASSERT_TRUE(skinAndShow(r, 20));
    SendMessageW(r, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(60, 10));
    pump(20);
    EXPECT_TRUE(IsZoomed(r));
}

TEST_F(SkinWindowTest, MinimumTrackingSizeAndMaximisedArea) {
    HWND w = make();
    ASSERT_TRUE(SkinWindow(w));
    MINMAXINFO info{};
    SendMessageW(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(200, info.ptMinTrackSize.x);
    EXPECT_EQ(150, info.ptMinTrackSize.y);
    EXPECT_GT(info.ptMaxSize.x, 0);
    EXPECT_LE(info.ptMaxSize.x, GetSystemMetrics(SM_CXSCREEN));
}

TEST_F(SkinWindowTest, TheWindowsOwnProcedureStillGetsTheSizeLimits) {
    HWND w = withOwnProc(make(), recordMinMaxProc);
    ASSERT_TRUE(SkinWindow(w));
    g_minSeenByOwnProc = {};
    MINMAXINFO info{};
    SendMessageW(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(200, g_minSeenByOwnProc.x);
    EXPECT_EQ(150, g_minSeenByOwnProc.y);
}

TEST_F(SkinWindowTest, TheSizingCursorShowsOnlyWhereTheEdgeCanBeDragged) {
    auto cursorAtLeftEdge = [](HWND w) {
        POINT p{1, 100};
        ClientToScreen(w, &p);
        SetCursorPos(p.x, p.y);
        SetCursor(nullptr);
        SendMessageW(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    HCURSOR sizeWE = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_SIZEWE));
    HWND framed = make();
    ASSERT_TRUE(skinAndShow(framed, 20));
    EXPECT_EQ(sizeWE, cursorAtLeftEdge(framed));
    DestroyWindow(framed);

    HWND bare = make();
    ASSERT_TRUE(skinShown(bare, switchedOff(&SkinWindowOptions::drawCaption), 20));
    EXPECT_NE(sizeWE, cursorAtLeftEdge(bare)) << "a window without the skin's caption is not sized by the skin";
    SetCursorPos(0, 0);
}

TEST_F(SkinWindowTest, WithoutCaptionThereIsNoRegionNoButtonsAndNoDrag) {
    HWND w = make();
    ASSERT_TRUE(skinShown(w, switchedOff(&SkinWindowOptions::drawCaption), 30));
    WindowRecord* record = recordOfWindow(w);
    EXPECT_TRUE(record->buttons.empty());
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(ERROR, GetWindowRgn(w, region));
    DeleteObject(region);
    SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(300, 5));
    EXPECT_FALSE(record->timerRunning);

    HWND rounded = make();
    ASSERT_TRUE(skinAndShow(rounded));
    HRGN r2 = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(ERROR, GetWindowRgn(rounded, r2));
    EXPECT_FALSE(PtInRegion(r2, 0, 0)) << "the corner is cut off";
    EXPECT_TRUE(PtInRegion(r2, 160, 100));
    DeleteObject(r2);
}

namespace {
int g_trims = 0;
void countTrim() {
    ++g_trims;
}
void quietTrim() {}
}  // namespace

TEST_F(SkinWindowTest, DeactivatingTheApplicationTrimsOnceReactivatingDoesNot) {
    setTrimFunction(countTrim);
    HWND w = make();
    ASSERT_TRUE(SkinWindow(w));
    g_trims = 0;
    SendMessageW(w, WM_ACTIVATEAPP, 0, 0);
    EXPECT_EQ(1, g_trims);
    EXPECT_FALSE(recordOfWindow(w)->appActive);
    SendMessageW(w, WM_ACTIVATEAPP, 1, 0);
    EXPECT_EQ(1, g_trims);
    EXPECT_TRUE(recordOfWindow(w)->appActive);
    setTrimFunction(quietTrim);
}

TEST_F(SkinWindowTest, SetSkinRepaintsVisibleWindowsWithTheNewColour) {
    HWND w = make();
    ASSERT_TRUE(SkinWindow(w));
    showPainted(w);
    EXPECT_EQ(0x404040u, capture(w).at(100, 150));
    SkinSettings s;
    s.mainColour = RGB(0x20, 0x80, 0x30);
    SetSkin(s);
    UpdateWindow(w);
    pump(30);
    EXPECT_EQ(0x208030u, capture(w).at(100, 150));
}

TEST_F(SkinWindowTest, AWindowHiddenDuringSetSkinShowsTheNewSkinWhenShownAgain) {
    HWND w = make();
    ASSERT_TRUE(SkinWindow(w));
    showPainted(w);
    ASSERT_EQ(0x404040u, capture(w).at(100, 150));
    ShowWindow(w, SW_HIDE);
    pump(10);
    SkinSettings s;
    s.mainColour = RGB(0x20, 0x80, 0x30);
    SetSkin(s);
    showPainted(w);
    EXPECT_EQ(0x208030u, capture(w).at(100, 150));
}

TEST_F(SkinWindowTest, CheckBoxesRadioButtonsListsAndScrollBarsTakeTheSkin) {
    SkinSettings s;
    s.skinImage = BuiltInSkinPicture();
    s.accentColour = 0xFF8800;
    s.mode = 3;
    SetSkin(s);
    HWND w = make(WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX);
    SetWindowPos(w, nullptr, 0, 0, 420, 260, SWP_NOMOVE | SWP_NOZORDER);
    HWND check = addChild(w, "Button", "记住网址", BS_AUTOCHECKBOX, 12, 36, 110, 20);
    HWND radio1 = addChild(w, "Button", "百度", BS_AUTORADIOBUTTON | WS_GROUP, 12, 62, 110, 20);
    addChild(w, "Button", "其他", BS_AUTORADIOBUTTON, 12, 88, 110, 20);
    HWND list = addChild(w, "ListBox", "", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 12, 116, 110, 90, WS_EX_CLIENTEDGE);
    for (const wchar_t* item : {L"pan.example.com", L"disk.example.net", L"yun.example.org"})
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    HWND edit = addChild(w, "Edit", "", ES_MULTILINE | WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL, 136, 36, 270, 170,
                         WS_EX_CLIENTEDGE);
    std::wstring text;
    for (int i = 1; i <= 30; ++i) text += L"line " + std::to_wstring(i) + L" of a long text that needs both bars\r\n";
    SetWindowTextW(edit, text.c_str());
    HWND disabled = addChild(w, "Button", "禁用", BS_PUSHBUTTON | WS_DISABLED, 12, 220, 70, 26);
    addChild(w, "Button", "确定", BS_PUSHBUTTON, 336, 220, 70, 26);
    ASSERT_TRUE(SkinWindow(w));
    EXPECT_NE(0, prop(list, PROP_PROC));
    EXPECT_NE(0, prop(disabled, PROP_PROC));
    show(w);
    UpdateWindow(w);
    pump(60);

    // The mark follows the check state: the system redraws the box on BM_SETCHECK and the
    // skin paints over it again.
    Capture unchecked = capture(check);
    SendMessageW(check, BM_SETCHECK, BST_CHECKED, 0);
    Capture checked = capture(check);
    int markX = 1 + 6, markY = checked.h / 2 + 2;
    EXPECT_LT(red(checked.at(markX, markY)) + 60, red(unchecked.at(markX, markY)))
        << std::hex << checked.at(markX, markY) << " vs " << unchecked.at(markX, markY);
    SendMessageW(radio1, BM_SETCHECK, BST_CHECKED, 0);
    // The scroll-bar overlay shows a thumb now that the text is long: a light shape over the veil.
    ControlRecord* record = controlRecord(edit, TABLE_EDITS);
    ASSERT_NE(nullptr, record->vOverlay);
    EXPECT_TRUE(IsWindowVisible(record->hOverlay));
    UpdateWindow(w);
    pump(60);
    EXPECT_FALSE(saveScreenshot(w, "skin_controls.png").empty());
    // The empty part of the list shows the veiled picture, not the system's opaque white.
    EXPECT_NE(0xFFFFFFu, capture(list).at(50, 80));
}

TEST_F(SkinWindowTest, AWindowPictureIsPlacedByItsModeOverItsOwnMeanColour) {
    // A 40 x 30 picture, red on the left half and blue on the right: its mean is purple.
    draw::Bitmap bitmap;
    ASSERT_TRUE(bitmap.CreateFromScan0(40, 30));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) bitmap.SetPixel(x, y, x < 20 ? 0xFFFF0000 : 0xFF0000FF);
    std::string picture;
    ASSERT_TRUE(bitmap.SaveToBytes(picture, draw::PNG_FORMAT));
    struct Case {
        int mode;
        POINT red, blue;
    };
    // Client 320 x 220; below the caption gloss (y >= 25) except where the picture sits.
    const Case cases[] = {
        {4, {5, 28}, {35, 28}},       // top left at natural size
        {1, {285, 28}, {315, 28}},    // top right, composed: washed towards the mean
        {2, {145, 110}, {175, 110}},  // centred
        {3, {100, 150}, {220, 150}},  // stretched over the client area
    };
    for (const Case& c : cases) {
        HWND w = make();
        SkinWindowOptions options;
        options.windowPicture = picture;
        options.windowMode = c.mode;
        ASSERT_TRUE(SkinWindow(w, options));
        show(w);
        UpdateWindow(w);
        pump(20);
        Capture shot = capture(w);
        DWORD r = shot.at(c.red.x, c.red.y), b = shot.at(c.blue.x, c.blue.y);
        if (c.mode == 1) {
            EXPECT_GT(red(r), blue(r) + 80) << std::hex << r;
            EXPECT_GT(blue(b), red(b) + 80) << std::hex << b;
            EXPECT_GT(blue(r), 0x20) << "tinted, not the plain picture";
        } else {
            EXPECT_EQ(0xFF0000u, r) << "mode " << c.mode;
            EXPECT_EQ(0x0000FFu, b) << "mode " << c.mode;
        }
        if (c.mode != 3) {
            DWORD rest = shot.at(160, 200);  // outside the picture: its mean colour
            EXPECT_NEAR(0x7F, red(rest), 2) << "mode " << c.mode << " " << std::hex << rest;
            EXPECT_EQ(0, green(rest));
            EXPECT_NEAR(0x7F, blue(rest), 2);
        }
        DestroyWindow(w);
    }
}

TEST_F(SkinWindowTest, AWindowPictureThatCannotBeDecodedLeavesTheMainColour) {
    HWND w = make();
    SkinWindowOptions options;
    options.windowPicture = "not a picture at all";
    ASSERT_TRUE(SkinWindow(w, options));
    show(w);
    UpdateWindow(w);
    pump(20);
    EXPECT_EQ(0x404040u, capture(w).at(100, 150));
}
