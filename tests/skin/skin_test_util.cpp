#include "tests/skin/skin_test_util.h"

#include <gtest/gtest.h>

#include <cstring>

#include "draw/draw.h"
#include "text/encoding.h"
#include "skin/engine.h"
#include "win/window_class.h"

namespace skintest {

namespace {

void quietTrim() {}

// The skin needs its start-up once per process, before any window is shown.
class SkinEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        SkinStartup();
        // Running the real trimming tool on every deactivation would cost seconds per window.
        skin::setTrimFunction(quietTrim);
    }
    void TearDown() override { SkinShutdown(); }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new SkinEnvironment);

}  // namespace

void useTestSkin(int veil) {
    SkinSettings s;
    s.mainColour = 0x404040;
    s.accentColour = 0xFF8800;
    SetSkin(s);
    SetControlSkinOptions(true, veil);
}

void SkinnedWindowTest::SetUp() {
    useTestSkin();
    tableBefore = skin::windowTable().size();
}

void SkinnedWindowTest::TearDown() {
    for (HWND w : windows)
        if (IsWindow(w)) DestroyWindow(w);
    pump(20);
    EXPECT_EQ(tableBefore, skin::windowTable().size()) << "every destroyed window leaves the table";
    SetControlSkinOptions(true);
}

HWND SkinnedWindowTest::make(DWORD style, int w, int h) {
    HWND window = createWindow(style, w, h);
    windows.push_back(window);
    return window;
}

void expectPixel(const Rgb& want, DWORD got, const char* what) {
    EXPECT_NEAR(want.c[0], red(got), 6) << what << " red, got " << std::hex << got;
    EXPECT_NEAR(want.c[1], green(got), 6) << what << " green, got " << std::hex << got;
    EXPECT_NEAR(want.c[2], blue(got), 6) << what << " blue, got " << std::hex << got;
}

void pump(int ms) {
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(5);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

HWND createWindow(DWORD style, int w, int h, const char* titleGbk) {
    if (!registerWindowClass(L"SkinTestWindow", DefWindowProcW)) return nullptr;
    return CreateWindowExW(0, L"SkinTestWindow", gbkToWide(titleGbk).c_str(), style | WS_CLIPCHILDREN, 100, 100, w, h,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void show(HWND window) {
    ShowWindow(window, SW_SHOWNOACTIVATE);
}

bool skinAndShow(HWND window, int ms) {
    if (!SkinWindow(window)) return false;
    show(window);
    pump(ms);
    return true;
}

void showPainted(HWND window, int ms) {
    show(window);
    UpdateWindow(window);
    pump(ms);
}

bool giveFocus(HWND topLevel, HWND control) {
    DWORD end = GetTickCount() + 3000;
    do {
        if (GetFocus() != control) {
            SetForegroundWindow(topLevel);
            SetFocus(control);
        }
        pump(20);
        if (GetFocus() == control) return true;
    } while (static_cast<int>(end - GetTickCount()) > 0);
    return false;
}

HWND addChild(HWND parent, const char* className, const char* textGbk, DWORD style, int x, int y, int w, int h,
              DWORD exStyle, int id) {
    HWND child = CreateWindowExW(exStyle, gbkToWide(className).c_str(), gbkToWide(textGbk).c_str(),
                                 WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

Capture capture(HWND window) {
    Capture shot;
    RECT r{};
    GetWindowRect(window, &r);
    shot.w = r.right - r.left;
    shot.h = r.bottom - r.top;
    skin::MemoryDC memory(shot.w, shot.h);
    HDC source = GetWindowDC(window);
    BitBlt(memory.dc(), 0, 0, shot.w, shot.h, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
    GdiFlush();
    shot.pixels.assign(memory.bits(), memory.bits() + static_cast<size_t>(shot.w) * shot.h);
    return shot;
}

std::string saveScreenshot(HWND window, const char* name) {
    std::string folder = SKIN_SCREENSHOT_DIR;
    CreateDirectoryW(gbkToWide(folder).c_str(), nullptr);
    std::string path = folder + "/" + name;
    RECT r{};
    GetWindowRect(window, &r);
    skin::MemoryDC memory(r.right - r.left, r.bottom - r.top);
    HDC source = GetWindowDC(window);
    BitBlt(memory.dc(), 0, 0, memory.width(), memory.height(), source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
    // Outside the rounded region nothing was drawn: show it as white, as on a light desktop.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (GetWindowRgn(window, region) != ERROR) {
        for (int y = 0; y < memory.height(); ++y)
            for (int x = 0; x < memory.width(); ++x)
                if (!PtInRegion(region, x, y)) memory.bits()[y * memory.width() + x] = 0xFFFFFF;
    }
    DeleteObject(region);
    draw::Bitmap bitmap;
    if (!bitmap.CreateFromHBITMAP(memory.bitmap()) || !bitmap.SaveToFile(path, draw::PNG_FORMAT)) return {};
    return path;
}

std::vector<HWND> threadBoxes() {
    std::vector<HWND> boxes;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM list) -> BOOL {
            char cls[64] = {};
            GetClassNameA(window, cls, sizeof cls);
            if (!std::strcmp(cls, "#32770") && IsWindowVisible(window))
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

}  // namespace skintest
