// A Windows command line split into its arguments by the platform's rules, without the shell
// library that would otherwise be loaded for it (a noticeable part of a console program's start).
// Room text/ (floor 0): the standard library only.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// The program's name first, then each argument. The name ends at the first blank, or at the
// closing quote when it starts with one, and takes no escapes. In the arguments, blanks (space,
// tab) separate outside quotes; 2n backslashes before a quote give n backslashes and the quote
// opens or closes a quoted part; 2n+1 give n backslashes and a literal quote; backslashes before
// anything else stand as they are. In a run of quotes, counting the one that opened the part,
// every third is a literal quote (so "" inside a quoted part is a quote and ends the part). An
// empty quoted part ("") is an empty argument.
std::vector<std::wstring> splitCommandLine(std::wstring_view line);
