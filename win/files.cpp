#include "win/files.h"

#include <algorithm>
#include <atomic>

#include "win/owners.h"

std::wstring programDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash);
    return path;
}

bool readFileBytes(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
    bytes.resize(size_t(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, DWORD(bytes.size() - done), &got, nullptr)) {
            bytes.clear();  // an unreadable file reads as no bytes, never as a piece of itself
            return false;
        }
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return true;
}

namespace {
// Process id, a counter and the time: unique among the program's own writers, also in two
// instances at once; CREATE_NEW refuses a name that is taken all the same.
std::wstring temporaryName(const std::wstring& target, int attempt) {
    static std::atomic<unsigned> counter{0};
    return target + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"-" +
           std::to_wstring(GetTickCount() + DWORD(attempt)) + L".tmp";
}

bool writeAll(HANDLE file, std::string_view bytes, WriteBytesCall write) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD wrote = 0;
        if (!write(file, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) return false;
        done += wrote;
    }
    return true;
}
}  // namespace

std::wstring writeTemporaryBeside(const std::wstring& target, std::string_view bytes, WriteBytesCall write) {
    if (!write) write = WriteFile;
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::wstring temporary = temporaryName(target, attempt);
        UniqueHandle file(
            CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return {};
        }
        bool written = writeAll(file.get(), bytes, write) && FlushFileBuffers(file.get());
        file.reset();
        if (written) return temporary;
        DeleteFileW(temporary.c_str());
        return {};
    }
    return {};
}

bool replaceFileBytes(const std::wstring& path, std::string_view bytes, WriteBytesCall write) {
    std::wstring temporary = writeTemporaryBeside(path, bytes, write);
    if (temporary.empty()) return false;
    if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    DeleteFileW(temporary.c_str());
    return false;
}
