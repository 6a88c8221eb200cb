// The service list of today: its table, the tasks of services searched on several hosts, the host
// rule with mirrors; the snippet each profile reads beside a result (real pages of the engines
// where they show one); a real address into the engine's own site taken for no address.
#include <gtest/gtest.h>

#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

#include "tests/search/serp_page.h"
#include "text/encoding.h"
#include "text/text.h"
#include "search/extract.h"
#include "search/page_reader.h"
#include "search/profile.h"
#include "search/query.h"
#include "search/services.h"
#include "search/site_host.h"
#include "search/worker.h"
#include "tests/search/sinks.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

// Chooses a service list for one test and gives the classic one back at its end.
class ListChoice {
public:
    explicit ListChoice(const ServiceList& list) { setActiveServices(list); }
    ~ListChoice() { setActiveServices(classicServiceList()); }
};

TEST(TodayList, ServicesInTheirOrderEachWithItsHostsAndNoHostShared) {
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"百度网盘", "baidu"},   {"阿里云盘", "aliyun"}, {"夸克网盘", "quark"}, {"UC网盘", "uc"},
        {"115网盘", "115"},      {"天翼云盘", "tianyi"}, {"123云盘", "123pan"}, {"迅雷云盘", "xunlei"},
        {"移动云盘", "139"},     {"蓝奏云", "lanzou"},   {"PikPak", "pikpak"},
    };
    const ServiceList& today = todayServiceList();
    ASSERT_EQ(today.count(), int(expected.size()));
    std::set<std::string> searched;
    for (int n = 1; n <= today.count(); ++n) {
        const NetdiskService& s = *today.service(n);
        EXPECT_EQ(s.number, n);
        EXPECT_EQ(s.caption, expected[size_t(n - 1)].first) << n;
        EXPECT_EQ(s.netdisk, expected[size_t(n - 1)].second) << n;
        ASSERT_FALSE(s.searchHosts.empty()) << n;
        for (const std::string& host : s.searchHosts) {
            EXPECT_TRUE(searched.insert(host).second) << host;
            // A search host is a bare host the site operator takes, and its own hits are kept.
            EXPECT_TRUE(asciiSiteHost(host) && *asciiSiteHost(host) == host) << host;
            EXPECT_TRUE(serviceOwnsHost(s, host)) << host;
            for (const NetdiskService& other : today.services) {
                if (other.number == n) continue;
                EXPECT_FALSE(serviceOwnsHost(other, host)) << host << " " << other.caption;
            }
        }
    }
    EXPECT_EQ(today.service(0), nullptr);
    EXPECT_EQ(today.service(12), nullptr);
    // The hosts the brief of each netdisk names: several search hosts, mirrors among the links.
    EXPECT_EQ(today.service(2)->searchHosts, (std::vector<std::string>{"alipan.com", "aliyundrive.com"}));
    EXPECT_EQ(today.service(5)->searchHosts, (std::vector<std::string>{"115.com", "115cdn.com"}));

    // The classic list is the table of 22, unchanged.
    const ServiceList& classic = classicServiceList();
    ASSERT_EQ(classic.count(), SERVICE_COUNT);
    for (int n = 1; n <= SERVICE_COUNT; ++n) {
        EXPECT_EQ(classic.service(n)->caption, ServiceTable[size_t(n - 1)].caption);
        EXPECT_EQ(classic.service(n)->searchHosts, std::vector<std::string>{ServiceTable[size_t(n - 1)].host});
    }
}

TEST(TodayList, LinkHostsTakeMirrorsSubDomainsAndAnyLanzouLetter) {
    ListChoice choice(todayServiceList());
    struct Case {
        const char* host;
        const char* caption;  // "" for none
    };
    const Case cases[] = {
        {"www.aliyundrive.com", "阿里云盘"}, {"www.alipan.com", "阿里云盘"},  {"anxia.com", "115网盘"},
        {"115cdn.com", "115网盘"},           {"www.123684.com", "123云盘"},   {"123912.com", "123云盘"},
        {"wwmi.lanzouo.com", "蓝奏云"},      {"lanzoux.com", "蓝奏云"},       {"www.lanzouv.com", "蓝奏云"},
        {"h5.cloud.189.cn", "天翼云盘"},     {"caiyun.139.com", "移动云盘"},  {"fast.uc.cn", "UC网盘"},
        {"drive.mypikpak.com", "PikPak"},    {"yun.baidu.com", "百度网盘"},
        // Names that only look alike: another product, a digit for the letter, a longer name.
        {"ilanzou.com", ""},                 {"lanzou1.com", ""},             {"notalipan.com", ""},
        {"alipan.com.evil.example", ""},     {"baidu.com", ""},               {"139.com", ""},
    };
    for (const Case& c : cases) {
        const NetdiskService* s = serviceOfHost(c.host);
        EXPECT_EQ(s ? s->caption : std::string(), c.caption) << c.host;
    }
    EXPECT_TRUE(hostMatches("a.lanzouq.com", "lanzou?.com"));
    EXPECT_FALSE(hostMatches("lanzouqq.com", "lanzou?.com"));
    EXPECT_FALSE(hostMatches("lanzou.com", "lanzou?.com"));
}

