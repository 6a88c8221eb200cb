// Link checks at scale: 1,000 share links over the eleven netdisks against the netdisk
// simulator on 127.0.0.1, every answer 100 ms late. Prints the time against 1.3 x the bound the
// politeness rules allow (per netdisk its links / 4 in flight x 100 ms, 百度 its links x 1 s
// spacing; the slowest netdisk is the bound) and the peak working set against 300 MB.
// Ratios are printed, never asserted.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>

#include "bench/netdisk_bench.h"
#include "links/link_checker.h"
#include "links/web_transport.h"

namespace {

constexpr int IN_FLIGHT = 4;
constexpr double BAIDU_SPACING_S = 1.0;

ShareLink linkOf(Netdisk netdisk, int n) {
    ShareLink link;
    link.url = benchShareAddress(netdisk, n, &link.share);
    if (!link.url.empty()) link.netdisk = netdisk;
    return link;
}

}  // namespace

int main() {
    NetdiskBenchServer server(BENCH_LATENCY_MS);
    if (!server.listening("check_bench")) return 1;
    const std::string via = server.via();

    std::map<Netdisk, int> perNetdisk;
    std::vector<ShareLink> links;
    for (int i = 0; i < BENCH_LINKS; ++i) {
        const Netdisk netdisk = ALL_NETDISKS[i % std::size(ALL_NETDISKS)];
        links.push_back(linkOf(netdisk, i));
        ++perNetdisk[netdisk];
    }
    double bound = 0;
    for (auto& [netdisk, count] : perNetdisk) {
        const double seconds = netdisk == Netdisk::Baidu ? count * BAIDU_SPACING_S
                                                          : double(count) / IN_FLIGHT * BENCH_LATENCY_MS / 1000.0;
        bound = std::max(bound, seconds);
    }

    std::atomic<int> answered{0};
    std::map<LinkState, int> states;
    std::mutex mutex;
    const auto start = std::chrono::steady_clock::now();
    {
        LinkChecker checker(makeWebTransport(via));
        for (const ShareLink& link : links) {
            checker.submit(link, [&](const ShareLink&, const CheckOutcome& outcome) {
                std::lock_guard lock(mutex);
                ++states[outcome.state];
                ++answered;
            });
        }
        checker.wait();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const double peakMb = peakWorkingSetMb();

    std::printf("link checks: %d links over %zu netdisks, answers %d ms late, %d answered in %.1f s\n", BENCH_LINKS,
                perNetdisk.size(), BENCH_LATENCY_MS, answered.load(), seconds);
    printStateCounts(states);
    std::printf("  bound by the politeness rules %.1f s (the slowest netdisk), 1.3 x bound %.1f s\n", bound,
                1.3 * bound);
    std::printf("  requests answered by the simulator %zu, peak working set %.1f MB\n", server.sim().requests().size(),
                peakMb);
    std::printf("RATIO link checks: time / (1.3 x bound) %.2f, peak working set / 300 MB %.2f\n",
                seconds / (1.3 * bound), peakMb / BENCH_MEMORY_LIMIT_MB);
    return 0;
}
