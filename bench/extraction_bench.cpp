// Extraction speed: RESULT_PATTERN over realistic result pages through RegexObject (the system's
// VBScript.RegExp), against std::regex running the same pattern over the same pages. Both read
// every hit's title and address, as the worker does.
#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "regex/regex_object.h"
#include "search/worker.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Pass {
    double seconds = 0;
    long hits = 0;
};

Pass runRegexObject(const std::vector<std::string>& pages, int rounds) {
    Pass pass;
    RegexObject regex;
    size_t checksum = 0;
    auto start = Clock::now();
    for (int r = 0; r < rounds; ++r) {
        for (const std::string& page : pages) {
            regex.run(RESULT_PATTERN, page);
            int count = regex.matchCount();
            for (int i = 1; i <= count; ++i) {
                checksum += regex.subMatchText(i, 2).size() + regex.subMatchText(i, 1).size();
            }
            pass.hits += count;
        }
    }
    pass.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (checksum == 0) pass.hits = 0;
    return pass;
}

Pass runStdRegex(const std::vector<std::string>& pages, int rounds) {
    Pass pass;
    size_t checksum = 0;
    auto start = Clock::now();
    // ECMAScript: "." stops at a line feed and ".*?" is lazy, as in the component's dialect.
    std::regex pattern(RESULT_PATTERN, std::regex::ECMAScript | std::regex::icase);
    for (int r = 0; r < rounds; ++r) {
        for (const std::string& page : pages) {
            for (std::sregex_iterator it(page.begin(), page.end(), pattern), end; it != end; ++it) {
                checksum += (*it)[2].length() + (*it)[1].length();
                ++pass.hits;
            }
        }
    }
    pass.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (checksum == 0) pass.hits = 0;
    return pass;
}

}  // namespace

int main() {
    // Forty pages of fifty hits each, as a search of a few services would fetch them.
    std::vector<std::string> pages;
    size_t bytes = 0;
    for (int p = 0; p < 40; ++p) {
        std::string site = p % 2 ? "pan.baidu.com" : "www.vdisk.cn";
        std::string keyword = p % 3 ? "电子书 合集" : "Windows 7";
        // The engine's pages carry some 60 KB of inline style and script besides the results.
        pages.push_back(
            simResultPage(site, keyword, p * 50, simGeneratedHits(site, keyword, p * 50, 50), true, false, 60 * 1024));
        bytes += pages.back().size();
    }
    const int rounds = 5;
    runRegexObject(pages, 1);  // warm the component up
    Pass com = runRegexObject(pages, rounds);
    Pass std = runStdRegex(pages, rounds);
    double mb = double(bytes) * rounds / (1024.0 * 1024.0);

    std::printf("extraction: %zu pages, %.1f KB each, %d rounds\n", pages.size(), bytes / 1024.0 / pages.size(),
                rounds);
    std::printf("  RegexObject (VBScript.RegExp): %8.0f hits/s %7.2f MB/s  (%ld hits)\n", com.hits / com.seconds,
                mb / com.seconds, com.hits);
    std::printf("  std::regex                   : %8.0f hits/s %7.2f MB/s  (%ld hits)\n", std.hits / std.seconds,
                mb / std.seconds, std.hits);
    if (com.hits != std.hits || com.hits == 0) {
        std::printf("  MISMATCH: the two engines found different hits\n");
        return 1;
    }
    std::printf("RATIO extraction RegexObject/std::regex speed: %.2f\n", std.seconds / com.seconds);
    return 0;
}
