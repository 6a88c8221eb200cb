#include "app/app_files.h"

#include <windows.h>

#include "app/win_owners.h"
#include "http/encoding.h"

std::string programDirectory() {
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
    return wideToGbk(path);
}

bool readFileBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    UniqueHandle file(CreateFileW(gbkToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
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

bool writeFileBytes(const std::string& path, const std::string& bytes) {
    UniqueHandle file(
        CreateFileW(gbkToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        if (!WriteFile(file.get(), bytes.data() + done, DWORD(bytes.size() - done), &wrote, nullptr) || wrote == 0) {
            return false;
        }
        done += wrote;
    }
    return true;
}
