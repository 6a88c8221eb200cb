// No GDI, USER or graphics objects left behind over 200 cycles of creating, skinning, using and
// destroying the demo window, counted where the skin creates them (GetGuiResources is a stub
// under Wine).
#include <windows.h>

#include <gtest/gtest.h>

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
