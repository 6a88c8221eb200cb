#include "skin/gdi_count.h"

#include <atomic>

namespace skin {

namespace {
std::atomic<long> g_gdi{0};
std::atomic<long> g_user{0};
}  // namespace

LiveCounts liveCounts() {
    return {g_gdi.load(), g_user.load()};
}

HGDIOBJ countGdi(HGDIOBJ object) {
    if (object) ++g_gdi;
    return object;
}

HDC countDC(HDC dc) {
    if (dc) ++g_gdi;
    return dc;
}

HWND countWindow(HWND window) {
    if (window) ++g_user;
    return window;
}

void deleteGdi(HGDIOBJ object) {
    if (object && DeleteObject(object)) --g_gdi;
}

void deleteDC(HDC dc) {
    if (dc && DeleteDC(dc)) --g_gdi;
}

void destroyCountedWindow(HWND window) {
    if (window && IsWindow(window) && DestroyWindow(window)) --g_user;
}

void countedWindowGone() {
    --g_user;
}

HBITMAP createDib(int w, int h, DWORD** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w > 0 ? w : 1;
    info.bmiHeader.biHeight = -(h > 0 ? h : 1);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    countGdi(bitmap);
    if (bits) *bits = static_cast<DWORD*>(pixels);
    return bitmap;
}

MemoryDC::MemoryDC(int w, int h) : w_(w > 0 ? w : 1), h_(h > 0 ? h : 1) {
    dc_ = countDC(CreateCompatibleDC(nullptr));
    bitmap_ = createDib(w_, h_, &bits_);
    if (dc_ && bitmap_) previous_ = SelectObject(dc_, bitmap_);
}

MemoryDC::~MemoryDC() {
    if (dc_ && previous_) SelectObject(dc_, previous_);
    deleteGdi(bitmap_);
    deleteDC(dc_);
}

}  // namespace skin
