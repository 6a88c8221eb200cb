// A window class of this program's module registered once: a later call for the same name (one
// more window of the class, a test making many) finds it in place and succeeds. Uses only the
// platform.
#pragma once
#include <windows.h>

// Double clicks reach the window; the arrow cursor; the dialog face behind the children.
inline bool registerWindowClass(const wchar_t* name, WNDPROC proc) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(module, name, &wc)) return true;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = module;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
