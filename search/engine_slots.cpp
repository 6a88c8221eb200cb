#include "search/engine_slots.h"

#include <algorithm>
#include <atomic>
#include <chrono>

namespace {
// How often a waiter asks whether it was cancelled: well inside the 3 s a closing window has.
constexpr auto CANCEL_POLL = std::chrono::milliseconds(20);

std::atomic<int> connectionsOption{0};
}  // namespace

void EngineSlots::grant(Host& host) {
    // In queue order only: a later request never passes a first page that waits.
    while (!host.queue.empty() && host.inFlight < host.queue.begin()->second->capacity) {
        host.queue.begin()->second->granted = true;
        host.queue.erase(host.queue.begin());
        ++host.inFlight;
    }
}

bool EngineSlots::acquire(const std::string& hostName, PageTurn turn, int capacity,
                          const std::function<bool()>& cancelled) {
    std::unique_lock lock(mutex_);
    Host& host = hosts_[hostName];
    Waiter self;
    self.capacity = size_t(std::clamp(capacity, 1, MAX_ENGINE_CONNECTIONS));
    auto place = host.queue.emplace(std::make_pair(turn == PageTurn::first ? 0 : 1, arrivals_++), &self);
    grant(host);  // may also wake others, when this call raised the capacity
    changed_.notify_all();
    while (!self.granted) {
        if (cancelled && cancelled()) {
            host.queue.erase(place);
            return false;
        }
        changed_.wait_for(lock, CANCEL_POLL);
    }
    return true;
}

void EngineSlots::release(const std::string& hostName) {
    std::lock_guard lock(mutex_);
    auto it = hosts_.find(hostName);
    if (it == hosts_.end() || it->second.inFlight == 0) return;
    Host& host = it->second;
    --host.inFlight;
    grant(host);
    // A host nobody uses any more is forgotten, so a search of many extra sites with their
    // own engines leaves nothing behind.
    if (host.inFlight == 0 && host.queue.empty()) {
        hosts_.erase(it);
    } else {
        changed_.notify_all();
    }
}

size_t EngineSlots::inFlight(const std::string& host) const {
    std::lock_guard lock(mutex_);
    auto it = hosts_.find(host);
    return it == hosts_.end() ? 0 : it->second.inFlight;
}

size_t EngineSlots::waiting(const std::string& host) const {
    std::lock_guard lock(mutex_);
    auto it = hosts_.find(host);
    return it == hosts_.end() ? 0 : it->second.queue.size();
}

EngineSlots& engineSlots() {
    static EngineSlots slots;
    return slots;
}

int engineConnections(int profileConnections) {
    int chosen = connectionsOption.load();
    if (chosen <= 0) chosen = profileConnections;
    if (chosen <= 0) chosen = DEFAULT_ENGINE_CONNECTIONS;
    return std::min(chosen, MAX_ENGINE_CONNECTIONS);
}

int engineCapacity(PageTurn turn, int profileConnections) {
    bool chosen = connectionsOption.load() > 0 || profileConnections > 0;
    int cap = engineConnections(profileConnections);
    return turn == PageTurn::first && !chosen ? std::max(cap, FIRST_PAGE_BURST) : cap;
}

void setEngineConnections(int connections) {
    connectionsOption = std::max(connections, 0);
}

int parseConnections(std::string_view text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return 0;
    int value = 0;
    for (char c : text) value = std::min(value * 10 + (c - '0'), MAX_ENGINE_CONNECTIONS);
    return value;
}

bool applyConnectionsOption(const std::vector<std::string>& args) {
    static constexpr std::string_view prefix = "--connections=";
    for (const std::string& arg : args) {
        if (arg.compare(0, prefix.size(), prefix) != 0) continue;
        int value = parseConnections(std::string_view(arg).substr(prefix.size()));
        if (value <= 0) return false;
        setEngineConnections(value);
        return true;
    }
    return true;
}
