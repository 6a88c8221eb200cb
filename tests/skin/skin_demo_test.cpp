// The demo window, skinned as the settings window is: its screenshot, and no GDI or USER
// objects left behind over many create-skin-destroy cycles.
#include <windows.h>

#include <gtest/gtest.h>

#include "draw/draw.h"
#include "skin/engine.h"
#include "tests/skin/skin_test_util.h"
#include "tools/skin_demo/demo_window.h"

using namespace skin;
using namespace skintest;

TEST(SkinDemo, LooksLikeTheSettingsWindowAndIsSavedAsAScreenshot) {
    HWND window = createDemoWindow();
    ASSERT_NE(nullptr, window);
    SetForegroundWindow(window);
    pump(300);
    WindowRecord* record = recordOfWindow(window);
    ASSERT_NE(nullptr, record);
    EXPECT_FALSE(record->resizable);
    EXPECT_EQ(2, record->effect);
    EXPECT_EQ(3, settings().mode);
    EXPECT_EQ(0xFF8800u, settings().accentColour);
    EXPECT_TRUE(settings().veilOn);
    EXPECT_EQ(100, settings().veilAlpha);
    EXPECT_EQ(0, GetWindowLongPtrW(window, GWL_STYLE) & WS_CLIPCHILDREN);
    EXPECT_EQ(4u, record->tables[TABLE_BUTTONS].size());
    ASSERT_EQ(1u, record->tables[TABLE_EDITS].size());
    EXPECT_NE(nullptr, record->tables[TABLE_EDITS][0].vOverlay);
    EXPECT_EQ(2u, record->buttons.size());  // close and minimise: the demo has no maximise box

    // The caption gloss makes the top of the bar lighter than the picture just below it.
    Capture shot = capture(window);
    EXPECT_GT(red(shot.at(100, 2)) + green(shot.at(100, 2)), red(shot.at(100, 30)) + green(shot.at(100, 30)));
    std::string path = saveScreenshot(window, "skin_demo.png");
    EXPECT_FALSE(path.empty());
    draw::Image saved;
    ASSERT_TRUE(saved.LoadFromFile(path));
    UINT w = 0;
    saved.GetWidth(w);
    EXPECT_EQ(381u, w);

    // The message-box button shows a skinned box owned by the window; answer it from a timer.
    struct Answer {
        static void CALLBACK fire(HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            for (HWND box : threadBoxes()) SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        }
    };
    SetTimer(nullptr, 0, 400, Answer::fire);
    SendMessageW(GetDlgItem(window, DEMO_MESSAGE_ID), BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindow(window));
    SendMessageW(GetDlgItem(window, DEMO_CANCEL_ID), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(10u, lastCloseEffect().size());
}
