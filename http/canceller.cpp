#include "http/canceller.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>

void RequestCanceller::cancel() {
    std::lock_guard lock(mutex_);
    if (cancelled_) return;
    cancelled_ = true;
    // Children first (request, connection, then the internet handle), as a normal close does.
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        InternetCloseHandle(static_cast<HINTERNET>(*it));
        closed_.push_back(*it);
    }
    open_.clear();
}

bool RequestCanceller::cancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

bool RequestCanceller::attach(void* internetHandle) {
    std::lock_guard lock(mutex_);
    if (cancelled_) return false;
    open_.push_back(internetHandle);
    return true;
}

bool RequestCanceller::detach(void* internetHandle) {
    std::lock_guard lock(mutex_);
    auto it = std::find(closed_.begin(), closed_.end(), internetHandle);
    if (it != closed_.end()) {
        closed_.erase(it);
        return true;
    }
    open_.erase(std::remove(open_.begin(), open_.end(), internetHandle), open_.end());
    return false;
}
