// Skinned message boxes, driven from thread timers that fire inside the box's modal loop.
#include <windows.h>

#include <gtest/gtest.h>

#include "skin/engine.h"
#include "tests/skin/skin_test_util.h"
#include "tools/skin_demo/demo_window.h"

using namespace skin;
using namespace skintest;

namespace {

struct BoxProbe {
    HWND first = nullptr;
    HWND second = nullptr;
    BYTE firstAlpha = 0;
    BYTE secondAlpha = 0;
    BYTE alphaAtStart = 255;
    bool skinned = false;
    bool hookGoneWhileShown = false;
    int pressed = -1;
    int nestedResult = -99;
    int button = IDOK;
    std::string screenshotName;  // only the test that wants a picture of its box sets this
    std::string screenshot;
    int width = 0;
    size_t statics = 0;
    bool okOwnerDrawn = false;
};
BoxProbe g_probe;

BYTE alphaOf(HWND window) {
    BYTE alpha = 0;
    DWORD flags = 0;
    COLORREF key = 0;
    if (!GetLayeredWindowAttributes(window, &key, &alpha, &flags)) return 0;
    return alpha;
}

HWND newestBox(HWND except) {
    for (HWND box : threadBoxes())
        if (box != except) return box;
    return nullptr;
}

void click(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    if (button) {
        SendMessageW(button, BM_CLICK, 0, 0);
    } else {
        PostMessageW(box, WM_COMMAND, id, 0);
    }
}

// Early look: the box is up, skinned and still (nearly) transparent.
void CALLBACK peekEarly(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_probe.first = newestBox(nullptr);
    if (!g_probe.first) return;
    g_probe.skinned = GetPropA(g_probe.first, PROP_PROC) != nullptr;
    g_probe.alphaAtStart = alphaOf(g_probe.first);
}

// The fade-in runs on its own thread; on a busy machine it may lag the timers here. A box
// still fading is looked at again a little later (for up to 10 s) instead of failing.
int g_fadeRetries = 0;
bool stillFading(HWND box, TIMERPROC again) {
    if (alphaOf(box) >= 240 || ++g_fadeRetries > 100) return false;
    SetTimer(nullptr, 0, 100, again);
    return true;
}

void CALLBACK answerFirst(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND box = newestBox(nullptr);
    if (!box) return;
    if (stillFading(box, answerFirst)) return;
    g_probe.first = box;
    g_probe.firstAlpha = alphaOf(box);
    RECT r{};
    GetWindowRect(box, &r);
    g_probe.width = r.right - r.left;
    if (WindowRecord* record = recordOfWindow(box)) g_probe.statics = record->tables[TABLE_STATICS].size();
    if (!g_probe.screenshotName.empty()) g_probe.screenshot = saveScreenshot(box, g_probe.screenshotName.c_str());
    g_probe.okOwnerDrawn = (GetWindowLongPtrW(GetDlgItem(box, IDOK), GWL_STYLE) & 0xF) == BS_OWNERDRAW;
    click(box, g_probe.button);
}

void CALLBACK answerSecond(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_probe.second = newestBox(g_probe.first);
    if (!g_probe.second) return;
    if (stillFading(g_probe.second, answerSecond)) return;
    g_probe.secondAlpha = alphaOf(g_probe.second);
    click(g_probe.second, IDOK);
}

void CALLBACK openSecond(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_probe.first = newestBox(nullptr);
    SetTimer(nullptr, 0, 600, answerSecond);
    g_probe.nestedResult = SkinnedMessageBox(g_probe.first, "第二个消息框", 0, "提示");
    // Back in the first box: it must still be there at full fade.
    g_probe.firstAlpha = alphaOf(g_probe.first);
    click(g_probe.first, IDOK);
}

class SkinMessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_probe = BoxProbe{};
        g_fadeRetries = 0;
        applyDemoSkin();
        tableBefore = windowTable().size();
    }
    void TearDown() override {
        pump(20);
        EXPECT_EQ(tableBefore, windowTable().size());
    }
    size_t tableBefore = 0;
};

}  // namespace