TEST(TodayList, EachSearchHostIsATaskOfItsOwnAndExtraSitesKeepTheirNumbers) {
    using V = std::vector<std::string>;
    ListChoice choice(todayServiceList());
    std::vector<bool> ticked(11, false);
    ticked[0] = ticked[1] = ticked[9] = true;  // 百度网盘, 阿里云盘, 蓝奏云
    V tasks = searchTasks(ticked, true, "my.disk.example");
    EXPECT_EQ(tasks, (V{"1.N.*", "2.N.*alipan.com", "2.N.*aliyundrive.com", "10.N.*lanzoux.com", "10.N.*lanzouo.com",
                        "10.N.*lanzout.com", "24.N.*my.disk.example"}));
    // Every task searches the host it names, and a task cannot send a service to a foreign host.
    std::vector<std::string> hosts;
    for (const std::string& task : tasks) {
        auto parsed = parseSearchTask(task);
        ASSERT_TRUE(parsed);
        hosts.push_back(hostFor(parsed->serviceNumber, parsed->extraHost));
    }
    EXPECT_EQ(hosts, (V{"pan.baidu.com", "alipan.com", "aliyundrive.com", "lanzoux.com", "lanzouo.com", "lanzout.com",
                        "my.disk.example"}));
    EXPECT_EQ(hostFor(2, "evil.example"), "alipan.com");
    EXPECT_EQ(hostFor(11, ""), "mypikpak.com");
    EXPECT_EQ(hostFor(12, "x.example"), "x.example");  // above the list: an extra site's host
    // A longer tick list than the list has services starts nothing for the rest.
    EXPECT_EQ(searchTasks(std::vector<bool>(22, true), false, "").size(), 17u);

    // With the classic list the tasks are the same as ever.
    setActiveServices(classicServiceList());
    std::vector<bool> classicTicks(22, false);
    classicTicks[1] = classicTicks[11] = true;
    EXPECT_EQ(searchTasks(classicTicks, false, ""), (V{"2.N.*", "12.N.*"}));
    EXPECT_EQ(hostFor(2, "alipan.com"), "dl.dbank.com");
}

TEST(TodayList, NetdisksOptionChoosesTheListAndRefusesOtherNames) {
    ListChoice choice(classicServiceList());
    EXPECT_EQ(applyNetdisksOption({"k", "--profile=bing"}), "");
    EXPECT_TRUE(activeServices().classic());
    EXPECT_EQ(applyNetdisksOption({"--netdisks=today"}), "");
    EXPECT_EQ(activeServices().name, "today");
    std::string error = applyNetdisksOption({"--netdisks=modern"});
    EXPECT_NE(error.find("modern"), std::string::npos) << error;
    EXPECT_EQ(activeServices().name, "today");  // a refused name changes nothing
    EXPECT_EQ(applyNetdisksOption({"--netdisks=today", "--netdisks=classic"}), "");
    EXPECT_TRUE(activeServices().classic());
}

PageRead readWith(const std::string& profileName, const std::string& page) {
    PageReader reader(*builtinProfile(profileName));
    return reader.read(page);
}

