// The real programs against the engine simulator, driven as a user drives them.
//
// 1. quorrel.exe: keyword, 全部, 给我搜; 22 services x 4 pages x 50 hits, each request answered
//    after the latency L. Time from the click until the count label reads "资源数：4400", against
//    the lower bound: a service's pages come one after another, so 4 round trips when all 22
//    services fetch at once; with N requests in flight allowed, no fewer than 88 / N round trips.
//    Beside it, the bound of the old way, where every later page was fetched while its worker held
//    the list: 1 + 22 x 3 = 67 round trips.
// 2. quorrel-cli search, the same search: start to exit, against the same bounds.
// 3. quorrel.exe with 1,000 extra sites in url.txt (全部 ticks "其他"): the longest time the window
//    took to answer while the rows arrived, its peak memory, and how long closing takes.
// 4. quorrel-cli search with the same 1,000 extra sites: its peak memory.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/control_ids.h"
#include "bench/bench_process.h"
#include "bench/stall_probe.h"
#include "search/engine_slots.h"
#include "search/services.h"
#include "search/worker.h"
#include "tests/app/quorrel_driver.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

constexpr int PAGES = 4;

// Polls `done` every 2 ms for up to `ms`; the time it took, or -1.
template <typename F>
double timeUntil(F done, double ms, double start = benchNowMs()) {
    while (!done()) {
        if (benchNowMs() - start > ms) return -1;
        Sleep(2);
    }
    return benchNowMs() - start;
}

// The longest round trip to the idle window over a second: what the machine itself adds.
double idleStallMs(HWND window) {
    StallProbe probe(window);
    Sleep(1000);
    return probe.stop();
}

void tickAll(QuorrelProcess& app) {
    app.click(app.control(ID_选择框_全部));
    waitFor([&] { return app.isTicked(app.control(ID_选择框1)); }, 5000);
}

struct WindowRun {
    double ms = -1, stall = 0, idle = 0;
};

WindowRun windowSearch(EngineSim& sim, const std::string& connectionsArg) {
    WindowRun run;
    QuorrelProcess app(freshDirectory("bench-window"));
    std::vector<std::string> args = {"--engine=" + sim.hostPort()};
    if (!connectionsArg.empty()) args.push_back(connectionsArg);
    if (!app.start(args)) {
        std::printf("cannot start quorrel.exe\n");
        return run;
    }
    app.setText(app.control(ID_编辑框1), "电子书");
    tickAll(app);
    const int expected = SERVICE_COUNT * PAGES * PAGE_SIZE;
    const std::string done = "资源数：" + std::to_string(expected);
    double idle = idleStallMs(app.mainWindow());
    StallProbe probe(app.mainWindow());
    double start = benchNowMs();
    app.click(app.control(ID_按钮1));
    double ms = timeUntil(
        [&] { return app.text(app.control(ID_透明标签2)) == done && app.rowCount(ID_超级列表框1) == expected; }, 120000,
        start);
    double stall = probe.stop();
    int rows = app.rowCount(ID_超级列表框1);
    std::string last = rows > 0 ? app.cell(ID_超级列表框1, rows - 1, 0) : "";
    app.closeAndWait(5000);
    if (ms < 0 || rows != expected || last != std::to_string(expected)) {
        std::printf("  MISMATCH: %d rows, last numbered %s\n", rows, last.c_str());
        return run;
    }
    run.ms = ms;
    run.stall = stall;
    run.idle = idle;
    return run;
}

