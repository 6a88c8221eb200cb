#include "app/app_files.h"

#include "app/extra_sites.h"
#include "text/encoding.h"

std::wstring extraSitesPath() {
    return programDirectory() + L"\\" + gbkToWide(EXTRA_SITES_FILE);
}

std::string loadExtraSites() {
    std::string bytes;
    readFileBytes(extraSitesPath(), bytes);
    return extraSitesFromBytes(bytes);
}

bool saveExtraSites(std::string_view text) {
    return replaceFileBytes(extraSitesPath(), text);
}

std::wstring settingsPath() {
    return programDirectory() + L"\\" + gbkToWide(SETTINGS_FILE);
}

AppSettings loadSettings() {
    // A settings file is a few lines; a huge one is not ours and is not read whole.
    constexpr size_t MAX_SETTINGS_BYTES = 64 * 1024;
    std::string bytes;
    if (!readFileBytes(settingsPath(), bytes) || bytes.size() > MAX_SETTINGS_BYTES) return {};
    return parseAppSettings(bytes);
}

bool saveSettings(const AppSettings& settings) {
    return replaceFileBytes(settingsPath(), formatAppSettings(settings));
}
