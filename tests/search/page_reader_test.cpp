// Reading result pages with each profile under the real VBScript.RegExp: real pages of today's
// engines (excerpts, see serp/SOURCES.md), the classic candidates against a run over the whole
// page, and pages built to make a pattern run for ever.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/search/serp_page.h"
#include "text/encoding.h"
#include "text/text.h"
#include "regex/regex_object.h"
#include "search/page_reader.h"
#include "search/profile.h"
#include "search/worker.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

// Titles are written here as UTF-8 source text, which the compiler turns into GBK.
PageRead readWith(const std::string& profileName, const std::string& page) {
    static std::map<std::string, EngineProfile> profiles;
    if (!profiles.count(profileName)) profiles[profileName] = *builtinProfile(profileName);
    PageReader reader(profiles[profileName]);
    return reader.read(page);
}

using Lines = std::vector<std::string>;

using Found = std::vector<std::pair<std::string, std::string>>;

// The results in page order, as title and address, or only their titles or addresses: the
// count and every text in one check.
Found results(const PageRead& read) {
    Found out;
    for (const FoundResult& r : read.results) out.emplace_back(r.title, r.address);
    return out;
}

Lines titles(const PageRead& read) {
    Lines out;
    for (const FoundResult& r : read.results) out.push_back(r.title);
    return out;
}

Lines addresses(const PageRead& read) {
    Lines out;
    for (const FoundResult& r : read.results) out.push_back(r.address);
    return out;
}

TEST(RealPages, BaiduTakesTheTitleInsideTheContainerAndResolvesMuIntoItsOwnSite) {
    PageRead read = readWith("baidu", serpPage("baidu-2026-10-excerpt.html"));
    // Result A of the excerpt lost its container when the page was cut; B has one.
    ASSERT_EQ(read.results.size(), 1u);
    EXPECT_EQ(read.results[0].title, "模型上下文协议(Model Context Protocol,MCP)");
    // B's mu names an article on the engine's own site (baijiahao.baidu.com): a page of the
    // engine, so the redirect link is kept for resolving, as for a result without mu.
    EXPECT_EQ(read.results[0].address,
              "http://www.baidu.com/link?url=x0jWRvoUJLb9_7wMtKMikBK-WvItZALmuFc1jBNBeldOXgUQeCO_uJfX8p7J0WwLfcs-"
              "UoHnGtsehgUIkADeFvbBC4OO5SFUzoew0SgDFFC");
    EXPECT_TRUE(read.results[0].redirect);
    EXPECT_TRUE(read.next);  // <a class="n next_..."><span>下一页&nbsp;&gt;, not the disabled 上一页
    EXPECT_EQ(queryValue(read.nextLink, "pn"), "20");
    EXPECT_FALSE(read.wall);

    // Result A's title markup (spans, s-text comments, href written twice) under the pattern.
    std::string page = serpPage("baidu-2026-10-excerpt.html");
    std::string a = page.substr(page.find("<h3"), page.find("<!-- B -->") - page.find("<h3"));
    read = readWith("baidu", "<div class=\"result c-container \" mu=\"http://nourl.ubs.baidu.com/1\">" + a);
    ASSERT_EQ(read.results.size(), 1u);
    EXPECT_EQ(read.results[0].title, "MCP 中文站(Model Context Protocol 中文)");
    // The mu placeholder is no address: the redirect link is kept for resolving.
    EXPECT_EQ(read.results[0].address, "http://www.baidu.com/link?url=L9ZuLt_MslxMQ8fO0eg3b43TVlwMnjR-dyWPikaKuN_");
    EXPECT_TRUE(read.results[0].redirect);
}

// Bing takes the heading link, not the favicon link; Sogou the hidden data-url of the same result.
TEST(RealPages, BingAndSogouGiveEachResultsTitleAndTrueAddress) {
    const struct {
        const char* profile;
        const char* file;
        Found found;
    } pages[] = {
        {"bing", "cnbing-2026-10-excerpt.html",
         {{"MCP (Model Context Protocol)，一篇就够了。 - 知乎", "https://zhuanlan.zhihu.com/p/29001189476"},
          {"What is the Model Context Protocol (MCP)?",
           "https://modelcontextprotocol.io/docs/2026-07-28/getting-started/intro"}}},
        {"sogou", "sogou-2026-10-excerpt.html",
         {{"MCP协议是什么?Model Context Protocol模型上下文详解", "https://www.chinaz.com/2025/0402/1678384.shtml"},
          {"模型上下文协议(Model Context Protocol,MCP) - 云long - 博客园",
           "https://www.cnblogs.com/yunlong-study/p/19094390"}}},
    };
    for (const auto& p : pages) EXPECT_EQ(results(readWith(p.profile, serpPage(p.file))), p.found) << p.file;
}