TEST(Snippets, RealPagesGiveEachResultItsOwnSnippetCleanedToOneLine) {
    PageRead bing = readWith("bing", serpPage("cnbing-2026-10-excerpt.html"));
    ASSERT_EQ(bing.results.size(), 2u);
    EXPECT_EQ(bing.results[0].snippet,
              "MCP 起源于 2024 年 11 月 25 日 Anthropic 发布的文章： Introducing the Model Context Protocol。 MCP "
              "（Model Context …");
    EXPECT_EQ(bing.results[1].snippet.rfind("Jul 28, 2026", 0), 0u) << bing.results[1].snippet;
    EXPECT_NE(bing.results[1].snippet.find("open-source standard for connecting AI applications"), std::string::npos);

    PageRead sogou = readWith("sogou", serpPage("sogou-2026-10-excerpt.html"));
    ASSERT_EQ(sogou.results.size(), 2u);
    EXPECT_EQ(sogou.results[0].snippet.rfind("MCP协议(Model Context Protocol,模型上下文协议)应运而生", 0), 0u)
        << sogou.results[0].snippet;
    EXPECT_EQ(sogou.results[1].snippet, "");  // its abstract was cut from the excerpt

    PageRead so360 = readWith("so360", serpPage("so360-2026-10-excerpt.html"));
    ASSERT_EQ(so360.results.size(), 4u);
    EXPECT_EQ(so360.results[0].snippet.rfind("MCP (Model Context Protocol,模型上下文协议)定义了应用程序", 0), 0u)
        << so360.results[0].snippet;
    // A date in a span of its own, a non-breaking blank: one line of plain text.
    EXPECT_EQ(so360.results[2].snippet.rfind("2025年9月29日 - ModelContextProtocol(MCP)是一个专为", 0), 0u)
        << so360.results[2].snippet;
    EXPECT_EQ(so360.results[3].snippet, "");  // no description: none borrowed from a neighbour

    // Baidu's pages of the last years put the abstract in different boxes; the excerpt has none.
    const std::string link = "<h3 class=\"t\"><a href=\"http://www.baidu.com/link?url=abc\">标题</a></h3>";
    for (const std::string& box :
         {std::string("<div class=\"c-abstract\">"), std::string("<div class=\"c-span-last\"><span class=\"content-right_8Zs40\">"),
          std::string("<div class=\"summary_1\"><span class=\"summary-text_560AW cos-line-clamp-3\">"),
          std::string("<div class=\"c-gap-top-small\"><span class=\"cos-text\" data-module=\"abstract\">")}) {
        PageRead baidu = readWith("baidu", "<div class=\"result c-container\" mu=\"https://pan.baidu.com/s/1ab\">" + link + box +
                                               "<span class=\"c-color-gray2\">2025年3月1日&nbsp;</span>链接: "
                                               "<em>pan</em>.baidu.com 提取码: \n8hx2</span></div></div>");
        ASSERT_EQ(baidu.results.size(), 1u) << box;
        EXPECT_EQ(baidu.results[0].snippet, "2025年3月1日 链接: pan.baidu.com 提取码: 8hx2") << box;
    }

    // DuckDuckGo's snippet is a link of its own, ended by its closing tag.
    PageRead ddg = readWith("duckduckgo",
                            "<div class=\"result results_links web-result\"><h2 class=\"result__title\"><a class=\"result__a\" "
                            "href=\"https://pan.quark.cn/s/0123456789ab\">夸克</a></h2><a class=\"result__snippet\" "
                            "href=\"https://pan.quark.cn/s/0123456789ab\">分享 <b>提取码</b>：QTjz</a><a class=\"result__url\" "
                            "href=\"x\">pan.quark.cn</a></div>");
    ASSERT_EQ(ddg.results.size(), 1u);
    EXPECT_EQ(ddg.results[0].snippet, "分享 提取码：QTjz");

    // The classic layout reads no snippet; a profile file's "snippet" key sets its own pattern.
    EXPECT_EQ(readWith("classic", simResultPage("pan.baidu.com", "k", 0, simGeneratedHits("pan.baidu.com", "k", 0, 2), false))
                  .results[0]
                  .snippet,
              "");
    std::string error;
    auto files = parseProfiles("[mine]\nlike=bing\nsnippet=<p class=\"own\">([^<]*)\n", &error);
    ASSERT_EQ(files.size(), 1u) << error;
    PageReader own(files["mine"]);
    PageRead read = own.read("<li class=\"b_algo\"><h2><a href=\"https://a.example/\">t</a></h2><p>no</p><p class=\"own\">yes</p></li>");
    ASSERT_EQ(read.results.size(), 1u);
    EXPECT_EQ(read.results[0].snippet, "yes");
}

