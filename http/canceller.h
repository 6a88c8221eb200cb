// Lets one thread abort the web requests another thread is blocked in.
#pragma once
#include <memory>
#include <mutex>
#include <vector>

// Thread-safe. A web request given a canceller waits for its exchange and for the canceller at
// once, so cancel() makes it return straight away with an empty result; cancel() also closes
// the internet handles the exchange has registered, which ends a blocked WinInet call where the
// platform allows it. A cancelled canceller stays cancelled: later requests return empty at once.
class RequestCanceller {
public:
    // Shared with exchanges that may still be finishing after their caller has gone.
    class State {
    public:
        State();
        ~State();
        State(const State&) = delete;
        State& operator=(const State&) = delete;

        void cancel();
        bool cancelled() const;
        // attach() takes a handle under watch; it refuses (false) once cancelled, and the caller
        // then closes the handle itself. detach() ends the watch and tells whether cancel() has
        // already closed the handle, so that every handle is closed exactly once.
        bool attach(void* internetHandle);
        bool detach(void* internetHandle);
        // Waits until the event `done` is signalled (true) or cancel() is called (false).
        bool waitUntilDone(void* done) const;

    private:
        mutable std::mutex mutex_;
        bool cancelled_ = false;
        void* cancelEvent_;          // manual-reset event, set by cancel()
        std::vector<void*> open_;    // handles in the order they were attached
        std::vector<void*> closed_;  // closed by cancel(), not yet detached
    };

    RequestCanceller() : state_(std::make_shared<State>()) {}
    RequestCanceller(const RequestCanceller&) = delete;
    RequestCanceller& operator=(const RequestCanceller&) = delete;

    void cancel() { state_->cancel(); }
    bool cancelled() const { return state_->cancelled(); }
    const std::shared_ptr<State>& state() const { return state_; }

private:
    std::shared_ptr<State> state_;
};
