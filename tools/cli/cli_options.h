// What the commands of quorrel-cli read alike from their arguments: "--NAME=VALUE" options, and
// the options of the commands that write rows of share links (--help, --gbk, --format=NAME).
// Uses links/ (the row formats) and the console writers of main.cpp.
#pragma once
#include <optional>
#include <string>

#include "links/row_output.h"

// True when `arg` is "--NAME=..."; `value` receives what follows the "=".
bool optionValue(const std::string& arg, const char* name, std::string* value);

struct RowOptions {
    RowFormat format = RowFormat::Text;
    bool gbk = false;  // the text format (and the help) as GBK bytes instead of UTF-8
};

// True when `arg` is --help (-h), --gbk or --format=NAME, read into `options`. `end` receives
// the exit status when the command ends with it: 0 once `help` is written to stderr, 2 once an
// unknown format is named ("quorrel-cli COMMAND: ..." on stderr).
bool rowOption(const std::string& arg, const char* command, const char* help, RowOptions& options,
               std::optional<int>& end);
