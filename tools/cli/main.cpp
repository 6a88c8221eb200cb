// quorrel-cli: console tools for maintaining Quorrel, first of all `fetch`, which shows exactly
// what the program's web request sends and receives.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "text/encoding.h"
#include "quorrel_version.h"  // generated in the build folder from CMakeLists.txt's version
#include "tools/cli/commands.h"
#include "win/command_line.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const CommandArgs&);
    const char* summary;
};

// To add a command: declare it in commands.h, define it in its own file, list it here.
// search_command.cpp is compiled (and QUORREL_CLI_SEARCH defined) only once it exists.
const Command COMMANDS[] = {
    {"fetch", runFetch, "fetch URL [options]   one web request; body to stdout, details to stderr"},
#ifdef QUORREL_CLI_SEARCH
    {"search", runSearch, "search ...            run a search (see quorrel-cli search --help)"},
#endif
    {"check", runCheck, "check URL [CODE]...   whether netdisk share links still work"},
    {"links", runLinks, "links [FILE...]       the netdisk share links in texts, with their codes"},
};

void printUsage() {
    std::string text = "usage: quorrel-cli COMMAND [arguments]\n\ncommands:\n";
    for (const Command& c : COMMANDS) text += std::string("  ") + c.summary + "\n";
    text += "\nquorrel-cli COMMAND --help describes one command.\n";
    text += "quorrel-cli --version prints the version.\n";
    writeErr(text);
}

}  // namespace

void writeOut(const std::string& bytes) {
    fwrite(bytes.data(), 1, bytes.size(), stdout);
    fflush(stdout);
}

void writeErr(const std::string& bytes) {
    fwrite(bytes.data(), 1, bytes.size(), stderr);
    fflush(stderr);
}

// GBK text goes to a console as wide text, elsewhere as UTF-8 or, when asked, GBK.
void writeText(CliStream which, const std::string& gbk, bool asGbk) {
    HANDLE handle = GetStdHandle(which == CliStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!asGbk && handle && GetConsoleMode(handle, &mode)) {
        std::wstring wide = gbkToWide(gbk);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), DWORD(wide.size()), &written, nullptr);
        return;
    }
    std::string bytes = asGbk ? gbk : gbkToUtf8(gbk);
    if (which == CliStream::Out) {
        writeOut(bytes);
    } else {
        writeErr(bytes);
    }
}

std::string readStandardInput() {
    _setmode(_fileno(stdin), _O_BINARY);
    std::string bytes;
    char buffer[65536];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, stdin)) > 0) bytes.append(buffer, n);
    return bytes;
}

int main() {
    // Bodies and header blocks go out byte for byte: no CRLF translation.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // The arguments as GBK texts, whatever the console's code page.
    CommandArgs args = commandLineArguments();
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printUsage();
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        writeOut("quorrel-cli " QUORREL_VERSION_STRING "\n");
        return 0;
    }
    for (const Command& c : COMMANDS) {
        if (args[0] == c.name) return c.run(CommandArgs(args.begin() + 1, args.end()));
    }
    writeErr("quorrel-cli: unknown command \"" + args[0] + "\"\n");
    printUsage();
    return 2;
}
