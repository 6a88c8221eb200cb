// The push-button painter read back pixel by pixel: each state's layers over a known background.
#include <windows.h>

#include <gtest/gtest.h>

#include "skin/engine.h"
#include "skin/paint_util.h"
#include "tests/skin/skin_test_util.h"

using namespace skin;
using namespace skintest;

namespace {

constexpr int BW = 100, BH = 30;

// The vertical gradients run from one pixel above the top to one below the bottom.
double along(int y, double top, double bottom) {
    return (y + 0.5 - (top - 1)) / ((bottom + 1) - (top - 1));
}
double lerp(double a, double b, double t) {
    return a + (b - a) * t;
}

void layer(Rgb& below, const double colour[3], double alpha) {
    below = layered(below, colour, alpha);
}
// Gradient stops blend weighted by their alphas (premultiplied), as GDI+ does.
void layerGradient(Rgb& below, const double from[3], double fromAlpha, const double to[3], double toAlpha, double t) {
    double alpha = lerp(fromAlpha, toAlpha, t);
    double colour[3];
    for (int i = 0; i < 3; ++i)
        colour[i] = alpha > 0 ? (from[i] * fromAlpha * (1 - t) + to[i] * toAlpha * t) / alpha : to[i];
    layer(below, colour, alpha);
}

const double MID[3] = {128, 128, 128};

// The centre column of the lower half, below the gloss and away from the outline.
Rgb expectedNormal(int y) {
    Rgb c = grey(GREY);
    layer(c, WHITE, 120);
    layerGradient(c, WHITE, 0, MID, 60, along(y, 0, BH - 1));
    return c;
}

class PushButtonPainterTest : public ::testing::Test {
protected:
    void SetUp() override {
        useTestSkin();
        window = createWindow(WS_POPUP | WS_SYSMENU, 300, 200);
        button = addChild(window, "Button", "", BS_PUSHBUTTON, 40, 80, BW, BH);
        other = addChild(window, "Button", "", BS_PUSHBUTTON, 160, 80, BW, BH);
        ASSERT_TRUE(SkinWindow(window));
        SetCursorPos(0, 0);  // away from the button, so it is not hot
        ShowWindow(window, SW_SHOWNOACTIVATE);
        pump(40);
    }
    void TearDown() override {
        DestroyWindow(window);
        pump(10);
    }
    Capture paintAndCapture() {
        InvalidateRect(button, nullptr, FALSE);
        UpdateWindow(button);
        return capture(button);
    }
    HWND window = nullptr, button = nullptr, other = nullptr;
};

}  // namespace

TEST_F(PushButtonPainterTest, NormalIsTheWhiteBaseWithTheGreyGradientAndADarkOutline) {
    Capture shot = paintAndCapture();
    int y = BH * 3 / 4;
    expectPixel(expectedNormal(y), shot.at(BW / 2, y), "normal");
    // The gloss brightens the upper half.
    EXPECT_GT(red(shot.at(BW / 2, 4)), red(shot.at(BW / 2, y)));
    // The outline: black at 120 over the base, darker than the inside.
    EXPECT_LT(red(shot.at(BW / 2, BH - 1)), red(shot.at(BW / 2, y)) - 20);
}

TEST_F(PushButtonPainterTest, HotAddsTheAccentLayers) {
    POINT centre{BW / 2, BH / 2};
    ClientToScreen(button, &centre);
    SetCursorPos(centre.x, centre.y);
    SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(BW / 2, BH / 2));
    ASSERT_TRUE(controlRecord(button, TABLE_BUTTONS)->hot);
    Capture shot = paintAndCapture();
    int y = BH * 3 / 4;
    Rgb want = expectedNormal(y);
    double t = along(y, 0, BH - 1);
    layerGradient(want, ACCENT, 60, WHITE, 80, t);
    layerGradient(want, ACCENT, 30, WHITE, 100, t);
    expectPixel(want, shot.at(BW / 2, y), "hot");
    // Leaving restores the normal look.
    SendMessageW(button, WM_MOUSELEAVE, 0, 0);
    shot = paintAndCapture();
    expectPixel(expectedNormal(y), shot.at(BW / 2, y), "after leave");
}

