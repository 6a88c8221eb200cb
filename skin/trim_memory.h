// Gives the process's working set back to the system by running our console tool "empty.exe"
// (tools/empty, embedded in the program as resource TRIM_TOOL_RESOURCE) with our process id.
// Called when the application is deactivated; blocks the calling thread until the tool ends.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "res/resource_ids.h"

inline constexpr int TRIM_TOOL_RESOURCE = IDR_EMPTY_EXE;  // RCDATA "empty.exe" in res/quorrel.rc
inline constexpr DWORD TRIM_TOOL_WAIT_MS = 10000;

// %windir%\empty.exe, else %LOCALAPPDATA%\Quorrel\empty.exe, started hidden with our process id
// and waited for. Failures are quiet.
void trimMemory();

// The same steps with the directories and the tool's bytes given (trimMemory passes the
// "windir" variable, %LOCALAPPDATA%\Quorrel and the embedded resource). Only a file that holds
// exactly `toolBytes` is ever run, and no file is ever replaced:
// - the Windows directory's empty.exe is run when it is ours; when it is missing it is written
//   there first (the Windows directory is writable only with elevation on Windows);
// - when that file holds something else, or is missing and cannot be written, the per-user copy
//   in `userDir` is used the same way (the directory is made when missing);
// - a per-user file that holds something else is neither replaced nor run: nothing runs.
// A file is written to a temporary name beside it and moved into place only while the place is
// free, so two instances at once neither break nor replace each other's tool. The file stays
// open, shared for reading only, from the check until the tool has started.
// Returns true when the tool was started and ended within TRIM_TOOL_WAIT_MS.
bool trimMemoryWith(const std::wstring& windowsDir, const std::wstring& userDir, std::string_view toolBytes);

// The embedded tool's bytes from this program's own resources (empty when it carries none).
std::string embeddedTrimTool();
