// quorrel-cli search as a process against the in-process simulator: every hit printed once,
// numbered 1..N, the rows of one service together, the output encodings and the usage errors.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>

#include "http/encoding.h"
#include "http/text.h"
#include "search/services.h"
#include "tests/http/child_output.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

using ProcessResult = ChildResult;

std::wstring cliPath() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.resize(path.find_last_of(L"\\/") + 1);
    return path + L"..\\..\\tools\\cli\\quorrel-cli.exe";
}

ProcessResult runCli(const std::wstring& arguments) {
    return runChild(L"\"" + cliPath() + L"\" " + arguments, 60000);
}

std::wstring wide(const std::string& gbk) {
    return gbkToWide(gbk);
}

class CliSearchTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.ok()); }
    std::wstring engine() const { return L" --engine=" + wide(sim.hostPort()); }
    EngineSim sim;
};

TEST_F(CliSearchTest, PrintsEveryHitNumberedWithServicesTogether) {
    const std::string host1 = ServiceTable[0].host, host2 = ServiceTable[1].host, extra = "my.disk.example";
    EngineSimOptions o;
    o.hitsPerSite = {{host1, 120}, {host2, 3}, {extra, 60}};
    o.latencyMs = 20;
    sim.setOptions(o);
    const std::string keyword = "电影 合集";

    ProcessResult r = runCli(L"search \"" + wide(keyword) + L"\" --services=1,2 --extra=" + wide(extra) + engine());
    ASSERT_EQ(r.exitCode, 0u) << r.err;

    // Not a console: UTF-8 lines "number<TAB>title<TAB>address", then the count.
    std::vector<std::string> lines = splitText(utf8ToGbk(r.out), "\n");
    ASSERT_EQ(lines.size(), 184u) << r.out.substr(0, 300);
    EXPECT_EQ(lines.back(), "资源数：183");

    std::map<std::string, std::vector<std::string>> expected;  // site -> "title\taddress" in order
    for (const std::string& site : {host1, host2, extra}) {
        for (const SimHit& hit : sim.hitsFor(site, keyword)) {
            expected[site].push_back(replaceAll(replaceAll(hit.title, "<em>", ""), "</em>", "") + "\t" + hit.address);
        }
    }
    std::vector<std::string> runOrder;
    std::map<std::string, size_t> seen;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        std::vector<std::string> cells = splitText(lines[i], "\t");
        ASSERT_EQ(cells.size(), 3u) << lines[i];
        EXPECT_EQ(cells[0], std::to_string(i + 1));
        std::string site;
        for (const auto& [s, rows] : expected) {
            if (cells[2].find("http://" + s + "/") == 0) site = s;
        }
        ASSERT_FALSE(site.empty()) << lines[i];
        if (runOrder.empty() || runOrder.back() != site) runOrder.push_back(site);
        size_t k = seen[site]++;
        ASSERT_LT(k, expected[site].size());
        EXPECT_EQ(cells[1] + "\t" + cells[2], expected[site][k]);
    }
    EXPECT_EQ(runOrder.size(), 3u);  // one unbroken run per service
    EXPECT_EQ(sim.requestCount(), 6u);
    for (const SimRequest& req : sim.requests()) EXPECT_EQ(req.keyword, keyword);
}

TEST_F(CliSearchTest, GbkSwitchWritesTheProgramsOwnBytes) {
    sim.setCorpus(ServiceTable[4].host, {{"http://x/1", "<em>中文</em>标题"}});
    ProcessResult r = runCli(L"search 中文 --services=5 --gbk" + engine());
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(r.out, "1\t中文标题\thttp://x/1\n资源数：1\n");
}

TEST_F(CliSearchTest, UsageErrorsAndUnreachableEngine) {
    ProcessResult empty = runCli(L"search \"\" --services=1" + engine());
    EXPECT_EQ(empty.exitCode, 2u);
    EXPECT_EQ(utf8ToGbk(empty.err), "请输入关键字！\n");
    ProcessResult bad = runCli(L"search x --services=1,23" + engine());
    EXPECT_EQ(bad.exitCode, 2u);
    ProcessResult badEngine = runCli(L"search x --engine=http://a/b");
    EXPECT_EQ(badEngine.exitCode, 2u);
    EXPECT_EQ(sim.requestCount(), 0u);

    std::string closed;
    {
        EngineSim gone;
        closed = gone.hostPort();
    }
    ProcessResult unreachable = runCli(L"search x --services=3,4 --engine=" + wide(closed));
    EXPECT_EQ(unreachable.exitCode, 0u);
    EXPECT_EQ(utf8ToGbk(unreachable.out), "资源数：0\n");
}

}  // namespace
