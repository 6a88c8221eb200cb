// quorrel-cli search --mode=mentions as a process against the in-process simulator: every share
// planted in snippets and in the pages behind them is listed with its code, decoys are not, the
// hostile pages are named on standard error and end within the deadline without changing the
// exit status, and the bounds hold (20 pages a service, 4 in flight to one host, memory).
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>

#include "links/share_link.h"
#include "tests/http/child_output.h"
#include "text/encoding.h"
#include "text/text.h"
#include "tools/engine_sim/engine_sim.h"
#include "tools/engine_sim/mention_sim.h"

namespace {

const char KEYWORD[] = "电子书";

struct CliRun : ChildResult {
    size_t peakMb = 0;
};

// As runChild, keeping the child's peak working set.
CliRun runCli(const std::wstring& arguments, DWORD timeoutMs = 150000) {
    CliRun run;
    size_t peakMb = 0;
    static_cast<ChildResult&>(run) =
        runChild(L"\"" + besideTestProgram(QUORREL_CLI_RELATIVE) + L"\" " + arguments, timeoutMs, {}, [&](HANDLE process) {
            PROCESS_MEMORY_COUNTERS counters{};
            counters.cb = sizeof counters;
            if (GetProcessMemoryInfo(process, &counters, sizeof counters))
                peakMb = std::max<size_t>({peakMb, counters.PeakWorkingSetSize >> 20, counters.WorkingSetSize >> 20});
        });
    run.peakMb = peakMb;
    return run;
}

struct Row {
    std::string service, title, url, code;
    std::optional<ShareLink> share;
};

std::vector<Row> jsonRows(const std::string& out) {
    std::vector<Row> rows;
    for (const std::string& line : splitText(out, "\n")) {
        if (trimSpaces(line).empty()) continue;
        nlohmann::json row = nlohmann::json::parse(line, nullptr, false);
        EXPECT_FALSE(row.is_discarded()) << line;
        if (row.is_discarded()) continue;
        Row r;
        r.service = utf8ToGbk(row.value("service", ""));
        r.title = utf8ToGbk(row.value("title", ""));
        r.url = utf8ToGbk(row.value("url", ""));
        r.code = row["code"].is_string() ? row["code"].get<std::string>() : "";
        r.share = readShareLink(r.url);
        rows.push_back(std::move(r));
    }
    return rows;
}

// The hosts the search asked the engine about, in the order asked.
std::vector<std::string> askedHosts(const EngineSim& sim) {
    std::vector<std::string> hosts;
    for (const SimRequest& request : sim.requests()) {
        if (!request.isSearch) continue;
        std::string host = request.keyword.substr(request.keyword.rfind(' ') + 1);
        if (std::find(hosts.begin(), hosts.end(), host) == hosts.end()) hosts.push_back(host);
    }
    return hosts;
}

const Row* rowOf(const std::vector<Row>& rows, const std::string& url) {
    std::optional<ShareLink> wanted = readShareLink(url);
    if (!wanted) return nullptr;
    for (const Row& row : rows) {
        if (row.share && row.share->netdisk == wanted->netdisk && row.share->share == wanted->share) return &row;
    }
    return nullptr;
}

class MentionCliTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok());
        simMentionResetCounts();
    }
    std::wstring engine() const { return L" --engine=" + gbkToWide(sim.hostPort()); }
    // A mentions search of today's services as jsonl, the simulator and the profile in `layout`.
    CliRun runMentions(const std::string& layout, const std::string& keyword, const std::string& options) {
        EngineSimOptions simOptions;
        simOptions.layout = layout;
        sim.setOptions(simOptions);
        return runCli(gbkToWide("search " + keyword + " --netdisks=today --mode=mentions --format=jsonl --profile=" +
                                layout + options) +
                      engine());
    }
    EngineSim sim;
};

}  // namespace