TEST(RealPages, BingFindsTheNextPage) {
    PageRead read = readWith("bing", serpPage("cnbing-2026-10-excerpt.html"));
    EXPECT_TRUE(read.next);
    EXPECT_EQ(queryValue(read.nextLink, "first"), "11");
}

TEST(RealPages, So360TakesDataMdurlAndKeepsDirectLinks) {
    PageRead read = readWith("so360", serpPage("so360-2026-10-excerpt.html"));
    EXPECT_EQ(titles(read), (Lines{"MCP (Model Context Protocol),一篇就够了", "手把手教你:MCP(Model Context Protocol)(大白话版)",
                                   "深入解析Model Context Protocol,小白也能懂的MCP实战-AI.x-AIGC专属社区-51CTO.COM",
                                   "Model Context Protocol(MCP)详解和开发教程_mcp开发-CSDN博客"}));
    Lines at = addresses(read);
    ASSERT_EQ(at.size(), 4u);
    EXPECT_EQ((Lines{at[0], at[2], at[3]}), (Lines{"http://www.uml.org.cn/ai/202507144.asp", "https://www.51cto.com/aigc/7924.html",
                                                  "https://blog.csdn.net/ZYC88888/article/details/146414158"}));
    // The second is the engine's own answer page: its key and its source parameters.
    EXPECT_EQ(at[1].rfind("https://ai.so.com/search/so52e9d48eae4783d0be9b1e46509e66ca?search=", 0), 0u);
    EXPECT_NE(at[1].find("&src=so_result_natural_ask&srcg=so_result_natural_ask"), std::string::npos);
    for (const FoundResult& r : read.results) EXPECT_FALSE(r.redirect) << r.address;
    EXPECT_FALSE(read.next);  // the excerpt has no pager
}

TEST(RealPages, SogouWithoutTheHiddenAddressMakesTheRedirectLinkAbsolute) {
    std::string page = replaceAll(serpPage("sogou-2026-10-excerpt.html"), "data-url=", "data-gone=");
    PageRead read = readWith("sogou", page);
    ASSERT_EQ(read.results.size(), 2u);
    EXPECT_EQ(read.results[0].address,
              "https://www.sogou.com/link?url=hedJjaC291Osj6fmiZw1Zjh8FM6gmf5Q0u6CFAZeISEvf3Aa8ZW5pGXcV-K5ENzn");
    EXPECT_TRUE(read.results[0].redirect);
}

TEST(ProfilePages, DuckDuckGoDecodesUddgSkipsAdsAndFindsTheNextForm) {
    const std::string page =
        "<div class=\"result results_links results_links_deep result--ad \"><div class=\"links_main result__body\">"
        "<h2 class=\"result__title\"><a rel=\"nofollow\" class=\"result__a\" "
        "href=\"https://duckduckgo.com/y.js?ad_domain=x\">Ad</a></h2></div></div>\n"
        "<div class=\"result results_links results_links_deep web-result \">\n<div class=\"links_main links_deep "
        "result__body\">\n<h2 class=\"result__title\">\n<a rel=\"nofollow\" class=\"result__a\" "
        "href=\"//duckduckgo.com/l/?uddg=https%3A%2F%2Fpan.baidu.com%2Fs%2F1abc%3Fpwd%3Dx%26y%3D1&amp;rut=9f\">"
        "<b>电子书</b> 合集 &amp; 资料</a>\n</h2></div></div>\n"
        "<div class=\"result results_links web-result\"><h2 class=\"result__title\"><a class='result__a' "
        "rel='nofollow' href='https://pan.baidu.com/s/2'>直接\n链接</a></h2></div>\n"
        "<div class=\"nav-link\">\n<form action=\"/html/\" method=\"post\">\n<input type=\"submit\" class='btn' "
        "value=\"Next\" />\n<input type=\"hidden\" name=\"q\" value=\"site:pan.baidu.com &quot;书&quot;\" />\n"
        "<input type=\"hidden\" name=\"s\" value=\"30\" />\n<input type=\"hidden\" name=\"dc\" value=\"31\" />\n"
        "<input type=\"hidden\" name=\"vqd\" value=\"4-1\" />\n</form>\n</div>";
    PageRead read = readWith("duckduckgo", page);
    EXPECT_EQ(results(read), (Found{{"电子书 合集 & 资料", "https://pan.baidu.com/s/1abc?pwd=x&y=1"},
                                    {"直接 链接", "https://pan.baidu.com/s/2"}}));
    ASSERT_TRUE(read.next);
    EXPECT_EQ(read.nextForm.action, "/html/");
    EXPECT_EQ(formBody(read.nextForm.fields), "q=site%3Apan.baidu.com%20%22%E4%B9%A6%22&s=30&dc=31&vqd=4-1");
}

