#include "app/result_actions.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>

#include "app/app_files.h"
#include "app/ui_text.h"
#include "win/owners.h"
#include "text/encoding.h"
#include "skin/skin.h"

ResultRow selectedRow(HWND list) {
    int row = int(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    if (row < 0) return {};
    return {listCellText(list, row, 1), listCellText(list, row, 2)};
}

bool openAddress(const std::string& address) {
    if (!isOpenableAddress(address)) return false;
    auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", gbkToWide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

namespace {
// A movable global block holding `size` bytes copied from `data`.
UniqueGlobal globalCopy(const void* data, size_t size) {
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!block) return block;
    void* target = GlobalLock(block.get());
    if (!target) return UniqueGlobal();
    std::memcpy(target, data, size);
    GlobalUnlock(block.get());
    return block;
}
}  // namespace

bool copyToClipboard(HWND owner, const std::string& text) {
    std::wstring wide = gbkToWide(text);
    UniqueGlobal unicode = globalCopy(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    UniqueGlobal ansi = globalCopy(text.c_str(), text.size() + 1);
    if (!unicode || !ansi) return false;
    // With an owner window: after EmptyClipboard without one, SetClipboardData fails.
    ClipboardOpen clipboard(owner);
    if (!clipboard || !EmptyClipboard()) return false;
    if (!SetClipboardData(CF_UNICODETEXT, unicode.get())) return false;
    unicode.release();  // the clipboard owns it now
    // CF_TEXT holds GBK: other programs reading it on a Chinese system get the same text, and
    // on any system CF_UNICODETEXT above is what they prefer.
    if (!SetClipboardData(CF_TEXT, ansi.get())) return false;
    ansi.release();
    return true;
}

bool showInFileManager(const std::wstring& commandLine) {
    std::wstring windowsDir(MAX_PATH, L'\0');
    UINT n = GetSystemWindowsDirectoryW(windowsDir.data(), UINT(windowsDir.size()));
    if (n == 0 || n >= windowsDir.size()) return false;
    windowsDir.resize(n);
    if (windowsDir.back() == L'\\') windowsDir.pop_back();
    std::wstring explorer = windowsDir + L"\\explorer.exe";
    std::wstring command = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(explorer.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    WaitForInputIdle(processHandle.get(), 1000);
    return true;
}

bool exportResults(HWND owner, const std::string& keyword, const std::vector<ResultRow>& results,
                   const std::vector<ResultRow>& filtered) {
    std::wstring path = exportPath(programDirectory(), gbkToWide(keyword));
    if (!replaceFileBytes(path, exportText(results, filtered))) {
        SkinnedMessageBox(owner, "导出失败！无法写入文件：" + wideToGbk(path), 0, "提示");
        return false;
    }
    SkinnedMessageBox(owner, "导出成功！", 0, "提示");
    showInFileManager(explorerCommand(path));
    return true;
}
