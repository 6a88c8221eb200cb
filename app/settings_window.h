// The skinned extra-sites settings window, shown modally over the main window.
#pragma once
#include <windows.h>

#include <string>

// Shows the window and returns when it is closed. A successful save replaces `extraSites` and
// rewrites url.txt beside the program.
void runSettingsWindow(HINSTANCE instance, HWND owner, std::string& extraSites);
