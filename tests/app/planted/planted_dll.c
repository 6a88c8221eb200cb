/* A stranger's gdiplus.dll left beside the program. Loaded, it writes "planted-dll-loaded.txt"
 * beside itself: the program must never load it. */
#include "mark_beside.h"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) markBeside(self, L"planted-dll-loaded.txt");
    return TRUE;
}
