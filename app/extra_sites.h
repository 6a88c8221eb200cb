// The user's extra sites: how url.txt becomes the in-memory text, the checks made before saving
// and the settings window's help text. No platform calls.
#pragma once
#include <string>
#include <string_view>

inline constexpr const char EXTRA_SITES_FILE[] = "url.txt";
// Second example host of the help text (the first is ServiceTable entry 1).
inline constexpr const char HELP_SECOND_EXAMPLE_HOST[] = "pan.example.com";

// The file's bytes up to the first zero byte, as GBK text. The program writes GBK; a file that
// another editor saved as UTF-8 is converted: one that starts with the UTF-8 byte-order mark,
// or one that holds a byte of 0x80 or more and is valid UTF-8 as a whole (a GBK text of more
// than a character or two almost never is). A file that starts with a UTF-16 byte-order mark
// (either order) is read as UTF-16 up to its first zero unit. Everything else is taken as GBK,
// unchanged.
std::string extraSitesFromBytes(std::string_view bytes);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no cut sequence.
bool isUtf8(std::string_view bytes);

enum class ExtraSitesCheck { Ok, Empty, EndsWithSemicolon };
ExtraSitesCheck checkExtraSites(std::string_view text);

std::string settingsHelpText();
