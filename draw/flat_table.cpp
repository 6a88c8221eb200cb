#include "draw/gdiplus_flat.h"

#include <string>

namespace draw {
namespace {

int boundCount = 0;
int wantedCount = 0;

template <class F>
void bindEntry(HMODULE dll, F& entry, const char* name) {
    ++wantedCount;
    entry = dll ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name))) : nullptr;
    if (entry) ++boundCount;
}

// gdiplus.dll of the system directory only: by its bare name the program's own folder is
// searched first, and a file of that name beside it (a Downloads folder) would be loaded.
HMODULE loadGdiplus() {
    HMODULE dll = LoadLibraryExW(L"gdiplus.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (dll || GetLastError() != ERROR_INVALID_PARAMETER) return dll;
    // A system that does not know the flag (Windows 7 without its loader update): the full path.
    wchar_t dir[MAX_PATH];
    UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    return LoadLibraryW((std::wstring(dir, n) + L"\\gdiplus.dll").c_str());
}

FlatTable bindTable() {
    FlatTable table;
    // Loaded once for the life of the process; the entries point into it.
    HMODULE dll = loadGdiplus();
#define QUORREL_GDIP_BIND(name, params) bindEntry(dll, table.name, #name);
    QUORREL_GDIP_FUNCTIONS(QUORREL_GDIP_BIND)
#undef QUORREL_GDIP_BIND
    bindEntry(dll, table.GdiplusStartup, "GdiplusStartup");
    bindEntry(dll, table.GdiplusShutdown, "GdiplusShutdown");
    bindEntry(dll, table.GdipAlloc, "GdipAlloc");
    bindEntry(dll, table.GdipFree, "GdipFree");
    return table;
}

}  // namespace

FlatTable& flatTable() {
    static FlatTable table = bindTable();
    return table;
}

int flatEntriesBound() {
    flatTable();
    return boundCount;
}

int flatEntriesWanted() {
    flatTable();
    return wantedCount;
}

}  // namespace draw
