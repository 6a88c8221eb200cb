// How many requests the workers may have in flight to one engine host at once, and who goes
// next when a request ends: a waiting first page before any later page, and within each kind
// the one that has waited longest. Platform-free (std threads only), used by the worker around
// every request it sends to the engine.
//
// A search of 22 services sends 22 first pages at once; later pages are fetched while other
// services still deliver, so without a cap every worker would keep a request open at the engine
// for the whole search. The cap keeps that burst as the most the engine ever sees from us.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int DEFAULT_ENGINE_CONNECTIONS = 22;
// First pages go out as the worker pool starts them (one per running worker) unless a number
// was chosen: the default only holds back the later requests. Equal to WorkerPool::MAX_RUNNING.
inline constexpr int FIRST_PAGE_BURST = 32;
// A larger value is no longer politeness; a user who types one gets this.
inline constexpr int MAX_ENGINE_CONNECTIONS = 256;

enum class PageTurn {
    first,  // a service's first page: the whole list waits for these
    later,  // any later request of a service (its next pages, a redirect asked of the engine)
};

class EngineSlots {
public:
    EngineSlots() = default;
    EngineSlots(const EngineSlots&) = delete;
    EngineSlots& operator=(const EngineSlots&) = delete;

    // Waits until a request to `host` may go out with at most `capacity` in flight there
    // (itself included), and counts it in flight. False, holding no slot, when `cancelled` answers true first (asked
    // every few milliseconds while waiting).
    bool acquire(const std::string& host, PageTurn turn, int capacity, const std::function<bool()>& cancelled);
    // The request to `host` has ended; the slot goes to the next in turn.
    void release(const std::string& host);

    // For tests: requests counted in flight to `host`, and requests waiting for it.
    size_t inFlight(const std::string& host) const;
    size_t waiting(const std::string& host) const;

private:
    struct Waiter {
        size_t capacity = 1;
        bool granted = false;
    };
    struct Host {
        size_t inFlight = 0;
        std::multimap<std::pair<int, unsigned long long>, Waiter*> queue;  // (turn, arrival) order
    };
    // Caller holds mutex_: hands free slots to the front of the queue.
    void grant(Host& host);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, Host> hosts_;
    unsigned long long arrivals_ = 0;
};

// The slots every worker of this process shares.
EngineSlots& engineSlots();

// The cap of this run: --connections=N when given (0: not given), else the profile's own
// `connections` (0: none), else DEFAULT_ENGINE_CONNECTIONS; bounded to 1..MAX_ENGINE_CONNECTIONS.
int engineConnections(int profileConnections);
// The capacity a request of `turn` waits for: the cap of this run, except that without a chosen
// number a first page waits only for FIRST_PAGE_BURST.
int engineCapacity(PageTurn turn, int profileConnections);
void setEngineConnections(int connections);
// Applies the first "--connections=N" among `args`; false when its value is no whole number
// from 1 up (the setting then stays as it was).
bool applyConnectionsOption(const std::vector<std::string>& args);
// "N" as a whole number from 1 to MAX_ENGINE_CONNECTIONS (larger ones are cut to it); 0 when
// `text` is none.
int parseConnections(std::string_view text);

// Holds one slot from construction until destruction.
class EngineSlot {
public:
    EngineSlot(EngineSlots& slots, std::string host, PageTurn turn, int capacity,
               const std::function<bool()>& cancelled)
        : slots_(slots), host_(std::move(host)), held_(slots.acquire(host_, turn, capacity, cancelled)) {}
    ~EngineSlot() {
        if (held_) slots_.release(host_);
    }
    EngineSlot(const EngineSlot&) = delete;
    EngineSlot& operator=(const EngineSlot&) = delete;
    bool held() const { return held_; }

private:
    EngineSlots& slots_;
    std::string host_;
    bool held_;
};
