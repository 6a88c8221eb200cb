// A temporary folder of the test's own, and the whole-file reads and writes the tests make in
// it (wide paths: folder names GBK cannot hold are among what the tests try).
#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <string_view>

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

inline bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The whole file; "" when it cannot be opened, and then *opened is false.
inline std::string readBytes(const std::wstring& path, bool* opened = nullptr) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (opened) *opened = file != INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

// Creates or truncates the file and writes all of `bytes`.
inline bool writeBytes(const std::wstring& path, std::string_view bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD wrote = 0;
    bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &wrote, nullptr) && wrote == bytes.size();
    CloseHandle(file);
    return ok;
}

// How many files (not folders) the folder holds.
inline int filesIn(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return n;
}