// Runs quorrel-cli with `arguments`; its wall time in ms (-1 on failure) and peak memory.
double runCli(const std::string& arguments, ProcessMemory* peak) {
    BenchProcess cli;
    std::string command = "\"" + windowsPath(QUORREL_CLI_EXE) + "\" search " + arguments;
    double start = benchNowMs();
    if (!cli.start(command)) return -1;
    ProcessMemory most;
    while (!cli.ended(20)) {
        ProcessMemory now = processMemory(cli.handle());
        if (now.workingSetMb > most.workingSetMb) most.workingSetMb = now.workingSetMb;
        if (now.privateMb > most.privateMb) most.privateMb = now.privateMb;
    }
    double ms = benchNowMs() - start;
    DWORD code = 1;
    GetExitCodeProcess(cli.handle(), &code);
    if (peak) *peak = most;
    return code == 0 ? ms : -1;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Round trips a search of 22 services x PAGES pages needs at least with `connections` requests
// in flight: a service's pages one after another, and no more than `connections` at a time.
int boundRoundTrips(int connections) {
    int requests = SERVICE_COUNT * PAGES;
    return std::max(PAGES, (requests + connections - 1) / connections);
}

// The window and the command line take turns, `runs` times each, so that both meet the same
// moments of a busy machine; the ratios are of the medians.
bool windowAndCliSearches(EngineSim& sim, int latencyMs, int connections, int runs, double aim) {
    EngineSimOptions options = sim.options();
    options.latencyMs = latencyMs;
    sim.setOptions(options);
    const int roundTrips = boundRoundTrips(connections);
    const double bound = double(latencyMs) * roundTrips;
    const double oldBound = double(latencyMs) * (1 + SERVICE_COUNT * (PAGES - 1));
    const std::string connectionsArg =
        connections == DEFAULT_ENGINE_CONNECTIONS ? "" : "--connections=" + std::to_string(connections);
    std::vector<double> windowMs, cliMs;
    double worstStall = 0, worstIdle = 0;
    size_t mostInFlight = 0;
    for (int i = 0; i < runs; ++i) {
        sim.resetPeakInFlight();
        WindowRun w = windowSearch(sim, connectionsArg);
        double c = runCli("电子书 --engine=" + sim.hostPort() + " " + connectionsArg, nullptr);
        mostInFlight = std::max(mostInFlight, sim.peakInFlight());
        if (w.ms < 0 || c < 0) {
            std::printf("  run %d failed (window %.0f ms, command line %.0f ms)\n", i + 1, w.ms, c);
            return false;
        }
        std::printf("run %d: window %.3f s (longest stall %.1f ms, idle %.1f ms), command line %.3f s\n", i + 1,
                    w.ms / 1000, w.stall, w.idle, c / 1000);
        windowMs.push_back(w.ms);
        cliMs.push_back(c);
        worstStall = std::max(worstStall, w.stall);
        worstIdle = std::max(worstIdle, w.idle);
    }
    if (latencyMs == 0) {
        // No round trip to wait for: what is left is the work of the client, of the simulator
        // serving it on the same machine, and (for the command line) of starting the process.
        std::printf("floor: the same search at 0 ms a round trip: window median %.3f s, command line %.3f s "
                    "(longest stall %.1f ms)\n",
                    median(windowMs) / 1000, median(cliMs) / 1000, worstStall);
        return true;
    }
    std::printf("window: %d services x %d pages x %d hits, latency %d ms, %d in flight: median %.3f s of %d "
                "(bound %d round trips = %.3f s; old bound %d round trips = %.3f s), longest stall %.1f ms "
                "(idle %.1f ms), most in flight at the engine %zu\n",
                SERVICE_COUNT, PAGES, PAGE_SIZE, latencyMs, connections, median(windowMs) / 1000, runs, roundTrips,
                bound / 1000, 1 + SERVICE_COUNT * (PAGES - 1), oldBound / 1000, worstStall, worstIdle, mostInFlight);
    std::printf("command line: the same search: median %.3f s\n", median(cliMs) / 1000);
    std::printf("RATIO window search/bound (%d ms, %d in flight): %.3f (aim <= %.2f); /old bound: %.3f\n", latencyMs,
                connections, median(windowMs) / bound, aim, median(windowMs) / oldBound);
    std::printf("RATIO command-line search/bound (%d ms, %d in flight): %.3f (aim <= %.2f); /old bound: %.3f\n",
                latencyMs, connections, median(cliMs) / bound, aim, median(cliMs) / oldBound);
    return true;
}

std::string manySites(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += (i > 1 ? ";s" : "s") + std::to_string(i) + ".example";
    return text;
}

bool manyExtraSites(EngineSim& sim, int sites) {
    QuorrelProcess app(freshDirectory("bench-many"));
    writeWholeFile(app.programDir() + "\\url.txt", manySites(sites));
    if (!app.start({"--engine=" + sim.hostPort()})) return false;
    app.setText(app.control(ID_编辑框1), "k");
    tickAll(app);
    const int expected = SERVICE_COUNT + sites;  // one hit each
    const std::string done = "资源数：" + std::to_string(expected);
    double idle = idleStallMs(app.mainWindow());
    StallProbe probe(app.mainWindow());
    ProcessMemory peak;
    double start = benchNowMs();
    app.click(app.control(ID_按钮1));
    double ms = timeUntil(
        [&] {
            ProcessMemory now = processMemory(app.process());
            if (now.workingSetMb > peak.workingSetMb) peak.workingSetMb = now.workingSetMb;
            if (now.privateMb > peak.privateMb) peak.privateMb = now.privateMb;
            return app.text(app.control(ID_透明标签2)) == done && app.rowCount(ID_超级列表框1) == expected;
        },
        300000, start);
    double stall = probe.stop();
    int rows = app.rowCount(ID_超级列表框1);
    DWORD closeMs = 0;
    bool closed = app.closeAndWait(10000, &closeMs);
    std::printf("window, %d services + %d extra sites, 1 hit each: %d rows in %.2f s, longest stall %.1f ms "
                "(idle %.1f ms), peak working set %.0f MB, closed in %lu ms%s\n",
                SERVICE_COUNT, sites, rows, ms / 1000, stall, idle, peak.workingSetMb, closeMs,
                closed ? "" : " (NOT CLOSED)");
    if (ms < 0 || rows != expected) {
        std::printf("  MISMATCH: %d rows of %d\n", rows, expected);
        return false;
    }
    std::printf("RATIO window %d extra sites: longest stall/1 s: %.3f, peak working set/300 MB: %.3f\n", sites,
                stall / 1000, peak.workingSetMb / 300);

    ProcessMemory cliPeak;
    double cliMs = runCli("k --extra=" + manySites(sites) + " --engine=" + sim.hostPort(), &cliPeak);
    std::printf("command line, %d extra sites: %.2f s, peak working set %.0f MB\n", sites, cliMs / 1000,
                cliPeak.workingSetMb);
    if (cliMs < 0) return false;
    std::printf("RATIO command line %d extra sites: peak working set/300 MB: %.3f\n", sites,
                cliPeak.workingSetMb / 300);
    return closed;
}

}  // namespace

