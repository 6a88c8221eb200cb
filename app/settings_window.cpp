#include "app/settings_window.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "app/app_files.h"
#include "app/control_ids.h"
#include "app/dialog_keys.h"
#include "app/extra_sites.h"
#include "search/site_host.h"
#include "app/ui_text.h"
#include "win/owners.h"
#include "text/encoding.h"
#include "search/profile.h"
#include "skin/skin.h"

namespace {
constexpr int OUTER_WIDTH = 381;
constexpr int OUTER_HEIGHT = 236;
// The whole window: the choices take a band below the extra sites, the buttons move down.
// The search modes in the order of their combo box: site (the default), mentions.
constexpr const char* MODE_CAPTIONS[] = {"站内", "提及"};
constexpr int CHOICES_HEIGHT = 100;
constexpr COLORREF ACCENT = 0xFF8800;

struct ListChoice {
    const char* name;
    const char* caption;
};
constexpr ListChoice LIST_CHOICES[] = {{NETDISKS_CLASSIC, "经典（classic）"}, {NETDISKS_TODAY, "今日（today）"}};

// The profile names offered: the built-in ones, then those of the profile file not already
// among them. A file that cannot be read offers none.
std::vector<std::string> offeredProfiles(const std::string& profileFile, std::vector<std::string>* fromFile) {
    std::vector<std::string> names = builtinProfileNames();
    if (profileFile.empty()) return names;
    std::string bytes, error;
    if (!readFileBytes(gbkToWide(profileFile), bytes)) return names;
    for (const auto& entry : parseProfiles(bytes, &error)) {
        fromFile->push_back(entry.first);
        if (std::find(names.begin(), names.end(), entry.first) == names.end()) names.push_back(entry.first);
    }
    return names;
}

class SettingsWindow {
public:
    SettingsWindow(HWND owner, std::string& extraSites, AppSettings* settings)
        : owner_(owner), extraSites_(extraSites), settings_(settings) {}
    bool saved() const { return saved_; }
    bool create(HINSTANCE instance);
    void runModal();

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void onCreate();
    void createChoices();
    void onCommand(int id, int code);
    void onListChosen();
    void onSave();
    AppSettings chosenSettings() const;
    void onHelp();
    void close();

