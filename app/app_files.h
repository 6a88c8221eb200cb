// The shell's own files beside the program: url.txt and quorrel.ini. Whole-file reads and atomic
// replacement come from win/files.h.
#pragma once
#include <string>
#include <string_view>

#include "app/app_settings.h"
#include "win/files.h"

// url.txt beside the program.
std::wstring extraSitesPath();
// Its text as the program keeps it (GBK; a UTF-8 file converted), "" when missing or unreadable.
std::string loadExtraSites();
// Replaces url.txt with the text's GBK bytes; false when it could not be written.
bool saveExtraSites(std::string_view text);

// quorrel.ini beside the program.
std::wstring settingsPath();
// Its settings; the defaults when it is missing, unreadable or not a settings file.
AppSettings loadSettings();
// Replaces quorrel.ini whole (url.txt is never touched); false when it could not be written.
bool saveSettings(const AppSettings& settings);
