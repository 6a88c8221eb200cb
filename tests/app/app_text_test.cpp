// Export layout, export path, file-manager command, which addresses reach the shell, and the
// extra-sites rules: the texts the shell builds without any window.
#include <gtest/gtest.h>

#include "app/export_format.h"
#include "app/extra_sites.h"
#include "text/encoding.h"
#include "search/services.h"

TEST(ExportText, EntriesThenHeadingThenFilteredEntriesWithoutNumbers) {
    std::vector<ResultRow> results = {{"电影 合集", "http://pan.baidu.com/s/1"}, {"t2", "http://a/2"}};
    std::vector<ResultRow> filtered = {{"f", "http://f/"}};
    EXPECT_EQ(exportText(results, filtered),
              "电影 合集      http://pan.baidu.com/s/1\r\n\r\n"
              "t2      http://a/2\r\n\r\n"
              "筛选后：\r\n\r\n"
              "f      http://f/\r\n\r\n");
    // Empty lists: only the heading, four bytes of line breaks at its end.
    std::string empty = exportText({}, {});
    EXPECT_EQ(empty, "筛选后：\r\n\r\n");
    EXPECT_EQ(empty.substr(empty.size() - 4), "\r\n\r\n");
    // Empty cells still give the six blanks and the blank line.
    EXPECT_EQ(exportText({{"", ""}}, {}), "      \r\n\r\n筛选后：\r\n\r\n");
}

TEST(ExportPath, NameAndPlaceAndFileManagerCommand) {
    EXPECT_EQ(exportPath(L"C:\\Tools\\Quorrel", gbkToWide("电影")), gbkToWide("C:\\Tools\\Quorrel\\电影资源列表.txt"));
    EXPECT_EQ(exportPath(L"C:\\Tools", L""), gbkToWide("C:\\Tools\\资源列表.txt"));
    // A program in a drive's root: the directory is "D:" and the separator is still written.
    EXPECT_EQ(exportPath(L"D:", L"x"), gbkToWide("D:\\x资源列表.txt"));
    // The command reduces every double backslash of the path to one; the path itself is used
    // unchanged for the file.
    std::wstring path = L"C:\\q\\\\abc.txt";
    EXPECT_EQ(explorerCommand(path), L"explorer /n,/select,\"C:\\q\\abc.txt\"");
    // Three backslashes: left to right, the first pair becomes one, the third stays.
    EXPECT_EQ(explorerCommand(L"C:\\\\\\x"), L"explorer /n,/select,\"C:\\\\x\"");
    // A folder name outside GBK (Korean, an emoji) passes through whole.
    EXPECT_EQ(exportPath(L"C:\\\uD55C\uAE00 \U0001F600", L"k"),
              L"C:\\\uD55C\uAE00 \U0001F600\\k" + gbkToWide("资源列表.txt"));
}

TEST(OpenableAddress, OnlyWebAddressesReachTheShell) {
    EXPECT_TRUE(isOpenableAddress("http://pan.baidu.com/s/1abc?x=1&amp;y=2"));
    EXPECT_TRUE(isOpenableAddress("HTTPS://Example.com"));
    EXPECT_TRUE(isOpenableAddress("http://www.baidu.com/link?url=中文"));
    EXPECT_FALSE(isOpenableAddress(""));
    EXPECT_FALSE(isOpenableAddress("http://"));
    EXPECT_FALSE(isOpenableAddress("https:///etc/passwd"));
    EXPECT_FALSE(isOpenableAddress("file:///C:/Windows/system32/calc.exe"));
    EXPECT_FALSE(isOpenableAddress("C:\\Windows\\system32\\cmd.exe"));
    EXPECT_FALSE(isOpenableAddress("\\\\server\\share\\run.exe"));
    EXPECT_FALSE(isOpenableAddress("javascript:alert(1)"));
    EXPECT_FALSE(isOpenableAddress("calc"));
    EXPECT_FALSE(isOpenableAddress(" http://a.com"));
    EXPECT_FALSE(isOpenableAddress("http://a.com/\" && calc"));
    EXPECT_FALSE(isOpenableAddress("http://a.com/\r\nx"));
}

TEST(CountText, PrefixAndDecimal) {
    EXPECT_EQ(countText(0), "资源数：0");
    EXPECT_EQ(countText(10000), "资源数：10000");
}

TEST(ExtraSites, FileBytesEndAtFirstZero) {
    EXPECT_EQ(extraSitesFromBytes(std::string("a.com;b.com\0c.com", 17)), "a.com;b.com");
    EXPECT_EQ(extraSitesFromBytes(std::string("\0a", 2)), "");
    EXPECT_EQ(extraSitesFromBytes(""), "");
    EXPECT_EQ(extraSitesFromBytes("a.com;\r\n"), "a.com;\r\n");
}

TEST(ExtraSites, OnlyEmptyAndSemicolonEndingTextsAreRefused) {
    EXPECT_EQ(checkExtraSites(""), ExtraSitesCheck::Empty);
    EXPECT_EQ(checkExtraSites("a.com;b.com;"), ExtraSitesCheck::EndsWithSemicolon);
    EXPECT_EQ(checkExtraSites(";"), ExtraSitesCheck::EndsWithSemicolon);
    EXPECT_EQ(checkExtraSites("a.com;b.com"), ExtraSitesCheck::Ok);
    EXPECT_EQ(checkExtraSites(" "), ExtraSitesCheck::Ok);
    EXPECT_EQ(checkExtraSites("a.com;\r\n"), ExtraSitesCheck::Ok);  // last byte is the line feed
    EXPECT_EQ(checkExtraSites(";;a"), ExtraSitesCheck::Ok);
}

TEST(ExtraSites, HelpTextNamesTheFirstServiceHost) {
    std::string host = ServiceTable[0].host;
    EXPECT_EQ(settingsHelpText(), "只需写入网址 如：百度网盘的首页地址是：" + host + " 在编辑框里面就是\r\n\r\n" +
                                      host + "\r\n\r\n支持多个网址 每个网址之间请用英文分号隔开\r\n\r\n如：" + host +
                                      ";" + HELP_SECOND_EXAMPLE_HOST);
}
