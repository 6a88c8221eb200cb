#include "app/app_settings.h"

#include "app/extra_sites.h"
#include "text/text.h"

namespace {
// Only blanks and tabs: a line is already cut at its end.
std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

bool isNetdiskList(std::string_view value) {
    return value == NETDISKS_CLASSIC || value == NETDISKS_TODAY;
}

bool isMode(std::string_view value) {
    return value == MODE_SITE || value == MODE_MENTIONS;
}

// A profile name is a section name of a profile file: printable, no brackets or line breaks.
bool isProfileName(std::string_view value) {
    if (value.empty() || value.size() > 64) return false;
    for (unsigned char c : value) {
        if (c < 0x20 || c == 0x7F || c == '[' || c == ']' || c == '=') return false;
    }
    return true;
}

bool isPath(std::string_view value) {
    if (value.size() > 1024) return false;
    for (unsigned char c : value) {
        if (c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

void applyKey(AppSettings& settings, std::string_view key, std::string_view value) {
    std::string lowered = asciiLower(value);
    if (key == "netdisks") {
        if (isNetdiskList(lowered)) settings.netdisks = lowered;
    } else if (key == "profile") {
        if (isProfileName(value)) settings.profile = std::string(value);
    } else if (key == "profile-file") {
        if (isPath(value)) settings.profileFile = std::string(value);
    } else if (key == "unique") {
        if (auto on = parseSwitch(value)) settings.unique = *on;
    } else if (key == "check-links") {
        if (auto on = parseSwitch(value)) settings.checkLinks = *on;
    } else if (key == "mode") {
        if (isMode(lowered)) settings.mode = lowered;
    }
}

bool optionValue(std::string_view arg, std::string_view name, std::string_view* value) {
    if (arg.size() < name.size() + 3 || arg.substr(0, 2) != "--" || arg.substr(2, name.size()) != name ||
        arg[2 + name.size()] != '=')
        return false;
    *value = arg.substr(name.size() + 3);
    return true;
}
}  // namespace

std::optional<bool> parseSwitch(std::string_view value) {
    std::string v = asciiLower(value);
    if (v == "1" || v == "true" || v == "yes" || v == "on") return true;
    if (v == "0" || v == "false" || v == "no" || v == "off") return false;
    return std::nullopt;
}

AppSettings parseAppSettings(std::string_view bytes) {
    AppSettings settings;
    const std::string text = extraSitesFromBytes(bytes);
    std::string_view rest = text;
    while (!rest.empty()) {
        size_t end = rest.find_first_of("\r\n");
        std::string_view line = trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#' || line.front() == '[') continue;
        size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        applyKey(settings, asciiLower(trimmed(line.substr(0, equals))), trimmed(line.substr(equals + 1)));
    }
    return settings;
}

std::string formatAppSettings(const AppSettings& settings) {
    std::string text = std::string(SETTINGS_SECTION) + "\r\n";
    text += "netdisks=" + settings.netdisks + "\r\n";
    text += "profile=" + settings.profile + "\r\n";
    if (!settings.profileFile.empty()) text += "profile-file=" + settings.profileFile + "\r\n";
    text += std::string("unique=") + (settings.unique ? "1" : "0") + "\r\n";
    if (settings.checkLinks) text += std::string("check-links=") + (*settings.checkLinks ? "1" : "0") + "\r\n";
    text += "mode=" + settings.mode + "\r\n";
    return text;
}

AppSettings withCommandLine(AppSettings settings, const std::vector<std::string>& args) {
    bool profileNamed = false, fileNamed = false;
    for (const std::string& arg : args) {
        std::string_view value;
        if (optionValue(arg, "netdisks", &value)) {
            if (isNetdiskList(asciiLower(value))) settings.netdisks = asciiLower(value);
        } else if (optionValue(arg, "profile", &value)) {
            settings.profile = std::string(value);
            profileNamed = true;
        } else if (optionValue(arg, "profile-file", &value)) {
            settings.profileFile = std::string(value);
            fileNamed = true;
        } else if (optionValue(arg, "mode", &value)) {
            if (isMode(asciiLower(value))) settings.mode = asciiLower(value);
        } else if (arg == "--unique") {
            settings.unique = true;
        } else if (arg == "--check") {
            settings.checkLinks = true;
        } else if (arg == "--no-check") {
            settings.checkLinks = false;
        }
    }
    if (fileNamed && !profileNamed) settings.profile.clear();
    return settings;
}

std::vector<std::string> profileArguments(const AppSettings& settings) {
    std::vector<std::string> args;
    if (!settings.profileFile.empty()) args.push_back("--profile-file=" + settings.profileFile);
    if (!settings.profile.empty()) args.push_back("--profile=" + settings.profile);
    return args;
}
