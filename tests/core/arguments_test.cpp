// The command line split as the platform splits it: the program's name, blanks, quotes and the
// backslashes before them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/arguments.h"

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

namespace {

using Args = std::vector<std::wstring>;

struct Case {
    const wchar_t* line;
    Args args;
};

std::string narrow(const std::wstring& wide) {
    return std::string(wide.begin(), wide.end());  // the cases are ASCII
}

}  // namespace

const std::vector<Case>& cases() {
    static const std::vector<Case> list = {
        // The name: up to a blank, or inside its quotes with backslashes kept.
        {L"quorrel-cli.exe", {L"quorrel-cli.exe"}},
        {L"\"C:\\Program Files\\Quorrel\\quorrel-cli.exe\" search", {L"C:\\Program Files\\Quorrel\\quorrel-cli.exe", L"search"}},
        {L"C:\\q\\cli.exe\\ a", {L"C:\\q\\cli.exe\\", L"a"}},
        // Blanks separate, any number of them, tabs too; trailing blanks add nothing.
        {L"q  search\t\t--format=csv   ", {L"q", L"search", L"--format=csv"}},
        // Quotes group and vanish; a quoted part may sit inside an argument.
        {L"q \"two words\" --engine=\"127.0.0.1:80\"x", {L"q", L"two words", L"--engine=127.0.0.1:80x"}},
        {L"q \"\" b", {L"q", L"", L"b"}},
        {L"q \"unclosed part", {L"q", L"unclosed part"}},
        // Backslashes: literal unless before a quote; 2n give n and a quote that groups, 2n+1
        // give n and a literal quote.
        {L"q C:\\dir\\ \\\\server\\share", {L"q", L"C:\\dir\\", L"\\\\server\\share"}},
        {L"q a\\\"b", {L"q", L"a\"b"}},
        {L"q a\\\\\"b c\"", {L"q", L"a\\b c"}},
        {L"q a\\\\\\\"b", {L"q", L"a\\\"b"}},
        {L"q \"C:\\dir\\\\\" next", {L"q", L"C:\\dir\\", L"next"}},
        // Runs of quotes: every third, the opening one counted, is a literal quote; so two
        // inside a quoted part are a quote that ends the part.
        {L"q \"say \"\"hi\"\" now\" end", {L"q", L"say \"hi", L"now end"}},
        {L"q \"a\"\"b\" c", {L"q", L"a\"b c"}},
        {L"q \"\"\"quoted\"\"\" x", {L"q", L"\"quoted\"", L"x"}},
        {L"q a\\\"\"\" b", {L"q", L"a\"", L"b"}},
        // Text that is no ASCII passes unchanged.
        {L"q \x7535\x5b50\x4e66 \"\x8d44 \x6599\"", {L"q", L"\x7535\x5b50\x4e66", L"\x8d44 \x6599"}},
    };
    return list;
}

TEST(CommandLine, SplitsAsThePlatformDoes) {
    for (const Case& c : cases()) EXPECT_EQ(splitCommandLine(c.line), c.args) << "line: " << narrow(c.line);
    EXPECT_EQ(splitCommandLine(L""), Args{L""});
}

#ifdef _WIN32
// The same lines through the shell library's own splitter.
TEST(CommandLine, AgreesWithTheShellLibrary) {
    for (const Case& c : cases()) {
        int count = 0;
        LPWSTR* argv = CommandLineToArgvW(c.line, &count);
        ASSERT_NE(argv, nullptr);
        Args platform(argv, argv + count);
        LocalFree(argv);
        EXPECT_EQ(splitCommandLine(c.line), platform) << "line: " << narrow(c.line);
    }
}
#endif
