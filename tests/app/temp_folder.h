// A temporary folder of the test's own.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>

// TEMP\<prefix><process id>-<n><suffix>, created now. Wine reuses process ids, so a name is
// taken only when the folder is new: one an earlier run left behind would bring its files along.
inline std::wstring newTempFolder(const std::wstring& prefix, const std::wstring& suffix = {}) {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    for (;;) {
        std::wstring folder = std::wstring(temp) + prefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++counter) + suffix;
        if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() != ERROR_ALREADY_EXISTS) return folder;
    }
}
