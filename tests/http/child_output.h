// Collects what a child process writes to its standard output and error pipes.
#pragma once
#include <windows.h>

#include <algorithm>
#include <string>

// Reads both pipes until the child has ended and they hold nothing more, or `timeoutMs` has
// passed. The end of the pipes is not waited for: when the child is the first program to use
// the Wine desktop, the desktop process it starts keeps a copy of its standard error for as
// long as it lives, so that pipe never reports its end.
inline void collectChildOutput(HANDLE process, HANDLE outPipe, HANDLE errPipe, std::string& out, std::string& err,
                               DWORD timeoutMs) {
    auto readAvailable = [](HANDLE pipe, std::string& into) {
        bool any = false;
        for (;;) {
            DWORD available = 0;
            if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) return any;
            char buffer[4096];
            DWORD n = 0;
            if (!ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &n, nullptr) || n == 0) return any;
            into.append(buffer, n);
            any = true;
        }
    };
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        // Checked before reading: whatever the child wrote before it ended is read below.
        const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        const bool got = readAvailable(outPipe, out) | readAvailable(errPipe, err);
        if ((ended && !got) || GetTickCount64() > deadline) return;
        if (!got) Sleep(5);
    }
}
