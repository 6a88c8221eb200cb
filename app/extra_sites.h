// The user's extra sites: how url.txt becomes the in-memory text, the checks made before saving
// and the settings window's help text. No platform calls.
#pragma once
#include <string>
#include <string_view>

inline constexpr const char EXTRA_SITES_FILE[] = "url.txt";
// Second example host of the help text (the first is ServiceTable entry 1).
inline constexpr const char HELP_SECOND_EXAMPLE_HOST[] = "pan.example.com";

// The file's bytes up to the first zero byte.
std::string extraSitesFromBytes(std::string_view bytes);

enum class ExtraSitesCheck { Ok, Empty, EndsWithSemicolon };
ExtraSitesCheck checkExtraSites(std::string_view text);

std::string settingsHelpText();
