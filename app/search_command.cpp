#include "app/search_command.h"

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

bool MainSearchSink::tryLockResults() {
    return TryEnterCriticalSection(&searchLock_) != FALSE;
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

void MainSearchSink::serviceEnded(const ServiceOutcome& outcome) {
    // Not waited for: the window only gathers it, behind the service's rows, and shows it when
    // the search has ended; the worker holding the lock goes on at once.
    calls_.post([this, outcome] { operations_.serviceEnded(outcome); });
}
