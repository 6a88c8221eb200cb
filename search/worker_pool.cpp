#include "search/worker_pool.h"

#include <algorithm>
#include <deque>
#include <mutex>

namespace {
// One submit: its task texts, taken from the front; its sink and canceller are shared by all.
struct Batch {
    std::vector<std::string> tasks;
    size_t next = 0;        // the first task not yet taken
    size_t unfinished = 0;  // tasks neither ended nor dropped
    std::shared_ptr<SearchSink> sink;
    std::shared_ptr<RequestCanceller> canceller;
    size_t waiting() const { return tasks.size() - next; }
};
}  // namespace

struct WorkerPool::State {
    size_t maxRunning;
    std::function<void()> onIdle;
    mutable std::mutex mutex;
    std::deque<std::shared_ptr<Batch>> pending;  // batches with tasks not yet taken, in order
    std::vector<std::shared_ptr<Batch>> live;    // batches with a task not yet ended
    size_t queued = 0;
    size_t running = 0;
    size_t threads = 0;
    bool stopped = false;
    HANDLE idleEvent;  // manual reset: set while no thread lives and nothing is queued

    State(size_t cap, std::function<void()> idle)
        : maxRunning(cap ? cap : 1), onIdle(std::move(idle)), idleEvent(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}
    ~State() {
        if (idleEvent) CloseHandle(idleEvent);
    }

    // Caller holds `mutex`.
    void finish(const std::shared_ptr<Batch>& batch, size_t tasks) {
        batch->unfinished -= tasks;
        if (batch->unfinished == 0) std::erase(live, batch);
    }
    void dropWaiting(const std::shared_ptr<Batch>& batch) {
        size_t dropped = batch->waiting();
        queued -= dropped;
        batch->next = batch->tasks.size();
        batch->tasks = {};  // the texts go now, not when the last running task ends
        finish(batch, dropped);
    }
    // The next task to run, or false when there is none; drops the rest of cancelled batches.
    bool take(std::shared_ptr<Batch>& batch, std::string& task) {
        while (!pending.empty()) {
            std::shared_ptr<Batch> front = pending.front();
            if (stopped || front->canceller->cancelled()) {
                dropWaiting(front);
                pending.pop_front();
                continue;
            }
            task = std::move(front->tasks[front->next++]);
            --queued;
            if (front->waiting() == 0) pending.pop_front();
            batch = std::move(front);
            return true;
        }
        return false;
    }
    // Caller holds `mutex`; true when the pool has just become idle.
    bool threadEnded() {
        --threads;
        if (threads != 0 || queued != 0) return false;
        SetEvent(idleEvent);
        return !stopped;
    }
};

WorkerPool::WorkerPool(size_t maxRunning, std::function<void()> onIdle)
    : state_(std::make_shared<State>(maxRunning, std::move(onIdle))) {}

WorkerPool::~WorkerPool() {
    stopAll();
}

DWORD WINAPI WorkerPool::threadMain(void* parameter) {
    std::shared_ptr<State> state = std::move(*static_cast<std::shared_ptr<State>*>(parameter));
    delete static_cast<std::shared_ptr<State>*>(parameter);
    std::shared_ptr<Batch> batch;
    std::string task;
    std::unique_lock<std::mutex> lock(state->mutex);
    while (state->take(batch, task)) {
        ++state->running;
        lock.unlock();
        searchWorker(task, *batch->sink, batch->canceller.get());
        task = {};
        lock.lock();
        --state->running;
        state->finish(batch, 1);
        batch.reset();
    }
    bool becameIdle = state->threadEnded();
    std::function<void()> onIdle = becameIdle ? state->onIdle : nullptr;
    lock.unlock();
    if (onIdle) onIdle();
    return 0;
}

bool WorkerPool::submit(std::vector<std::string> tasks, std::shared_ptr<SearchSink> sink,
                        std::shared_ptr<RequestCanceller> canceller) {
    if (!sink) return false;
    if (tasks.empty()) return true;
    auto batch = std::make_shared<Batch>();
    batch->unfinished = tasks.size();
    batch->tasks = std::move(tasks);
    batch->sink = std::move(sink);
    batch->canceller = canceller ? std::move(canceller) : std::make_shared<RequestCanceller>();
    size_t toStart;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (state_->stopped) return false;
        state_->queued += batch->waiting();
        state_->pending.push_back(batch);
        state_->live.push_back(batch);
        ResetEvent(state_->idleEvent);
        size_t free = state_->maxRunning > state_->threads ? state_->maxRunning - state_->threads : 0;
        toStart = std::min(free, batch->waiting());
        state_->threads += toStart;  // counted before they run, so no other submit over-starts
    }
    size_t started = 0;
    for (; started < toStart; ++started) {
        auto* parameter = new std::shared_ptr<State>(state_);
        HANDLE thread = CreateThread(nullptr, 0, threadMain, parameter, 0, nullptr);
        if (!thread) {
            delete parameter;
            break;
        }
        CloseHandle(thread);
    }
    if (started == toStart) return true;
    // Threads that could not start: the ones that did take the tasks in turn. When none is
    // alive at all, the tasks that cannot run are skipped, as a worker that cannot start is.
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->threads -= toStart - started;
    if (state_->threads != 0) return true;
    while (!state_->pending.empty()) {
        state_->dropWaiting(state_->pending.front());
        state_->pending.pop_front();
    }
    SetEvent(state_->idleEvent);
    return false;
}

void WorkerPool::stopAll() {
    std::vector<std::shared_ptr<Batch>> live;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->stopped = true;
        while (!state_->pending.empty()) {
            state_->dropWaiting(state_->pending.front());
            state_->pending.pop_front();
        }
        live = state_->live;
        if (state_->threads == 0) SetEvent(state_->idleEvent);
    }
    // Outside the pool's lock: cancelling closes internet handles, which may take a moment.
    for (const auto& batch : live) batch->canceller->cancel();
}

bool WorkerPool::waitAll(DWORD ms) {
    return WaitForSingleObject(state_->idleEvent, ms) == WAIT_OBJECT_0;
}

size_t WorkerPool::runningCount() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->running;
}

size_t WorkerPool::queuedCount() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->queued;
}

size_t WorkerPool::threadCount() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->threads;
}