    HWND owner_;
    std::string& extraSites_;
    AppSettings* settings_;  // null: the extra-sites window only
    bool saved_ = false;
    bool checkLinksTouched_ = false;  // the check-links box was clicked: no longer the list's default
    std::vector<std::string> profiles_;          // the profile combo box's items
    std::vector<std::string> fileProfiles_;      // those the profile file holds
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
    int height = OUTER_HEIGHT + (settings_ ? CHOICES_HEIGHT : 0);
    int left = ownerRect.left + (ownerRect.right - ownerRect.left - OUTER_WIDTH) / 2;
    int top = ownerRect.top + (ownerRect.bottom - ownerRect.top - height) / 2;
    window_ = CreateWindowExW(0, SETTINGS_WINDOW_CLASS, gbkToWide(settings_ ? "设置" : "设置-其他网盘").c_str(),
                              WS_POPUP | WS_SYSMENU | WS_CLIPSIBLINGS, left, top, OUTER_WIDTH, height, owner_, nullptr,
                              instance, this);
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
    const int buttons = 208 + (settings_ ? CHOICES_HEIGHT : 0);
    const int band = 208;  // the choices' first row
    const DWORD combo = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
    const DWORD box = BS_AUTOCHECKBOX | WS_TABSTOP;
    const Child children[] = {
        {L"EDIT", "", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 6, 34,
         368, 168, ID_SETTINGS_编辑框1},
        {L"STATIC", "网盘列表：", SS_LEFT, 0, 8, band + 4, 62, 18, ID_SETTINGS_标签1},
        {L"COMBOBOX", "", combo, 0, 70, band, 118, 200, ID_SETTINGS_网盘列表},
        {L"STATIC", "搜索方式：", SS_LEFT, 0, 196, band + 4, 62, 18, ID_SETTINGS_标签2},
        {L"COMBOBOX", "", combo, 0, 258, band, 116, 200, ID_SETTINGS_搜索方式},
        {L"BUTTON", "合并重复链接", box, 0, 8, band + 34, 130, 20, ID_SETTINGS_合并重复链接},
        {L"BUTTON", "搜索时检查链接", box, 0, 196, band + 34, 150, 20, ID_SETTINGS_检查链接},
        {L"STATIC", "搜索范围：", SS_LEFT, 0, 8, band + 64, 62, 18, ID_SETTINGS_标签3},
        {L"COMBOBOX", "", combo, 0, 70, band + 60, 118, 200, ID_SETTINGS_搜索范围},
        {L"BUTTON", "帮助", BS_PUSHBUTTON | WS_TABSTOP, 0, 183, buttons, 60, 24, ID_SETTINGS_按钮2},
        {L"BUTTON", "取消", BS_PUSHBUTTON | WS_TABSTOP, 0, 249, buttons, 60, 24, ID_SETTINGS_按钮3},
        {L"BUTTON", "确定", BS_PUSHBUTTON | WS_TABSTOP, 0, 314, buttons, 60, 24, ID_SETTINGS_按钮1},
    };
    for (const Child& c : children) {
        bool choice = c.id >= ID_SETTINGS_网盘列表 && c.id <= ID_SETTINGS_标签3;
        if (choice && !settings_) continue;
        HWND child = CreateWindowExW(c.exStyle, c.className, gbkToWide(c.text).c_str(), WS_CHILD | WS_VISIBLE | c.style,
                                     c.left, c.top, c.width, c.height, window_, reinterpret_cast<HMENU>(INT_PTR(c.id)),
                                     nullptr, nullptr);
        SendMessageW(child, WM_SETFONT, WPARAM(font_ ? font_.get() : GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    }
    setWindowTextGbk(GetDlgItem(window_, ID_SETTINGS_编辑框1), extraSites_);
    if (settings_) createChoices();

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

void SettingsWindow::createChoices() {
    HWND lists = GetDlgItem(window_, ID_SETTINGS_网盘列表);
    for (const ListChoice& choice : LIST_CHOICES) {
        SendMessageW(lists, CB_ADDSTRING, 0, LPARAM(gbkToWide(choice.caption).c_str()));
        if (settings_->netdisks == choice.name)
            SendMessageW(lists, CB_SETCURSEL, WPARAM(&choice - LIST_CHOICES), 0);
    }
    HWND profiles = GetDlgItem(window_, ID_SETTINGS_搜索方式);
    profiles_ = offeredProfiles(settings_->profileFile, &fileProfiles_);
    // No choice made is the classic layout, the first built-in profile.
    const std::string& current = settings_->profile.empty() ? profiles_.front() : settings_->profile;
    for (size_t i = 0; i < profiles_.size(); ++i) {
        SendMessageW(profiles, CB_ADDSTRING, 0, LPARAM(gbkToWide(profiles_[i]).c_str()));
        if (profiles_[i] == current) SendMessageW(profiles, CB_SETCURSEL, WPARAM(i), 0);
    }
    CheckDlgButton(window_, ID_SETTINGS_合并重复链接, settings_->unique ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(window_, ID_SETTINGS_检查链接, settings_->checksLinks() ? BST_CHECKED : BST_UNCHECKED);
    // Where the shares are looked for: the netdisks' own pages, or the pages that mention them.
    HWND modes = GetDlgItem(window_, ID_SETTINGS_搜索范围);
    for (const char* caption : MODE_CAPTIONS) SendMessageW(modes, CB_ADDSTRING, 0, LPARAM(gbkToWide(caption).c_str()));
    SendMessageW(modes, CB_SETCURSEL, settings_->mode == MODE_MENTIONS ? 1 : 0, 0);
}

// The check-links box follows the list's default until the user clicks it.
void SettingsWindow::onListChosen() {
    if (checkLinksTouched_ || settings_->checkLinks) return;
    AppSettings chosen = chosenSettings();
    CheckDlgButton(window_, ID_SETTINGS_检查链接, chosen.today() ? BST_CHECKED : BST_UNCHECKED);
}

AppSettings SettingsWindow::chosenSettings() const {
    AppSettings chosen = *settings_;
    int list = int(SendDlgItemMessageW(window_, ID_SETTINGS_网盘列表, CB_GETCURSEL, 0, 0));
    if (list >= 0 && size_t(list) < std::size(LIST_CHOICES)) chosen.netdisks = LIST_CHOICES[list].name;
    int profile = int(SendDlgItemMessageW(window_, ID_SETTINGS_搜索方式, CB_GETCURSEL, 0, 0));
    if (profile >= 0 && size_t(profile) < profiles_.size()) {
        const std::string& name = profiles_[size_t(profile)];
        // The first built-in (classic) chosen where none was: still no choice made.
        if (!(settings_->profile.empty() && profile == 0)) chosen.profile = name;
        // A built-in profile needs no file: one that goes missing later must not spoil it.
        if (std::find(fileProfiles_.begin(), fileProfiles_.end(), name) == fileProfiles_.end())
            chosen.profileFile.clear();
    }
    chosen.unique = IsDlgButtonChecked(window_, ID_SETTINGS_合并重复链接) == BST_CHECKED;
    int mode = int(SendDlgItemMessageW(window_, ID_SETTINGS_搜索范围, CB_GETCURSEL, 0, 0));
    if (mode >= 0) chosen.mode = mode == 1 ? MODE_MENTIONS : MODE_SITE;
    bool check = IsDlgButtonChecked(window_, ID_SETTINGS_检查链接) == BST_CHECKED;
    if (checkLinksTouched_ || settings_->checkLinks || check != chosen.checksLinks()) chosen.checkLinks = check;
    return chosen;
}

void SettingsWindow::onCommand(int id, int code) {
    if (id == ID_SETTINGS_网盘列表 && code == CBN_SELCHANGE) {
        onListChosen();
        return;
    }
    if (code != BN_CLICKED) return;
    if (id == ID_SETTINGS_检查链接) checkLinksTouched_ = true;
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
    // The whole window saves its choices with no extra sites at all; only a text that had
    // sites and was emptied is refused, as in the extra-sites window.
    bool sitesUnchanged = settings_ && text.empty() && extraSites_.empty();
    switch (sitesUnchanged ? ExtraSitesCheck::Ok : checkExtraSites(text)) {
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
    if (!sitesUnchanged) {
        extraSites_ = text;
        if (!saveExtraSites(text)) {
            SkinnedMessageBox(window_, "无法写入 url.txt，新的网址只在本次运行中有效！", 0, "提示");
        }
    }
    if (settings_) {
        *settings_ = chosenSettings();
        saved_ = true;
        if (!saveSettings(*settings_)) {
            SkinnedMessageBox(window_, "无法写入 quorrel.ini，新的设置只在本次运行中有效！", 0, "提示");
        }
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

bool runSettingsWindow(HINSTANCE instance, HWND owner, std::string& extraSites, AppSettings* settings) {
    SettingsWindow window(owner, extraSites, settings);
    if (!window.create(instance)) return false;
    window.runModal();
    return window.saved();
}
