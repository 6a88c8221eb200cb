// The scheduler of the link checks: one queue, threads made as needed up to every netdisk's
// allowance, and per netdisk the checks in flight, 百度's last start and a back-off after a
// Limited answer.
#include "links/link_checker.h"

#include <algorithm>

#include "links/check_netdisks.h"

struct LinkChecker::Job {
    ShareLink link;
    std::string key;
    std::vector<CheckCallback> callbacks;
    std::optional<CheckOutcome> ready;  // answered without a check (the cache)
};

namespace {

std::string jobKey(const ShareLink& link) {
    return std::string(netdiskKey(link.netdisk)) + '\n' + link.share + '\n' + link.code;
}

constexpr int BAIDU_UNANSWERED_WAIT_MS = 2000;

bool cacheable(LinkState state) {
    return state != LinkState::Unknown && state != LinkState::Limited && state != LinkState::Unchecked;
}

}  // namespace

LinkChecker::LinkChecker(std::shared_ptr<CheckTransport> transport, CheckerOptions options)
    : transport_(std::move(transport)), options_(options) {
    options_.maxInFlight = std::max(options_.maxInFlight, 1);
}

LinkChecker::~LinkChecker() {
    cancel();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void LinkChecker::submit(const ShareLink& link, CheckCallback callback) {
    std::unique_lock lock(mutex_);
    if (cancelled_) {
        lock.unlock();
        if (callback) callback(link, outcome(LinkState::Unknown, link.code, "cancelled"));
        return;
    }
    ++pending_;
    const std::string key = jobKey(link);
    auto job = std::make_shared<Job>();
    job->link = link;
    job->key = key;
    job->callbacks.push_back(std::move(callback));
    if (auto cached = cache_.find(key); cached != cache_.end()) {
        job->ready = cached->second;
    } else if (auto under = running_.find(key); under != running_.end()) {
        // The same check is queued or under way: this submit waits for its answer.
        under->second->callbacks.push_back(std::move(job->callbacks.front()));
        return;
    } else {
        running_[key] = job;
    }
    queue_.push_back(job);
    growThreads();
    lock.unlock();
    changed_.notify_one();
}

void LinkChecker::growThreads() {
    // Enough threads for every netdisk's allowance; a new one while queued checks outnumber
    // the idle threads (a thread that starts a check is busy for the whole check).
    // One thread is made at a time and the new thread makes the next: a caller's submit (the
    // window thread's, say) never waits for a row of thread starts.
    const size_t most = size_t(options_.maxInFlight) * std::size(ALL_NETDISKS) + 1;
    if (!cancelled_ && starting_ == 0 && threads_.size() < most && queue_.size() > idle_) {
        ++starting_;
        threads_.emplace_back([this] { workerLoop(); });
    }
}

void LinkChecker::cancel() {
    std::deque<std::shared_ptr<Job>> dropped;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) return;
        cancelled_ = true;
        dropped.swap(queue_);
    }
    if (transport_) transport_->cancel();
    for (const auto& job : dropped) finish(job, outcome(LinkState::Unknown, job->link.code, "cancelled"));
    changed_.notify_all();
}

bool LinkChecker::cancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

bool LinkChecker::wait(int timeoutMs) {
    std::unique_lock lock(mutex_);
    auto done = [this] { return pending_ == 0; };
    if (timeoutMs < 0) {
        changed_.wait(lock, done);
        return true;
    }
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
}

size_t LinkChecker::pending() const {
    std::lock_guard lock(mutex_);
    return pending_;
}

std::shared_ptr<LinkChecker::Job> LinkChecker::takeStartable(Clock::time_point now, Clock::time_point& wake,
                                                             bool& runs) {
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        const std::shared_ptr<Job> job = *it;
        runs = false;
        if (job->ready || job->link.netdisk == Netdisk::None) {
            queue_.erase(it);
            return job;
        }
        NetdiskState& netdisk = netdisks_[job->link.netdisk];
        if (now < netdisk.limitedUntil) {
            queue_.erase(it);  // ends Limited without a request
            return job;
        }
        if (netdisk.inFlight >= options_.maxInFlight) continue;
        if (job->link.netdisk == Netdisk::Baidu && netdisk.started) {
            // The netdisk sees a start later than we make it, by a connect time that varies; once
            // the first request is answered it has surely been seen, so the spacing counts from
            // that answer. An answer that does not come is waited for a while, not for ever.
            const auto spacing = std::chrono::milliseconds(options_.baiduSpacingMs);
            const Clock::time_point next =
                netdisk.awaitingFirst
                    ? netdisk.lastStart + spacing + std::chrono::milliseconds(BAIDU_UNANSWERED_WAIT_MS)
                    : std::max(netdisk.firstAnswered + spacing, netdisk.lastStart + spacing);
            if (now < next) {
                wake = std::min(wake, next);
                continue;
            }
        }
        ++netdisk.inFlight;
        netdisk.lastStart = now;
        netdisk.started = true;
        netdisk.awaitingFirst = true;
        runs = true;
        queue_.erase(it);
        return job;
    }
    return nullptr;
}

