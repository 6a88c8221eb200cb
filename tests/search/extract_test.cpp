// The pieces of reading a page that need no pattern: cleaning titles and addresses, taking
// redirect links apart, the host rule, containers and windows, and profile files.
#include <gtest/gtest.h>

#include "text/text.h"
#include "search/extract.h"
#include "search/profile.h"
#include "search/query.h"

namespace {

TEST(CleanTitle, RemovesTagsAndCommentsDecodesReferencesAndCollapsesBlanks) {
    EXPECT_EQ(cleanTitle("<!--s-text-->模型<em>上下文</em>协议(<em>Model</em> <EM>Context</EM>)<!--/s-text-->"),
              "模型上下文协议(Model Context)");
    EXPECT_EQ(cleanTitle("\n   <span class=\"a\">A &amp; B</span>\t&nbsp; C&#39;s &#x4E2D;&#25991; &quot;x&quot;\r\n "),
              "A & B C's 中文 \"x\"");
    EXPECT_EQ(cleanTitle("<b>Win</b>dows　7"), "Windows 7");  // full-width space collapses too
    // Unknown or broken references stay as written; a lone "<" that opens no tag stays.
    EXPECT_EQ(cleanTitle("a &bogus; b &#xZZ; c &#1114112; 1 < 2"), "a &bogus; b &#xZZ; c &#1114112; 1 < 2");
    // A character GBK lacks becomes "?", never a broken byte.
    EXPECT_EQ(cleanTitle("&#x1F600;x"), "?x");
    EXPECT_EQ(cleanTitle("unclosed <!-- comment"), "unclosed");
}

TEST(CleanTitle, OneLineReplacesEveryControlCharacterAndKeepsDoubleByteCharacters) {
    EXPECT_EQ(oneLine("a\r\nb\tc\x01\x7F" "d"), "a  b c  d");
    // GBK trail bytes are never below 0x40, so Chinese text passes untouched.
    EXPECT_EQ(oneLine("网盘\n资源"), "网盘 资源");
}

TEST(Links, AttributesQueryValuesAndBase64) {
    EXPECT_EQ(tagAttribute("<a class=\"n x\" href = '/s?pn=20&amp;rn=50' >", "HREF"), "/s?pn=20&amp;rn=50");
    EXPECT_EQ(tagAttribute("<a data-href=\"no\" href=yes>", "href"), "yes");
    EXPECT_EQ(tagAttribute("<input disabled value=\"Next\">", "value"), "Next");
    EXPECT_EQ(tagAttribute("<a class=\"x\">", "href"), "");
    EXPECT_EQ(queryValue("https://x/l/?uddg=a%2Fb&rut=1#f", "uddg"), "a%2Fb");
    EXPECT_EQ(queryValue("https://x/l/?rut=1", "uddg"), "");
    EXPECT_EQ(percentDecode("a%2Fb%zz+c"), "a/b%zz+c");
    EXPECT_EQ(percentDecode("a+b", true), "a b");
    EXPECT_EQ(base64UrlDecode("aHR0cHM6Ly9hLmNvbS8_eD0x"), "https://a.com/?x=1");
    EXPECT_EQ(base64UrlDecode("aHR0cA=="), "http");
    EXPECT_EQ(base64UrlDecode("a$b"), "");
}

TEST(Links, AbsoluteLinksAndTheServiceHostRule) {
    EXPECT_EQ(absoluteLink("/link?url=x", "https://www.sogou.com"), "https://www.sogou.com/link?url=x");
    EXPECT_EQ(absoluteLink("//duckduckgo.com/l/?u=1", "https://html.duckduckgo.com"), "https://duckduckgo.com/l/?u=1");
    EXPECT_EQ(absoluteLink("http://a.com/x", "https://b.com"), "http://a.com/x");
    EXPECT_EQ(urlPathAndQuery("https://www.so.com/link?m=1"), "/link?m=1");
    EXPECT_EQ(urlPathAndQuery("http://127.0.0.1:8080"), "/");
    EXPECT_EQ(urlOrigin("http://127.0.0.1:8080/s?x"), "http://127.0.0.1:8080");

    EXPECT_TRUE(hostBelongs("https://pan.baidu.com/s/1", "pan.baidu.com"));
    EXPECT_TRUE(hostBelongs("HTTP://Share.PAN.baidu.com:8080/s/1", "pan.baidu.com"));
    EXPECT_FALSE(hostBelongs("https://notpan.baidu.com/s/1", "pan.baidu.com"));
    EXPECT_FALSE(hostBelongs("https://pan.baidu.com.evil.example/s/1", "pan.baidu.com"));
    EXPECT_FALSE(hostBelongs("https://evil.example/?pan.baidu.com", "pan.baidu.com"));
    EXPECT_FALSE(hostBelongs("https://pan.baidu.com@evil.example/", "pan.baidu.com"));
    EXPECT_FALSE(hostBelongs("/s/1", "pan.baidu.com"));
}

TEST(Containers, BlocksOpenAtTheirTagAndWindowsMerge) {
    std::string page = "head <div mu=\"m1\" class=\"result c-container\">A</div><div class=\"result c-container x\">B";
    std::vector<TextRange> blocks = resultBlocks(page, "result c-container", 1000);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(page.substr(blocks[0].begin, blocks[0].end - blocks[0].begin),
              "<div mu=\"m1\" class=\"result c-container\">A</div>");
    EXPECT_EQ(page.substr(blocks[1].begin), "<div class=\"result c-container x\">B");
    // One tag holding the marker twice opens one block; a block is cut at the cap.
    blocks = resultBlocks("<div class=\"results_links results_links_deep\">" + std::string(100, 'x'), "results_links", 20);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].end - blocks[0].begin, 20u);
    // Several markers separated by "|".
    EXPECT_EQ(resultBlocks("<div class=\"vrwrap\">a</div><div class=\"rb\">b</div>", "vrwrap|class=\"rb\"", 99).size(), 2u);

    std::vector<TextRange> windows = anchorWindows("aXbXc" + std::string(100, '-') + "X", "x", 2, 1);
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].begin, 0u);
    EXPECT_EQ(windows[0].end, 5u);
}

