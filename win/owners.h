// Owners for the platform handles the shell keeps: each closes its handle once, on every path.
#pragma once
#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueOwner {
public:
    using Handle = typename Traits::Handle;
    UniqueOwner() = default;
    explicit UniqueOwner(Handle h) : handle_(h) {}
    ~UniqueOwner() { reset(); }
    UniqueOwner(UniqueOwner&& other) noexcept : handle_(other.release()) {}
    UniqueOwner& operator=(UniqueOwner&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return Traits::valid(handle_); }
    Handle release() { return std::exchange(handle_, Traits::empty()); }
    void reset(Handle h = Traits::empty()) {
        if (Traits::valid(handle_)) Traits::close(handle_);
        handle_ = h;
    }

private:
    Handle handle_ = Traits::empty();
};

// The traits of a handle kind whose "none" is null; each kind adds how it is closed.
template <typename H>
struct NullHandleTraits {
    using Handle = H;
    static Handle empty() { return nullptr; }
    static bool valid(Handle h) { return h != nullptr; }
};

struct KernelHandleTraits : NullHandleTraits<HANDLE> {
    // Files and snapshots say "none" with INVALID_HANDLE_VALUE instead.
    static bool valid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(Handle h) { CloseHandle(h); }
};
using UniqueHandle = UniqueOwner<KernelHandleTraits>;

template <typename T>
struct GdiObjectTraits : NullHandleTraits<T> {
    static void close(T h) { DeleteObject(h); }
};
template <typename T>
using GdiObject = UniqueOwner<GdiObjectTraits<T>>;

struct MenuTraits : NullHandleTraits<HMENU> {
    static void close(Handle h) { DestroyMenu(h); }
};
using UniqueMenu = UniqueOwner<MenuTraits>;

struct GlobalMemoryTraits : NullHandleTraits<HGLOBAL> {
    static void close(Handle h) { GlobalFree(h); }
};
using UniqueGlobal = UniqueOwner<GlobalMemoryTraits>;

// Closes the clipboard when it goes out of scope.
class ClipboardOpen {
public:
    explicit ClipboardOpen(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~ClipboardOpen() {
        if (open_) CloseClipboard();
    }
    ClipboardOpen(const ClipboardOpen&) = delete;
    ClipboardOpen& operator=(const ClipboardOpen&) = delete;
    explicit operator bool() const { return open_; }

private:
    bool open_;
};
