// quorrel-cli search as a process against the in-process simulator: every hit printed once,
// numbered 1..N, the rows of one service together, the output encodings and the usage errors.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>

#include "text/encoding.h"
#include "text/text.h"
#include "search/services.h"
#include "tests/http/child_output.h"
#include "tools/engine_sim/engine_sim.h"
#include "tools/httpd/loopback_server.h"

namespace {

using ProcessResult = ChildResult;

ProcessResult runCli(const std::wstring& arguments) {
    return runProgram(besideTestProgram("../../tools/cli/quorrel-cli.exe"), arguments, 60000);
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
    // An engine that does not answer is a failure, not "nothing found".
    ProcessResult unreachable = runCli(L"search x --services=3,4 --engine=" + wide(closed));
    EXPECT_EQ(unreachable.exitCode, 4u);
    EXPECT_EQ(utf8ToGbk(unreachable.out), "资源数：0\n");
    std::string err = utf8ToGbk(unreachable.err);
    EXPECT_EQ(splitText(err, "\n").size(), 2u) << err;
    EXPECT_NE(err.find(std::string(ServiceTable[2].caption) + ": incomplete: "), std::string::npos) << err;
    EXPECT_NE(err.find(std::string(ServiceTable[3].caption) + ": incomplete: "), std::string::npos) << err;
}

TEST_F(CliSearchTest, ExtraSitesMustBeHostNames) {
    // A query key, a blank, "#" or "%" in a site text would rewrite the request: refused, nothing sent.
    for (const wchar_t* bad : {L"inj.t&pn=5000&rn=1", L"a b.example", L"a.example#x", L"a%20.example",
                               L"ok.example;a\tb.example"}) {
        ProcessResult r = runCli(std::wstring(L"search x \"--extra=") + bad + L"\"" + engine());
        EXPECT_EQ(r.exitCode, 2u) << r.err;
        EXPECT_NE(r.err.find("is not a host name"), std::string::npos) << r.err;
    }
    EXPECT_EQ(sim.requestCount(), 0u);

    // A name in another script goes out in its "xn--" form, as every browser sends it.
    ProcessResult idn = runCli(L"search x --extra=网盘.example" + engine());
    EXPECT_EQ(idn.exitCode, 0u) << idn.err;
    ASSERT_EQ(sim.requestCount(), 1u);
    EXPECT_EQ(sim.requests()[0].site, "xn--vzyr4p.example");
}

TEST(CliSearchFailures, EachFailedServiceIsNamedWithItsReason) {
    // One engine, a different failure for each service; the fourth answers properly with no hits.
    const std::string h1 = ServiceTable[0].host, h2 = ServiceTable[1].host, h3 = ServiceTable[2].host;
    LoopbackServer engine([&](LoopbackConnection& c, const std::string& raw) {
        std::string target = parseRequest(raw).target;
        auto asks = [&](const std::string& host) { return target.find("site%3A" + host + "%20") != std::string::npos; };
        if (asks(h1)) {
            c.send(httpResponse(500, "Internal Server Error", "oops"));
        } else if (asks(h2)) {
            c.close();
        } else if (asks(h3)) {
            c.send("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\nConnection: close\r\n\r\n<html>");
        } else {
            c.send(httpResponse(200, "OK", "<html>no results</html>"));
        }
    });
    ProcessResult r = runCli(L"search x --services=1,2,3,4 --engine=127.0.0.1:" + std::to_wstring(engine.port()));
    EXPECT_EQ(r.exitCode, 4u) << r.err;
    std::string err = utf8ToGbk(r.err);
    EXPECT_NE(err.find(std::string(ServiceTable[0].caption) + ": incomplete: HTTP 500"), std::string::npos) << err;
    EXPECT_NE(err.find(std::string(ServiceTable[1].caption) + ": incomplete: "), std::string::npos) << err;
    EXPECT_NE(err.find(std::string(ServiceTable[2].caption) + ": incomplete: cut short (6 of 5000 bytes)"),
              std::string::npos)
        << err;
    EXPECT_EQ(err.find(ServiceTable[3].caption), std::string::npos) << err;
    EXPECT_EQ(utf8ToGbk(r.out), "资源数：0\n");

    // Every service answered: 0.
    ProcessResult fine = runCli(L"search x --services=4 --engine=127.0.0.1:" + std::to_wstring(engine.port()));
    EXPECT_EQ(fine.exitCode, 0u) << fine.err;
    EXPECT_EQ(fine.err, "");
}

}  // namespace
