#include <gtest/gtest.h>

#include "each_case.h"
#include "text/encoding.h"
#include "search/query.h"
#include "search/site_host.h"
#include "search/services.h"

TEST(ServiceTableTest, NumberedInOrderWithDistinctBareHosts) {
    for (int i = 0; i < SERVICE_COUNT; ++i) {
        const auto& e = ServiceTable[size_t(i)];
        EXPECT_EQ(e.number, i + 1);
        std::string host = e.host;
        EXPECT_FALSE(host.empty());
        EXPECT_EQ(host.find_first_of(":/ "), std::string::npos) << host;
        for (int j = 0; j < i; ++j) EXPECT_STRNE(e.host, ServiceTable[size_t(j)].host);
    }
    EXPECT_STREQ(ServiceTable[0].boxName, "选择框_百度");
    EXPECT_STREQ(ServiceTable[11].caption, "115网盘");
    EXPECT_STREQ(ServiceTable[21].caption, ServiceTable[21].host);
}

TEST(Tasks, BuildAndParse) {
    EXPECT_EQ(makeSearchTask(7), "7.N.*");
    EXPECT_EQ(makeSearchTask(24, "a.com"), "24.N.*a.com");
    auto t = parseSearchTask("7.N.*");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->serviceNumber, 7);
    EXPECT_EQ(t->extraHost, "");
    t = parseSearchTask("25.N.*my.host.N.*rest");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->serviceNumber, 25);
    EXPECT_EQ(t->extraHost, "my.host");  // cut at its first separator
    EXPECT_FALSE(parseSearchTask(""));
    EXPECT_EQ(parseSearchTask("x.N.*h")->serviceNumber, 0);
    EXPECT_EQ(parseSearchTask("3.9.N.*")->serviceNumber, 3);
    // Decimal only: a hexadecimal or special form is no service number.
    EXPECT_EQ(parseSearchTask("0x18.N.*h")->serviceNumber, 0);
    EXPECT_EQ(parseSearchTask("inf.N.*h")->serviceNumber, 0);
    EXPECT_EQ(parseSearchTask("nan.N.*h")->serviceNumber, 0);
    // Too large for an int: still an extra site's number, not 0.
    auto huge = parseSearchTask("30000000000.N.*far.example");
    EXPECT_EQ(hostFor(huge->serviceNumber, huge->extraHost), "far.example");
    EXPECT_LE(parseSearchTask("-30000000000.N.*h")->serviceNumber, 0);
}

TEST(Tasks, HostForEveryRange) {
    EXPECT_EQ(hostFor(1, "ignored"), ServiceTable[0].host);
    EXPECT_EQ(hostFor(22, ""), ServiceTable[21].host);
    EXPECT_EQ(hostFor(23, "x.com"), "x.com");
    EXPECT_EQ(hostFor(33, ""), "");
    EXPECT_EQ(hostFor(0, "x.com"), "");
    EXPECT_EQ(hostFor(-4, "x.com"), "");
}

TEST(Tasks, OneSearchStartsTickedServicesThenExtraSites) {
    std::vector<bool> ticked(22, false);
    ticked[2] = ticked[21] = true;
    using V = std::vector<std::string>;
    EXPECT_EQ(searchTasks(ticked, false, "a.com;b.com"), (V{"3.N.*", "22.N.*"}));
    // An empty item names no host and is not searched; the others keep their numbers.
    EXPECT_EQ(searchTasks(ticked, true, "a.com;;b.com;"), (V{"3.N.*", "22.N.*", "24.N.*a.com", "26.N.*b.com"}));
    EXPECT_EQ(searchTasks(std::vector<bool>(22, false), true, ""), V{});
    std::vector<bool> all(22, true);
    auto tasks = searchTasks(all, true, "a;b;c");
    ASSERT_EQ(tasks.size(), 25u);
    EXPECT_EQ(tasks[21], "22.N.*");
    EXPECT_EQ(tasks[22], "24.N.*a");
    EXPECT_EQ(tasks[24], "26.N.*c");
    auto ten = searchTasks(std::vector<bool>(22, false), true, "1;2;3;4;5;6;7;8;9;10");
    EXPECT_EQ(ten.back(), "33.N.*10");
}

TEST(EncodeKeyword, UnreservedPassEverythingElseEscapedUpperHex) {
    expectEach(encodeKeyword, {{"Abc-1.9z", "Abc-1.9z"}, {"a b/c", "a%20b%2Fc"}, {"_~+&=%", "%5F%7E%2B%26%3D%25"},
                               {"\n", "%0A"}, {"电影", "%E7%94%B5%E5%BD%B1"}});
}

TEST(Encoding, GbkUtf8RoundTrip) {
    const std::string gbk = "电影 abc";
    EXPECT_EQ(gbkToUtf8(gbk), "\xE7\x94\xB5\xE5\xBD\xB1 abc");
    EXPECT_EQ(utf8ToGbk(gbkToUtf8(gbk)), gbk);
    EXPECT_EQ(wideToGbk(gbkToWide(gbk)), gbk);
    EXPECT_EQ(gbkToWide("电"), std::wstring(1, wchar_t(0x7535)));
    EXPECT_EQ(utf8ToGbk(""), "");
}

