// Helpers for the skin tests: real windows under Xvfb, message pumping, pixel capture.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace skintest {

// Dispatches this thread's messages for about `ms` milliseconds.
void pump(int ms);

// A plain top-level test window (class "SkinTestWindow", DefWindowProc), shown.
HWND createWindow(DWORD style = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, int w = 320, int h = 220,
                  const char* titleGbk = "测试窗口");
// Shows a window without activating it. Under Wine an activated window becomes managed, and
// unmapping a managed window waits two seconds for a window manager that Xvfb does not have.
void show(HWND window);
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

// The visible message boxes (#32770) of this thread.
std::vector<HWND> threadBoxes();

}  // namespace skintest
