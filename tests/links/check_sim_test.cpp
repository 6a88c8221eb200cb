// The link checker over the platform's transport against the netdisk simulator on 127.0.0.1,
// reached with --netdisk-via: every netdisk x every state it can answer gives its key, a share
// failing once is unknown (then valid), the politeness rules read back from the simulator's
// request log, cancel within 3 s, and quorrel-cli check end to end.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "links/link_checker.h"
#include "links/share_link.h"
#include "links/web_transport.h"
#include "tests/http/child_output.h"
#include "text/encoding.h"
#include "tools/engine_sim/engine_sim.h"
#include "tools/engine_sim/netdisk_sim.h"
#include "tools/httpd/loopback_server.h"

namespace {

using Clock = std::chrono::steady_clock;

struct SimServer {
    NetdiskSim sim;
    LoopbackServer server{[this](LoopbackConnection& c, const std::string& raw) {
        if (!sim.serve(c, raw)) c.send(httpResponse(404, "Not Found", "not a netdisk"));
    }};
    std::string via() const { return "127.0.0.1:" + std::to_string(server.port()); }
};

// The planted links in the order a run must take them: a netdisk's "too often" share last,
// since the checker leaves that netdisk alone afterwards.
std::vector<PlantedShare> plantedInRunOrder() {
    std::vector<PlantedShare> shares = plantedShares();
    std::stable_sort(shares.begin(), shares.end(),
                     [](const PlantedShare& a, const PlantedShare& b) { return (a.digit == 8) < (b.digit == 8); });
    return shares;
}

std::string label(const PlantedShare& share) {
    return std::string(netdiskKey(share.netdisk)) + "/" + share.share;
}

// Checks every planted share once; the outcome by label.
std::map<std::string, CheckOutcome> checkAll(SimServer& sim, const std::vector<PlantedShare>& shares,
                                             CheckerOptions options = {}) {
    std::map<std::string, CheckOutcome> outcomes;
    std::mutex mutex;
    LinkChecker checker(makeWebTransport(sim.via()), options);
    for (const PlantedShare& planted : shares) {
        std::optional<ShareLink> link = readShareLink(planted.url);
        if (!link) {
            ADD_FAILURE() << "not read as a share: " << planted.url;
            continue;
        }
        link->code = planted.code;
        checker.submit(*link, [&, key = label(planted)](const ShareLink&, const CheckOutcome& outcome) {
            std::lock_guard lock(mutex);
            outcomes[key] = outcome;
        });
    }
    EXPECT_TRUE(checker.wait(120000));
    return outcomes;
}

TEST(CheckSim, PlantedLinksReadAsTheirShares) {
    std::map<Netdisk, int> perNetdisk;
    for (const PlantedShare& planted : plantedShares()) {
        std::optional<ShareLink> link = readShareLink(planted.url);
        ASSERT_TRUE(link.has_value()) << planted.url;
        EXPECT_EQ(link->netdisk, planted.netdisk) << planted.url;
        EXPECT_EQ(link->share, planted.share) << planted.url;
        ++perNetdisk[planted.netdisk];
    }
    EXPECT_EQ(perNetdisk.size(), std::size(ALL_NETDISKS));
}

TEST(CheckSim, EveryNetdiskAndStateGivesItsKeyAndTheRulesHold) {
    SimServer sim;
    ASSERT_TRUE(sim.server.ok());
    sim.sim.setLatencyMs(30);
    const std::vector<PlantedShare> shares = plantedInRunOrder();
    std::map<std::string, CheckOutcome> first = checkAll(sim, shares);
    for (const PlantedShare& planted : shares) {
        const auto it = first.find(label(planted));
        ASSERT_NE(it, first.end()) << label(planted);
        // A share failing once is unknown, never dead.
        EXPECT_STREQ(linkStateKey(it->second.state), linkStateKey(planted.expected))
            << label(planted) << " (" << it->second.note << ")";
        EXPECT_EQ(it->second.code, planted.code) << label(planted);
    }

    // The request log: per netdisk at most 4 requests in flight, 百度's checks 1 s apart,
    // at most one code try per 百度 share here, one captcha token per 迅雷/PikPak run.
    const std::vector<NetdiskSimRequest> log = sim.sim.requests();
    std::map<std::string, std::vector<std::pair<Clock::time_point, int>>> events;
    std::vector<Clock::time_point> baiduStarts;
    std::map<std::string, int> baiduTries, captchas;
    for (const NetdiskSimRequest& r : log) {
        events[r.netdisk].push_back({r.arrived, +1});
        events[r.netdisk].push_back({r.answered, -1});
        if (r.netdisk == "baidu" && r.checkStart) baiduStarts.push_back(r.arrived);
        if (r.codeTry) ++baiduTries[r.share];
        if (r.share.empty()) ++captchas[r.netdisk];
    }
    for (auto& [netdisk, list] : events) {
        std::sort(list.begin(), list.end(), [](auto& a, auto& b) { return a.first < b.first || (a.first == b.first && a.second < b.second); });
        int now = 0, peak = 0;
        for (auto& [at, step] : list) peak = std::max(peak, now += step);
        EXPECT_LE(peak, 4) << netdisk;
        EXPECT_GE(peak, 1) << netdisk;
    }
    std::sort(baiduStarts.begin(), baiduStarts.end());
    ASSERT_GE(baiduStarts.size(), 9u);
    for (size_t i = 1; i < baiduStarts.size(); ++i) {
        EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(baiduStarts[i] - baiduStarts[i - 1]).count(), 990);
    }
    for (auto& [share, tries] : baiduTries) EXPECT_LE(tries, 1) << share;
    EXPECT_EQ(captchas["xunlei"], 1);
    EXPECT_EQ(captchas["pikpak"], 1);

