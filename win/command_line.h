// The program's command-line arguments as GBK texts, read from the wide command line whatever
// the system's code page. Floor 1: uses the platform and text/.
#pragma once
#include <string>
#include <vector>

// The arguments after the program's name; none when the command line cannot be split.
std::vector<std::string> commandLineArguments();
