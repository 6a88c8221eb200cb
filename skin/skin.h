// The skin engine's entry operations: custom-painted top-level windows, their controls and
// message boxes. Everything runs on the user-interface thread.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// COLORREF (0x00BBGGRR) to ARGB (0xAARRGGBB); alpha 255 when not given.
DWORD ToArgb(COLORREF colour, std::optional<int> alpha = std::nullopt);

// Once at program start, before any window is shown: starts GDI+, loads the icon, sets the
// defaults, registers "yinyWindow".
void SkinStartup();
// Once at exit (the process end), after the last skinned window has gone.
void SkinShutdown();

inline constexpr long long ACCENT_FROM_MAIN = -1;

struct SkinSettings {
    std::string skinFile;                   // picture file; used instead of skinImage when set
    std::string skinImage;                  // encoded picture bytes
    std::optional<COLORREF> mainColour;     // default: mean colour of the picture
    std::optional<long long> accentColour;  // default 0xDDCA22; ACCENT_FROM_MAIN = main colour
    int mode = 4;                           // 0..4
};
void SetSkin(const SkinSettings& settings);

void SetControlSkinOptions(bool controlsOn, std::optional<int> veilAlpha = std::nullopt, bool trackbarOption = true);

struct SkinWindowOptions {
    int captionHeight = 25;
    bool drawCaption = true;
    bool resizable = true;
    int layoutA = 0;
    int layoutB = 0;
    bool optionA = true;
    int optionB = 0;
    std::vector<std::string> captionItems;  // caption-item list; built when not empty
    std::string windowPicture;              // the window's own picture bytes
    std::optional<int> windowMode;          // default: the global skin mode
    int colourOption = -1;
    int windowAlpha = 255;
    bool noCaption = false;
};
// Returns false when the window was already skinned or is not a window.
bool SkinWindow(HWND window, const SkinWindowOptions& options = {});

bool SetWindowEffect(HWND window, int kind);

// MessageBoxExA with the box skinned; returns the pressed button's id minus 1 (IDOK gives 0).
int SkinnedMessageBox(HWND owner, const std::string& text, UINT style, const std::string& caption);

// The built-in 640 x 480 skin picture (JPEG bytes from the program's resources).
std::string BuiltInSkinPicture();
