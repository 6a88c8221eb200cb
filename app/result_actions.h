// The platform side of the actions on hits: the selection, the shell, the clipboard and the
// file manager.
#pragma once
#include <windows.h>

#include <string>

#include "app/export_format.h"

// Title and address of the row selected in `list`; empty texts when none is selected.
ResultRow selectedRow(HWND list);

// Hands a web address to the shell's "open" verb; anything else is not opened. True when handed on.
bool openAddress(const std::string& address);

// Puts the text on the clipboard as CF_UNICODETEXT and CF_TEXT (GBK); false when it could not.
bool copyToClipboard(HWND owner, const std::string& text);

// Starts the command line (explorer /n,/select,"...") without waiting for it to end.
bool showInFileManager(const std::string& commandLine);