void LinkChecker::workerLoop() {
    std::unique_lock lock(mutex_);
    --starting_;
    growThreads();
    for (;;) {
        if (stopping_ && queue_.empty()) return;
        const Clock::time_point now = Clock::now();
        Clock::time_point wake = Clock::time_point::max();
        bool runs = false;
        std::shared_ptr<Job> job = takeStartable(now, wake, runs);
        if (!job) {
            ++idle_;
            if (wake == Clock::time_point::max()) {
                changed_.wait(lock);
            } else {
                changed_.wait_until(lock, wake);
            }
            --idle_;
            continue;
        }
        if (!runs) {
            CheckOutcome answer;
            if (job->ready) {
                answer = *job->ready;
            } else if (job->link.netdisk == Netdisk::None) {
                answer = outcome(LinkState::Unknown, job->link.code, "no share of a known netdisk");
            } else {
                answer = outcome(LinkState::Limited, job->link.code, "netdisk limiting: not asked");
                const auto left = netdisks_[job->link.netdisk].limitedUntil - now;
                answer.retryAfterSeconds =
                    int(std::chrono::duration_cast<std::chrono::seconds>(left).count()) + 1;
            }
            lock.unlock();
            finish(job, answer);
            lock.lock();
            continue;
        }
        growThreads();
        lock.unlock();
        CheckContext context;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(options_.checkDeadlineMs);
        const Netdisk netdiskOfJob = job->link.netdisk;
        bool first = true;
        context.fetch = [this, deadline, netdiskOfJob, &first](const CheckRequest& request) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return CheckAnswer{};  // the check's time is up: nothing more is asked
            CheckRequest bounded = request;
            bounded.deadlineMs = int(left);
            CheckAnswer answer = transport_->fetch(bounded);
            if (first) {
                first = false;
                std::lock_guard lock(mutex_);
                NetdiskState& state = netdisks_[netdiskOfJob];
                state.awaitingFirst = false;
                state.firstAnswered = Clock::now();
                changed_.notify_all();
            }
            return answer;
        };
        context.crypto = transport_->crypto();
        context.tokens = &tokens_;
        context.codeTries = &codeTries_;
        CheckOutcome answer = checkShare(job->link, context);
        lock.lock();
        NetdiskState& netdisk = netdisks_[job->link.netdisk];
        --netdisk.inFlight;
        if (first) {
            // Nothing was asked: nothing to wait for.
            netdisk.awaitingFirst = false;
            netdisk.firstAnswered = netdisk.lastStart;
        }
        if (answer.state == LinkState::Limited) {
            netdisk.limitedUntil = Clock::now() + std::chrono::milliseconds(options_.limitedBackoffMs);
            answer.retryAfterSeconds = std::max(answer.retryAfterSeconds, (options_.limitedBackoffMs + 999) / 1000);
        }
        lock.unlock();
        changed_.notify_all();
        finish(job, answer);
        lock.lock();
    }
}

void LinkChecker::finish(const std::shared_ptr<Job>& job, const CheckOutcome& answer) {
    std::vector<CheckCallback> callbacks;
    {
        std::lock_guard lock(mutex_);
        auto it = running_.find(job->key);
        if (it != running_.end() && it->second == job) running_.erase(it);
        if (!job->ready && cacheable(answer.state) && !cancelled_) cache_[job->key] = answer;
        callbacks.swap(job->callbacks);
    }
    for (const CheckCallback& callback : callbacks) {
        if (callback) callback(job->link, answer);
    }
    {
        std::lock_guard lock(mutex_);
        pending_ -= callbacks.size();
    }
    changed_.notify_all();
}