    // A second run: the shares that failed once now answer.
    std::vector<PlantedShare> again;
    for (const PlantedShare& planted : shares) {
        if (planted.digit == 9) again.push_back(planted);
    }
    ASSERT_EQ(again.size(), std::size(ALL_NETDISKS));
    std::map<std::string, CheckOutcome> second = checkAll(sim, again);
    for (const PlantedShare& planted : again) EXPECT_EQ(second[label(planted)].state, LinkState::Valid) << label(planted);
}

TEST(CheckSim, CancelEndsChecksWithinThreeSeconds) {
    SimServer sim;
    sim.sim.setLatencyMs(20000);
    std::atomic<int> called{0};
    LinkChecker checker(makeWebTransport(sim.via()));
    for (const PlantedShare& planted : plantedShares()) {
        std::optional<ShareLink> link = readShareLink(planted.url);
        ASSERT_TRUE(link.has_value());
        checker.submit(*link, [&](const ShareLink&, const CheckOutcome& outcome) {
            EXPECT_EQ(outcome.state, LinkState::Unknown);
            ++called;
        });
    }
    ASSERT_TRUE(sim.server.waitForRequests(8, 5000)) << sim.server.requestCount() << " requests, " << sim.server.connectionCount() << " connections";
    const Clock::time_point start = Clock::now();
    checker.cancel();
    EXPECT_TRUE(checker.wait(3000));
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(), 3000);
    EXPECT_EQ(called.load(), int(plantedShares().size()));
}

// ---- quorrel-cli check ----

ChildResult runCli(const std::string& arguments, DWORD timeoutMs = 120000) {
    return runProgram(besideTestProgram(QUORREL_CLI_RELATIVE), gbkToWide(arguments), timeoutMs);
}

