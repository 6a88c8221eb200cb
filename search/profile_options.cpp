// The command-line options that choose a profile. Kept apart from profile.cpp because the file
// is read through the platform's wide-character API.
#include <windows.h>

#include "text/encoding.h"
#include "search/profile.h"

namespace {

// Profile files are small; anything beyond this is not one.
constexpr DWORD MAX_PROFILE_FILE = 1 << 20;

bool readProfileFile(const std::string& path, std::string& bytes) {
    HANDLE file = CreateFileW(gbkToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= MAX_PROFILE_FILE;
    if (ok) {
        bytes.assign(size_t(size.QuadPart), '\0');
        DWORD read = 0;
        ok = bytes.empty() || (ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr) && read == bytes.size());
    }
    CloseHandle(file);
    return ok;
}

bool optionValue(const std::string& arg, const std::string& name, std::string* value) {
    std::string prefix = "--" + name + "=";
    if (arg.compare(0, prefix.size(), prefix) != 0) return false;
    *value = arg.substr(prefix.size());
    return true;
}

}  // namespace

std::string applyProfileOptions(const std::vector<std::string>& args) {
    std::string name, path, value;
    bool named = false;
    for (const std::string& arg : args) {
        if (optionValue(arg, "profile", &value)) {
            name = value;
            named = true;
        } else if (optionValue(arg, "profile-file", &value)) {
            path = value;
        }
    }
    std::map<std::string, EngineProfile> fromFile;
    if (!path.empty()) {
        std::string bytes, error;
        if (!readProfileFile(path, bytes)) return "cannot read the profile file " + path;
        fromFile = parseProfiles(bytes, &error);
        if (fromFile.empty()) return "profile file " + path + ": " + error;
        // A file of one profile needs no --profile.
        if (!named && fromFile.size() == 1) {
            setActiveProfile(fromFile.begin()->second);
            return {};
        }
    }
    if (!named) return {};
    auto it = fromFile.find(name);
    if (it != fromFile.end()) {
        setActiveProfile(it->second);
        return {};
    }
    std::optional<EngineProfile> builtin = builtinProfile(name);
    if (!builtin) {
        std::string known;
        for (const std::string& n : builtinProfileNames()) known += (known.empty() ? "" : ", ") + n;
        for (const auto& entry : fromFile) known += ", " + entry.first;
        return "no profile named \"" + name + "\" (known: " + known + ")";
    }
    setActiveProfile(*builtin);
    return {};
}
