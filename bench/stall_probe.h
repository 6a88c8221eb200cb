// How long the window thread keeps a caller waiting: WM_NULL round trips to a window from a
// thread of its own, the longest kept. Shared by the window benchmarks.
#pragma once
#include <windows.h>

#include <atomic>
#include <thread>

#include "bench/bench_process.h"

class StallProbe {
public:
    explicit StallProbe(HWND window) : window_(window), thread_([this] { run(); }) {}
    ~StallProbe() { stop(); }
    // Called on the window's thread: it answers the probe's last round trip while it waits, or
    // that round trip would wait for it, and count as a stall, until its time-out.
    double stop() {
        running_ = false;
        while (!done_) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_SENDMESSAGE);
            MSG m;
            PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        if (thread_.joinable()) thread_.join();
        return longestMs_;
    }

private:
    void run() {
        while (running_) {
            double sent = benchNowMs();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result);
            double took = benchNowMs() - sent;
            if (took > longestMs_) longestMs_ = took;
            Sleep(5);
        }
        done_ = true;
    }
    HWND window_;
    std::atomic<bool> running_{true};
    std::atomic<bool> done_{false};
    double longestMs_ = 0;
    std::thread thread_;
};
