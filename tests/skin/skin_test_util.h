// Helpers for the skin tests: real windows under Xvfb, message pumping, pixel capture, the
// fixture of tests that make skinned windows, and expected colours layered as the painters do.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace skintest {

// The skin most tests paint with: main colour 0x404040, accent 0xFF8800, the veil at `veil`.
void useTestSkin(int veil = 100);

// Tests that make windows: the test skin, every window made destroyed afterwards, and then the
// window table as it was before the test (no record left behind by a destroyed window).
class SkinnedWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    HWND make(DWORD style = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, int w = 320, int h = 220);
    std::vector<HWND> windows;
    size_t tableBefore = 0;
};

// Dispatches this thread's messages for about `ms` milliseconds.
void pump(int ms);

// A plain top-level test window (class "SkinTestWindow", DefWindowProc), shown.
HWND createWindow(DWORD style = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, int w = 320, int h = 220,
                  const char* titleGbk = "测试窗口");
// Shows a window without activating it. Under Wine an activated window becomes managed, and
// unmapping a managed window waits two seconds for a window manager that Xvfb does not have.
void show(HWND window);
// Shows a window as show() does, paints it at once and lets its messages run for `ms`.
void showPainted(HWND window, int ms = 30);
// Skins the window and, when that succeeded, shows it as show() does and lets its messages run
// for `ms`; SkinWindow's answer.
bool skinAndShow(HWND window, int ms = 30);
// Activates `topLevel` and puts the keyboard on `control`, again while another program's window
// takes the foreground (suites run side by side); false when it did not hold within 3 s.
bool giveFocus(HWND topLevel, HWND control);
HWND addChild(HWND parent, const char* className, const char* textGbk, DWORD style, int x, int y, int w, int h,
              DWORD exStyle = 0, int id = 0);

// The pixels (0x00RRGGBB) of a window as drawn, read back from its window DC.
struct Capture {
    int w = 0, h = 0;
    std::vector<DWORD> pixels;
    DWORD at(int x, int y) const { return pixels[static_cast<size_t>(y) * w + x] & 0xFFFFFF; }
};
Capture capture(HWND window);
// Saves what the window shows as a PNG under the build tree's screenshots folder; returns the path.
std::string saveScreenshot(HWND window, const char* name);

inline int red(DWORD c) {
    return (c >> 16) & 0xFF;
}
inline int green(DWORD c) {
    return (c >> 8) & 0xFF;
}
inline int blue(DWORD c) {
    return c & 0xFF;
}
// Source-over of one colour channel at an alpha of 0..255.
inline double over(double below, double colour, double alpha) {
    return below + (colour - below) * alpha / 255.0;
}

// An expected colour as red, green and blue, for layering as the painters do.
struct Rgb {
    double c[3];
};
inline constexpr double WHITE[3] = {255, 255, 255};
inline constexpr double BLACK[3] = {0, 0, 0};
inline constexpr double ACCENT[3] = {0x00, 0x88, 0xFF};  // the test skin's COLORREF 0xFF8800
inline constexpr double GREY = 0x40;                     // the test skin's main colour 0x404040
inline Rgb grey(double v) {
    return Rgb{{v, v, v}};
}
// `colour` laid over `below` at an alpha of 0..255.
inline Rgb layered(Rgb below, const double colour[3], double alpha) {
    for (int i = 0; i < 3; ++i) below.c[i] = over(below.c[i], colour[i], alpha);
    return below;
}
// Each channel of `got` within 6 of `want`; `what` names the place in a failure.
void expectPixel(const Rgb& want, DWORD got, const char* what);

// The visible message boxes (#32770) of this thread.
std::vector<HWND> threadBoxes();

}  // namespace skintest
