#include "tests/app/quorrel_driver.h"

#include <commctrl.h>
#include <objidl.h>
// objidl.h first: the GDI+ headers need it and WIN32_LEAN_AND_MEAN leaves it out.
#include <gdiplus.h>

#include <algorithm>

#include "app/control_ids.h"
#include "text/encoding.h"
#include "tests/app/temp_folder.h"
#include "tests/http/child_output.h"

#ifndef QUORREL_EXE
#error "QUORREL_EXE must name the built quorrel.exe"
#endif

namespace {
std::wstring wide(const std::string& gbk) {
    return gbkToWide(gbk);
}

// Memory inside the driven process, for list-view messages that carry pointers.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, size_t size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteBuffer() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    char* at(size_t offset = 0) const { return static_cast<char*>(address_) + offset; }
    bool write(size_t offset, const void* data, size_t size) const {
        return WriteProcessMemory(process_, at(offset), data, size, nullptr) != FALSE;
    }
    bool read(size_t offset, void* data, size_t size) const {
        return ReadProcessMemory(process_, at(offset), data, size, nullptr) != FALSE;
    }
    explicit operator bool() const { return address_ != nullptr; }

private:
    HANDLE process_;
    void* address_;
};

constexpr size_t TEXT_CHARS = 4096;
}  // namespace

std::string windowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string out = "Z:" + path;
    for (char& c : out) {
        if (c == '/') c = '\\';
    }
    return out;
}

std::string freshDirectory(const std::string& name) {
    return wideToGbk(newTempFolder(L"quorrel-app-", L"-" + wide(name)));
}

std::string readWholeFile(const std::string& path, bool* exists) {
    return readBytes(wide(path), exists);
}

bool writeWholeFile(const std::string& path, const std::string& bytes) {
    return writeBytes(wide(path), bytes);
}

std::vector<HWND> windowsTitled(const std::string& part) {
    struct Search {
        std::wstring part;
        std::vector<HWND> found;
    } search{wide(part), {}};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            wchar_t title[1024] = {};
            GetWindowTextW(window, title, 1024);
            if (IsWindowVisible(window) && std::wstring(title).find(s->part) != std::wstring::npos) {
                s->found.push_back(window);
            }
            return TRUE;
        },
        LPARAM(&search));
    return search.found;
}

std::vector<HWND> windowsOfImage(const wchar_t* image) {
    struct Search {
        const wchar_t* image;
        std::vector<HWND> found;
    } search{image, {}};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            if (!IsWindowVisible(window) || window == GetShellWindow()) return TRUE;
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
            if (!process) return TRUE;
            wchar_t path[MAX_PATH] = {};
            DWORD size = MAX_PATH;
            bool matches = QueryFullProcessImageNameW(process, 0, path, &size) &&
                           std::wstring(path).find(s->image) != std::wstring::npos;
            CloseHandle(process);
            wchar_t title[256] = {};
            GetWindowTextW(window, title, 256);
            if (matches && title[0] != 0) s->found.push_back(window);
            return TRUE;
        },
        LPARAM(&search));
    return search.found;
}

int closeNewFileManagerWindows(const std::vector<HWND>& before, int waitMs) {
    std::vector<HWND> fresh;
    waitFor(
        [&] {
            fresh.clear();
            for (HWND window : fileManagerWindows()) {
                if (std::find(before.begin(), before.end(), window) == before.end()) fresh.push_back(window);
            }
            return !fresh.empty();
        },
        waitMs);
    for (HWND window : fresh) PostMessageW(window, WM_CLOSE, 0, 0);
    return int(fresh.size());
}

QuorrelProcess::QuorrelProcess(std::string programDir) : QuorrelProcess(wide(programDir)) {}

QuorrelProcess::QuorrelProcess(const std::wstring& programDir)
    : programDir_(wideToGbk(programDir)), programDirWide_(programDir) {
    CreateDirectoryW(programDirWide_.c_str(), nullptr);
    exePath_ = programDirWide_ + L"\\quorrel.exe";
    CopyFileW(wide(windowsPath(QUORREL_EXE)).c_str(), exePath_.c_str(), FALSE);
}

