// The program's directory and whole-file reads and writes by GBK path (W APIs, code page 936).
#pragma once
#include <string>

// Directory of the running program without a trailing backslash ("C:" for a drive's root).
std::string programDirectory();

// Whole file as bytes; false when it cannot be opened or read.
bool readFileBytes(const std::string& path, std::string& bytes);
// Creates or replaces the file with exactly `bytes`; false when any of it could not be written.
bool writeFileBytes(const std::string& path, const std::string& bytes);
