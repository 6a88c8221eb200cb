#include "tools/cli/cli_options.h"

#include "tools/cli/commands.h"

bool optionValue(const std::string& arg, const char* name, std::string* value) {
    std::string prefix = std::string("--") + name + "=";
    if (arg.compare(0, prefix.size(), prefix) != 0) return false;
    *value = arg.substr(prefix.size());
    return true;
}

bool rowOption(const std::string& arg, const char* command, const char* help, RowOptions& options,
               std::optional<int>& end) {
    std::string value;
    if (arg == "--help" || arg == "-h") {
        writeText(CliStream::Err, help, options.gbk);
        end = 0;
    } else if (arg == "--gbk") {
        options.gbk = true;
    } else if (optionValue(arg, "format", &value)) {
        if (!rowFormatByName(value, &options.format)) {
            writeText(CliStream::Err,
                      std::string("quorrel-cli ") + command + ": --format takes text, tsv, csv or jsonl\n", options.gbk);
            end = 2;
        }
    } else {
        return false;
    }
    return true;
}
