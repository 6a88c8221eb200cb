// The worker pool against the engine simulator: the cap, task order, the lock discipline of
// many workers waiting on one lock, and stopping with thousands of tasks queued.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "search/query.h"
#include "tests/search/sinks.h"
#include "search/worker_pool.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

// A result list with searchLock; records who delivered what, and whether every delivery came
// under the lock.
class PoolSink : public GuardedSink {
public:
    std::string keyword() override { return "k"; }
    void lockResults() override {
        GuardedSink::lockResults();
        threads_.insert(std::this_thread::get_id());
    }
    void addHits(const std::vector<Hit>& hits) override {
        checkHeld();
        for (const Hit& hit : hits) addresses_.push_back(hit.address);
    }
    void showCount() override {}
    void serviceEnded(const ServiceOutcome& outcome) override { ended_.push_back(outcome.service); }

    // Read these once the pool is idle.
    const std::vector<std::string>& addresses() const { return addresses_; }
    const std::vector<std::string>& ended() const { return ended_; }
    size_t threadsSeen() const { return threads_.size(); }

private:
    std::set<std::thread::id> threads_;
    std::vector<std::string> addresses_, ended_;
};

std::string site(int i) {
    return "s" + std::to_string(i) + ".example";
}

std::vector<std::string> extraTasks(int count, int first = 1) {
    std::vector<std::string> tasks;
    for (int i = first; i < first + count; ++i) tasks.push_back(makeSearchTask(23 + i, site(i)));
    return tasks;
}

class WorkerPoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok());
        setEngineHost(sim.hostPort());
        sim.setRequestHook([this](const SimRequest& r) {
            std::lock_guard g(arrivalsMutex);
            arrivals.push_back({r.site, r.offset});
        });
    }
    void TearDown() override {
        sim.setRequestHook({});
        setEngineHost(DEFAULT_ENGINE_HOST);
    }
    std::vector<std::pair<std::string, int>> arrived() {
        std::lock_guard g(arrivalsMutex);
        return arrivals;
    }
    void setOptions(int hitsPerQuery, int latencyMs) {
        EngineSimOptions o;
        o.hitsPerQuery = hitsPerQuery;
        o.latencyMs = latencyMs;
        sim.setOptions(o);
    }

    EngineSim sim;
    std::mutex arrivalsMutex;
    std::vector<std::pair<std::string, int>> arrivals;  // (site, offset) as requests arrive
};

TEST_F(WorkerPoolTest, AtMostTheCapRunsAndQueuedTasksStartInTaskOrder) {
    setOptions(1, 30);
    const int tasks = 60, cap = 6;
    auto sink = std::make_shared<PoolSink>();
    WorkerPool pool(cap);
    ASSERT_TRUE(pool.submit(extraTasks(tasks), sink));
    EXPECT_LE(pool.threadCount(), size_t(cap));
    size_t most = 0;
    while (!pool.waitAll(5)) most = std::max(most, pool.runningCount());
    EXPECT_LE(most, size_t(cap));
    EXPECT_GE(most, 2u);  // they did run side by side
    EXPECT_LE(sink->threadsSeen(), size_t(cap));  // threads are reused, not one per task
    EXPECT_EQ(pool.threadCount(), 0u);  // and end when nothing is left

    // A task starts only once every earlier one has started, and only when a slot is free:
    // task k's request cannot come before the requests of k - cap tasks that ended.
    auto order = arrived();
    ASSERT_EQ(order.size(), size_t(tasks));
    for (size_t position = 0; position < order.size(); ++position) {
        int k = std::stoi(order[position].first.substr(1));
        EXPECT_LE(k, int(position) + cap) << order[position].first << " arrived as request " << position;
    }
    EXPECT_EQ(sink->addresses().size(), size_t(tasks));
    EXPECT_EQ(sink->ended().size(), size_t(tasks));
    EXPECT_TRUE(sink->disciplineKept());
}

