// The program's directory and whole-file reads and writes, for every windowed floor (the skin
// engine's memory trim, the shell's url.txt and settings). Uses only the platform and win/owners.h. Paths are wide text from the system
// to the call: a folder whose name GBK cannot hold (Korean, an emoji) still names itself.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

// Directory of the running program without a trailing backslash ("C:" for a drive's root).
std::wstring programDirectory();

// Whole file as bytes; false when it cannot be opened or read.
bool readFileBytes(const std::wstring& path, std::string& bytes);

// How a file's bytes reach the disk; WriteFile unless a test stands in for it.
using WriteBytesCall = BOOL(WINAPI*)(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED);

// Writes `bytes` to a new file beside `target` with a name no other writer uses at the same
// time, and flushes it to the disk. Returns its path, or "" (nothing left behind) on failure.
std::wstring writeTemporaryBeside(const std::wstring& target, std::string_view bytes,
                                  WriteBytesCall write = nullptr);

// Replaces the file whole: the bytes go to a temporary file beside it, which is then moved over
// it. When anything fails the old file stays as it was and no temporary file is left.
bool replaceFileBytes(const std::wstring& path, std::string_view bytes, WriteBytesCall write = nullptr);
