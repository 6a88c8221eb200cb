// Runs work from worker threads on the window thread and waits for it, cancellably.
//
// A worker that must see its change made before it goes on (a row appended, the count label
// set) queues the change, posts one notification to the window and waits for its own "done"
// event or for the queue's cancel event. The window thread drains the queue in arrival order.
// Once cancelled (the main window is going away) every waiting worker is released at once and
// later calls return without running, so the window thread never waits on a worker that waits
// on it.
#pragma once
#include <windows.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "win/owners.h"

class WindowCallQueue {
public:
    // Notifications go to `window` as `message` (wParam and lParam 0).
    WindowCallQueue(HWND window, UINT message);
    WindowCallQueue(const WindowCallQueue&) = delete;
    WindowCallQueue& operator=(const WindowCallQueue&) = delete;

    // Any thread: runs `work` on the window thread and returns true once it has run; false when
    // the queue was cancelled before it ran. Called on the window thread itself it runs at once.
    bool call(std::function<void()> work);
    // Any thread: queues `work` behind every earlier call and returns without waiting for it;
    // false when the queue was cancelled. For news the caller need not see handled.
    bool post(std::function<void()> work);

    // Window thread, on `message`: runs the queued calls in order, for DRAIN_SLICE at most; what
    // is left runs on the next `message`, which it posts.
    void drain();
    static constexpr std::chrono::milliseconds DRAIN_SLICE{10};
    // Window thread: runs every queued call, whatever it takes (before the search's end is shown,
    // so that nothing a worker queued comes after it).
    void drainAll();

    // Releases every waiting caller; later calls do nothing. Cannot be undone.
    void cancel();
    bool cancelled() const;

private:
    struct Call;
    // call (`wait`) and post: at once on the window thread, else queued.
    bool send(std::function<void()> work, bool wait);
    void run(bool sliced);
    bool enqueue(const std::shared_ptr<Call>& entry);
    HWND window_;
    UINT message_;
    DWORD windowThread_;
    UniqueHandle cancelEvent_;
    mutable std::mutex mutex_;
    std::deque<std::shared_ptr<Call>> pending_;
};
