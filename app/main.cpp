// Quorrel's start-up: working directory, the skin engine, the main window and its message loop.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/app_files.h"
#include "app/main_window.h"
#include "app/share_finder.h"
#include "links/check_flow.h"
#include "search/engine_slots.h"
#include "search/profile.h"
#include "search/query.h"
#include "search/services.h"
#include "skin/skin.h"
#include "win/command_line.h"

namespace {
// SetDefaultDllDirectories by name: a system without it (Windows 7 without its loader update)
// still starts the program.
void restrictDllSearchToSystem() {
    using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto set = kernel ? reinterpret_cast<SetDefaultDllDirectoriesCall>(
                            reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                      : nullptr;
    if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");  // and never the working directory
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand) {
    // Libraries loaded from now on come from the system directory only, never from the
    // program's folder or the working directory, where anybody may have left a DLL.
    restrictDllSearchToSystem();
    // url.txt and the export file are named relative to the program, wherever it was started from.
    SetCurrentDirectoryW((programDirectory() + L"\\").c_str());

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    const std::vector<std::string> args = commandLineArguments();
    // --engine=HOST[:PORT] points every worker of this run at another engine (the simulator).
    bool engineOk = applyEngineOption(args);
    // quorrel.ini's choices, each replaced for this run by its command-line option.
    const AppSettings saved = loadSettings();
    const AppSettings settings = withCommandLine(saved, args);
    std::string netdisksError = applyNetdisksOption(args);
    setActiveServices(settings.today() ? todayServiceList() : classicServiceList());
    // --profile=NAME and --profile-file=PATH choose how the engine is asked and read; without
    // them, the profile chosen in the settings window.
    bool profileSaved = !saved.profile.empty() || !saved.profileFile.empty();
    std::string profileError = applyProfileOptions(profileSaved ? profileArguments(settings) : args);
    // The search mode (quorrel.ini's, or --mode=) and --depth=; mentions read share links
    // through links/.
    applyModeOptions(args);
    setSearchMode(settings.mode == MODE_MENTIONS ? SearchMode::Mentions : SearchMode::Site);
    useLinksShareFinder();
    // --connections=N: at most N requests in flight to the engine at once.
    bool connectionsOk = applyConnectionsOption(commandLineArguments());

    // --netdisk-via=HOST:PORT: every link check's request goes to that address (the simulator).
    std::string netdiskVia;
    bool viaOk = true;
    for (const std::string& arg : args) {
        if (arg.rfind("--netdisk-via=", 0) != 0) continue;
        netdiskVia = arg.substr(14);
        viaOk = isViaAddress(netdiskVia);
        if (!viaOk) netdiskVia.clear();
    }

    SkinStartup();
    int exitCode = 0;
    {
        MainWindow window;
        window.setNetdiskVia(netdiskVia);
        if (window.create(instance, showCommand, settings)) {
            if (!engineOk) {
                SkinnedMessageBox(window.handle(), "参数 --engine 无效，应为 --engine=主机[:端口]，已使用默认引擎。", 0,
                                  "提示");
            }
            if (!viaOk) {
                SkinnedMessageBox(window.handle(), "参数 --netdisk-via 无效，应为 --netdisk-via=主机:端口，链接检查将直接访问网盘。", 0,
                                  "提示");
            }
            if (!connectionsOk) {
                SkinnedMessageBox(window.handle(), "参数 --connections 无效，应为正整数，已使用默认值。", 0, "提示");
            }
            if (!netdisksError.empty()) {
                SkinnedMessageBox(window.handle(), "参数 --netdisks 无效（" + netdisksError + "），已使用" +
                                      (settings.today() ? "今日网盘列表。" : "经典网盘列表。"),
                                  0, "提示");
            }
            if (!profileError.empty()) {
                SkinnedMessageBox(window.handle(), "参数 --profile 无效（" + profileError + "），已使用默认方式。", 0, "提示");
            }
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) {
                // Tab, Shift+Tab and the arrow keys between the controls, as in a dialog box.
                if (IsDialogMessageW(window.handle(), &message)) continue;
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            exitCode = int(message.wParam);
        }
        // The workers were told to stop when the window went; they end within moments. One
        // that does not (stuck in the network stack) must not keep the process alive, and must
        // not run on while static objects are destroyed, so the process then ends at once.
        if (!window.waitForWorkers(3000)) ExitProcess(UINT(exitCode));
    }
    SkinShutdown();
    return exitCode;
}