TEST(Containers, TheFormAroundAPositionAndItsBody) {
    std::string page = "<form action=\"/prev\"><input name=\"s\" value=\"0\"></form>"
                       "<form action='/html/' method=post><input type=submit value=Next>"
                       "<input type=\"hidden\" name=\"q\" value=\"a &amp; b\"><input name=s value=30></form>";
    FormFields form = enclosingForm(page, page.find("Next"));
    EXPECT_EQ(form.action, "/html/");
    EXPECT_EQ(formBody(form.fields), "q=a%20%26%20b&s=30");
    EXPECT_TRUE(enclosingForm(page, page.size()).fields.empty());  // after every form has closed
}

TEST(Profiles, QueryAddressesOfEachEngine) {
    setEngineHost(DEFAULT_ENGINE_HOST);
    EXPECT_EQ(buildProfileUrl(*builtinProfile("baidu"), "pan.baidu.com", "书 pdf", 0),
              "https://www.baidu.com/s?wd=site%3Apan.baidu.com%20%E4%B9%A6%20pdf&pn=0&rn=50&ie=utf-8");
    EXPECT_EQ(buildProfileUrl(*builtinProfile("bing"), "a.com", "x", 11), "https://www.bing.com/search?q=site%3Aa.com%20x&first=11");
    EXPECT_EQ(buildProfileUrl(*builtinProfile("sogou"), "a.com", "x", 2), "https://www.sogou.com/web?query=site%3Aa.com%20x&page=2");
    EXPECT_EQ(buildProfileUrl(*builtinProfile("so360"), "a.com", "x", 1), "https://www.so.com/s?q=site%3Aa.com%20x&pn=1");
    EXPECT_EQ(buildProfileUrl(*builtinProfile("duckduckgo"), "a.com", "x", 1), "https://html.duckduckgo.com/html/?q=site%3Aa.com%20x");
    // classic is the program's own address, byte for byte.
    EXPECT_EQ(buildProfileUrl(*builtinProfile("classic"), "a.com", "x", 50), buildQueryUrl("a.com", "x", 50));
    // --engine sends every request of the profile to the simulator over plain http.
    setEngineHost("127.0.0.1:8080");
    EXPECT_EQ(buildProfileUrl(*builtinProfile("bing"), "a.com", "x", 1), "http://127.0.0.1:8080/search?q=site%3Aa.com%20x&first=1");
    setEngineHost(DEFAULT_ENGINE_HOST);
}

TEST(Profiles, FilesDefineProfilesOrStartFromOthers) {
    std::string error;
    auto profiles = parseProfiles(
        "\xEF\xBB\xBF; my engines\r\n[mine]\r\nurl=https://search.example/find\r\nkeyword=k\r\nquery={keyword} site:{site}\r\n"
        "paging=page\r\npage=p\r\nblock=item|entry\r\nresult=<a href=\"([^\"]+)\">([^<]*)</a>\r\nwall=请验证\r\n"
        "hostfilter=no\r\n\r\n[cn]\r\nlike=baidu\r\nsize=20\r\nnext=下一页\r\n",
        &error);
    ASSERT_EQ(profiles.size(), 2u) << error;
    const EngineProfile& mine = profiles["mine"];
    EXPECT_EQ(mine.host, "search.example");
    EXPECT_EQ(mine.path, "/find");
    EXPECT_EQ(mine.paging, Paging::PageNumber);
    EXPECT_EQ(mine.result, "<a href=\"([^\"]+)\">([^<]*)</a>");  // "=" inside a value is kept
    EXPECT_EQ(mine.walls, std::vector<std::string>{"请验证"});     // UTF-8 file read into GBK
    EXPECT_FALSE(mine.hostFilter);
    EXPECT_EQ(buildProfileUrl(mine, "a.com", "x", 3), "https://search.example/find?k=x%20site%3Aa.com&p=3");
    EXPECT_EQ(profiles["cn"].pageSize, 20);
    EXPECT_EQ(profiles["cn"].block, builtinProfile("baidu")->block);
    EXPECT_EQ(profiles["cn"].next, "下一页");

    // Mistakes name their line.
    EXPECT_TRUE(parseProfiles("[a]\nurl=ftp://x/\n", &error).empty());
    EXPECT_EQ(error.rfind("line 2", 0), 0u) << error;
    EXPECT_TRUE(parseProfiles("url=https://x/\n", &error).empty());
    EXPECT_TRUE(parseProfiles("[a]\nlike=nothing\n", &error).empty());
    EXPECT_TRUE(parseProfiles("[a]\nsize=-1\n", &error).empty());
    EXPECT_TRUE(parseProfiles("[a]\nurl=https://x/s\n", &error).empty());  // no keyword or result
    EXPECT_NE(error.find("needs"), std::string::npos);
    EXPECT_TRUE(parseProfiles("; nothing\n", &error).empty());
}

}  // namespace
