#include "app/settings_window.h"

#include "app/app_files.h"
#include "app/control_ids.h"
#include "app/dialog_keys.h"
#include "app/extra_sites.h"
#include "search/site_host.h"
#include "app/ui_text.h"
#include "win/owners.h"
#include "text/encoding.h"
#include "skin/skin.h"

namespace {
constexpr int OUTER_WIDTH = 381;
constexpr int OUTER_HEIGHT = 236;
constexpr COLORREF ACCENT = 0xFF8800;

class SettingsWindow {
public:
    SettingsWindow(HWND owner, std::string& extraSites) : owner_(owner), extraSites_(extraSites) {}
    bool create(HINSTANCE instance);
    void runModal();

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void onCreate();
    void onCommand(int id, int code);
    void onSave();
    void onHelp();
    void close();

    HWND owner_;
    std::string& extraSites_;
    HWND window_ = nullptr;
    GdiObject<HFONT> font_;
};

HFONT createGuiFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return nullptr;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

bool SettingsWindow::create(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = SETTINGS_WINDOW_CLASS;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    // Centred over the main window. The skin draws the caption bar inside the window.
    RECT ownerRect{};
    GetWindowRect(owner_, &ownerRect);
    int left = ownerRect.left + (ownerRect.right - ownerRect.left - OUTER_WIDTH) / 2;
    int top = ownerRect.top + (ownerRect.bottom - ownerRect.top - OUTER_HEIGHT) / 2;
    window_ = CreateWindowExW(0, SETTINGS_WINDOW_CLASS, gbkToWide("设置-其他网盘").c_str(),
                              WS_POPUP | WS_SYSMENU | WS_CLIPSIBLINGS, left, top, OUTER_WIDTH, OUTER_HEIGHT, owner_,
                              nullptr, instance, this);
    return window_ != nullptr;
}

void SettingsWindow::runModal() {
    // Shown before the owner is disabled: the owner, deactivated with its focus still on a
    // control, keeps that control for its return.
    ShowWindow(window_, SW_SHOW);
    EnableWindow(owner_, FALSE);
    UpdateWindow(window_);
    SetFocus(GetDlgItem(window_, ID_SETTINGS_编辑框1));
    MSG message;
    while (IsWindow(window_)) {
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(int(message.wParam));  // leave the quit for the main loop
            break;
        }
        if (got < 0) break;
        // Esc anywhere in the window is 取消.
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE &&
            (message.hwnd == window_ || IsChild(window_, message.hwnd))) {
            close();
            continue;
        }
        if (IsDialogMessageW(window_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (IsWindow(owner_)) {
        EnableWindow(owner_, TRUE);
        SetActiveWindow(owner_);
    }
}

LRESULT CALLBACK SettingsWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SettingsWindow* self;
    if (message == WM_NCCREATE) {
        self = static_cast<SettingsWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(self));
    } else {
        self = reinterpret_cast<SettingsWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

LRESULT SettingsWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT handled = 0;
    if (handleDialogKeys(window_, message, wParam, lParam, ID_SETTINGS_编辑框1, &handled)) return handled;
    switch (message) {
        case WM_CREATE:
            onCreate();
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                close();
                return 0;
            }
            onCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CLOSE:
            // The owner comes back before this window goes, so activation returns to it.
            EnableWindow(owner_, TRUE);
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void SettingsWindow::onCreate() {
    font_.reset(createGuiFont());
    struct Child {
        const wchar_t* className;
        const char* text;
        DWORD style;
        DWORD exStyle;
        int left, top, width, height, id;
    };
    const Child children[] = {
        {L"EDIT", "", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 6, 34,
         368, 168, ID_SETTINGS_编辑框1},
        {L"BUTTON", "帮助", BS_PUSHBUTTON | WS_TABSTOP, 0, 183, 208, 60, 24, ID_SETTINGS_按钮2},
        {L"BUTTON", "取消", BS_PUSHBUTTON | WS_TABSTOP, 0, 249, 208, 60, 24, ID_SETTINGS_按钮3},
        {L"BUTTON", "确定", BS_PUSHBUTTON | WS_TABSTOP, 0, 314, 208, 60, 24, ID_SETTINGS_按钮1},
    };
    for (const Child& c : children) {
        HWND child = CreateWindowExW(c.exStyle, c.className, gbkToWide(c.text).c_str(), WS_CHILD | WS_VISIBLE | c.style,
                                     c.left, c.top, c.width, c.height, window_, reinterpret_cast<HMENU>(INT_PTR(c.id)),
                                     nullptr, nullptr);
        SendMessageW(child, WM_SETFONT, WPARAM(font_ ? font_.get() : GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    }
    setWindowTextGbk(GetDlgItem(window_, ID_SETTINGS_编辑框1), extraSites_);

    SkinSettings skin;
    skin.skinImage = BuiltInSkinPicture();
    skin.accentColour = ACCENT;
    skin.mode = 3;
    SetSkin(skin);
    SetControlSkinOptions(true, 100);
    SkinWindowOptions options;
    options.resizable = false;
    SkinWindow(window_, options);
    SetWindowEffect(window_, 2);
}

void SettingsWindow::onCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    switch (id) {
        case ID_SETTINGS_按钮1:
            onSave();
            return;
        case ID_SETTINGS_按钮2:
            onHelp();
            return;
        case ID_SETTINGS_按钮3:
            close();
            return;
    }
}

void SettingsWindow::onSave() {
    std::string text = windowTextGbk(GetDlgItem(window_, ID_SETTINGS_编辑框1));
    switch (checkExtraSites(text)) {
        case ExtraSitesCheck::Empty:
            SkinnedMessageBox(window_, "请输入内容！", 0, "提示");
            return;
        case ExtraSitesCheck::EndsWithSemicolon:
            MessageBoxW(nullptr, gbkToWide("请不用分号结尾！").c_str(), gbkToWide("信息：").c_str(),
                        MB_OK | MB_TASKMODAL);
            return;
        case ExtraSitesCheck::Ok:
            break;
    }
    // Each site goes into the address of a result page: only host names may.
    std::vector<std::string> rejected = rejectedSites(text, siteHostFromText);
    if (!rejected.empty()) {
        std::string list;
        for (const std::string& site : rejected) list += "\r\n“" + site + "”";
        SkinnedMessageBox(window_, "以下网址不是有效的主机名（只能有字母、数字、“-”和“.”），未保存：" + list, 0, "提示");
        return;
    }
    extraSites_ = text;
    if (!saveExtraSites(text)) {
        SkinnedMessageBox(window_, "无法写入 url.txt，新的网址只在本次运行中有效！", 0, "提示");
    }
    close();
}

void SettingsWindow::onHelp() {
    SkinnedMessageBox(window_, settingsHelpText(), 0, "帮助");
}

void SettingsWindow::close() {
    EnableWindow(owner_, TRUE);
    DestroyWindow(window_);
}
}  // namespace

void runSettingsWindow(HINSTANCE instance, HWND owner, std::string& extraSites) {
    SettingsWindow settings(owner, extraSites);
    if (!settings.create(instance)) return;
    settings.runModal();
}
