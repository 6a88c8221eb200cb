#include "http/canceller.h"

#include <windows.h>

RequestCanceller::State::State() : cancelEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

RequestCanceller::State::~State() {
    if (cancelEvent_) CloseHandle(cancelEvent_);
}

void RequestCanceller::State::cancel() {
    std::lock_guard lock(mutex_);
    if (cancelled_) return;
    cancelled_ = true;
    if (cancelEvent_) SetEvent(cancelEvent_);
}

bool RequestCanceller::State::cancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

bool RequestCanceller::State::waitUntilDone(void* done, long long ms) const {
    DWORD limit = ms < 0 ? INFINITE : DWORD(ms > 0x7FFFFFFF ? 0x7FFFFFFF : ms);
    if (!cancelEvent_) return WaitForSingleObject(done, limit) == WAIT_OBJECT_0;
    // The exchange's event comes first, so a finished exchange wins over a late cancel.
    HANDLE events[2] = {done, cancelEvent_};
    return WaitForMultipleObjects(2, events, FALSE, limit) == WAIT_OBJECT_0;
}