TEST_F(SkinMessageBoxTest, OkGivesZeroAndTheBoxFadesInToAlpha240) {
    g_probe.screenshotName = "skin_message_box.png";
    SetTimer(nullptr, 0, 10, peekEarly);
    SetTimer(nullptr, 0, 700, answerFirst);
    int result = SkinnedMessageBox(nullptr, "这是一个换肤的消息框。", 0, "提示");
    EXPECT_EQ(0, result);
    EXPECT_TRUE(g_probe.skinned);
    EXPECT_LT(g_probe.alphaAtStart, 240) << "the box starts transparent";
    EXPECT_EQ(240, g_probe.firstAlpha);
    // The text is a static, as is the icon where the system puts one.
    EXPECT_GE(g_probe.statics, 1u);
    EXPECT_TRUE(g_probe.okOwnerDrawn) << "the dialog's default-button style must not undo the skin";
    EXPECT_FALSE(g_probe.screenshot.empty());
    EXPECT_FALSE(fadeRunning());
}

TEST_F(SkinMessageBoxTest, CancelGivesOne) {
    g_probe.button = IDCANCEL;
    SetTimer(nullptr, 0, 400, answerFirst);
    EXPECT_EQ(1, SkinnedMessageBox(nullptr, "确定还是取消？", MB_OKCANCEL, "提示"));
}

TEST_F(SkinMessageBoxTest, ASecondBoxOpenedOverTheFirstBecomesVisibleToo) {
    SetTimer(nullptr, 0, 400, openSecond);
    int result = SkinnedMessageBox(nullptr, "第一个消息框", 0, "提示");
    EXPECT_EQ(0, result);
    EXPECT_EQ(0, g_probe.nestedResult);
    ASSERT_NE(nullptr, g_probe.second);
    EXPECT_EQ(240, g_probe.secondAlpha) << "the second box must not stay invisible";
    EXPECT_EQ(240, g_probe.firstAlpha);
}

TEST_F(SkinMessageBoxTest, TheHookIsGoneAfterTheBoxSoLaterDialogsAreLeftAlone) {
    SetTimer(nullptr, 0, 300, answerFirst);
    SkinnedMessageBox(nullptr, "一", 0, "提示");
    // A plain message box now must not be skinned.
    struct Plain {
        static void CALLBACK check(HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            HWND box = newestBox(nullptr);
            g_probe.skinned = box && GetPropA(box, PROP_PROC) != nullptr;
            if (box) click(box, IDOK);
        }
    };
    g_probe.skinned = true;
    SetTimer(nullptr, 0, 300, Plain::check);
    MessageBoxW(nullptr, L"plain", L"plain", MB_OK);
    EXPECT_FALSE(g_probe.skinned);
}

namespace {

struct HitProbe {
    LRESULT caption = 0, close = 0, body = 0;
    bool closeHot = false;
};
HitProbe g_hits;

void CALLBACK useCloseButton(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND box = newestBox(nullptr);
    WindowRecord* record = box ? recordOfWindow(box) : nullptr;
    if (!record || record->buttons.empty()) return;
    RECT window{};
    GetWindowRect(box, &window);
    RECT close = record->buttons[0].rect;
    POINT closeAt{window.left + (close.left + close.right) / 2, window.top + (close.top + close.bottom) / 2};
    g_hits.close = SendMessageW(box, WM_NCHITTEST, 0, MAKELPARAM(closeAt.x, closeAt.y));
    g_hits.caption = SendMessageW(box, WM_NCHITTEST, 0, MAKELPARAM(window.left + 40, window.top + 10));
    g_hits.body = SendMessageW(box, WM_NCHITTEST, 0, MAKELPARAM(window.left + 20, window.bottom - 10));
    SendMessageW(box, WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(closeAt.x, closeAt.y));
    g_hits.closeHot = record->closeHot;
    SendMessageW(box, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(closeAt.x, closeAt.y));
    SendMessageW(box, WM_NCLBUTTONUP, HTCLOSE, MAKELPARAM(closeAt.x, closeAt.y));
}

}  // namespace

TEST_F(SkinMessageBoxTest, TheSkinnedCloseButtonAndCaptionAnswerHitTestsAndCloseTheBox) {
    g_hits = HitProbe{};
    SetTimer(nullptr, 0, 400, useCloseButton);
    DWORD start = GetTickCount();
    int result = SkinnedMessageBox(nullptr, "用关闭按钮关闭", MB_OKCANCEL, "提示");
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_EQ(1, result);  // closing the box is a cancel
    EXPECT_EQ(HTCLOSE, g_hits.close);
    EXPECT_EQ(HTCAPTION, g_hits.caption);
    EXPECT_EQ(HTCLIENT, g_hits.body);
    EXPECT_TRUE(g_hits.closeHot);
}