TEST(Encoding, LargePagesConvertInSlicesExactlyAsPieceByPiece) {
    // Characters of one to four UTF-8 bytes and stray bytes, repeated so that slices end at
    // every offset inside a character; each piece alone is the reference.
    const std::vector<std::string> pieces = {"a",           "\xE7\x94\xB5",     "\xC3\xA9", "\xC2\xB7",
                                             "\xF0\x9F\x98\x80", "<em>x</em>", "\xE2\x82\xAC"};
    std::string utf8, expected;
    for (size_t i = 0; utf8.size() < 400000; ++i) {
        const std::string& piece = pieces[(i * 7 + i / 5) % pieces.size()];
        utf8 += piece;
        expected += utf8ToGbk(piece);
    }
    std::string inPlace = utf8;
    utf8ToGbkInPlace(inPlace);
    EXPECT_EQ(inPlace, expected);
    EXPECT_EQ(utf8ToGbk(utf8), expected);
    std::string empty;
    utf8ToGbkInPlace(empty);
    EXPECT_EQ(empty, "");
}

TEST(QueryUrl, FirstAndLaterPages) {
    setEngineHost("engine.test");
    EXPECT_EQ(buildQueryUrl("pan.baidu.com", "电影", 0),
              "http://engine.test/s?wd=site%3Apan.baidu.com%20%E7%94%B5%E5%BD%B1&pn=0&rn=50&ie=utf-8&rsv_page=1");
    EXPECT_EQ(buildQueryUrl("h.com", "x", 100),
              "http://engine.test/s?wd=site%3Ah.com%20x&pn=100&rn=50&ie=utf-8&rsv_page=1");
    EXPECT_EQ(buildQueryUrl("", "", 50), "http://engine.test/s?wd=site%3A%20&pn=50&rn=50&ie=utf-8&rsv_page=1");
    setEngineHost(DEFAULT_ENGINE_HOST);
}

TEST(QueryUrl, EngineOption) {
    EXPECT_TRUE(applyEngineOption({"prog", "--engine=127.0.0.1:8123"}));
    EXPECT_EQ(engineHost(), "127.0.0.1:8123");
    EXPECT_FALSE(applyEngineOption({"--engine=http://x/"}));
    EXPECT_FALSE(applyEngineOption({"--engine="}));
    // The port must be one a connection can take, not one that wraps round or is no number.
    EXPECT_FALSE(applyEngineOption({"--engine=127.0.0.1:70000"}));
    EXPECT_FALSE(applyEngineOption({"--engine=127.0.0.1:0"}));
    EXPECT_FALSE(applyEngineOption({"--engine=127.0.0.1:"}));
    EXPECT_FALSE(applyEngineOption({"--engine=127.0.0.1:80a"}));
    EXPECT_FALSE(applyEngineOption({"--engine=a:1:2"}));
    EXPECT_FALSE(applyEngineOption({"--engine=:8080"}));
    EXPECT_TRUE(applyEngineOption({"--engine=localhost:65535"}));
    EXPECT_EQ(engineHost(), "localhost:65535");
    EXPECT_TRUE(applyEngineOption({"--engine=127.0.0.1:8123"}));
    EXPECT_EQ(engineHost(), "127.0.0.1:8123");
    EXPECT_TRUE(applyEngineOption({"--other"}));
    setEngineHost(DEFAULT_ENGINE_HOST);
    EXPECT_EQ(engineHost(), "www.baidu.com");
}

TEST(SiteHosts, OnlyHostNamesPass) {
    expectEach(asciiSiteHost, {{"pan.example.com", "pan.example.com"},
                               {"  https://Pan.Example.com/ ", "Pan.Example.com"},
                               {"xn--fiqs8s.example.", "xn--fiqs8s.example"},
                               {"a-b.c1", "a-b.c1"},
                               // Enter after the last site in a text editor, or a tab before one:
                               // the host is still read.
                               {"pan.example.com\r\n", "pan.example.com"},
                               {"\t\n pan.example.com/\n", "pan.example.com"},
                               {"\xA1\xA1pan.example.com\r\n\xA1\xA1", "pan.example.com"}});
    for (const char* bad :
         {"", " ", "inj.t&pn=5000&rn=1", "a b.com", "a.com#x", "a%20.com", "a.com\r\nX: 1", "a.com\tb", "-a.com",
          "a-.com", "a..com", ".a.com", "a.com/path", "a.com:8080", "http://", "\x80", "新网盘", "a.com\x7f"}) {
        EXPECT_FALSE(asciiSiteHost(bad)) << bad;
    }
    EXPECT_FALSE(asciiSiteHost(std::string(64, 'a') + ".com"));
    EXPECT_TRUE(asciiSiteHost(std::string(63, 'a') + ".com"));
    std::string long254;
    while (long254.size() < 254) long254 += "abcdefghi.";
    EXPECT_FALSE(asciiSiteHost(long254.substr(0, 254)));
}

TEST(SiteHosts, SearchesNeverCarryWhatIsNotAHost) {
    std::vector<bool> none(22, false);
    using V = std::vector<std::string>;
    // A query key, a line break and a blank in a site text never reach a task (and so never an address).
    EXPECT_EQ(searchTasks(none, true, "inj.t&pn=5000&rn=1;ok.example;a.com\r\nHost: x;b c;\x80"),
              (V{"25.N.*ok.example"}));
    EXPECT_EQ(searchTasks(none, true, "a.example\r\nHost: x;b.example\r\n"), (V{"25.N.*b.example"}));
    EXPECT_EQ(rejectedSites("ok.example;inj.t&pn=5000;;x y"), (V{"inj.t&pn=5000", "", "x y"}));
    EXPECT_EQ(sitesForSearch(" http://a.example/ ;bad host;b.example"), "a.example;;b.example");
    for (const std::string& task : searchTasks(none, true, "a.com\x01;b.com\x1f;c.com\x20;d.com")) {
        for (char c : task) EXPECT_GE(static_cast<unsigned char>(c), 0x21u) << task;
    }
}