// With a profile that shows snippets and with the classic one, which shows none (then every
// share comes from the pages behind).
TEST_P(MentionCliTest, EveryPlantedShareWithItsCodeAndNoDecoy) {
    const std::string layout = GetParam();
    CliRun run = runMentions(layout, KEYWORD, "");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    std::vector<Row> rows = jsonRows(run.out);
    std::vector<std::string> hosts = askedHosts(sim);
    ASSERT_GE(hosts.size(), 11u) << "every service of today's list is asked";

    for (const std::string& host : hosts) {
        SCOPED_TRACE(host);
        // The pages this host's search may read: a service searched on several hosts shares
        // its twenty among them.
        Netdisk netdisk = netdiskOfHost(host);
        int sameNetdisk = 0;
        for (const std::string& other : hosts) sameNetdisk += netdiskOfHost(other) == netdisk ? 1 : 0;
        const int budget = 20 / std::max(sameNetdisk, 1);
        // Which results are read behind, in order: those whose address is no share and whose
        // snippet (where the layout shows one) holds no share of this netdisk.
        std::map<std::string, int> readAs;  // result address -> its place among the pages read
        int read = 0;
        std::optional<std::vector<SimHit>> results = simMentionResults(std::string(KEYWORD) + " " + host);
        ASSERT_TRUE(results.has_value());
        for (const SimHit& hit : *results) {
            bool direct = readShareLink(hit.address).has_value();
            for (const ShareLink& link : shareLinksInText(hit.snippet))
                direct = direct || (layout != "classic" && link.netdisk == netdisk);
            readAs[hit.address] = direct ? -1 : read++;
        }
        SimMentionPlan plan = simMentionPlan(host, KEYWORD);
        for (const SimPlanted& planted : plan.found) {
            ASSERT_TRUE(readAs.count(planted.result)) << planted.result;
            if (readAs[planted.result] >= budget) continue;
            const Row* row = rowOf(rows, planted.url);
            ASSERT_NE(row, nullptr) << planted.url << " in " << planted.result;
            EXPECT_EQ(row->code, planted.code) << planted.url << " in " << planted.result;
        }
        for (const std::string& decoy : plan.notFound) {
            const Row* row = rowOf(rows, decoy);
            // A share of another netdisk may be a row of that netdisk's own service, never
            // with this host's decoy code.
            if (row) EXPECT_NE(row->code, "qqqq") << decoy;
        }
        EXPECT_EQ(rowOf(rows, plan.notFound[0]), nullptr) << "beyond the 2 MB cap";
        EXPECT_EQ(rowOf(rows, plan.notFound[1]), nullptr) << "in a script";
    }
    // Every row is a share link of the service's own netdisk; the rows of one searched host stay
    // together, so a service has no more runs of rows than hosts it is searched on.
    std::map<std::string, int> runsOf;
    std::string last;
    for (const Row& row : rows) {
        ASSERT_TRUE(row.share.has_value()) << row.url;
        EXPECT_EQ(row.service, netdiskCaption(row.share->netdisk)) << row.url;
        if (row.service != last) ++runsOf[row.service];
        last = row.service;
    }
    for (const auto& [service, runs] : runsOf) {
        int searched = 0;
        for (const std::string& host : hosts) searched += netdiskCaption(netdiskOfHost(host)) == service ? 1 : 0;
        EXPECT_LE(runs, searched) << service;
    }
    EXPECT_EQ(runsOf.size(), 11u) << "every netdisk of today has rows";

    // The pages that failed or were cut are named; a page that drips ends at the deadline.
    std::string err = utf8ToGbk(run.err);
    EXPECT_NE(err.find("loop.example"), std::string::npos) << err;
    EXPECT_NE(err.find("huge.example"), std::string::npos) << err;
    EXPECT_NE(err.find("gone.html"), std::string::npos) << err;
    EXPECT_NE(err.find("slow.example"), std::string::npos) << err;
    EXPECT_LT(run.tookMs, 90000u);
    EXPECT_GT(run.peakMb, 0u) << "the working set was measured";
    EXPECT_LT(run.peakMb, 300u);
    std::printf("mentions (%s): %zu rows, %llu ms, peak %zu MB\n", layout.c_str(), rows.size(), run.tookMs, run.peakMb);
}

INSTANTIATE_TEST_SUITE_P(Layouts, MentionCliTest, ::testing::Values("bing", "classic"));

TEST_F(MentionCliTest, DepthZeroStaysOnTheResultPages) {
    CliRun run = runMentions("bing", KEYWORD, " --services=3 --depth=0");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    std::vector<Row> rows = jsonRows(run.out);
    SimMentionPlan plan = simMentionPlan("pan.quark.cn", KEYWORD);
    // From the snippets and addresses only: the first share with its code, the share that is a
    // result itself, and the one beside an archive password without a code.
    ASSERT_EQ(rows.size(), 3u) << run.out;
    EXPECT_EQ(rowOf(rows, plan.found[0].url)->code, plan.found[0].code);
    for (const char* site : {"blog.example", "bbs.forum.example", "links.example", "huge.example"})
        EXPECT_EQ(simMentionPagesServed(site), 0) << site;
}

TEST_F(MentionCliTest, TwentyPagesAServiceFourAtATimeToOneHost) {
    // 夸克网盘 and UC网盘: two services whose thirty results each lead to pages on one host.
    CliRun run = runMentions("bing", SIM_MANY_PAGES_KEYWORD, " --services=3,4");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    std::vector<Row> rows = jsonRows(run.out);
    EXPECT_EQ(simMentionPagesServed("many.example"), 40);
    EXPECT_EQ(rows.size(), 40u);
    EXPECT_LE(simMentionPeakInFlight("many.example"), 4);
    EXPECT_GE(simMentionPeakInFlight("many.example"), 2);
}

TEST_F(MentionCliTest, UsageErrors) {
    EXPECT_EQ(runCli(L"search x --mode=everywhere" + engine()).exitCode, 2u);
    EXPECT_EQ(runCli(L"search x --mode=mentions --depth=7" + engine()).exitCode, 2u);
    EXPECT_EQ(sim.requestCount(), 0u);
}
