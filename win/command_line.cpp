#include "win/command_line.h"

#include <windows.h>

#include <shellapi.h>

#include "text/encoding.h"

std::vector<std::string> commandLineArguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv) return args;
    for (int i = 1; i < count; ++i) args.push_back(wideToGbk(argv[i]));
    LocalFree(argv);
    return args;
}
