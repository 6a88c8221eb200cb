// At most a fixed number of search workers at once; the other tasks wait in a queue, in task
// order, as their texts only.
//
// A search of a thousand extra sites must not start a thousand threads: each costs a stack,
// a WinInet session and a socket. The pool keeps MAX_RUNNING threads busy, and a thread that
// ends a task takes the next queued one. The 22 services and a few extra sites fit under the
// cap, so their first pages are still fetched all at once.
//
// The lock rules of the workers are untouched: a worker takes searchLock only after its first
// page, so a queued task never holds it, and the holder always progresses (it fetches and
// delivers without waiting for any other worker), so the threads waiting on the lock while
// holding a slot are freed one after another.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "http/canceller.h"
#include "search/worker.h"

class WorkerPool {
public:
    static constexpr size_t MAX_RUNNING = 32;

    // `onIdle` (optional) runs on a worker's thread whenever the last running task has ended
    // and nothing is queued; it must not wait for that thread's pool.
    explicit WorkerPool(size_t maxRunning = MAX_RUNNING, std::function<void()> onIdle = {});
    // Stops everything (see stopAll) without waiting: a thread still running keeps what it
    // needs alive by itself.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Queues searchWorker(task, *sink) for every task, in order, and starts threads up to the
    // cap. Returns at once; costs the caller one pass over the tasks. `canceller` (optional)
    // stops this batch's workers and empties its queue when cancelled; without one the batch
    // gets its own. False when the pool was stopped or no task could be started: nothing runs.
    bool submit(std::vector<std::string> tasks, std::shared_ptr<SearchSink> sink,
                std::shared_ptr<RequestCanceller> canceller = {});

    // Drops every queued task and cancels every running one (their requests in flight are
    // aborted). Later submits are refused. Does not wait.
    void stopAll();
    // Waits up to `ms` (INFINITE allowed) until no task runs or waits; true then.
    bool waitAll(DWORD ms);

    size_t runningCount() const;
    size_t queuedCount() const;
    size_t threadCount() const;  // live threads, running or about to take a task
    bool idle() const { return runningCount() == 0 && queuedCount() == 0; }

    struct State;

private:
    static DWORD WINAPI threadMain(void* parameter);
    std::shared_ptr<State> state_;
};