TEST_F(PushButtonPainterTest, FocusedShowsTheFixedGlowWhateverTheAccent) {
    ASSERT_TRUE(giveFocus(window, other));
    Capture before = paintAndCapture();
    ASSERT_TRUE(giveFocus(window, button));
    Capture focused = paintAndCapture();
    // The glow 0xDDCA22 is RGB(0x22, 0xCA, 0xDD). Just inside the edge red falls and green and
    // blue rise; the accent 0xFF8800 (green 0x88, below the grey there) would lower green instead.
    DWORD edge = focused.at(1, BH / 2), plain = before.at(1, BH / 2);
    EXPECT_LT(red(edge), red(plain) - 30) << std::hex << edge << " vs " << plain;
    EXPECT_GT(green(edge), green(plain) + 10);
    EXPECT_GT(blue(edge), blue(plain) + 20);
    EXPECT_EQ(before.at(3, BH / 2), focused.at(3, BH / 2)) << "the glow stays inside the edge";
    // The centre keeps the normal layers.
    expectPixel(expectedNormal(BH * 3 / 4), focused.at(BW / 2, BH * 3 / 4), "focused centre");
}

TEST_F(PushButtonPainterTest, PressedAddsTheInnerAccentGradient) {
    SendMessageW(button, BM_SETSTATE, TRUE, 0);
    Capture shot = paintAndCapture();
    int y = BH * 3 / 4;
    Rgb want = expectedNormal(y);
    layerGradient(want, ACCENT, 60, WHITE, 100, along(y, 2, BH - 1));
    expectPixel(want, shot.at(BW / 2, y), "pressed");
    SendMessageW(button, BM_SETSTATE, FALSE, 0);
}

TEST_F(PushButtonPainterTest, DisabledIsLightGreyWithTheThreeColourGradientAndNoAccent) {
    EnableWindow(button, FALSE);
    Capture shot = paintAndCapture();
    int y = BH * 3 / 4;
    double t = along(y, 0, BH - 1);
    Rgb want = grey(0xC0);
    // Between the middle stop (black 10) and the end (white 50).
    layerGradient(want, BLACK, 10, WHITE, 50, (t - 0.5) / 0.5);
    expectPixel(want, shot.at(BW / 2, y), "disabled");
    // The square corners are grey too: the whole rectangle is filled.
    EXPECT_NEAR(0xC0, red(shot.at(0, 0)), 8);
    EnableWindow(button, TRUE);
}

TEST_F(PushButtonPainterTest, DisabledCaptionKeepsTheButtonTextColour) {
    SetWindowTextW(button, L"MMMM");
    setProp(button, PROP_TEXT_COLOUR, RGB(255, 0, 0));
    EnableWindow(button, FALSE);
    Capture shot = paintAndCapture();
    int strongRed = 0;
    for (int y = 0; y < BH; ++y)
        for (int x = 0; x < BW; ++x) {
            DWORD c = shot.at(x, y);
            if (red(c) > 200 && green(c) < 90 && blue(c) < 90) ++strongRed;
        }
    EXPECT_GT(strongRed, 3) << "the caption is drawn in Kj_Ztys, not a grey of its own";
    EnableWindow(button, TRUE);
    setProp(button, PROP_TEXT_COLOUR, 0);
    SetWindowTextW(button, L"");
}

TEST(PaintHelpers, CornerSizeIsClampedSoZeroStillMakesAPath) {
    draw::GraphicsPath path;
    RoundRectPath(path, 0, 0, 50, 20, 0);
    int points = 0;
    EXPECT_TRUE(path.GetPointCount(points));
    EXPECT_GT(points, 4);
    draw::GpRectF bounds{};
    path.GetBounds(bounds);
    EXPECT_NEAR(50, bounds.Width, 1.01);
    draw::GraphicsPath big;
    RoundRectPath(big, 0, 0, 300, 300, 500);  // clamped to 100
    big.GetBounds(bounds);
    EXPECT_NEAR(300, bounds.Width, 1.01);
}
