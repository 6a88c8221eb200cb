// The skinned settings window, shown modally over the main window. Ticking 其他 opens it as the
// extra-sites window (url.txt only); "设置…" opens it whole, with the window's choices below
// the extra sites (kept in quorrel.ini).
#pragma once
#include <windows.h>

#include <string>

#include "app/app_settings.h"

// Shows the window and returns when it is closed. A successful save replaces `extraSites` and
// rewrites url.txt beside the program. With `settings` the choices are shown too; a save then
// replaces *settings and rewrites quorrel.ini, and the call returns true.
bool runSettingsWindow(HINSTANCE instance, HWND owner, std::string& extraSites, AppSettings* settings = nullptr);
