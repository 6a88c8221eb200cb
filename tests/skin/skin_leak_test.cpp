// No GDI, USER or graphics objects left behind over 200 cycles of creating, skinning, using and
// destroying the demo window, counted where the skin creates them (GetGuiResources is a stub
// under Wine).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "draw/draw.h"
#include "skin/engine.h"
#include "tests/skin/skin_test_util.h"
#include "tools/skin_demo/demo_window.h"

using namespace skin;
using namespace skintest;

TEST(SkinDemo, TwoHundredCyclesLeaveNoGdiUserOrGraphicsObjectsBehind) {
    // One cycle first, so caches that live for the process (the decoded picture) are in place.
    HWND warm = createDemoWindow(false);
    pump(30);
    DestroyWindow(warm);
    pump(10);
    const LiveCounts start = liveCounts();
    const int graphicsStart = draw::liveObjectCount();
    const size_t tableStart = windowTable().size();
    for (int cycle = 0; cycle < 200; ++cycle) {
        HWND window = createDemoWindow(false);
        ASSERT_NE(nullptr, window);
        HWND edit = GetDlgItem(window, DEMO_EDIT_ID);
        SendMessageW(edit, WM_CHAR, 'a', 0);  // colours and overlays at work
        SendMessageW(edit, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
        UpdateWindow(window);
        SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(300, 10));
        pump(5);
        DestroyWindow(window);
        pump(2);
        ASSERT_EQ(start.gdi, liveCounts().gdi) << "cycle " << cycle;
        ASSERT_EQ(start.user, liveCounts().user) << "cycle " << cycle;
    }
    EXPECT_EQ(graphicsStart, draw::liveObjectCount());
    EXPECT_EQ(tableStart, windowTable().size());
}

namespace {

int g_boxesAnswered = 0;
int g_skinBelowTips = 0;  // boxes whose skin procedure replaced the box's own procedure
LRESULT CALLBACK ownBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam);
std::vector<HFONT> g_boxFonts;  // the fonts each box made for itself
void CALLBACK answerBox(HWND, UINT, UINT_PTR id, DWORD) {
    for (HWND box : threadBoxes()) {
        if (!GetPropA(box, PROP_PROC)) continue;  // not skinned yet
        KillTimer(nullptr, id);
        ++g_boxesAnswered;
        // Subclassed first, the skin replaced the box's own procedure; the tooltip's subclass lies
        // above it and takes only itself away. Had the tooltip come first, the skin would hold
        // the tooltip's procedure, and the box's own would be cut off with the tooltip.
        if (reinterpret_cast<WNDPROC>(GetPropA(box, PROP_PROC)) == ownBoxProc) ++g_skinBelowTips;
        for (HWND window : {box, GetDlgItem(box, 0xFFFF)}) {
            auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
            if (font && font != GetStockObject(DEFAULT_GUI_FONT) && font != GetStockObject(SYSTEM_FONT))
                g_boxFonts.push_back(font);
        }
        SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        return;
    }
}

// The box's own procedure, put under everything else when the box is created, counts the
// destruction messages that reach it.
int g_ownDestroys = 0, g_ownNcDestroys = 0;
LRESULT CALLBACK ownBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    auto own = reinterpret_cast<WNDPROC>(GetPropA(box, "Test_Own"));
    if (message == WM_DESTROY) ++g_ownDestroys;
    if (message == WM_NCDESTROY) {
        ++g_ownNcDestroys;
        RemovePropA(box, "Test_Own");
    }
    return CallWindowProcW(own, box, message, wParam, lParam);
}
HHOOK g_createHook = nullptr;
LRESULT CALLBACK onCreate(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        auto window = reinterpret_cast<HWND>(wParam);
        char cls[16] = {};
        GetClassNameA(window, cls, sizeof cls);
        if (!std::strcmp(cls, "#32770"))
            SetPropA(window, "Test_Own",
                     reinterpret_cast<HANDLE>(
                         SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ownBoxProc))));
    }
    return CallNextHookEx(g_createHook, code, wParam, lParam);
}

}  // namespace

// The box's caption tooltip subclasses it (TTF_SUBCLASS). Done before the skin's own subclass,
// the tooltip, destroyed first with its owner, tore its subclass down under the skin's, so the
// skin passed WM_DESTROY and WM_NCDESTROY to a procedure that was gone and the box's own
// procedure never freed its dialog data and fonts. The fonts a box makes must be gone with it,
// and the engine's own counters must return to where they were.
constexpr int BOXES = 200;
TEST(SkinMessageBoxes, TwoHundredBoxesLeaveNoRecordsOrObjectsBehind) {
    SkinSettings s;
    s.skinImage = BuiltInSkinPicture();
    s.mode = 3;
    SetSkin(s);
    SetControlSkinOptions(true, 100);
    const LiveCounts start = liveCounts();
    const size_t tableStart = windowTable().size();
    g_boxesAnswered = 0;
    g_boxFonts.clear();
    g_ownDestroys = g_ownNcDestroys = g_skinBelowTips = 0;
    g_createHook = SetWindowsHookExW(WH_CBT, onCreate, nullptr, GetCurrentThreadId());
    for (int i = 0; i < BOXES; ++i) {
        SetTimer(nullptr, 0, 15, answerBox);
        ASSERT_EQ(0, SkinnedMessageBox(nullptr, "第几个消息框", 0, "提示")) << "box " << i;
        pump(1);
        ASSERT_EQ(tableStart, windowTable().size()) << "box " << i << " left its record";
        ASSERT_EQ(start.gdi, liveCounts().gdi) << "box " << i;
        ASSERT_EQ(start.user, liveCounts().user) << "box " << i;
        ASSERT_EQ(i + 1, g_ownNcDestroys) << "box " << i << ": its own procedure missed WM_NCDESTROY";
    }
    UnhookWindowsHookEx(g_createHook);
    EXPECT_EQ(BOXES, g_ownDestroys);
    EXPECT_EQ(BOXES, g_skinBelowTips);
    EXPECT_EQ(BOXES, g_boxesAnswered);
    ASSERT_FALSE(g_boxFonts.empty());
    int alive = 0;
    for (HFONT font : g_boxFonts) alive += GetObjectType(font) != 0 ? 1 : 0;
    EXPECT_EQ(0, alive) << "of " << g_boxFonts.size() << " fonts made by the boxes";
}
