#include "skin/trim_memory.h"

#include "win/files.h"
#include "win/owners.h"

namespace {

std::wstring environmentVariable(const wchar_t* name) {
    DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    n = GetEnvironmentVariableW(name, value.data(), n);
    value.resize(n);
    return value;
}

enum class FileState { Missing, Ours, Other };

// Opens the file shared for reading only and compares it with our bytes. While `held` stays
// open nobody can write, replace or delete the file, so what was checked is what runs.
// Another instance renaming its copy into place keeps the file open for deletion for a moment
// (sharing violation); that copy is the one we look for, so it is waited for, briefly.
FileState checkTool(const std::wstring& path, std::string_view bytes, UniqueHandle& held) {
    constexpr int SHARING_TRIES = 50;
    constexpr DWORD SHARING_PAUSE_MS = 10;
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < SHARING_TRIES; ++attempt) {
        held.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (held) break;
        error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION) break;
        Sleep(SHARING_PAUSE_MS);
    }
    if (!held)
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileState::Missing : FileState::Other;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(held.get(), &size) || size.QuadPart != LONGLONG(bytes.size())) return FileState::Other;
    std::string content(bytes.size(), '\0');
    DWORD read = 0;
    if (!ReadFile(held.get(), content.data(), DWORD(content.size()), &read, nullptr) || read != content.size())
        return FileState::Other;
    return content == bytes ? FileState::Ours : FileState::Other;
}

// Puts our tool at `path` if the place is free; an interrupted write leaves nothing there.
void installTool(const std::wstring& path, std::string_view bytes) {
    std::wstring temporary = writeTemporaryBeside(path, bytes);
    if (temporary.empty()) return;
    // No MOVEFILE_REPLACE_EXISTING: a file that appeared meanwhile is never replaced.
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) DeleteFileW(temporary.c_str());
}

// Our tool at `path`, written there when missing; checked and held open. Other when the place
// holds something else or cannot take our file.
FileState prepareTool(const std::wstring& path, std::string_view bytes, UniqueHandle& held) {
    FileState state = checkTool(path, bytes, held);
    if (state != FileState::Missing) return state;
    installTool(path, bytes);
    state = checkTool(path, bytes, held);  // ours, or another instance's identical copy
    return state == FileState::Missing ? FileState::Other : state;
}

bool runTool(const std::wstring& path) {
    std::wstring command = L"\"" + path + L"\" " + std::to_wstring(GetCurrentProcessId());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return false;
    UniqueHandle thread(process.hThread);
    UniqueHandle child(process.hProcess);
    // Bounded: the window thread waits here, and a stuck tool must not freeze the program.
    return WaitForSingleObject(child.get(), TRIM_TOOL_WAIT_MS) == WAIT_OBJECT_0;
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

bool trimMemoryWith(const std::wstring& windowsDir, const std::wstring& userDir, std::string_view toolBytes) {
    if (toolBytes.empty()) return false;
    UniqueHandle held;
    std::wstring path = windowsDir + L"\\empty.exe";
    if (prepareTool(path, toolBytes, held) != FileState::Ours) {
        if (userDir.empty()) return false;
        CreateDirectoryW(userDir.c_str(), nullptr);
        path = userDir + L"\\empty.exe";
        if (prepareTool(path, toolBytes, held) != FileState::Ours) return false;
    }
    return runTool(path);
}

void trimMemory() {
    std::wstring localAppData = environmentVariable(L"LOCALAPPDATA");
    trimMemoryWith(environmentVariable(L"windir"), localAppData.empty() ? L"" : localAppData + L"\\Quorrel",
                   embeddedTrimTool());
}