TEST(CheckCli, JsonlRowsInTheOrderGivenWithTheCodeUsed) {
    SimServer sim;
    const PlantedShare* quark[10] = {};
    for (const PlantedShare& planted : plantedShares()) {
        if (planted.netdisk == Netdisk::Quark) quark[planted.digit] = &planted;
    }
    // Valid with its code, one needing a code, a wrong code, a cancelled share and no share.
    const std::string arguments = "check --format=jsonl --netdisk-via=" + sim.via() + " " + quark[1]->url + " " +
                                  PLANTED_CODE + " " + quark[2]->url + " " + quark[3]->url + " " + PLANTED_WRONG_CODE +
                                  " " + quark[5]->url + " https://example.com/file.zip";
    ChildResult r = runCli(arguments);
    EXPECT_EQ(r.exitCode, 4u) << r.err;  // the link of no netdisk is unknown
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(r.out.substr(at, end - at));
    ASSERT_EQ(lines.size(), 5u) << r.out;
    EXPECT_EQ(lines[0].find(R"({"n":1,"service":")"), 0u) << lines[0];
    EXPECT_NE(lines[0].find(R"("netdisk":"quark","share":")" + quark[1]->share + R"(","code":"qr12","state":"valid"})"),
              std::string::npos)
        << lines[0];
    EXPECT_NE(lines[1].find(R"("code":null,"state":"needs_code"})"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find(R"("code":"zz99","state":"wrong_code"})"), std::string::npos) << lines[2];
    EXPECT_NE(lines[3].find(R"("state":"cancelled"})"), std::string::npos) << lines[3];
    EXPECT_NE(lines[4].find(R"("n":5,)"), std::string::npos) << lines[4];
    EXPECT_NE(lines[4].find(R"("netdisk":null,"share":null,"code":null,"state":"unknown"})"), std::string::npos)
        << lines[4];

    // Every link known: exit 0. Usage errors: 2.
    r = runCli("check --format=jsonl --netdisk-via=" + sim.via() + " " + quark[0]->url + " " + quark[7]->url);
    EXPECT_EQ(r.exitCode, 0u) << r.err << r.out;
    EXPECT_NE(r.out.find(R"("state":"not_found"})"), std::string::npos) << r.out;
    EXPECT_EQ(runCli("check --format=xml " + quark[0]->url).exitCode, 2u);
    EXPECT_EQ(runCli("check --netdisk-via=nowhere " + quark[0]->url).exitCode, 2u);
}

TEST(CheckCli, LinksOnStandardInputOneALineWithTheirCodes) {
    SimServer sim;
    std::string text;
    std::vector<const PlantedShare*> expected;
    for (const PlantedShare& planted : plantedShares()) {
        if (planted.netdisk != Netdisk::Pan115 || planted.digit > 5) continue;
        text += planted.url + (planted.code.empty() ? "" : "\t " + planted.code) + "\r\n\r\n";
        expected.push_back(&planted);
    }
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring file = std::wstring(folder) + L"quorrel-check-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const std::string utf8 = "\xEF\xBB\xBF" + gbkToUtf8(text);
    DWORD written = 0;
    WriteFile(h, utf8.data(), DWORD(utf8.size()), &written, nullptr);
    CloseHandle(h);
    ChildResult r = runChild(L"cmd /c \"\"" + besideTestProgram(QUORREL_CLI_RELATIVE) +
                                 L"\" check --format=csv --netdisk-via=" + gbkToWide(sim.via()) + L" < \"" + file + L"\"\"",
                             120000);
    DeleteFileW(file.c_str());
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    ASSERT_EQ(r.out.compare(0, 3, "\xEF\xBB\xBF"), 0) << r.out;
    std::vector<std::string> lines;
    for (size_t at = 3, end; (end = r.out.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(r.out.substr(at, end - at));
    ASSERT_EQ(lines.size(), expected.size() + 1) << r.out;
    EXPECT_EQ(lines[0], "n,service,title,url,netdisk,share,code,state");
    for (size_t i = 0; i < expected.size(); ++i) {
        const std::string tail = "," + expected[i]->share + "," + expected[i]->code + "," +
                                 linkStateKey(expected[i]->expected);
        EXPECT_EQ(lines[i + 1].substr(lines[i + 1].size() - std::min(lines[i + 1].size(), tail.size())), tail)
            << lines[i + 1];
    }
}

}  // namespace

namespace {

// quorrel-cli search --check: the planted shares found by a search are checked through the
// same simulator (engine and netdisks on one address) and every row carries its state.
TEST(CheckCli, SearchCheckAddsTheStateToEveryRow) {
    EngineSim engine;
    ASSERT_TRUE(engine.ok());
    sharedNetdiskSim().reset();
    std::vector<SimHit> hits;
    std::map<std::string, std::string> expected;  // share -> state key
    for (const PlantedShare& planted : plantedShares()) {
        if (planted.netdisk != Netdisk::Quark || planted.digit == 8 || planted.digit == 9) continue;
        SimHit hit;
        hit.address = planted.url + (planted.code.empty() ? "" : "?pwd=" + planted.code);
        hit.title = "资料 " + std::to_string(planted.digit);
        hits.push_back(hit);
        expected[planted.share] = linkStateKey(planted.expected);
    }
    engine.setCorpus("pan.quark.cn", hits);
    ChildResult r = runCli("search 资料 --netdisks=today --services=3 --engine=" + engine.hostPort() +
                           " --format=jsonl --check --netdisk-via=" + engine.hostPort());
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    size_t rows = 0;
    for (size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = r.out.substr(at, end - at);
        for (auto& [share, state] : expected) {
            if (line.find("\"share\":\"" + share + "\"") == std::string::npos) continue;
            ++rows;
            EXPECT_NE(line.find("\"state\":\"" + state + "\"}"), std::string::npos) << line;
        }
    }
    EXPECT_EQ(rows, expected.size()) << r.out;
}

}  // namespace
