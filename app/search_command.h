// What the main window's search shares with its worker threads.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "win/owners.h"
#include "app/window_calls.h"
#include "search/worker.h"

// The objects every worker of the main window reaches: searchLock, the keyword, and the result
// list's operations carried to the window thread. Workers hold it by shared pointer, so it lives
// until the window is gone and the last worker has let go of it.
class MainSearchSink : public SearchSink {
public:
    struct ListOperations {
        std::function<void(const std::vector<Hit>& hits)> addHits;
        std::function<void()> showCount;
        std::function<void(const ServiceOutcome& outcome)> serviceEnded;
    };
    MainSearchSink(HWND window, UINT callMessage, ListOperations operations);
    ~MainSearchSink() override;

    std::string keyword() override;
    void lockResults() override;
    bool tryLockResults() override;
    void unlockResults() override;
    void addHits(const std::vector<Hit>& hits) override;
    void showCount() override;
    void serviceEnded(const ServiceOutcome& outcome) override;

    // Window thread: the keyword box's text, kept whenever the box changes, so that a worker
    // never has to ask the window thread for it.
    void setKeyword(std::string keyword);
    // Window thread, on the call message.
    void drainCalls() { calls_.drain(); }
    void drainAllCalls() { calls_.drainAll(); }
    // The window is going away: waiting workers are released and later deliveries dropped.
    void cancelDeliveries() { calls_.cancel(); }

private:
    CRITICAL_SECTION searchLock_;
    WindowCallQueue calls_;
    ListOperations operations_;
    std::mutex keywordMutex_;
    std::string keyword_;
};
