#include "tests/skin/skin_test_util.h"

#include <gtest/gtest.h>

#include <cstring>

#include "draw/draw.h"
#include "text/encoding.h"
#include "skin/engine.h"

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
    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(module, L"SkinTestWindow", &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = module;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = L"SkinTestWindow";
        RegisterClassExW(&wc);
    }
    return CreateWindowExW(0, L"SkinTestWindow", gbkToWide(titleGbk).c_str(), style | WS_CLIPCHILDREN, 100, 100, w, h,
                           nullptr, nullptr, module, nullptr);
}

void show(HWND window) {
    ShowWindow(window, SW_SHOWNOACTIVATE);
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
