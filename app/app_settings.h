// The window's own settings, kept in quorrel.ini beside url.txt: which service list, which engine
// profile (and the profile file it comes from), whether duplicates are folded, whether links are
// checked while searching and how the engine is asked. This part reads and writes the file's
// text and lays command-line options over it; it makes no platform calls (app_files.* loads and
// saves the file). Uses text/ and app/extra_sites.h (a text file's bytes as GBK).
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char SETTINGS_FILE[] = "quorrel.ini";
inline constexpr const char SETTINGS_SECTION[] = "[quorrel]";

inline constexpr const char NETDISKS_CLASSIC[] = "classic";
inline constexpr const char NETDISKS_TODAY[] = "today";
inline constexpr const char MODE_SITE[] = "site";
inline constexpr const char MODE_MENTIONS[] = "mentions";

struct AppSettings {
    std::string netdisks = NETDISKS_CLASSIC;  // "classic" or "today"
    std::string profile;      // engine profile name; "" = none chosen (classic)
    std::string profileFile;  // profile file the name may come from; "" = none
    bool unique = false;      // 合并重复链接
    // 搜索时检查链接; unset follows the service list (on with today, off with classic).
    std::optional<bool> checkLinks;
    std::string mode = MODE_SITE;  // "site" or "mentions"

    bool today() const { return netdisks == NETDISKS_TODAY; }
    bool checksLinks() const { return checkLinks.value_or(today()); }
    bool operator==(const AppSettings&) const = default;
};

// The file's text (GBK, UTF-8 or UTF-16 with its byte-order mark) read leniently: "key=value"
// lines, keys without regard to case, blanks around both ignored, section headers and lines
// starting with ";" or "#" skipped. An unknown key is ignored; a bad value leaves that key at
// its default. Whatever the bytes, the result is usable.
AppSettings parseAppSettings(std::string_view bytes);

// The file's text (GBK, CRLF lines). Keys at their default are still written, except the
// unset check-links choice and an empty profile file.
std::string formatAppSettings(const AppSettings& settings);

// Lays the options of one run over the saved settings: --netdisks=, --profile=, --profile-file=,
// --unique, --check / --no-check, --mode=. A profile file named without a profile name drops
// the saved name (a file of one profile needs none). Bad values are left for the option's own
// reader to report and change nothing here.
AppSettings withCommandLine(AppSettings settings, const std::vector<std::string>& args);

// The options that make the profile choice of `settings` active through applyProfileOptions.
std::vector<std::string> profileArguments(const AppSettings& settings);

// "1"/"0", "true"/"false", "yes"/"no", "on"/"off" (any case); nullopt for anything else.
std::optional<bool> parseSwitch(std::string_view value);
