// quorrel.exe beside the least a Win32 window program does (bench/minimal_window.cpp), both
// started in this run: the time from starting the process to its painted window answering
// messages, and the working set, ours after 10,000 rows in the result list.
//
// Both programs show and paint their window (UpdateWindow) before their message loop runs, so
// the first answer to a message comes after the first paint.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/control_ids.h"
#include "bench/bench_process.h"
#include "search/services.h"
#include "tests/app/quorrel_driver.h"
#include "tools/engine_sim/engine_sim.h"

namespace {
constexpr int RUNS = 5;
constexpr int ROWS = 10000;

// Median time from CreateProcess to an answering window of `className`, over RUNS starts.
double startToFirstPaintMs(const std::string& command, const wchar_t* className) {
    std::vector<double> times;
    for (int run = 0; run < RUNS; ++run) {
        BenchProcess process;
        double start = benchNowMs();
        if (!process.start(command)) return -1;
        HWND window = nullptr;
        while (!(window = answeringWindowOf(process.id(), className))) {
            if (benchNowMs() - start > 30000 || process.ended()) return -1;
            Sleep(1);
        }
        times.push_back(benchNowMs() - start);
        PostMessageW(window, WM_CLOSE, 0, 0);
        process.ended(10000);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
}  // namespace

int main() {
    EngineSim sim;
    if (!sim.ok()) {
        std::printf("cannot start the simulator\n");
        return 1;
    }
    const std::string minimal = "\"" + windowsPath(MINIMAL_WINDOW_EXE) + "\"";
    const std::string quorrel = "\"" + windowsPath(QUORREL_EXE) + "\" \"--engine=" + sim.hostPort() + "\"";
    // One start of each first, so neither pays for loading Wine's libraries the first time.
    startToFirstPaintMs(minimal, L"QuorrelBenchMinimal");
    startToFirstPaintMs(quorrel, MAIN_WINDOW_CLASS);
    double minimalMs = startToFirstPaintMs(minimal, L"QuorrelBenchMinimal");
    double quorrelMs = startToFirstPaintMs(quorrel, MAIN_WINDOW_CLASS);
    if (minimalMs < 0 || quorrelMs < 0) {
        std::printf("a program did not show its window\n");
        return 1;
    }
    std::printf("start to first paint (median of %d): minimal window %.1f ms, quorrel.exe %.1f ms\n", RUNS, minimalMs,
                quorrelMs);
    std::printf("RATIO start to first paint quorrel/minimal: %.2f\n", quorrelMs / minimalMs);

    BenchProcess bare;
    if (!bare.start(minimal)) return 1;
    while (!answeringWindowOf(bare.id(), L"QuorrelBenchMinimal")) Sleep(5);
    Sleep(500);
    ProcessMemory bareMemory = processMemory(bare.handle());

    const std::string host = ServiceTable[0].host;
    sim.setCorpus(host, simGeneratedHits(host, "bench", 0, ROWS));
    QuorrelProcess app(freshDirectory("bench-startup"));
    if (!app.start({"--engine=" + sim.hostPort()})) return 1;
    Sleep(500);
    ProcessMemory idle = processMemory(app.process());
    app.setText(app.control(ID_编辑框1), "bench");
    app.click(app.control(ID_FIRST_SERVICE_BOX));
    waitFor([&] { return app.isTicked(app.control(ID_FIRST_SERVICE_BOX)); }, 5000);
    app.click(app.control(ID_按钮1));
    const std::string done = "资源数：" + std::to_string(ROWS);
    if (!waitFor([&] { return app.text(app.control(ID_透明标签2)) == done && app.rowCount(ID_超级列表框1) == ROWS; },
                 300000)) {
        std::printf("  MISMATCH: the label reads %s\n", app.text(app.control(ID_透明标签2)).c_str());
        return 1;
    }
    Sleep(500);
    ProcessMemory full = processMemory(app.process());
    app.closeAndWait(5000);
    PostMessageW(answeringWindowOf(bare.id(), L"QuorrelBenchMinimal"), WM_CLOSE, 0, 0);
    std::printf("working set: minimal window %.1f MB; quorrel.exe idle %.1f MB, after %d rows %.1f MB\n",
                bareMemory.workingSetMb, idle.workingSetMb, ROWS, full.workingSetMb);
    if (bareMemory.workingSetMb <= 0) {
        std::printf("  the working set of another process cannot be read here\n");
        return 1;
    }
    std::printf("RATIO working set after %d rows quorrel/minimal: %.2f\n", ROWS,
                full.workingSetMb / bareMemory.workingSetMb);
    return 0;
}