// Every slot may hold a worker waiting on the lock behind the one paging: the holder never waits
// for a slot, so the run ends, with each service's rows together and in page order.
TEST_F(WorkerPoolTest, WorkersWaitingOnTheLockInEverySlotNeitherDeadlockNorInterleave) {
    setOptions(130, 5);  // three pages: 50, 50, 30
    const int tasks = 12;
    auto sink = std::make_shared<PoolSink>();
    WorkerPool pool(3);
    ASSERT_TRUE(pool.submit(extraTasks(tasks), sink));
    ASSERT_TRUE(pool.waitAll(60000));
    ASSERT_EQ(sink->addresses().size(), size_t(tasks) * 130);
    std::map<std::string, std::vector<std::string>> expected;
    for (int i = 1; i <= tasks; ++i) {
        for (const SimHit& hit : sim.hitsFor(site(i), "k")) expected[site(i)].push_back(hit.address);
    }
    std::set<std::string> done;
    for (size_t at = 0; at < sink->addresses().size(); at += 130) {
        const std::string& first = sink->addresses()[at];
        std::string owner;
        for (const auto& [host, addresses] : expected) {
            if (addresses.front() == first) owner = host;
        }
        ASSERT_FALSE(owner.empty()) << first;
        EXPECT_TRUE(done.insert(owner).second) << owner << " delivered twice";
        std::vector<std::string> run(sink->addresses().begin() + long(at), sink->addresses().begin() + long(at) + 130);
        EXPECT_EQ(run, expected[owner]);
    }
    EXPECT_TRUE(sink->disciplineKept());
}

TEST_F(WorkerPoolTest, StoppingWithThousandsQueuedEndsAtOnceAndStartsNothingMore) {
    setOptions(1, 60000);  // every request hangs
    auto sink = std::make_shared<PoolSink>();
    WorkerPool pool;
    ASSERT_TRUE(pool.submit(extraTasks(5000), sink));
    EXPECT_LE(pool.threadCount(), WorkerPool::MAX_RUNNING);
    ASSERT_TRUE(WorkerPool::MAX_RUNNING > 0);
    auto deadline = GetTickCount() + 20000;
    while (arrived().size() < WorkerPool::MAX_RUNNING && GetTickCount() < deadline) Sleep(20);
    ASSERT_EQ(arrived().size(), WorkerPool::MAX_RUNNING);
    EXPECT_EQ(pool.queuedCount(), 5000u - WorkerPool::MAX_RUNNING);

    DWORD start = GetTickCount();
    pool.stopAll();
    EXPECT_EQ(pool.queuedCount(), 0u);
    EXPECT_TRUE(pool.waitAll(3000));
    EXPECT_LT(GetTickCount() - start, 3000u);
    EXPECT_EQ(pool.threadCount(), 0u);
    Sleep(200);
    EXPECT_EQ(arrived().size(), WorkerPool::MAX_RUNNING);  // no queued task started
    EXPECT_TRUE(sink->addresses().empty());
    EXPECT_FALSE(pool.submit(extraTasks(1), sink));  // a stopped pool takes nothing
}

// The command line's Ctrl+C: the batch's own canceller stops its workers and drops its queue,
// while another batch of the same pool runs on.
TEST_F(WorkerPoolTest, ACancelledBatchDropsItsQueueAndLeavesOthersRunning) {
    setOptions(1, 300);
    auto stopped = std::make_shared<PoolSink>(), kept = std::make_shared<PoolSink>();
    auto canceller = std::make_shared<RequestCanceller>();
    std::atomic<int> idleCalls{0};
    WorkerPool pool(4, [&] { ++idleCalls; });
    ASSERT_TRUE(pool.submit(extraTasks(40), stopped, canceller));
    ASSERT_TRUE(pool.submit(extraTasks(3, 100), kept));
    canceller->cancel();
    ASSERT_TRUE(pool.waitAll(10000));
    EXPECT_LE(stopped->addresses().size(), 4u);  // at most those already running
    EXPECT_EQ(kept->addresses().size(), 3u);
    EXPECT_EQ(kept->ended().size(), 3u);
    EXPECT_EQ(pool.queuedCount(), 0u);
    Sleep(100);
    EXPECT_EQ(idleCalls, 1);  // once, when the last task ended

    // A later batch runs in the same pool and reports idle again.
    ASSERT_TRUE(pool.submit(extraTasks(2, 200), kept));
    ASSERT_TRUE(pool.waitAll(10000));
    Sleep(100);
    EXPECT_EQ(idleCalls, 2);
    EXPECT_EQ(kept->addresses().size(), 5u);
}

}  // namespace
