/* What a planted library or program does when it runs: leaves an empty file of the given name
 * beside its own module, for a test to find. Uses only the Windows API. */
#pragma once
#include <windows.h>

static void markBeside(HMODULE module, const WCHAR* name) {
    WCHAR path[MAX_PATH];
    DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    while (n > 0 && path[n - 1] != L'\\') --n;
    lstrcpyW(path + n, name);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}
