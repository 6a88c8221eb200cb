#include "tools/skin_demo/demo_frame.h"

#include "skin/skin.h"
#include "text/encoding.h"
#include "tools/skin_demo/demo_window.h"
#include "win/window_class.h"

namespace {

constexpr char FONT_PROP[] = "Demo_Font";

}  // namespace

HWND ControlAdder::add(const wchar_t* cls, const char* textGbk, DWORD style, DWORD exStyle, int x, int y, int w, int h,
                       int id) const {
    HWND control = CreateWindowExW(exStyle, cls, gbkToWide(textGbk).c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                   parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

HFONT makeDemoFont(HWND window) {
    HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, gbkToWide("宋体").c_str());
    SetPropA(window, FONT_PROP, font);
    return font;
}

void takeDemoFont(HWND window) {
    if (auto font = static_cast<HFONT>(RemovePropA(window, FONT_PROP))) DeleteObject(font);
}

void applyDemoSkin() {
    SkinSettings skin;
    skin.skinImage = BuiltInSkinPicture();
    skin.accentColour = 0xFF8800;
    skin.mode = 3;
    SetSkin(skin);
    SetControlSkinOptions(true, 100);
}

HWND openDemoWindow(const wchar_t* cls, WNDPROC proc, const char* titleGbk, DWORD style, int w, int h, bool activate) {
    if (!registerWindowClass(cls, proc)) return nullptr;
    int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    HWND window = CreateWindowExW(0, cls, gbkToWide(titleGbk).c_str(), style, x, y, w, h, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window) return nullptr;
    ShowWindow(window, activate ? SW_SHOW : SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    return window;
}
