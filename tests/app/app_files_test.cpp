// Files replaced whole, and paths whose folder names GBK cannot hold, on the real file system.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/app_files.h"
#include "tests/app/temp_folder.h"

namespace {
std::wstring freshFolder(const std::wstring& name) {
    return newTempFolder(L"quorrel-files-", L"-" + name);
}

std::string contentOf(const std::wstring& path) {
    std::string bytes;
    EXPECT_TRUE(readFileBytes(path, bytes));
    return bytes;
}

// A disk that fills up part-way: the first call writes half of what it is given, the next fails.
BOOL WINAPI writeHalfThenFail(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    static thread_local HANDLE last = nullptr;
    if (file == last) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    last = file;
    return WriteFile(file, data, size / 2, written, overlapped);
}
}  // namespace

TEST(FileReplacement, WritesExactlyTheBytesAndLeavesNothingElse) {
    std::wstring folder = freshFolder(L"plain");
    std::wstring path = folder + L"\\url.txt";
    const std::string bytes("a.example;b\0c\xFF", 13);
    ASSERT_TRUE(replaceFileBytes(path, bytes));
    EXPECT_EQ(contentOf(path), bytes);
    ASSERT_TRUE(replaceFileBytes(path, "x"));
    EXPECT_EQ(contentOf(path), "x");
    ASSERT_TRUE(replaceFileBytes(path, ""));
    EXPECT_EQ(contentOf(path), "");
    EXPECT_EQ(filesIn(folder), 1);
}

TEST(FileReplacement, AWriteThatFailsPartWayLeavesTheOldFileWhole) {
    std::wstring folder = freshFolder(L"partial");
    std::wstring path = folder + L"\\url.txt";
    const std::string old = "old.example;kept.example";
    ASSERT_TRUE(replaceFileBytes(path, old));
    EXPECT_FALSE(replaceFileBytes(path, std::string(100000, 'n'), writeHalfThenFail));
    EXPECT_EQ(contentOf(path), old);
    EXPECT_EQ(filesIn(folder), 1);  // no temporary file left beside it
    // Nothing there before: nothing there after.
    std::wstring fresh = folder + L"\\new.txt";
    EXPECT_FALSE(replaceFileBytes(fresh, std::string(1000, 'n'), writeHalfThenFail));
    EXPECT_EQ(GetFileAttributesW(fresh.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(filesIn(folder), 1);
}

TEST(FileReplacement, TargetsThatCannotBeReplacedStayAsTheyAre) {
    std::wstring folder = freshFolder(L"blocked");
    // A folder of that name.
    std::wstring dirTarget = folder + L"\\url.txt";
    ASSERT_TRUE(CreateDirectoryW(dirTarget.c_str(), nullptr));
    EXPECT_FALSE(replaceFileBytes(dirTarget, "x"));
    EXPECT_NE(GetFileAttributesW(dirTarget.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    // A folder that does not exist.
    EXPECT_FALSE(replaceFileBytes(folder + L"\\no\\such\\x.txt", "x"));
    EXPECT_EQ(filesIn(folder), 0);
}

TEST(WidePaths, FolderNamesOutsideGbkWork) {
    // Korean and an emoji: GBK has neither, so a GBK path could not name this folder.
    std::wstring folder = freshFolder(L"\uD55C\uAE00 \U0001F600");
    std::wstring path = folder + L"\\url.txt";
    ASSERT_TRUE(replaceFileBytes(path, "a.example"));
    EXPECT_EQ(contentOf(path), "a.example");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path.c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    std::string bytes = "stale";
    EXPECT_FALSE(readFileBytes(folder + L"\\missing.txt", bytes));
    EXPECT_EQ(bytes, "");
}

TEST(WidePaths, ProgramDirectoryIsTheFolderOfThisProgram) {
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    std::wstring dir = programDirectory();
    EXPECT_EQ(dir, path.substr(0, path.find_last_of(L'\\')));
    EXPECT_NE(dir.back(), L'\\');
    EXPECT_EQ(extraSitesPath(), dir + L"\\url.txt");
}
