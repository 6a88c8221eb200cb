// Where one result page's time goes beyond the engine's latency, stage by stage as the worker
// runs them: the request (WinInet against the simulator answering at once, the simulator's own
// page building shown apart), UTF-8 to GBK, the pattern run, and reading the 50 hits out of the
// match collection.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "text/encoding.h"
#include "text/text.h"
#include "http/web_request.h"
#include "regex/com_owners.h"
#include "regex/regex_object.h"
#include "search/query.h"
#include "search/services.h"
#include "search/worker.h"
#include "tools/engine_sim/engine_sim.h"

namespace {
using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}
}  // namespace

int main() {
    const int PAGES = 40;
    EngineSimOptions options;
    options.endless = true;  // every page full, with a next-page link
    EngineSim sim(options);
    if (!sim.ok()) return 1;
    setEngineHost(sim.hostPort());
    ComInitializer com;
    RegexObject regex;
    const std::string host = ServiceTable[0].host;

    double fetch = 0, decode = 0, match = 0, read = 0, build = 0;
    long hits = 0;
    for (int page = 0; page < PAGES; ++page) {
        std::string address = buildQueryUrl(host, "电子书", page * PAGE_SIZE);
        auto t = Clock::now();
        std::string body = webRequest(address);
        fetch += msSince(t);

        t = Clock::now();
        std::string text = utf8ToGbk(body);
        decode += msSince(t);

        t = Clock::now();
        regex.run(RESULT_PATTERN, text);
        match += msSince(t);

        t = Clock::now();
        int count = regex.matchCount();
        for (int i = 1; i <= count; ++i) {
            std::string title = replaceAll(replaceAll(regex.subMatchText(i, 2), "<em>", ""), "</em>", "");
            std::string link = regex.subMatchText(i, 1);
            hits += title.empty() && link.empty() ? 0 : 1;
        }
        read += msSince(t);

        t = Clock::now();
        std::string again = simResultPage(host, "电子书", page * PAGE_SIZE,
                                          simGeneratedHits(host, "电子书", page * PAGE_SIZE, PAGE_SIZE), true);
        gbkToUtf8(again);
        build += msSince(t);
    }
    double total = fetch + decode + match + read;
    std::printf("one result page (%d pages, %ld hits), ms per page:\n", PAGES, hits);
    std::printf("  request  %6.2f  (of which the simulator builds the page in %.2f)\n", fetch / PAGES, build / PAGES);
    std::printf("  decode   %6.2f\n", decode / PAGES);
    std::printf("  match    %6.2f\n", match / PAGES);
    std::printf("  read     %6.2f  (50 hits x 2 groups through IDispatch by name)\n", read / PAGES);
    std::printf("  total    %6.2f\n", total / PAGES);
    std::printf("RATIO page cost: request %.2f, decode %.2f, match %.2f, read %.2f of %.1f ms\n", fetch / total,
                decode / total, match / total, read / total, total / PAGES);
    return hits == long(PAGES) * PAGE_SIZE ? 0 : 1;
}