QuorrelProcess::~QuorrelProcess() {
    if (!process_) return;
    if (!exited()) {
        PostMessageW(main_, WM_CLOSE, 0, 0);
        if (!exited(3000)) TerminateProcess(process_, 99);  // a test's leftover, not the program's way
    }
    CloseHandle(process_);
}

bool QuorrelProcess::start(const std::vector<std::string>& args, const std::string& workingDir) {
    std::string dir = workingDir.empty() ? freshDirectory("cwd") : workingDir;
    std::wstring command = L"\"" + exePath_ + L"\"";
    for (const std::string& arg : args) command += L" \"" + wide(arg) + L"\"";
    PROCESS_INFORMATION info{};
    if (!startWithoutPipes(command, wide(dir), info)) return false;
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
    return waitFor(
        [&] {
            auto windows = windowsOfClass(MAIN_WINDOW_CLASS);
            main_ = windows.empty() ? nullptr : windows.front();
            return main_ != nullptr && control(ID_编辑框2) != nullptr;
        },
        15000);
}

void QuorrelProcess::setText(HWND control, const std::string& gbk) {
    SendMessageW(control, WM_SETTEXT, 0, LPARAM(wide(gbk).c_str()));
}

std::string QuorrelProcess::text(HWND window) const {
    wchar_t buffer[TEXT_CHARS] = {};
    SendMessageW(window, WM_GETTEXT, TEXT_CHARS, LPARAM(buffer));
    return wideToGbk(buffer);
}

