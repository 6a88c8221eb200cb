// The main window while its link checks run: 1,000 share links over the eleven netdisks arrive
// as search pages in a window of this process, the netdisk simulator answers every check
// request 100 ms late, and a thread of its own measures the window's longest stall (a WM_NULL
// round trip) until the last answer is shown. Also the process's peak working set.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <algorithm>
#include <map>
#include <memory>
#include <thread>

#include "app/main_window.h"
#include "bench/bench_process.h"
#include "bench/netdisk_bench.h"
#include "bench/stall_probe.h"
#include "links/link_state.h"
#include "skin/skin.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

constexpr int PAGE = 50;
constexpr double STALL_LIMIT_MS = 50.0;

void pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

}  // namespace

int main() {
    NetdiskBenchServer server(BENCH_LATENCY_MS);
    if (!server.listening("check_window_bench")) return 1;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    SkinStartup();

    std::vector<Hit> hits;
    for (int i = 0; i < BENCH_LINKS; ++i) {
        Hit hit;
        hit.address = benchShareAddress(ALL_NETDISKS[size_t(i) % std::size(ALL_NETDISKS)], i);
        hit.title = "资料 " + std::to_string(i);
        hits.push_back(hit);
    }

    double seconds = 0, stall = 0, deliveryStall = 0, deliveryMs = 0;
    size_t shown = 0;
    std::map<LinkState, int> states;
    {
        MainWindow window;
        window.setNetdiskVia(server.via());
        AppSettings settings;
        settings.netdisks = NETDISKS_TODAY;
        if (!window.create(GetModuleHandleW(nullptr), SW_SHOWNOACTIVATE, settings)) {
            std::fprintf(stderr, "check_window_bench: no window\n");
            return 1;
        }
        pump();
        auto probe = std::make_unique<StallProbe>(window.handle());
        double start = benchNowMs();
        // A page at a time, as the workers deliver them, with the window running in between.
        for (size_t i = 0; i < hits.size(); i += PAGE) {
            window.addHits({hits.begin() + long(i), hits.begin() + long(std::min(hits.size(), i + PAGE))});
            window.showCount();
            pump();
        }
        deliveryStall = probe->stop();
        deliveryMs = benchNowMs() - start;
        probe = std::make_unique<StallProbe>(window.handle());
        while (window.checksPending() > 0 && benchNowMs() - start < 600000) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            pump();
        }
        seconds = (benchNowMs() - start) / 1000.0;
        stall = probe->stop();
        for (size_t i = 0; i < window.results().size(); ++i) {
            LinkState state = window.results().row(i).state;
            ++states[state];
            if (state != LinkState::Unchecked) ++shown;
        }
        DestroyWindow(window.handle());
        window.waitForWorkers(3000);
    }
    const double peakMb = peakWorkingSetMb();

    std::printf("window link checks: %d share rows, answers %d ms late, %zu states shown in %.1f s\n", BENCH_LINKS,
                BENCH_LATENCY_MS, shown, seconds);
    printStateCounts(states);
    std::printf("  while the rows arrived (%.0f ms): longest stall %.1f ms; then while the checks ran: %.1f ms\n",
                deliveryMs, deliveryStall, stall);
    std::printf("  peak working set %.1f MB\n", peakMb);
    std::printf("RATIO window during link checks: longest stall / 50 ms %.2f, peak working set / 300 MB %.2f\n",
                std::max(stall, deliveryStall) / STALL_LIMIT_MS, peakMb / BENCH_MEMORY_LIMIT_MB);
    SkinShutdown();
    return 0;
}
