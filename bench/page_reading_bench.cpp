// Page reading: how its time grows with a page's size, on the line shape that once made it grow
// with the square (one long line of href="x" repeats) and on ordinary result pages; and what
// compiling the pattern once per worker saves against once per page.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "regex/regex_object.h"
#include "search/page_reader.h"
#include "search/profile.h"
#include "search/worker.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsOf(PageReader& reader, const std::string& page, int rounds) {
    auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) reader.read(page);
    return std::chrono::duration<double>(Clock::now() - start).count() / rounds;
}

std::string hrefLine(size_t bytes) {
    std::string line;
    while (line.size() < bytes) line += "href=\"x\" ";
    return line;
}

}  // namespace

int main() {
    // The hostile line, closed so that the classic pattern matches once at its end.
    PageReader classic(*builtinProfile("classic"));
    const std::string tail = classicMiddle() + "title</a></h3><div\n";
    double small = secondsOf(classic, hrefLine(200 * 1024) + tail, 3);
    double large = secondsOf(classic, hrefLine(2 * 1024 * 1024) + tail, 3);
    std::printf("classic, one line of href=\"x\": 200 KB %.3f s, 2 MB %.3f s\n", small, large);
    std::printf("RATIO classic long-line time 2MB/200KB (10 is linear, 100 quadratic): %.1f\n", large / small);

    // A profile over ordinary pages of growing size: ten and a hundred results a page.
    PageReader bing(*builtinProfile("bing"));
    auto bingPage = [](int hits) {
        SimPage page;
        page.layout = "bing";
        page.site = "pan.baidu.com";
        page.keyword = "电子书";
        page.hits = simGeneratedHits("pan.baidu.com", "电子书", 0, hits);
        page.next = true;
        page.nextPosition = hits + 1;
        return page;
    };
    std::string ten = simLayoutPage(bingPage(10)), hundred = simLayoutPage(bingPage(100));
    double t10 = secondsOf(bing, ten, 10), t100 = secondsOf(bing, hundred, 10);
    std::printf("bing pages: %zu bytes %.4f s, %zu bytes %.4f s\n", ten.size(), t10, hundred.size(), t100);
    std::printf("RATIO bing page time per byte, 100 results/10 results (1 is linear): %.2f\n",
                (t100 / double(hundred.size())) / (t10 / double(ten.size())));

    // The classic pattern compiled once and run over forty pages, against compiled per page.
    std::vector<std::string> pages;
    for (int p = 0; p < 40; ++p)
        pages.push_back(simResultPage("pan.baidu.com", "书", p * 50, simGeneratedHits("pan.baidu.com", "书", p * 50, 50), true));
    RegexObject once, each;
    auto start = Clock::now();
    once.run(RESULT_PATTERN, pages[0]);
    long checksum = 0;
    for (const std::string& page : pages) {
        once.execute(page);
        checksum += once.matchCount();
    }
    double reused = std::chrono::duration<double>(Clock::now() - start).count();
    start = Clock::now();
    for (const std::string& page : pages) {
        each.run(RESULT_PATTERN, page);
        checksum -= each.matchCount();
    }
    double fresh = std::chrono::duration<double>(Clock::now() - start).count();
    if (checksum != 0) {
        std::printf("MISMATCH: the two runs found different hits\n");
        return 1;
    }
    std::printf("forty pages: compiled once %.3f s, compiled per page %.3f s\n", reused, fresh);
    std::printf("RATIO per-page set-up saved, compiled per page/compiled once: %.2f\n", fresh / reused);
    return 0;
}
