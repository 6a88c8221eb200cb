#include "draw/gdiplus_flat.h"

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

FlatTable bindTable() {
    FlatTable table;
    // Loaded once for the life of the process; the entries point into it.
    HMODULE dll = LoadLibraryW(L"gdiplus.dll");
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
