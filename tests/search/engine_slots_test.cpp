// The engine's request slots: the cap, who goes next (first pages before later ones, the longest
// waiting first), a waiter that is cancelled, and the --connections setting. Platform-free, so
// it also runs natively under the sanitizers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "search/engine_slots.h"

namespace {

// Polls `done` for up to two seconds.
template <typename F>
bool eventually(F done) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

const std::function<bool()> NEVER = [] { return false; };

TEST(EngineSlots, CapHoldsPerHostAndAFreedSlotGoesToTheWaiter) {
    EngineSlots slots;
    ASSERT_TRUE(slots.acquire("e:1", PageTurn::first, 2, NEVER));
    ASSERT_TRUE(slots.acquire("e:1", PageTurn::first, 2, NEVER));
    // Another host is not held up by this one's cap.
    ASSERT_TRUE(slots.acquire("other:1", PageTurn::later, 2, NEVER));
    EXPECT_EQ(slots.inFlight("other:1"), 1u);

    std::atomic<bool> got{false};
    std::thread third([&] {
        got = slots.acquire("e:1", PageTurn::first, 2, NEVER);
    });
    ASSERT_TRUE(eventually([&] { return slots.waiting("e:1") == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_FALSE(got) << "a third request went out with two in flight";
    EXPECT_EQ(slots.inFlight("e:1"), 2u);

    slots.release("e:1");
    third.join();
    EXPECT_TRUE(got);
    EXPECT_EQ(slots.inFlight("e:1"), 2u);  // the freed slot went straight to the waiter
    EXPECT_EQ(slots.waiting("e:1"), 0u);
    slots.release("e:1");
    slots.release("e:1");
    slots.release("other:1");
    EXPECT_EQ(slots.inFlight("e:1"), 0u);
    // A stray release of a host with nothing in flight changes nothing.
    slots.release("e:1");
    EXPECT_EQ(slots.inFlight("e:1"), 0u);
}

TEST(EngineSlots, FirstPagesGoAheadOfLaterOnesAndEachKindInArrivalOrder) {
    EngineSlots slots;
    ASSERT_TRUE(slots.acquire("e", PageTurn::later, 1, NEVER));
    std::mutex orderMutex;
    std::vector<std::string> order;
    std::vector<std::thread> threads;
    const std::vector<std::pair<std::string, PageTurn>> arrivals = {
        {"later1", PageTurn::later}, {"first1", PageTurn::first}, {"later2", PageTurn::later},
        {"first2", PageTurn::first}, {"first3", PageTurn::first}};
    for (size_t i = 0; i < arrivals.size(); ++i) {
        threads.emplace_back([&, i] {
            ASSERT_TRUE(slots.acquire("e", arrivals[i].second, 1, NEVER));
            {
                std::lock_guard lock(orderMutex);
                order.push_back(arrivals[i].first);
            }
            slots.release("e");
        });
        // The next one arrives only once this one waits, so the arrival order is fixed.
        ASSERT_TRUE(eventually([&] { return slots.waiting("e") == i + 1; }));
    }
    slots.release("e");
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(order, (std::vector<std::string>{"first1", "first2", "first3", "later1", "later2"}));
    EXPECT_EQ(slots.inFlight("e"), 0u);
}

TEST(EngineSlots, EachRequestWaitsForItsOwnCapacityInQueueOrder) {
    // Later requests allowed two in flight, first pages three.
    EngineSlots slots;
    ASSERT_TRUE(slots.acquire("e", PageTurn::later, 2, NEVER));
    ASSERT_TRUE(slots.acquire("e", PageTurn::later, 2, NEVER));
    EXPECT_TRUE(slots.acquire("e", PageTurn::first, 3, NEVER));  // goes at once: the third of three
    std::atomic<bool> got{false};
    std::thread later([&] { got = slots.acquire("e", PageTurn::later, 2, NEVER); });
    ASSERT_TRUE(eventually([&] { return slots.waiting("e") == 1; }));
    slots.release("e");  // two in flight: still one too many for a later request
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_FALSE(got);
    slots.release("e");
    later.join();
    EXPECT_TRUE(got);
    EXPECT_EQ(slots.inFlight("e"), 2u);
    slots.release("e");
    slots.release("e");
}

TEST(EngineSlots, CancelledWaiterLeavesTheQueueHoldingNothing) {
    EngineSlots slots;
    ASSERT_TRUE(slots.acquire("e", PageTurn::first, 1, NEVER));
    std::atomic<bool> stop{false};
    std::atomic<int> result{-1};
    std::thread waiter([&] { result = slots.acquire("e", PageTurn::later, 1, [&] { return stop.load(); }) ? 1 : 0; });
    ASSERT_TRUE(eventually([&] { return slots.waiting("e") == 1; }));
    auto cancelledAt = std::chrono::steady_clock::now();
    stop = true;
    waiter.join();
    EXPECT_LT(std::chrono::steady_clock::now() - cancelledAt, std::chrono::seconds(1));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(slots.waiting("e"), 0u);
    EXPECT_EQ(slots.inFlight("e"), 1u);
    // The cancelled waiter took no slot: the next request still gets the one freed.
    slots.release("e");
    EXPECT_TRUE(slots.acquire("e", PageTurn::later, 1, NEVER));
    EXPECT_EQ(slots.inFlight("e"), 1u);
    slots.release("e");
}

TEST(EngineSlots, ManyThreadsNeverExceedTheCap) {
    EngineSlots slots;
    std::atomic<int> inside{0}, most{0}, ready{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 12; ++t) {
        threads.emplace_back([&, t] {
            ++ready;
            while (!go) std::this_thread::yield();  // all start together, however slowly they were made
            for (int i = 0; i < 30; ++i) {
                EngineSlot slot(slots, "e", i == 0 ? PageTurn::first : PageTurn::later, 3, NEVER);
                ASSERT_TRUE(slot.held());
                int now = ++inside;
                for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
                }
                std::this_thread::sleep_for(std::chrono::microseconds(1000 + 100 * t));
                --inside;
            }
        });
    }
    ASSERT_TRUE(eventually([&] { return ready == 12; }));
    go = true;
    for (std::thread& t : threads) t.join();
    EXPECT_LE(most.load(), 3);
    EXPECT_EQ(most.load(), 3);  // twelve threads do fill the cap
    EXPECT_EQ(slots.inFlight("e"), 0u);
}

TEST(EngineConnections, OptionBeatsProfileBeatsDefaultAndBadValuesAreRefused) {
    setEngineConnections(0);
    EXPECT_EQ(engineConnections(0), DEFAULT_ENGINE_CONNECTIONS);
    EXPECT_EQ(engineConnections(5), 5);
    EXPECT_TRUE(applyConnectionsOption({"x", "--connections=8"}));
    EXPECT_EQ(engineConnections(5), 8);
    EXPECT_EQ(engineConnections(0), 8);
    for (const char* bad : {"--connections=0", "--connections=", "--connections=-3", "--connections=4x",
                            "--connections= 4", "--connections=000"}) {
        EXPECT_FALSE(applyConnectionsOption({bad})) << bad;
        EXPECT_EQ(engineConnections(0), 8) << bad;  // a refused value leaves the setting alone
    }
    EXPECT_TRUE(applyConnectionsOption({"--connections=99999999999999999999"}));
    EXPECT_EQ(engineConnections(0), MAX_ENGINE_CONNECTIONS);
    EXPECT_TRUE(applyConnectionsOption({"--engine=x"}));  // no such option: nothing changes
    EXPECT_EQ(engineConnections(0), MAX_ENGINE_CONNECTIONS);
    setEngineConnections(0);
    // Without a chosen number first pages go out as the pool starts them; a chosen one holds all.
    EXPECT_EQ(engineCapacity(PageTurn::first, 0), FIRST_PAGE_BURST);
    EXPECT_EQ(engineCapacity(PageTurn::later, 0), DEFAULT_ENGINE_CONNECTIONS);
    EXPECT_EQ(engineCapacity(PageTurn::first, 6), 6);
    setEngineConnections(8);
    EXPECT_EQ(engineCapacity(PageTurn::first, 0), 8);
    EXPECT_EQ(engineCapacity(PageTurn::later, 6), 8);
    setEngineConnections(0);
    EXPECT_EQ(parseConnections("22"), 22);
    EXPECT_EQ(parseConnections("007"), 7);
    EXPECT_EQ(parseConnections("+5"), 0);
}

}  // namespace
