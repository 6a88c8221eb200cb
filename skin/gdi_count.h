// Live counts of the GDI and USER objects the skin engine creates. GetGuiResources answers 0
// under Wine, so the engine counts its own objects where they are made and freed; a leak test
// checks that the counts return to where they started.
#pragma once
#include <windows.h>

namespace skin {

struct LiveCounts {
    long gdi = 0;   // bitmaps, brushes, regions, DCs
    long user = 0;  // windows (overlays, tooltips)
};
LiveCounts liveCounts();

// Each returns its argument; a null handle is not counted.
HGDIOBJ countGdi(HGDIOBJ object);
HDC countDC(HDC dc);
HWND countWindow(HWND window);

// Each frees the handle and lowers the count when the system accepts it; null is ignored.
void deleteGdi(HGDIOBJ object);
void deleteDC(HDC dc);
void destroyCountedWindow(HWND window);
// For counted windows whose own procedure sees WM_NCDESTROY (they may die with their parent).
void countedWindowGone();

// A memory DC with one bitmap selected; the previous bitmap goes back before both are freed.
class MemoryDC {
public:
    MemoryDC() = default;
    // A 32-bit top-down DIB section of w x h, zero-filled.
    MemoryDC(int w, int h);
    ~MemoryDC();
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    DWORD* bits() const { return bits_; }
    int width() const { return w_; }
    int height() const { return h_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    DWORD* bits_ = nullptr;
    int w_ = 0;
    int h_ = 0;
};

// A counted 32-bit top-down DIB section; *bits receives its pixels when not null.
HBITMAP createDib(int w, int h, DWORD** bits = nullptr);

}  // namespace skin
