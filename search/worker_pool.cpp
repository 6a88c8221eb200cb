#include "search/worker_pool.h"

#include <algorithm>
#include <deque>
#include <mutex>

#include "regex/warm_up.h"
#include "search/engine_slots.h"

// Without a chosen cap the engine slots let first pages go out as this pool starts them.
static_assert(WorkerPool::MAX_RUNNING == size_t(FIRST_PAGE_BURST));

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
    size_t threads = 0;  // counted from the moment they are asked for, so nothing over-starts
    size_t toSpawn = 0;  // of those, the ones no thread has been created for yet
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
    // Caller holds `mutex`. A thread asked for could not be created. When no created thread is
    // left to create the others, they are given up; when none lives at all, the queued tasks
    // are skipped as a worker that cannot start is. True when the pool is idle after that.
    bool spawnFailed() {
        --threads;
        if (threads == toSpawn) {
            threads -= toSpawn;
            toSpawn = 0;
        }
        if (threads != 0) return false;
        while (!pending.empty()) {
            dropWaiting(pending.front());
            pending.pop_front();
        }
        SetEvent(idleEvent);
        return true;
    }
};

namespace {
bool createPoolThread(const std::shared_ptr<WorkerPool::State>& state, LPTHREAD_START_ROUTINE main) {
    auto* parameter = new std::shared_ptr<WorkerPool::State>(state);
    HANDLE thread = CreateThread(nullptr, 0, main, parameter, 0, nullptr);
    if (!thread) {
        delete parameter;
        return false;
    }
    CloseHandle(thread);
    return true;
}
}  // namespace

WorkerPool::WorkerPool(size_t maxRunning, std::function<void()> onIdle)
    : state_(std::make_shared<State>(maxRunning, std::move(onIdle))) {}

WorkerPool::~WorkerPool() {
    stopAll();
}

DWORD WINAPI WorkerPool::threadMain(void* parameter) {
    std::shared_ptr<State> state = std::move(*static_cast<std::shared_ptr<State>*>(parameter));
    delete static_cast<std::shared_ptr<State>*>(parameter);
    std::unique_lock<std::mutex> lock(state->mutex);
    std::shared_ptr<Batch> batch;
    std::string task;
    for (;;) {
        // Creating a thread takes milliseconds (more under Wine), so the caller of submit
        // creates one and each thread creates up to two more of those asked for: the caller's
        // thread is never held by thirty of them, and all run within a few generations.
        for (int child = 0; child < 2 && state->toSpawn > 0 && !state->stopped; ++child) {
            --state->toSpawn;
            lock.unlock();
            bool created = createPoolThread(state, threadMain);
            lock.lock();
            if (!created) state->spawnFailed();  // this thread lives, so the pool is not idle
        }
        if (!state->take(batch, task)) break;
        ++state->running;
        lock.unlock();
        searchWorker(task, *batch->sink, batch->canceller.get());
        task = {};
        lock.lock();
        --state->running;
        state->finish(batch, 1);
        batch.reset();
    }
    // Nothing is queued: threads asked for and not yet created are not wanted any more.
    state->threads -= state->toSpawn;
    state->toSpawn = 0;
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
    // Loaded while the first pages are on their way, not when they arrive.
    warmUpRegexComponent();
    auto batch = std::make_shared<Batch>();
    batch->unfinished = tasks.size();
    batch->tasks = std::move(tasks);
    batch->sink = std::move(sink);
    batch->canceller = canceller ? std::move(canceller) : std::make_shared<RequestCanceller>();
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (state_->stopped) return false;
        state_->queued += batch->waiting();
        state_->pending.push_back(batch);
        state_->live.push_back(batch);
        ResetEvent(state_->idleEvent);
        size_t free = state_->maxRunning > state_->threads ? state_->maxRunning - state_->threads : 0;
        size_t toStart = std::min(free, batch->waiting());
        if (toStart == 0) return true;  // the threads there take the tasks in turn
        state_->threads += toStart;
        state_->toSpawn += toStart - 1;
    }
    if (createPoolThread(state_, threadMain)) return true;
    std::lock_guard<std::mutex> lock(state_->mutex);
    return !state_->spawnFailed();
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
