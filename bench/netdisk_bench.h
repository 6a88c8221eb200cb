// What the link-check benchmarks share: the netdisk simulator behind a loopback server with
// every answer late by a fixed time, the share links they check (planted shares made many by
// their ids), and the process's peak working set. Uses tools/engine_sim and tools/httpd.
#pragma once
#include <windows.h>

#include <psapi.h>

#include <string>

#include "tools/engine_sim/netdisk_sim.h"
#include "tools/httpd/loopback_server.h"

// The netdisk simulator on 127.0.0.1, each answer `latencyMs` late; what is no netdisk request
// gets a 404. Check ok() before use.
class NetdiskBenchServer {
public:
    explicit NetdiskBenchServer(int latencyMs)
        : server_([this](LoopbackConnection& c, const std::string& raw) {
              if (!sim_.serve(c, raw)) c.send(httpResponse(404, "Not Found", ""));
          }) {
        sim_.setLatencyMs(latencyMs);
    }
    bool ok() const { return server_.ok(); }
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

// The peak working set of this process so far, in MB.
inline double peakWorkingSetMb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return double(counters.PeakWorkingSetSize) / 1048576.0;
}
