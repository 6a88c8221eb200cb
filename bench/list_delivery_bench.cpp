// 10,000 hits from the engine simulator delivered into the real main window's result list:
// rows per second, and the longest time the window thread took to answer a posted probe while
// the rows arrived, against the same measure with the window idle.
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "search/query.h"
#include "search/services.h"
#include "skin/skin.h"
#include "tools/engine_sim/engine_sim.h"

namespace {
int HITS = 10000;
constexpr UINT WM_PROBE = WM_APP + 77;

LARGE_INTEGER frequency;
WNDPROC mainProc = nullptr;
double maxStallMs = 0;
long probesAnswered = 0;

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
    return CallWindowProcW(mainProc, window, message, wParam, lParam);
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

    maxStallMs = 0;
    probesAnswered = 0;
    SetWindowTextW(GetDlgItem(main, ID_编辑框1), L"bench");
    SendMessageW(GetDlgItem(main, ID_FIRST_SERVICE_BOX), BM_SETCHECK, BST_CHECKED, 0);
    double start = nowMs();
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
    std::printf("list delivery: %d hits over %zu pages from the simulator\n", rows, sim.requestCount());
    std::printf("  %.0f rows/s (%.2f s)\n", rows / seconds, seconds);
    std::printf("  longest window-thread stall: idle %.1f ms (%ld probes), delivering %.1f ms (%ld probes)\n",
                idleStall, idleProbes, deliveryStall, deliveryProbes);
    DestroyWindow(main);
    window.waitForWorkers(5000);
    if (!complete || rows != HITS) {
        std::printf("  MISMATCH: %d rows of %d\n", rows, HITS);
        return 1;
    }
    std::printf("RATIO longest stall delivering/idle: %.2f (delivering %.1f ms, aim <= 100 ms)\n",
                deliveryStall / (idleStall > 0.1 ? idleStall : 0.1), deliveryStall);
    return 0;
}