// Without arguments: the floor (0 ms a round trip), 500 ms with 22 and with 8 requests in
// flight, then 100 ms.
// --latency=MS and --connections=N run that one case instead; --runs=N of the window and the
// command line each (default 3); --sites=N extra sites for the last part (default 1000).
int main(int argc, char** argv) {
    int latencyMs = 0, connections = 0, runs = 3, sites = 1000;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--latency=", 0) == 0) latencyMs = std::atoi(arg.c_str() + 10);
        if (arg.rfind("--connections=", 0) == 0) connections = std::atoi(arg.c_str() + 14);
        if (arg.rfind("--runs=", 0) == 0) runs = std::max(1, std::atoi(arg.c_str() + 7));
        if (arg.rfind("--sites=", 0) == 0) sites = std::atoi(arg.c_str() + 8);
    }
    EngineSimOptions options;
    options.hitsPerQuery = PAGES * PAGE_SIZE;
    EngineSim sim(options);
    if (!sim.ok()) {
        std::printf("cannot start the simulator\n");
        return 1;
    }
    bool ok = true;
    if (latencyMs > 0 || connections > 0) {
        latencyMs = latencyMs > 0 ? latencyMs : 500;
        connections = connections > 0 ? connections : DEFAULT_ENGINE_CONNECTIONS;
        ok = windowAndCliSearches(sim, latencyMs, connections, runs, latencyMs <= 100 ? 1.5 : 1.3);
    } else {
        ok = windowAndCliSearches(sim, 0, DEFAULT_ENGINE_CONNECTIONS, runs, 0);
        ok = windowAndCliSearches(sim, 500, DEFAULT_ENGINE_CONNECTIONS, runs, 1.3) && ok;
        ok = windowAndCliSearches(sim, 500, 8, runs, 1.3) && ok;
        ok = windowAndCliSearches(sim, 100, DEFAULT_ENGINE_CONNECTIONS, runs, 1.5) && ok;
    }

    options.hitsPerQuery = 1;
    options.latencyMs = 100;
    sim.setOptions(options);
    if (sites > 0) ok = manyExtraSites(sim, sites) && ok;
    return ok ? 0 : 1;
}
