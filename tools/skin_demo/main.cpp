// Shows the demo window until it is closed, so a person can look at the skin.
#include <windows.h>

#include "skin/skin.h"
#include "tools/skin_demo/demo_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    SkinStartup();
    // The gallery with every painted control kind, and the settings window over it.
    HWND gallery = createGalleryWindow();
    HWND window = createDemoWindow();
    if (!window || !gallery) return 1;
    MSG message;
    while ((IsWindow(window) || IsWindow(gallery)) && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    SkinShutdown();
    return 0;
}