void QuorrelProcess::click(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

bool QuorrelProcess::isTicked(HWND box) const {
    return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void QuorrelProcess::pressEnter(HWND box) {
    PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(box, WM_CHAR, '\r', 0x001C0001);
    PostMessageW(box, WM_KEYUP, VK_RETURN, 0xC01C0001);
}

void QuorrelProcess::command(int id) {
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

int QuorrelProcess::rowCount(int listId) const {
    return int(SendMessageW(control(listId), LVM_GETITEMCOUNT, 0, 0));
}

std::string QuorrelProcess::cell(int listId, int row, int column) const {
    RemoteBuffer remote(process_, sizeof(LVITEMW) + TEXT_CHARS * sizeof(wchar_t));
    if (!remote) return {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<LPWSTR>(remote.at(sizeof(LVITEMW)));
    item.cchTextMax = int(TEXT_CHARS);
    remote.write(0, &item, sizeof(item));
    int n = int(SendMessageW(control(listId), LVM_GETITEMTEXTW, WPARAM(row), LPARAM(remote.at())));
    std::wstring text(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) remote.read(sizeof(LVITEMW), text.data(), size_t(n) * sizeof(wchar_t));
    return wideToGbk(text);
}

std::vector<std::vector<std::string>> QuorrelProcess::rows(int listId) const {
    std::vector<std::vector<std::string>> all;
    int count = rowCount(listId);
    for (int row = 0; row < count; ++row) {
        all.push_back({cell(listId, row, 0), cell(listId, row, 1), cell(listId, row, 2)});
    }
    return all;
}

bool QuorrelProcess::selectRow(int listId, int row) {
    RemoteBuffer remote(process_, sizeof(LVITEMW));
    if (!remote) return false;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    remote.write(0, &item, sizeof(item));
    return SendMessageW(control(listId), LVM_SETITEMSTATE, WPARAM(row), LPARAM(remote.at())) != 0;
}

POINT QuorrelProcess::rowPoint(int listId, int row) const {
    RemoteBuffer remote(process_, sizeof(RECT));
    RECT r{};
    r.left = LVIR_LABEL;
    if (!remote || !remote.write(0, &r, sizeof(r))) return {};
    SendMessageW(control(listId), LVM_GETITEMRECT, WPARAM(row), LPARAM(remote.at()));
    remote.read(0, &r, sizeof(r));
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::string QuorrelProcess::columnTitle(int listId, int column) const {
    RemoteBuffer remote(process_, sizeof(LVCOLUMNW) + 256 * sizeof(wchar_t));
    if (!remote) return {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = reinterpret_cast<LPWSTR>(remote.at(sizeof(LVCOLUMNW)));
    col.cchTextMax = 256;
    remote.write(0, &col, sizeof(col));
    if (!SendMessageW(control(listId), LVM_GETCOLUMNW, WPARAM(column), LPARAM(remote.at()))) return {};
    wchar_t text[256] = {};
    remote.read(sizeof(LVCOLUMNW), text, sizeof(text) - sizeof(wchar_t));
    return wideToGbk(text);
}

HWND QuorrelProcess::waitForWindowOfClass(const wchar_t* className, int ms) const {
    HWND window = nullptr;
    waitFor(
        [&] {
            auto found = windowsOfClass(className);
            window = found.empty() ? nullptr : found.front();
            return window != nullptr;
        },
        ms);
    return window;
}

std::vector<HWND> QuorrelProcess::windowsOfClass(const wchar_t* className) const {
    struct Search {
        DWORD pid;
        const wchar_t* className;
        std::vector<HWND> found;
    } search{pid_, className, {}};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            wchar_t name[256] = {};
            GetClassNameW(window, name, 256);
            if (pid == s->pid && IsWindowVisible(window) && lstrcmpW(name, s->className) == 0) {
                s->found.push_back(window);
            }
            return TRUE;
        },
        LPARAM(&search));
    return search.found;
}

MessageBoxSeen QuorrelProcess::waitForMessageBox(int ms) const {
    MessageBoxSeen seen;
    waitFor(
        [&] {
            auto boxes = windowsOfClass(L"#32770");
            if (boxes.empty()) return false;
            seen.box = boxes.front();
            return true;
        },
        ms);
    if (!seen.box) return seen;
    seen.caption = text(seen.box);
    seen.owner = GetWindow(seen.box, GW_OWNER);
    // The message is the box's static text (identifier 0xFFFF); take the longest static as a
    // fallback in case a skin replaced identifiers.
    for (HWND child = GetWindow(seen.box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        if (lstrcmpiW(name, L"Static") != 0) continue;
        std::string t = text(child);
        if (GetDlgCtrlID(child) == 0xFFFF || t.size() > seen.text.size()) {
            seen.text = t;
            if (GetDlgCtrlID(child) == 0xFFFF) break;
        }
    }
    return seen;
}

void QuorrelProcess::closeMessageBox(HWND box) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    waitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
}

bool QuorrelProcess::closeAndWait(int ms, DWORD* elapsedMs) {
    DWORD start = GetTickCount();
    PostMessageW(main_, WM_CLOSE, 0, 0);
    bool ended = exited(ms);
    if (elapsedMs) *elapsedMs = GetTickCount() - start;
    return ended;
}

bool QuorrelProcess::exited(int ms) const {
    return process_ && WaitForSingleObject(process_, DWORD(ms)) == WAIT_OBJECT_0;
}

bool QuorrelProcess::screenshot(HWND window, const std::string& pngPath) const {
    // Away from the spot where other test programs open their windows on the shared display.
    RECT outer{};
    GetWindowRect(window, &outer);
    int x = GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left) - 20;
    SetWindowPos(window, HWND_TOPMOST, x > 0 ? x : 0, 300, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    Sleep(800);
    // The client area: without a window manager the display shows no frame around it.
    RECT r{};
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    bool saved = false;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) {
        {
            Gdiplus::Bitmap image(bitmap, nullptr);
            // The PNG encoder's identifier.
            const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
            saved = image.Save(wide(pngPath).c_str(), &png, nullptr) == Gdiplus::Ok;
        }
        Gdiplus::GdiplusShutdown(token);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}
