// What the link-check benchmarks share: the load they put on, the netdisk simulator behind a
// loopback server with every answer late by a fixed time, the share links they check (planted
// shares made many by their ids), the states they print and the process's peak working set.
// Uses links/, tools/engine_sim and tools/httpd.
#pragma once
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <map>
#include <string>

#include "links/link_state.h"
#include "tools/engine_sim/netdisk_sim.h"
#include "tools/httpd/loopback_server.h"

// The load both benchmarks put on, so that their figures compare: this many share links over
// the eleven netdisks, every answer this late, and the working set the process must stay under.
inline constexpr int BENCH_LINKS = 1000;
inline constexpr int BENCH_LATENCY_MS = 100;
inline constexpr double BENCH_MEMORY_LIMIT_MB = 300.0;

// The netdisk simulator on 127.0.0.1, each answer `latencyMs` late; what is no netdisk request
// gets a 404. Check listening() before use.
class NetdiskBenchServer {
public:
    explicit NetdiskBenchServer(int latencyMs)
        : server_([this](LoopbackConnection& c, const std::string& raw) {
              if (!sim_.serve(c, raw)) c.send(httpResponse(404, "Not Found", ""));
          }) {
        sim_.setLatencyMs(latencyMs);
    }
    // False, said on stderr for the benchmark `bench`, when it could not listen.
    bool listening(const char* bench) const {
        if (!server_.ok()) std::fprintf(stderr, "%s: cannot listen\n", bench);
        return server_.ok();
    }
    // HOST:PORT for --netdisk-via and the checks' transport.
    std::string via() const { return "127.0.0.1:" + std::to_string(server_.port()); }
    const NetdiskSim& sim() const { return sim_; }

private:
    NetdiskSim sim_;  // before the server, which may call it as soon as it listens
    LoopbackServer server_;
};

// The planted share of `netdisk` with its id made unique by `n` (ids that are not planted are
// answered as shares that do not exist, which costs the same round trip); `share` receives the
// id. "" when the netdisk has no planted share.
inline std::string benchShareAddress(Netdisk netdisk, int n, std::string* share = nullptr) {
    for (const PlantedShare& planted : plantedShares()) {
        if (planted.netdisk != netdisk || planted.digit != 0) continue;
        std::string id =
            n < 11 ? planted.share : planted.share.substr(0, planted.share.size() - 1) + "x" + std::to_string(n);
        std::string address = planted.url.substr(0, planted.url.size() - planted.share.size()) + id;
        if (share) *share = std::move(id);
        return address;
    }
    return {};
}

// A line per state: its key and how many links ended in it.
inline void printStateCounts(const std::map<LinkState, int>& states) {
    for (auto& [state, count] : states) std::printf("  %-10s %d\n", linkStateKey(state), count);
}

// The peak working set of this process so far, in MB.
inline double peakWorkingSetMb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return double(counters.PeakWorkingSetSize) / 1048576.0;
}
