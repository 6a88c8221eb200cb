#include "app/trim_memory.h"

#include <vector>

namespace {

// Closes a kernel handle at scope end.
struct HandleOwner {
    HANDLE h = nullptr;
    ~HandleOwner() {
        if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

std::wstring windowsDirectory() {
    DWORD n = GetEnvironmentVariableW(L"windir", nullptr, 0);
    if (n == 0) return {};
    std::wstring dir(n, L'\0');
    n = GetEnvironmentVariableW(L"windir", dir.data(), n);
    dir.resize(n);
    return dir;
}

enum class FileState { Missing, Ours, Other };

FileState fileState(const std::wstring& path, std::string_view bytes) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info)) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileState::Missing : FileState::Other;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return FileState::Other;
    if (info.nFileSizeHigh != 0 || info.nFileSizeLow != bytes.size()) return FileState::Other;
    HandleOwner file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE) return FileState::Other;
    std::string content(bytes.size(), '\0');
    DWORD read = 0;
    if (!ReadFile(file.h, content.data(), DWORD(content.size()), &read, nullptr) || read != content.size())
        return FileState::Other;
    return content == bytes ? FileState::Ours : FileState::Other;
}

// Writes beside the target and renames, so an interrupted write never leaves a broken tool at
// the path (which would then count as somebody else's file).
bool writeTool(const std::wstring& path, std::string_view bytes) {
    std::wstring temporary = path + L".tmp";
    {
        HandleOwner file{
            CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
        if (file.h == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        if (!WriteFile(file.h, bytes.data(), DWORD(bytes.size()), &written, nullptr) || written != bytes.size()) {
            CloseHandle(file.h);
            file.h = nullptr;
            DeleteFileW(temporary.c_str());
            return false;
        }
    }
    if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    DeleteFileW(temporary.c_str());
    return false;
}

}  // namespace

std::string embeddedTrimTool() {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(TRIM_TOOL_RESOURCE), MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!found) return {};
    HGLOBAL loaded = LoadResource(self, found);
    DWORD size = SizeofResource(self, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || size == 0) return {};
    return std::string(static_cast<const char*>(data), size);
}

bool trimMemoryWith(const std::wstring& windowsDir, std::string_view toolBytes) {
    std::wstring path = windowsDir + L"\\empty.exe";
    switch (fileState(path, toolBytes)) {
        case FileState::Ours:
            break;
        case FileState::Missing:
        case FileState::Other:
            // A file that differs from ours (an earlier build of the tool, or something else) is
            // replaced rather than run: we only ever start the bytes we carry.
            if (toolBytes.empty() || !writeTool(path, toolBytes)) return false;
            break;
    }

    std::wstring command = L"\"" + path + L"\" " + std::to_wstring(GetCurrentProcessId());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return false;
    HandleOwner thread{process.hThread};
    HandleOwner child{process.hProcess};
    // Bounded: the window thread waits here, and a stuck tool must not freeze the program.
    return WaitForSingleObject(child.h, TRIM_TOOL_WAIT_MS) == WAIT_OBJECT_0;
}

void trimMemory() {
    trimMemoryWith(windowsDirectory(), embeddedTrimTool());
}
