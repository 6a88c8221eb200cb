#include "text/arguments.h"

namespace {

bool blank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

}  // namespace

std::vector<std::wstring> splitCommandLine(std::wstring_view line) {
    std::vector<std::wstring> args;
    size_t i = 0;
    // The program's name.
    std::wstring name;
    if (i < line.size() && line[i] == L'"') {
        size_t close = line.find(L'"', i + 1);
        name = line.substr(i + 1, (close == std::wstring_view::npos ? line.size() : close) - i - 1);
        i = close == std::wstring_view::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && !blank(line[i])) name += line[i++];
    }
    args.push_back(std::move(name));

    for (;;) {
        while (i < line.size() && blank(line[i])) ++i;
        if (i >= line.size()) break;
        std::wstring arg;
        int quotes = 0;  // 0 outside a quoted part, 1 inside; 2 and 3 only while a run of quotes is read
        while (i < line.size() && (quotes != 0 || !blank(line[i]))) {
            size_t backslashes = 0;
            while (i < line.size() && line[i] == L'\\') ++backslashes, ++i;
            if (i >= line.size() || line[i] != L'"') {
                arg.append(backslashes, L'\\');
                if (i < line.size() && backslashes == 0) arg += line[i++];
                continue;
            }
            arg.append(backslashes / 2, L'\\');
            if (backslashes % 2 == 1) {
                arg += L'"';
            } else {
                ++quotes;
            }
            // The quotes that follow: every third of the count (the opening one included) is a
            // literal quote, and two left over close the part.
            for (++i; i < line.size() && line[i] == L'"'; ++i) {
                if (++quotes == 3) {
                    arg += L'"';
                    quotes = 0;
                }
            }
            if (quotes == 2) quotes = 0;
        }
        args.push_back(std::move(arg));
    }
    return args;
}
