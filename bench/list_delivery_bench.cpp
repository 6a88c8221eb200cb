// 10,000 hits delivered into the real main window's result list, first by a thread that hands
// the window pages of 50 as a worker does (the window's side alone), then by a worker fetching
// them from the engine simulator: rows per second, and the longest time the window thread took
// to answer a posted probe while the rows arrived, against the same measure with the window idle.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "search/query.h"
#include "search/services.h"
#include "search/worker.h"
#include "skin/skin.h"
#include "tools/engine_sim/engine_sim.h"

namespace {
int HITS = 10000;
constexpr UINT WM_PROBE = WM_APP + 77;

LARGE_INTEGER frequency;
WNDPROC mainProc = nullptr;
double maxStallMs = 0;
long probesAnswered = 0;
double deliveryWorkMs = 0;
long deliveryCalls = 0;

double nowMs() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Sits in front of the main window's procedure and answers the probes.
LRESULT CALLBACK probeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PROBE) {
        double sentAt = double(lParam) / 1000.0;
        double stall = nowMs() - sentAt;
        if (stall > maxStallMs) maxStallMs = stall;
        ++probesAnswered;
        return 0;
    }
    if (message != WM_APP + 1) return CallWindowProcW(mainProc, window, message, wParam, lParam);
    // The window's queued list changes: the time the window thread spends on them.
    double start = nowMs();
    LRESULT result = CallWindowProcW(mainProc, window, message, wParam, lParam);
    deliveryWorkMs += nowMs() - start;
    ++deliveryCalls;
    return result;
}

// Runs the window's messages until `done` holds or `ms` pass.
template <typename F>
bool pump(F done, double ms) {
    double start = nowMs();
    MSG m;
    while (!done()) {
        if (nowMs() - start > ms) return false;
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT) == WAIT_OBJECT_0) {
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&m);
                DispatchMessageW(&m);
            }
        }
    }
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) HITS = std::atoi(argv[1]);  // a shorter run while tuning
    QueryPerformanceFrequency(&frequency);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    EngineSim sim;
    if (!sim.ok()) {
        std::printf("cannot start the simulator\n");
        return 1;
    }
    const std::string host = ServiceTable[0].host;
    sim.setCorpus(host, simGeneratedHits(host, "bench", 0, HITS));
    setEngineHost(sim.hostPort());

    SkinStartup();
    MainWindow window;
    if (!window.create(GetModuleHandleW(nullptr), SW_SHOW)) {
        std::printf("cannot create the main window\n");
        return 1;
    }
    HWND main = window.handle();
    mainProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(main, GWLP_WNDPROC, LONG_PTR(probeProc)));
    HWND list = GetDlgItem(main, ID_超级列表框1);

    std::atomic<bool> probing{true};
    std::thread prober([&] {
        while (probing) {
            PostMessageW(main, WM_PROBE, 0, LPARAM(nowMs() * 1000.0));
            Sleep(5);
        }
    });

    // Idle baseline.
    pump([] { return false; }, 1500);
    double idleStall = maxStallMs;
    long idleProbes = probesAnswered;

    // The window's side alone: pages of 50 handed over under the lock, as a worker does.
    maxStallMs = 0;
    probesAnswered = 0;
    SetWindowTextW(GetDlgItem(main, ID_编辑框1), L"bench");
    std::vector<Hit> hits;
    for (const SimHit& hit : simGeneratedHits(host, "bench", 0, HITS)) hits.push_back({hit.title, hit.address, {}, {}, {}});
    double start = nowMs();
    std::atomic<bool> delivered{false};
    std::thread deliverer([&] {
        SearchSink& sink = window.searchSink();
        sink.lockResults();
        for (size_t at = 0; at < hits.size(); at += PAGE_SIZE) {
            size_t end = std::min(hits.size(), at + PAGE_SIZE);
            sink.addHits(std::vector<Hit>(hits.begin() + long(at), hits.begin() + long(end)));
        }
        sink.showCount();
        sink.unlockResults();
        delivered = true;
    });
    deliveryWorkMs = 0;
    deliveryCalls = 0;
    pump([&] { return delivered.load(); }, 300000);
    double pagesSeconds = (nowMs() - start) / 1000.0;
    double pagesWorkMs = deliveryWorkMs;
    long pagesCalls = deliveryCalls;
    deliverer.join();
    int pageRows = int(window.results().size());
    // Rows below the visible part reach the list's scroll bars on the window's short timer.
    pump([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) >= HITS; }, 10000);
    double listedSeconds = (nowMs() - start) / 1000.0;
    double pagesStall = maxStallMs;

    // Through a worker and the simulator.
    maxStallMs = 0;
    probesAnswered = 0;
    SendMessageW(GetDlgItem(main, ID_FIRST_SERVICE_BOX), BM_SETCHECK, BST_CHECKED, 0);
    start = nowMs();
    window.startSearch();
    long hiddenSamples = 0;
    bool complete = pump(
        [&] {
            if (!IsWindowVisible(list)) ++hiddenSamples;
            return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) >= HITS;
        },
        300000);
    if (hiddenSamples) std::printf("  the list read as hidden %ld times while rows arrived\n", hiddenSamples);
    double seconds = (nowMs() - start) / 1000.0;
    double deliveryStall = maxStallMs;
    long deliveryProbes = probesAnswered;
    probing = false;
    prober.join();

    int rows = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    std::printf("list delivery, pages of %d handed over by a thread: %d rows, %.0f rows/s (%.3f s)\n", PAGE_SIZE,
                pageRows, pageRows / pagesSeconds, pagesSeconds);
    std::printf("  all in the list's scroll range after %.3f s\n", listedSeconds);
    std::printf("  the window thread worked %.1f ms in %ld deliveries (%.2f ms each); the rest is waiting for threads\n",
                pagesWorkMs, pagesCalls, pagesCalls ? pagesWorkMs / double(pagesCalls) : 0.0);
    std::printf("list delivery through the simulator: %d hits over %zu pages\n", rows, sim.requestCount());
    std::printf("  %.0f rows/s (%.2f s)\n", rows / seconds, seconds);
    std::printf("  longest window-thread stall: idle %.1f ms (%ld probes), pages handed over %.1f ms, "
                "through the simulator %.1f ms (%ld probes)\n",
                idleStall, idleProbes, pagesStall, deliveryStall, deliveryProbes);
    DestroyWindow(main);
    window.waitForWorkers(5000);
    if (!complete || rows != HITS || pageRows != HITS) {
        std::printf("  MISMATCH: %d and %d rows of %d\n", pageRows, rows, HITS);
        return 1;
    }
    std::printf("RATIO list delivery rows/s / 20000: %.2f (%.0f rows/s, aim >= 1)\n", pageRows / pagesSeconds / 20000,
                pageRows / pagesSeconds);
    std::printf("RATIO longest stall delivering/50 ms: %.2f (%.1f ms; through the simulator %.1f ms; idle %.1f ms)\n",
                std::max(pagesStall, deliveryStall) / 50, pagesStall, deliveryStall, idleStall);
    return 0;
}
