// Lets one thread abort the web requests another thread is blocked in.
#pragma once
#include <mutex>
#include <vector>

// Thread-safe. A web request given a canceller registers its internet handles with it for the
// duration of the call; cancel() closes them, which makes a blocked WinInet call return at
// once. A cancelled canceller stays cancelled: later requests return empty straight away.
class RequestCanceller {
public:
    RequestCanceller() = default;
    RequestCanceller(const RequestCanceller&) = delete;
    RequestCanceller& operator=(const RequestCanceller&) = delete;

    void cancel();
    bool cancelled() const;

    // For the web request. attach() takes a handle under watch; it refuses (false) once
    // cancelled, and the caller then closes the handle itself. detach() ends the watch and
    // tells whether cancel() has already closed the handle, so that it is closed exactly once.
    bool attach(void* internetHandle);
    bool detach(void* internetHandle);

private:
    mutable std::mutex mutex_;
    bool cancelled_ = false;
    std::vector<void*> open_;    // handles in the order they were attached
    std::vector<void*> closed_;  // closed by cancel(), not yet detached
};
