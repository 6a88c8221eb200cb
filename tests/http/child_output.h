// Runs the programs of this build as child processes for the tests (and benchmarks) that drive
// them: a console program with its exit status and what it writes to its standard output and
// error, or any program with its standard handles on NUL.
#pragma once
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

// A path relative to the folder of the running test program ('/' or '\\' between the names),
// e.g. "../../tools/cli/quorrel-cli.exe" from build/win/tests/search.
inline std::wstring besideTestProgram(std::string_view relative) {
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    path.resize(path.find_last_of(L"\\/") + 1);
    for (char c : relative) path += c == '/' ? L'\\' : wchar_t(static_cast<unsigned char>(c));
    return path;
}

// Starts `commandLine` in `directory` ("" for this one) with every standard handle on NUL: the
// program's own children (the file manager) must not inherit the pipes ctest reads, or the run
// would wait for them. The thread handle is closed; the caller owns info.hProcess.
inline bool startWithoutPipes(std::wstring commandLine, const std::wstring& directory, PROCESS_INFORMATION& info) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  directory.empty() ? nullptr : directory.c_str(), &startup, &info);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!started) return false;
    CloseHandle(info.hThread);
    info.hThread = nullptr;
    return true;
}

// Reads both pipes until the child has ended and they hold nothing more, or `timeoutMs` has
// passed. The end of the pipes is not waited for: when the child is the first program to use
// the Wine desktop, the desktop process it starts keeps a copy of its standard error for as
// long as it lives, so that pipe never reports its end.
// `watch`, when given, is called with the process every 50 ms or so while it runs (to sample
// its memory, say: a process that has ended reports none).
using ChildWatch = std::function<void(HANDLE process)>;
inline void collectChildOutput(HANDLE process, HANDLE outPipe, HANDLE errPipe, std::string& out, std::string& err,
                               DWORD timeoutMs, const ChildWatch& watch = {}) {
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
    ULONGLONG nextWatch = 0;
    for (;;) {
        // Checked before reading: whatever the child wrote before it ended is read below.
        const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        if (watch && !ended && GetTickCount64() >= nextWatch) {
            watch(process);
            nextWatch = GetTickCount64() + 50;
        }
        const bool got = readAvailable(outPipe, out) | readAvailable(errPipe, err);
        if ((ended && !got) || GetTickCount64() > deadline) return;
        if (!got) Sleep(5);
    }
}

struct ChildResult {
    DWORD exitCode = 0xFFFFFFFF;  // stays so when the program could not be started
    std::string out, err;
    ULONGLONG tookMs = 0;  // from its start until its output was read
};

// Starts `commandLine` without a console window, both outputs on pipes, and standard input
// read from `stdinFile` (closed when ""). A child still running after `timeoutMs` is ended.
inline ChildResult runChild(std::wstring commandLine, DWORD timeoutMs, const std::wstring& stdinFile = {},
                            const ChildWatch& watch = {}) {
    ChildResult result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE in = INVALID_HANDLE_VALUE;
    if (!stdinFile.empty()) {
        in = CreateFileW(stdinFile.c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING, 0, nullptr);
        if (in == INVALID_HANDLE_VALUE) return result;
    }
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) {
        if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
        return result;
    }
    if (!CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
        CloseHandle(outRead);
        CloseHandle(outWrite);
        return result;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi{};
    const ULONGLONG start = GetTickCount64();
    BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                  nullptr, &si, &pi);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (started) {
        collectChildOutput(pi.hProcess, outRead, errRead, result.out, result.err, timeoutMs, watch);
        result.tookMs = GetTickCount64() - start;
        if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
        GetExitCodeProcess(pi.hProcess, &result.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return result;
}

// `"program" arguments` run as runChild runs it; the arguments are quoted by the caller.
inline ChildResult runProgram(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs) {
    return runChild(L"\"" + program + L"\" " + arguments, timeoutMs);
}
