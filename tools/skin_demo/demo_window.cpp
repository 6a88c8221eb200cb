#include "tools/skin_demo/demo_window.h"

#include "text/encoding.h"
#include "skin/skin.h"

namespace {

constexpr const wchar_t DEMO_CLASS[] = L"QuorrelSkinDemo";

struct DemoFont {
    HFONT font = nullptr;
};

void createControls(HWND window, HFONT font) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    auto add = [&](const wchar_t* cls, const char* textGbk, DWORD style, DWORD exStyle, int x, int y, int w, int h,
                   int id) {
        HWND control = CreateWindowExW(exStyle, cls, gbkToWide(textGbk).c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w,
                                       h, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    add(L"Edit",
        "pan.example.com;disk.example.net\r\n"
        "每行可写多个网址，用英文分号隔开。\r\n\r\n"
        "share.example.org",
        WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_TABSTOP, WS_EX_CLIENTEDGE, 6, 34, 368, 168,
        DEMO_EDIT_ID);
    add(L"Button", "消息框", BS_PUSHBUTTON | WS_TABSTOP, 0, 117, 208, 60, 24, DEMO_MESSAGE_ID);
    add(L"Button", "帮助", BS_PUSHBUTTON | WS_TABSTOP, 0, 183, 208, 60, 24, DEMO_HELP_ID);
    add(L"Button", "取消", BS_PUSHBUTTON | WS_TABSTOP, 0, 249, 208, 60, 24, DEMO_CANCEL_ID);
    add(L"Button", "确定", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 314, 208, 60, 24, DEMO_OK_ID);
}

void applySkin(HWND window) {
    SkinSettings skin;
    skin.skinImage = BuiltInSkinPicture();
    skin.accentColour = 0xFF8800;
    skin.mode = 3;
    SetSkin(skin);
    SetControlSkinOptions(true, 100);
    SkinWindowOptions options;
    options.resizable = false;
    SkinWindow(window, options);
    SetWindowEffect(window, 2);
}

LRESULT onCreate(HWND window) {
    HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, gbkToWide("宋体").c_str());
    SetPropA(window, "Demo_Font", font);
    createControls(window, font);
    applySkin(window);
    return 0;
}

LRESULT onCommand(HWND window, WPARAM wParam) {
    switch (LOWORD(wParam)) {
        case DEMO_MESSAGE_ID:
            SkinnedMessageBox(window, "这是一个换肤的消息框。\r\n它淡入显示，并有自己的关闭按钮。", 0, "提示");
            return 0;
        case DEMO_HELP_ID:
            SkinnedMessageBox(window, "只需写入网址，每个网址之间请用英文分号隔开。", 0, "帮助");
            return 0;
        case DEMO_CANCEL_ID:
        case DEMO_OK_ID:
            SendMessageW(window, WM_CLOSE, 0, 0);
            return 0;
        default:
            return DefWindowProcW(window, WM_COMMAND, wParam, 0);
    }
}

LRESULT onDestroy(HWND window) {
    if (auto font = static_cast<HFONT>(RemovePropA(window, "Demo_Font"))) DeleteObject(font);
    return 0;
}

LRESULT CALLBACK DemoProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return onCreate(window);
        case WM_COMMAND:
            return onCommand(window, wParam);
        case WM_DESTROY:
            return onDestroy(window);
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

HWND createDemoWindow(bool activate) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(module, DEMO_CLASS, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = DemoProc;
        wc.hInstance = module;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = DEMO_CLASS;
        RegisterClassExW(&wc);
    }
    int x = (GetSystemMetrics(SM_CXSCREEN) - 381) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - 236) / 2;
    HWND window = CreateWindowExW(0, DEMO_CLASS, gbkToWide("设置-其他网盘").c_str(),
                                  WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, x, y, 381, 236, nullptr,
                                  nullptr, module, nullptr);
    if (!window) return nullptr;
    ShowWindow(window, activate ? SW_SHOW : SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    return window;
}
