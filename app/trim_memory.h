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

// %windir%\empty.exe: written from the embedded bytes when missing, then started hidden with our
// process id and waited for. Failures are quiet.
void trimMemory();

// The same steps with the Windows directory and the tool's bytes given (trimMemory passes the
// "windir" variable and the embedded resource). A file already at the path is reused when it
// holds exactly `toolBytes`; a different file there is neither replaced nor run. Returns true
// when the tool was started and ended within TRIM_TOOL_WAIT_MS.
bool trimMemoryWith(const std::wstring& windowsDir, std::string_view toolBytes);

// The embedded tool's bytes from this program's own resources (empty when it carries none).
std::string embeddedTrimTool();
