#include "http/canceller.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>

RequestCanceller::State::State() : cancelEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

RequestCanceller::State::~State() {
    if (cancelEvent_) CloseHandle(cancelEvent_);
}

void RequestCanceller::State::cancel() {
    std::lock_guard lock(mutex_);
    if (cancelled_) return;
    cancelled_ = true;
    if (cancelEvent_) SetEvent(cancelEvent_);
    // Children first (request, connection, then the internet handle), as a normal close does.
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        InternetCloseHandle(static_cast<HINTERNET>(*it));
        closed_.push_back(*it);
    }
    open_.clear();
}

bool RequestCanceller::State::cancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

bool RequestCanceller::State::attach(void* internetHandle) {
    std::lock_guard lock(mutex_);
    if (cancelled_) return false;
    open_.push_back(internetHandle);
    return true;
}

bool RequestCanceller::State::detach(void* internetHandle) {
    std::lock_guard lock(mutex_);
    auto it = std::find(closed_.begin(), closed_.end(), internetHandle);
    if (it != closed_.end()) {
        closed_.erase(it);
        return true;
    }
    open_.erase(std::remove(open_.begin(), open_.end(), internetHandle), open_.end());
    return false;
}

bool RequestCanceller::State::waitUntilDone(void* done) const {
    if (!cancelEvent_) return WaitForSingleObject(done, INFINITE) == WAIT_OBJECT_0;
    // The exchange's event comes first, so a finished exchange wins over a late cancel.
    HANDLE events[2] = {done, cancelEvent_};
    return WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0;
}
