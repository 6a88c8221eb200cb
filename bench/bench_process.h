// Helpers of the benchmarks that run our programs as processes: a clock, a process started
// with its output on NUL, and its memory as the system counts it.
#pragma once
#include <windows.h>

#include <psapi.h>

#include <string>

#include "tests/http/child_output.h"
#include "text/encoding.h"

inline double benchNowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Working set and private bytes of a process, in MB; 0 when they cannot be read (Wine gives
// no private bytes for another process).
struct ProcessMemory {
    double workingSetMb = 0, privateMb = 0;
};
inline ProcessMemory processMemory(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters)))
        return {};
    return {double(counters.WorkingSetSize) / 1048576.0, double(counters.PrivateUsage) / 1048576.0};
}

// A program started with every standard handle on NUL (a child must never hold the pipes the
// benchmark's caller reads). Ended at once if the benchmark leaves it running.
class BenchProcess {
public:
    BenchProcess() = default;
    ~BenchProcess() {
        if (!info_.hProcess) return;
        if (WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hProcess);
    }
    BenchProcess(const BenchProcess&) = delete;
    BenchProcess& operator=(const BenchProcess&) = delete;

    bool start(const std::string& commandLineGbk, const std::string& directoryGbk = {}) {
        return startWithoutPipes(gbkToWide(commandLineGbk), gbkToWide(directoryGbk), info_);
    }
    HANDLE handle() const { return info_.hProcess; }
    DWORD id() const { return info_.dwProcessId; }
    bool ended(DWORD ms = 0) const { return WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0; }

private:
    PROCESS_INFORMATION info_{};
};

// The first visible top-level window of process `pid` that answers messages; null until then.
inline HWND answeringWindowOf(DWORD pid, const wchar_t* className = nullptr) {
    struct Search {
        DWORD pid;
        const wchar_t* className;
        HWND found;
    } search{pid, className, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->pid || !IsWindowVisible(window)) return TRUE;
            if (s->className) {
                wchar_t name[128] = {};
                GetClassNameW(window, name, 128);
                if (lstrcmpW(name, s->className) != 0) return TRUE;
            }
            s->found = window;
            return FALSE;
        },
        LPARAM(&search));
    DWORD_PTR result = 0;
    if (search.found && !SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result)) return nullptr;
    return search.found;
}