TEST(ProfilePages, BingClickLinksAreDecodedWhereverTheParameterSits) {
    std::string real = "https://pan.baidu.com/s/1x?a=1&b=2";
    // "u=a1" + Base64url of the address, among the engine's other parameters.
    std::string page = "<li class=\"b_algo\"><h2><a href=\"https://www.bing.com/ck/a?!&amp;&amp;p=1&amp;u=a1aHR0cHM6"
                       "Ly9wYW4uYmFpZHUuY29tL3MvMXg_YT0xJmI9Mg&amp;ntb=1\">标题</a></h2></li>";
    PageRead read = readWith("bing", page);
    ASSERT_EQ(read.results.size(), 1u);
    EXPECT_EQ(read.results[0].address, real);
    EXPECT_FALSE(read.results[0].redirect);
    // A click link whose parameter cannot be read stays a redirect link, to be resolved.
    read = readWith("bing", replaceAll(page, "u=a1", "u=zz"));
    ASSERT_EQ(read.results.size(), 1u);
    EXPECT_TRUE(read.results[0].redirect);
}

TEST(ProfilePages, WallIsAPageWithoutResultsThatCarriesTheWallText) {
    for (std::string layout : {"baidu", "bing", "sogou", "so360", "duckduckgo"}) {
        PageRead read = readWith(layout, simWallPage(layout));
        EXPECT_TRUE(read.wall) << layout;
        EXPECT_TRUE(read.results.empty()) << layout;
    }
    EXPECT_TRUE(readWith("classic", simWallPage("baidu")).wall);
    // Results beside a wall text are results, not a wall.
    std::string withResults = serpPage("baidu-2026-10-excerpt.html") + "<p>百度安全验证</p>";
    EXPECT_FALSE(readWith("baidu", withResults).wall);
    EXPECT_FALSE(readWith("baidu", "<html><body>nothing here</body></html>").wall);
}

// The classic reader against one global run of the pattern over the page: same hits, same
// order, on pages that put several results, stray quotes and carriage returns on shared lines.
TEST(ClassicCandidates, GiveTheSameMatchesAsARunOverTheWholePage) {
    const std::string middle = classicMiddle();
    std::vector<std::string> pages;
    pages.push_back(simResultPage("pan.baidu.com", "书", 0, simGeneratedHits("pan.baidu.com", "书", 0, 50), true));
    // Two hrefs on one address line; the title line is also the next result's address line.
    pages.push_back("<a x href=\"a\" HREF=\"b\"" + middle + "T1</a></h3><div> href=\"c\"" + middle +
                    "T2</A></H3><DIV>tail\n");
    // A title line without the closing text, then one with two closings; upper-case middle.
    pages.push_back("href=\"n\"" + middle + "no close\nhref=\"m\"" + asciiLower(middle) + "T</a></h3><div>X</a></h3><div\n" +
                    "HREF=\"u\"" + replaceAll(middle, "target=\"_blank\"", "TARGET=\"_BLANK\"") + "U</a></h3><div\n");
    // Carriage returns inside the address and title lines.
    pages.push_back("p\rhref=\"r\r1\"" + middle + "R\r</a></h3><div\nhref=\"s\"" + middle + "S</a></h3><div\r\n");
    // The middle at the very start of the page, without an address line.
    pages.push_back(middle + "X</a></h3><div\nhref=\"\"" + middle + "</a></h3><div");

    EngineProfile classic = *builtinProfile("classic");
    for (size_t p = 0; p < pages.size(); ++p) {
        RegexObject whole;
        whole.run(classicPattern(), pages[p]);
        PageReader reader(classic);
        PageRead read = reader.read(pages[p]);
        ASSERT_EQ(int(read.results.size()), whole.matchCount()) << "page " << p;
        for (int i = 1; i <= whole.matchCount(); ++i) {
            EXPECT_EQ(read.results[size_t(i - 1)].address, whole.subMatchText(i, 1)) << p << "/" << i;
            EXPECT_EQ(read.results[size_t(i - 1)].title,
                      replaceAll(replaceAll(whole.subMatchText(i, 2), "<em>", ""), "</em>", ""))
                << p << "/" << i;
        }
        if (p > 0) {
            EXPECT_GT(whole.matchCount(), 0) << "page " << p << " tests nothing";
        }
    }
}

