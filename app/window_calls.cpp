#include "app/window_calls.h"

#include <chrono>

struct WindowCallQueue::Call {
    std::function<void()> work;
    UniqueHandle done;  // none for a posted call: nobody waits for it
};

WindowCallQueue::WindowCallQueue(HWND window, UINT message)
    : window_(window),
      message_(message),
      windowThread_(GetWindowThreadProcessId(window, nullptr)),
      cancelEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

bool WindowCallQueue::enqueue(const std::shared_ptr<Call>& entry) {
    bool notify;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        notify = pending_.empty();
        pending_.push_back(entry);
    }
    // One notification per batch: the window thread drains everything queued so far.
    if (notify && !PostMessageW(window_, message_, 0, 0)) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::erase(pending_, entry);
        return false;
    }
    return true;
}

bool WindowCallQueue::call(std::function<void()> work) {
    return send(std::move(work), true);
}

bool WindowCallQueue::post(std::function<void()> work) {
    return send(std::move(work), false);
}

bool WindowCallQueue::send(std::function<void()> work, bool wait) {
    if (cancelled()) return false;
    if (GetCurrentThreadId() == windowThread_) {
        work();
        return true;
    }
    auto entry = std::make_shared<Call>();
    if (wait) {
        entry->done.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!entry->done) return false;
    }
    entry->work = std::move(work);
    if (!enqueue(entry)) return false;
    if (!wait) return true;
    HANDLE handles[2] = {entry->done.get(), cancelEvent_.get()};
    DWORD which = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    return which == WAIT_OBJECT_0;
}

void WindowCallQueue::drain() {
    run(true);
}

void WindowCallQueue::drainAll() {
    run(false);
}

void WindowCallQueue::run(bool sliced) {
    const auto started = std::chrono::steady_clock::now();
    for (;;) {
        std::shared_ptr<Call> entry;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (pending_.empty()) return;
            // A long batch (every service handing over at the end of a search) goes on after the
            // window has answered whatever waits for it meanwhile: a new notification, since
            // callers post one only onto an empty queue.
            if (sliced && std::chrono::steady_clock::now() - started >= DRAIN_SLICE &&
                PostMessageW(window_, message_, 0, 0))
                return;
            entry = pending_.front();
            pending_.pop_front();
        }
        if (!cancelled()) entry->work();
        if (entry->done) SetEvent(entry->done.get());
    }
}

void WindowCallQueue::cancel() {
    SetEvent(cancelEvent_.get());
}

bool WindowCallQueue::cancelled() const {
    return WaitForSingleObject(cancelEvent_.get(), 0) == WAIT_OBJECT_0;
}
