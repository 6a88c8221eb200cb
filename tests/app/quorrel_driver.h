// Drives a real quorrel.exe from a test program: its own copy in a fresh directory, started with
// --engine, found by its window class, driven by window messages and read from outside
// (window texts, list-view cells through the process's memory, message boxes).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Path of a fresh empty directory under the temp directory (GBK).
std::string freshDirectory(const std::string& name);
std::string readWholeFile(const std::string& path, bool* exists = nullptr);
bool writeWholeFile(const std::string& path, const std::string& bytes);
// Wine maps the Unix root to Z:; compile-time paths of the build tree are Unix paths.
std::string windowsPath(const std::string& unixOrWindowsPath);

// Polls `done` (pumping this thread's messages) until it holds or `ms` pass.
template <typename F>
bool waitFor(F done, int ms = 10000) {
    DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (int(GetTickCount() - start) > ms) return done();
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        Sleep(20);
    }
}

struct MessageBoxSeen {
    HWND box = nullptr;
    std::string caption;  // GBK
    std::string text;     // GBK
    HWND owner = nullptr;
};

// Visible top-level windows of any process whose title contains `part` (GBK).
std::vector<HWND> windowsTitled(const std::string& part);
// Visible, titled top-level windows of processes whose program file name contains `image`,
// the shell's desktop window excepted.
std::vector<HWND> windowsOfImage(const wchar_t* image);
// Those of the file manager (explorer.exe).
inline std::vector<HWND> fileManagerWindows() {
    return windowsOfImage(L"explorer.exe");
}
// Waits up to `waitMs` for file-manager windows that were not in `before`, closes them
// (WM_CLOSE) and returns how many there were.
int closeNewFileManagerWindows(const std::vector<HWND>& before, int waitMs);

class QuorrelProcess {
public:
    // Copies quorrel.exe into `programDir` (created if needed).
    explicit QuorrelProcess(std::string programDir);
    // The same in a folder whose name may lie outside GBK.
    explicit QuorrelProcess(const std::wstring& programDir);
    ~QuorrelProcess();  // ends the process if a test left it running
    QuorrelProcess(const QuorrelProcess&) = delete;
    QuorrelProcess& operator=(const QuorrelProcess&) = delete;

    const std::string& programDir() const { return programDir_; }
    const std::wstring& programDirWide() const { return programDirWide_; }
    // Starts the program with these arguments in `workingDir` ("" = a fresh other directory)
    // and waits for its main window.
    bool start(const std::vector<std::string>& args, const std::string& workingDir = {});
    HWND mainWindow() const { return main_; }
    HWND control(int id) const { return GetDlgItem(main_, id); }
    DWORD processId() const { return pid_; }
    HANDLE process() const { return process_; }

    void setText(HWND control, const std::string& gbk);
    std::string text(HWND window) const;
    void click(HWND button);  // posted BM_CLICK: a click that opens a modal window must not block us
    bool isTicked(HWND box) const;
    void pressEnter(HWND box);
    void command(int id);  // WM_COMMAND as a menu item sends it

    int rowCount(int listId) const;
    std::string cell(int listId, int row, int column) const;
    std::vector<std::vector<std::string>> rows(int listId) const;
    bool selectRow(int listId, int row);
    // Client point in the middle of a row's first cell, for mouse messages.
    POINT rowPoint(int listId, int row) const;
    std::string columnTitle(int listId, int column) const;

    // Top-level windows of the process that are visible, of the given class.
    std::vector<HWND> windowsOfClass(const wchar_t* className) const;
    // Waits for the first of them (the settings window once 其他 is ticked); null on time-out.
    HWND waitForWindowOfClass(const wchar_t* className, int ms = 10000) const;
    // Waits for a message box of the process; `box` stays null on time-out.
    MessageBoxSeen waitForMessageBox(int ms = 10000) const;
    void closeMessageBox(HWND box);
    // WM_CLOSE to the main window; waits up to `ms` for the process to end.
    bool closeAndWait(int ms, DWORD* elapsedMs = nullptr);
    bool exited(int ms = 0) const;

    // Saves a PNG of the window as it is on the screen.
    bool screenshot(HWND window, const std::string& pngPath) const;

private:
    std::string programDir_;
    std::wstring programDirWide_;
    std::wstring exePath_;
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
};
