#include "app/search_command.h"

#include "http/canceller.h"

MainSearchSink::MainSearchSink(HWND window, UINT callMessage, ListOperations operations)
    : calls_(window, callMessage), operations_(std::move(operations)) {
    InitializeCriticalSection(&searchLock_);
}

MainSearchSink::~MainSearchSink() {
    DeleteCriticalSection(&searchLock_);
}

std::string MainSearchSink::keyword() {
    std::lock_guard<std::mutex> lock(keywordMutex_);
    return keyword_;
}

void MainSearchSink::setKeyword(std::string keyword) {
    std::lock_guard<std::mutex> lock(keywordMutex_);
    keyword_ = std::move(keyword);
}

void MainSearchSink::lockResults() {
    EnterCriticalSection(&searchLock_);
}

void MainSearchSink::unlockResults() {
    LeaveCriticalSection(&searchLock_);
}

void MainSearchSink::addHits(const std::vector<Hit>& hits) {
    // One round trip per page. The copy travels with the call, so a caller released by
    // cancellation leaves nothing dangling.
    calls_.call([this, hits] { operations_.addHits(hits); });
}

void MainSearchSink::showCount() {
    calls_.call([this] { operations_.showCount(); });
}

namespace {
struct WorkerStart {
    std::string task;
    std::shared_ptr<SearchSink> sink;
    std::shared_ptr<RequestCanceller> canceller;
};

DWORD WINAPI workerThread(void* parameter) {
    std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(parameter));
    searchWorker(start->task, *start->sink, start->canceller.get());
    return 0;
}
}  // namespace

bool RunningWorkers::start(const std::string& task, std::shared_ptr<SearchSink> sink) {
    dropFinished();
    auto canceller = std::make_shared<RequestCanceller>();
    auto* start = new WorkerStart{task, std::move(sink), canceller};
    HANDLE thread = CreateThread(nullptr, 0, workerThread, start, 0, nullptr);
    if (!thread) {
        delete start;
        return false;
    }
    workers_.push_back(Worker{UniqueHandle(thread), std::move(canceller)});
    return true;
}

void RunningWorkers::stopAll() {
    for (Worker& worker : workers_) worker.canceller->cancel();
}

bool RunningWorkers::waitAll(DWORD ms) {
    DWORD deadline = GetTickCount() + ms;
    for (Worker& worker : workers_) {
        DWORD now = GetTickCount();
        DWORD left = int(deadline - now) > 0 ? deadline - now : 0;
        if (WaitForSingleObject(worker.thread.get(), left) != WAIT_OBJECT_0) return false;
    }
    return true;
}

size_t RunningWorkers::runningCount() {
    dropFinished();
    return workers_.size();
}

void RunningWorkers::dropFinished() {
    std::erase_if(workers_,
                  [](const Worker& worker) { return WaitForSingleObject(worker.thread.get(), 0) == WAIT_OBJECT_0; });
}