TEST(ClassicCandidates, ACarriageReturnInATitleOrAddressIsReadAsTheLayoutMeansIt) {
    // "." of the classic pattern stops only at a line feed, whatever the platform's component.
    const std::string page = "href=\"a\rb" + classicMiddle() + "one\rtwo</a></h3><div\n";
    PageRead read = PageReader(*builtinProfile("classic")).read(page);
    ASSERT_EQ(read.results.size(), 1u);
    EXPECT_EQ(read.results[0].address, "a\rb");
    EXPECT_EQ(read.results[0].title, "one\rtwo");  // made one line when the hit is made
}

// Lines built so that a pattern trying every start position would scan to the end of the line
// from each of them. Before, a 2 MB line took longer than five minutes; now the reading is
// linear and the results are those a whole-page run gives (checked on a short line above).
TEST(HostileLines, ClassicReadsAHugeLineOfHrefsAtOnce) {
    std::string line;
    while (line.size() < 2 * 1024 * 1024) line += "href=\"x\" ";
    PageReader reader(*builtinProfile("classic"));
    EXPECT_TRUE(reader.read(line + "\n" + NEXT_PAGE_MARKER).results.empty());

    // The same line closed by the layout's middle and a title: one hit whose address runs from
    // the first href to the closing quote.
    std::string page = line + "\"" + classicMiddle().substr(1) + "标题</a></h3><div\n";
    PageRead read = reader.read(page);
    ASSERT_EQ(read.results.size(), 1u);
    EXPECT_EQ(read.results[0].title, "标题");
    EXPECT_EQ(read.results[0].address, line.substr(6));
    // Without the title's closing text nothing can match, however long the line.
    EXPECT_TRUE(reader.read(line + "\"" + classicMiddle().substr(1) + "no closing\n").results.empty());
}

TEST(HostileLines, ProfilePatternsStayLinearOnHugeLines) {
    std::string hrefs;
    while (hrefs.size() < 2 * 1024 * 1024) hrefs += "href=\"x\" ";
    // Title links that never close, and tags that never end: each would make a pattern that
    // runs on to the next ">" or "</a>" cross the rest of the container from every start.
    std::string links, opens;
    while (links.size() < 256 * 1024) links += "<h3><a href=\"x\">";
    while (opens.size() < 256 * 1024) opens += "<h2 <h3 <a href=x class=result__a ";
    for (std::string name : {"baidu", "bing", "sogou", "so360", "duckduckgo"}) {
        EngineProfile profile = *builtinProfile(name);
        PageReader reader(profile);
        std::string marker = "<div class=\"" + splitText(profile.block, "|")[0] + "\">";
        EXPECT_TRUE(reader.read(hrefs).results.empty()) << name;
        EXPECT_TRUE(reader.read(marker + hrefs + "下一页 Next sb_pagN snext sogou_next").results.empty()) << name;
        PageRead read = reader.read(marker + links);
        EXPECT_TRUE(read.results.empty()) << name;  // no title link is ever closed
        EXPECT_FALSE(read.wall) << name;
        EXPECT_TRUE(reader.read(marker + opens).results.empty()) << name;
    }
}

}  // namespace
