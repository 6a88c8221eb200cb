/* empty.exe <process id>: empties the working set of that process and ends.
 * Started hidden by the program (trimMemory) with its own id. No C runtime: the tool is kept
 * tiny because the program carries it inside itself and writes it to disk.
 * Exit code 0 when the working set was emptied, 1 otherwise.
 * When QUORREL_EMPTY_REPORT names a file, one line "pid=<id> result=<code>" is appended to it,
 * so tests can see that the tool ran and with which id. */
#include <windows.h>

static DWORD parseProcessId(const WCHAR* line) {
    /* Skip the program name, quoted or not. */
    if (*line == L'"') {
        ++line;
        while (*line && *line != L'"') ++line;
        if (*line) ++line;
    } else {
        while (*line && *line != L' ' && *line != L'\t') ++line;
    }
    while (*line == L' ' || *line == L'\t') ++line;
    DWORD id = 0;
    int digits = 0;
    while (*line >= L'0' && *line <= L'9') {
        DWORD next = id * 10 + (DWORD)(*line - L'0');
        if (digits > 9 || next < id) return 0;
        id = next;
        ++digits;
        ++line;
    }
    while (*line == L' ' || *line == L'\t') ++line;
    return (digits > 0 && *line == 0) ? id : 0;
}

static int putNumber(char* out, DWORD value) {
    char reversed[12];
    int n = 0;
    do {
        reversed[n++] = (char)('0' + value % 10);
        value /= 10;
    } while (value);
    for (int i = 0; i < n; ++i) out[i] = reversed[n - 1 - i];
    return n;
}

static void report(DWORD id, UINT code) {
    WCHAR path[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"QUORREL_EMPTY_REPORT", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    char line[48];
    int len = 0;
    const char* pidText = "pid=";
    while (*pidText) line[len++] = *pidText++;
    len += putNumber(line + len, id);
    const char* resultText = " result=";
    while (*resultText) line[len++] = *resultText++;
    len += putNumber(line + len, code);
    line[len++] = '\r';
    line[len++] = '\n';
    DWORD written = 0;
    WriteFile(file, line, (DWORD)len, &written, NULL);
    CloseHandle(file);
}

void __stdcall emptyMain(void) {
    DWORD id = parseProcessId(GetCommandLineW());
    UINT code = 1;
    if (id != 0) {
        HANDLE process = OpenProcess(PROCESS_SET_QUOTA | PROCESS_QUERY_INFORMATION, FALSE, id);
        if (process) {
            /* (-1, -1) asks the system to remove as many pages as it can. */
            if (SetProcessWorkingSetSize(process, (SIZE_T)-1, (SIZE_T)-1)) code = 0;
            CloseHandle(process);
        }
    }
    report(id, code);
    ExitProcess(code);
}