TEST(EngineOwnPages, MuIntoTheEnginesOwnSiteIsResolvedLikeAResultWithoutMu) {
    const std::string body = "<h3 class=\"t\"><a href=\"http://www.baidu.com/link?url=tok\">标题</a></h3>";
    struct Case {
        std::string mu;
        bool kept;  // taken as the real address
    };
    const Case cases[] = {
        {"http://3108.lightapp.baidu.com/baike?x=1", false},  // a light app of the engine
        {"https://baijiahao.baidu.com/s?id=1", false},
        {"http://BAIDU.com/x", false},
        {"https://pan.baidu.com/s/1abcd?pwd=x1y2", true},  // the engine's netdisk is a service
        {"http://yun.baidu.com/s/1abcd", true},
        {"https://www.alipan.com/s/abc", true},
        {"http://notbaidu.com/x", true},
    };
    for (const Case& c : cases) {
        PageRead read = readWith("baidu", "<div class=\"result c-container\" mu=\"" + c.mu + "\">" + body + "</div>");
        ASSERT_EQ(read.results.size(), 1u) << c.mu;
        EXPECT_EQ(read.results[0].address, c.kept ? c.mu : "http://www.baidu.com/link?url=tok") << c.mu;
        EXPECT_EQ(read.results[0].redirect, !c.kept) << c.mu;
    }
    // Other engines: their own domain, whatever the host of the pages.
    PageRead sogou = readWith("sogou", "<div class=\"vrwrap\"><h3><a href=\"/link?url=tok\">t</a></h3><div class=\"r-sech\" "
                                       "data-url=\"https://baike.sogou.com/v1.htm\"></div></div>");
    ASSERT_EQ(sogou.results.size(), 1u);
    EXPECT_TRUE(sogou.results[0].redirect);

    // An engine under a country's second level owns its own name there, not all of ".com.cn".
    std::string error;
    auto files = parseProfiles("[cn]\nlike=baidu\nurl=https://www.find.com.cn/s\n", &error);
    ASSERT_EQ(files.size(), 1u) << error;
    PageReader cn(files["cn"]);
    for (const auto& [mu, kept] : std::vector<std::pair<std::string, bool>>{
             {"https://m.find.com.cn/app/1", false}, {"https://www.other.com.cn/x", true}}) {
        PageRead read = cn.read("<div class=\"result c-container\" mu=\"" + mu + "\">" + body + "</div>");
        ASSERT_EQ(read.results.size(), 1u) << mu;
        EXPECT_EQ(read.results[0].redirect, !kept) << mu;
    }
}

class TodayWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok());
        setEngineHost(sim.hostPort());
        setActiveServices(todayServiceList());
        setActiveProfile(*builtinProfile("bing"));
        EngineSimOptions o;
        o.layout = "bing";
        o.hitsPerQuery = 0;
        sim.setOptions(o);
    }
    void TearDown() override {
        setEngineHost(DEFAULT_ENGINE_HOST);
        setActiveProfile(*builtinProfile("classic"));
        setActiveServices(classicServiceList());
    }
    EngineSim sim;
};

TEST_F(TodayWorkerTest, ServiceOnTwoHostsKeepsHitsOnEitherAndItsMirrorsAndNamesTheHostThatFailed) {
    sim.setCorpus("alipan.com", {{"https://www.alipan.com/s/a1", "一", "说明 提取码: ab12"},
                                 {"https://www.aliyundrive.com/s/a2", "二"},
                                 {"https://pan.quark.cn/s/0123456789ab", "别家"},
                                 {"https://alipan.com.evil.example/s/x", "冒名"}});
    sim.setCorpus("aliyundrive.com", {{"https://www.aliyundrive.com/s/b1", "三"}, {"https://www.alipan.com/s/b2", "四"}});
    CollectingSink sink("资料");
    for (const std::string& task : searchTasks({false, true}, false, "")) searchWorker(task, sink);
    std::vector<std::string> addresses;
    for (const Hit& hit : sink.rows) addresses.push_back(hit.address);
    EXPECT_EQ(addresses, (std::vector<std::string>{"https://www.alipan.com/s/a1", "https://www.aliyundrive.com/s/a2",
                                                   "https://www.aliyundrive.com/s/b1", "https://www.alipan.com/s/b2"}));
    ASSERT_EQ(sink.rows.size(), 4u);
    EXPECT_EQ(sink.rows[0].snippet, "说明 提取码: ab12");
    ASSERT_EQ(sink.outcomes.size(), 2u);
    EXPECT_EQ(sink.outcomes[0].service, "阿里云盘");
    EXPECT_EQ(sink.outcomes[0].host, "alipan.com");
    EXPECT_EQ(sink.outcomes[1].host, "aliyundrive.com");

    // One host meets the wall: the outcome names the service and that host.
    EngineSimOptions o = sim.options();
    o.wallSites = {"aliyundrive.com"};
    sim.setOptions(o);
    CollectingSink walled("资料");
    for (const std::string& task : searchTasks({false, true}, false, "")) searchWorker(task, walled);
    ASSERT_EQ(walled.outcomes.size(), 2u);
    EXPECT_FALSE(walled.outcomes[0].failed());
    EXPECT_TRUE(walled.outcomes[1].verificationWall);
    EXPECT_EQ(walled.outcomes[1].service, "阿里云盘");
    EXPECT_EQ(walled.outcomes[1].host, "aliyundrive.com");
    EXPECT_EQ(walled.rows.size(), 2u);
}

}  // namespace
