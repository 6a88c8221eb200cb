// What the demo's two windows share: their skin, the font of their controls, adding a control
// with that font, and opening a centred window of a class of their own. Uses skin/ and win/.
#pragma once
#include <windows.h>

// Adds children to `parent`, each with the font `font`.
struct ControlAdder {
    HWND parent;
    HFONT font;
    HWND add(const wchar_t* cls, const char* textGbk, DWORD style, DWORD exStyle, int x, int y, int w, int h,
             int id) const;
};

// 宋体 at 12 pixels, kept on the window until takeDemoFont() deletes it (on WM_DESTROY).
HFONT makeDemoFont(HWND window);
void takeDemoFont(HWND window);

// Registers `cls` with `proc` once, creates a `w` x `h` window centred on the screen, and shows it
// (without taking the activation unless `activate`). Null when it could not be made.
HWND openDemoWindow(const wchar_t* cls, WNDPROC proc, const char* titleGbk, DWORD style, int w, int h, bool activate);
