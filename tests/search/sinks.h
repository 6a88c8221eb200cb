// Result lists (search sinks) the search tests share: one that keeps what it is handed, and a
// base whose searchLock is a real mutex that notes every call made without holding it. Uses
// search/worker.h and the standard library only.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "search/worker.h"

// Rows, pages handed over, counts shown and outcomes, as far as a test of one worker needs them.
class CollectingSink : public SearchSink {
public:
    explicit CollectingSink(std::string keyword) : keyword_(std::move(keyword)) {}
    std::string keyword() override { return keyword_; }
    void lockResults() override { lock_.lock(); }
    void unlockResults() override { lock_.unlock(); }
    void addHits(const std::vector<Hit>& hits) override {
        rows.insert(rows.end(), hits.begin(), hits.end());
        ++pages;
    }
    void showCount() override { ++counts; }
    void serviceEnded(const ServiceOutcome& outcome) override { outcomes.push_back(outcome); }

    std::vector<Hit> rows;
    std::vector<ServiceOutcome> outcomes;
    int pages = 0, counts = 0;

private:
    std::string keyword_;
    std::mutex lock_;
};

// searchLock as the main window holds it. A derived list calls checkHeld() in every call that
// must come under the lock; unlocking from a thread that does not hold it is noted too. It
// waits for the lock when a worker asks to try, unless it offers tryTake() as its try.
class GuardedSink : public SearchSink {
public:
    void lockResults() override {
        lock_.lock();
        taken();
    }
    void unlockResults() override {
        checkHeld();
        owner_ = {};
        ++unlocks_;
        lock_.unlock();
    }
    bool disciplineKept() const { return !stray_; }
    int locks() const { return locks_; }
    int unlocks() const { return unlocks_; }

protected:
    bool tryTake() {
        if (!lock_.try_lock()) return false;
        taken();
        return true;
    }
    void checkHeld() {
        if (owner_ != std::this_thread::get_id()) stray_ = true;
    }

private:
    void taken() {
        owner_ = std::this_thread::get_id();
        ++locks_;
    }
    std::mutex lock_;
    std::thread::id owner_;
    std::atomic<int> locks_{0}, unlocks_{0};
    bool stray_ = false;
};
