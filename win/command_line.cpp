#include "win/command_line.h"

#include <windows.h>

#include "text/arguments.h"
#include "text/encoding.h"

std::vector<std::string> commandLineArguments() {
    std::vector<std::string> args;
    const LPCWSTR line = GetCommandLineW();
    if (!line) return args;
    std::vector<std::wstring> split = splitCommandLine(line);
    for (size_t i = 1; i < split.size(); ++i) args.push_back(wideToGbk(split[i]));
    return args;
}
