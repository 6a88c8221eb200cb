#include "tools/skin_demo/demo_window.h"

#include "skin/skin.h"
#include "tools/skin_demo/demo_frame.h"

namespace {

constexpr const wchar_t DEMO_CLASS[] = L"QuorrelSkinDemo";

void createControls(HWND window, HFONT font) {
    ControlAdder b{window, font};
    b.add(L"Edit",
        "pan.example.com;disk.example.net\r\n"
        "每行可写多个网址，用英文分号隔开。\r\n\r\n"
        "share.example.org",
        WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_TABSTOP, WS_EX_CLIENTEDGE, 6, 34, 368, 168,
        DEMO_EDIT_ID);
    b.add(L"Button", "消息框", BS_PUSHBUTTON | WS_TABSTOP, 0, 117, 208, 60, 24, DEMO_MESSAGE_ID);
    b.add(L"Button", "帮助", BS_PUSHBUTTON | WS_TABSTOP, 0, 183, 208, 60, 24, DEMO_HELP_ID);
    b.add(L"Button", "取消", BS_PUSHBUTTON | WS_TABSTOP, 0, 249, 208, 60, 24, DEMO_CANCEL_ID);
    b.add(L"Button", "确定", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 314, 208, 60, 24, DEMO_OK_ID);
}

void applySkin(HWND window) {
    applyDemoSkin();
    SkinWindowOptions options;
    options.resizable = false;
    SkinWindow(window, options);
    SetWindowEffect(window, 2);
}

LRESULT onCreate(HWND window) {
    createControls(window, makeDemoFont(window));
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
    takeDemoFont(window);
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
    return openDemoWindow(DEMO_CLASS, DemoProc, "设置-其他网盘", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                          381, 236, activate);
}
