// The link checker other code calls: shares are submitted from any thread and checked on the
// checker's own threads, politely per netdisk (a few checks in flight, 百度's starts spaced,
// a netdisk that said "too often" left alone), each share and code once per checker.
// The exchanges go through a CheckTransport: links/web_transport.h gives the platform's one.
// Room links/ (floor 2): platform-free (std::thread); the transport brings the platform.
#pragma once
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "links/check_flow.h"

// Where a checker's requests go. fetch() is called from several checker threads at once.
class CheckTransport {
public:
    virtual ~CheckTransport() = default;
    virtual CheckAnswer fetch(const CheckRequest& request) = 0;
    // Every fetch under way returns at once (arrived false) and every later one too. Called from
    // any thread, more than once.
    virtual void cancel() = 0;
    // The hashing and cipher the flows need.
    virtual CheckCrypto crypto() = 0;
};

struct CheckerOptions {
    int maxInFlight = 4;           // checks of one netdisk at once (at least 1)
    int baiduSpacingMs = 1000;     // between the starts of two 百度 checks
    int limitedBackoffMs = 60000;  // a netdisk that answered Limited is not asked for this long
    int checkDeadlineMs = 15000;   // one check, all its requests
};

// Called once per submit, on a checker thread (also for a share answered from the cache, a
// cancelled check or a link of no known netdisk; then `outcome` says so), except for a submit
// after cancel(): that one is answered Unknown at once on the caller's thread.
using CheckCallback = std::function<void(const ShareLink& link, const CheckOutcome& outcome)>;

class LinkChecker {
public:
    explicit LinkChecker(std::shared_ptr<CheckTransport> transport, CheckerOptions options = {});
    // Cancels what has not ended and waits for the checker's threads.
    ~LinkChecker();
    LinkChecker(const LinkChecker&) = delete;
    LinkChecker& operator=(const LinkChecker&) = delete;

    // Queues a check of `link` (its code included) and returns at once. The same netdisk, share
    // and code is checked once: a later submit gets the answer of the first (a share that
    // ended Unknown or Limited is asked again). After cancel() the callback gets Unknown at once.
    void submit(const ShareLink& link, CheckCallback callback);
    // Ends every check: queued ones get Unknown without a request, running ones stop their
    // exchange at once. Returns without waiting; callbacks may still be running.
    void cancel();
    bool cancelled() const;
    // Waits until every submitted check has called back; false when `timeoutMs` passed first
    // (timeoutMs < 0: no limit).
    bool wait(int timeoutMs = -1);
    // Checks submitted and not yet called back.
    size_t pending() const;

private:
    using Clock = std::chrono::steady_clock;
    struct Job;
    struct NetdiskState {
        int inFlight = 0;
        Clock::time_point lastStart{};
        bool started = false;
        Clock::time_point limitedUntil{};
        // The answer to the first request of the last check started: only then is it sure the
        // netdisk has seen that start, so spacing counts from there.
        bool awaitingFirst = false;
        Clock::time_point firstAnswered{};
    };
    void workerLoop();
    // The first queued job that may start now; null when none (then `wake` is when one may).
    std::shared_ptr<Job> takeStartable(Clock::time_point now, Clock::time_point& wake, bool& runs);
    void finish(const std::shared_ptr<Job>& job, const CheckOutcome& outcome);
    void growThreads();  // under mutex_

    std::shared_ptr<CheckTransport> transport_;
    CheckerOptions options_;
    CaptchaTokens tokens_;
    CodeTries codeTries_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Job>> queue_;
    std::map<std::string, std::shared_ptr<Job>> running_;  // by key, queued ones included
    std::map<std::string, CheckOutcome> cache_;
    std::map<Netdisk, NetdiskState> netdisks_;
    std::vector<std::thread> threads_;
    size_t idle_ = 0;
    size_t starting_ = 0;  // threads made that have not yet taken the mutex
    size_t pending_ = 0;  // callbacks owed
    bool cancelled_ = false;
    bool stopping_ = false;
};
