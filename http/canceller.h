// Lets one thread abort the web requests another thread is blocked in.
#pragma once
#include <memory>
#include <mutex>

// Thread-safe. A web request given a canceller runs its exchange on a helper thread and waits
// for the exchange and for the canceller at once, so cancel() makes it return straight away
// with an empty result. cancel() only signals: the helper alone closes its own handles and
// stops at its next step, so no handle is ever used or closed after another thread closed it
// (WinInet reuses handle values at once). A cancelled canceller stays cancelled: later
// requests return empty at once.
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
        // Waits until the event `done` is signalled (true), cancel() is called or `ms`
        // milliseconds pass (false); ms < 0 waits without limit.
        bool waitUntilDone(void* done, long long ms = -1) const;

    private:
        mutable std::mutex mutex_;
        bool cancelled_ = false;
        void* cancelEvent_;  // manual-reset event, set by cancel()
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
