// End to end: 22 services x 4 pages x 50 hits from the simulator with a fixed latency per
// request, the workers run by the pool as the main window and the command line run them. A
// service's pages come one after another, so the lower bound for that latency L is 4 x L when
// the services fetch side by side. Printed beside it: the bound of the old way, where later pages
// were fetched under the list's lock one service after another, L + 22 x 3 x L.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "search/query.h"
#include "search/services.h"
#include "search/worker.h"
#include "search/worker_pool.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

class CountingSink : public SearchSink {
public:
    CountingSink() { InitializeCriticalSection(&lock_); }
    ~CountingSink() override { DeleteCriticalSection(&lock_); }
    std::string keyword() override { return "电子书"; }
    void lockResults() override { EnterCriticalSection(&lock_); }
    bool tryLockResults() override { return TryEnterCriticalSection(&lock_) != FALSE; }
    void unlockResults() override { LeaveCriticalSection(&lock_); }
    void addHits(const std::vector<Hit>& page) override {
        for (const Hit& hit : page) {
            ++hits;
            bytes += std::to_string(hits).size() + hit.title.size() + hit.address.size() + 3;  // a printed row
        }
    }
    void showCount() override {}
    long hits = 0;
    size_t bytes = 0;

private:
    CRITICAL_SECTION lock_;
};

// One search of all 22 services; false when hits went missing.
bool runOnce(int latencyMs, int headKb) {
    const int pages = 4;
    EngineSimOptions options;
    options.hitsPerQuery = pages * PAGE_SIZE;
    options.latencyMs = latencyMs;
    options.headBytes = headKb * 1024;
    EngineSim sim(options);
    if (!sim.ok()) {
        std::printf("cannot start the simulator\n");
        return false;
    }
    setEngineHost(sim.hostPort());

    auto shared = std::make_shared<CountingSink>();
    CountingSink& sink = *shared;
    std::vector<bool> all(SERVICE_COUNT, true);
    auto start = std::chrono::steady_clock::now();
    {
        WorkerPool pool;
        pool.submit(searchTasks(all, false, ""), shared);
        pool.waitAll(INFINITE);
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    double bound = latencyMs / 1000.0 * pages;
    double oldBound = latencyMs / 1000.0 * (1 + SERVICE_COUNT * (pages - 1));
    long expected = long(SERVICE_COUNT) * pages * PAGE_SIZE;
    std::printf("end to end: %d services x %d pages x %d hits, latency %d ms, head %d KB, %zu requests\n",
                SERVICE_COUNT, pages, PAGE_SIZE, latencyMs, headKb, sim.requestCount());
    std::printf("  hits delivered %ld of %ld, wall %.3f s, lower bound %.3f s (old bound %.3f s), most in flight %zu\n",
                sink.hits, expected, wall, bound, oldBound, sim.peakInFlight());
    if (sink.hits != expected) {
        std::printf("  MISMATCH: hits missing\n");
        return false;
    }
    // Where the time beyond the bound goes: when each round of pages reached the engine, from
    // the start; the rest after the last answer is delivery.
    std::vector<SimRequest> requests = sim.requests();
    for (int page = 0; page < pages; ++page) {
        double first = -1, last = -1;
        for (const SimRequest& r : requests) {
            if (r.offset / PAGE_SIZE != page) continue;
            double at = std::chrono::duration<double>(r.at - start).count() * 1000;
            if (first < 0 || at < first) first = at;
            if (at > last) last = at;
        }
        std::printf("  page %d asked from %.0f ms to %.0f ms\n", page + 1, first, last);
    }
    std::printf("RATIO end-to-end wall/lower bound (latency %d ms, head %d KB): %.3f (aim <= 1.50); /old bound: %.3f\n",
                latencyMs, headKb, wall / bound, wall / oldBound);
    return true;
}

}  // namespace

// Without arguments: 100 ms latency with light pages, then with pages as heavy as the engine's,
// then 500 ms with light pages.
int main(int argc, char** argv) {
    int latencyMs = 100, headKb = -1;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--latency=", 0) == 0) latencyMs = std::atoi(arg.c_str() + 10);
        if (arg.rfind("--head-kb=", 0) == 0) headKb = std::atoi(arg.c_str() + 10);
    }
    if (headKb >= 0) return runOnce(latencyMs, headKb) ? 0 : 1;
    bool ok = runOnce(latencyMs, 0);
    ok = runOnce(latencyMs, 60) && ok;
    ok = runOnce(500, 0) && ok;
    return ok ? 0 : 1;
}
