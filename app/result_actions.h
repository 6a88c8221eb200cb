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

// Starts the file manager, explorer.exe of the Windows directory by its full path (never one
// that happens to lie beside the program or in the working directory), with the command line
// explorer /n,/select,"..." and does not wait for it to end.
bool showInFileManager(const std::wstring& commandLine);

// Export all: writes both lists to the export file beside the program (named by the keyword),
// says "导出成功！" and shows the file in the file manager, or says that it could not be written.
// True when the file was written.
bool exportResults(HWND owner, const std::string& keyword, const std::vector<ResultRow>& results,
                   const std::vector<ResultRow>& filtered);
