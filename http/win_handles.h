// Owners of the WinInet handles of one request, closed exactly once on every path.
#pragma once
#include <windows.h>
#include <wininet.h>

#include "http/canceller.h"

// Owns one HINTERNET. With a canceller the handle is registered while it is owned, and the
// canceller may close it early; the owner then leaves it alone.
class InternetHandle {
public:
    InternetHandle(HINTERNET handle, RequestCanceller::State* canceller) : handle_(handle) {
        if (handle_ && canceller && canceller->attach(handle_)) canceller_ = canceller;
    }
    ~InternetHandle() { close(); }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    void close() {
        if (!handle_) return;
        bool closedByCanceller = canceller_ && canceller_->detach(handle_);
        if (!closedByCanceller) InternetCloseHandle(handle_);
        handle_ = nullptr;
        canceller_ = nullptr;
    }

private:
    HINTERNET handle_;
    RequestCanceller::State* canceller_ = nullptr;
};
