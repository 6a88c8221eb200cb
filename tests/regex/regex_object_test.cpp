// The pattern object under the real VBScript.RegExp component: dialect, numbering, positions
// in GBK subjects, replace, failures and copies.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "text/text.h"
#include "regex/regex_object.h"

namespace {

using Texts = std::vector<std::string>;

// Every match's text, in order: the count and the texts in one comparison.
Texts matchTexts(const RegexObject& re) {
    Texts out;
    for (int i = 1; i <= re.matchCount(); ++i) out.push_back(re.matchText(i));
    return out;
}

TEST(RegexObjectDialect, OmittedOptionsAreCaseInsensitiveMultilineAndGlobal) {
    RegexObject re;
    ASSERT_TRUE(re.run("a.c", "xA-Cx abc"));
    EXPECT_EQ(matchTexts(re), (Texts{"A-C", "abc"}));

    ASSERT_TRUE(re.run("^(\\w+)$", "one\ntwo\nthree"));
    ASSERT_EQ(re.matchCount(), 3);
    EXPECT_EQ(re.subMatchText(3, 1), "three");

    // A full stop does not cross a line feed; lazy groups stop at the first closing text.
    ASSERT_TRUE(re.run("a.b", "a\nb"));
    EXPECT_EQ(re.matchCount(), 0);
    ASSERT_TRUE(re.run("<(.*?)>", "<x><yy>"));
    ASSERT_EQ(re.matchCount(), 2);
    EXPECT_EQ(re.subMatchText(2, 1), "yy");
}

TEST(RegexObjectDialect, ExplicitOptionsAreHonoured) {
    RegexObject re;
    ASSERT_TRUE(re.run("a.c", "A-C", true));
    EXPECT_EQ(re.matchCount(), 0);
    ASSERT_TRUE(re.run("^x$", "x\nx", false, false));
    EXPECT_EQ(re.matchCount(), 0);
    ASSERT_TRUE(re.run("x", "x x x", false, true, false));
    EXPECT_EQ(re.matchCount(), 1);
}

TEST(RegexObjectDialect, QuoteMarkerExpandsOnlyWhenAsked) {
    RegexObject re;
    std::string pattern = std::string("href=") + QUOTE_MARKER + "(.*?)" + QUOTE_MARKER;
    ASSERT_TRUE(re.run(pattern, "<a href=\"http://x/\">", {}, {}, {}, true));
    ASSERT_EQ(re.matchCount(), 1);
    EXPECT_EQ(re.subMatchText(1, 1), "http://x/");
    EXPECT_EQ(re.pattern(), "href=\"(.*?)\"");

    ASSERT_TRUE(re.run("a#引号b", "a\"b a#引号b"));
    EXPECT_EQ(matchTexts(re), Texts{"a#引号b"});
}

TEST(RegexObjectDialect, ChineseTextCrossesBothWays) {
    RegexObject re;
    ASSERT_TRUE(re.run("资源(.+?)列表", "网盘资源下载列表"));
    ASSERT_EQ(re.matchCount(), 1);
    EXPECT_EQ(re.subMatchText(1, 1), "下载");
    EXPECT_EQ(re.pattern(), "资源(.+?)列表");
}

TEST(RegexObjectDialect, ExecuteRerunsTheLastPatternAndOptionsOnANewSubject) {
    RegexObject re;
    EXPECT_FALSE(re.execute("abc"));  // nothing compiled yet
    EXPECT_EQ(re.matchCount(), 0);
    ASSERT_TRUE(re.run("x(\\d)", "X1 x2", true));  // case-sensitive
    ASSERT_EQ(re.matchCount(), 1);
    ASSERT_TRUE(re.execute("x7 X8 x9"));
    ASSERT_EQ(re.matchCount(), 2);  // still case-sensitive and global
    EXPECT_EQ(re.subMatchText(2, 1), "9");
    int position = 0;
    EXPECT_EQ(re.matchText(1, &position), "x7");
    EXPECT_EQ(position, 0);
    EXPECT_EQ(re.pattern(), "x(\\d)");
    ASSERT_TRUE(re.execute(""));
    EXPECT_EQ(re.matchCount(), 0);
    EXPECT_EQ(re.matchText(1), "");  // the old matches are gone
}

TEST(RegexObjectNumbering, MatchesAndGroupsCountFromOne) {
    RegexObject re;
    ASSERT_TRUE(re.run("(\\d)-(\\w)", "1-a 2-b 3-c"));
    ASSERT_EQ(re.matchCount(), 3);
    EXPECT_EQ(re.matchText(0), "");
    EXPECT_EQ(re.matchText(4), "");
    EXPECT_EQ(re.matchText(-1), "");
    EXPECT_EQ(re.subMatchText(2, 2), "b");
    EXPECT_EQ(re.subMatchText(2, 1), "2");
    EXPECT_EQ(re.subMatchText(2, 3), "");
    EXPECT_EQ(re.subMatchText(2, 0), "");
    EXPECT_EQ(re.subMatchText(9, 1), "");
    EXPECT_EQ(re.subMatchCount(), 2);

    // A group that did not take part gives the empty text; the count comes from match 1.
    ASSERT_TRUE(re.run("(a)|(b)(c)", "bc a"));
    ASSERT_EQ(re.matchCount(), 2);
    EXPECT_EQ(re.subMatchText(2, 2), "");
    EXPECT_EQ(re.subMatchText(2, 1), "a");
    EXPECT_EQ(re.subMatchCount(), 3);

    ASSERT_TRUE(re.run("(z)", "abc"));
    EXPECT_EQ(re.subMatchCount(), 0);
}

TEST(RegexObjectFailures, MalformedPatternAndUnusedObjectAreQuiet) {
    RegexObject fresh;
    EXPECT_EQ(fresh.matchCount(), 0);
    EXPECT_EQ(fresh.pattern(), "");
    EXPECT_EQ(fresh.matchText(1), "");
    EXPECT_EQ(fresh.subMatchCount(), 0);
    EXPECT_EQ(fresh.replace("x"), "");

    RegexObject re;
    ASSERT_TRUE(re.run("a", "aaa"));
    EXPECT_FALSE(re.run("(a", "aaa"));
    EXPECT_EQ(re.matchCount(), 0);
    EXPECT_EQ(re.matchText(1), "");
    int position = 99;
    EXPECT_EQ(re.subMatchText(1, 1, &position), "");
    EXPECT_EQ(position, -2);
}

TEST(RegexObjectReplace, ReplacesEveryMatchOfTheStoredSubjectAndKeepsState) {
    RegexObject re;
    ASSERT_TRUE(re.run("(\\d+)", "a1 b22 c333"));
    EXPECT_EQ(re.replace("<$1>"), "a<1> b<22> c<333>");
    EXPECT_EQ(re.replace(), "a b c");
    EXPECT_EQ(re.matchCount(), 3);
    EXPECT_EQ(re.matchText(3), "333");

    ASSERT_TRUE(re.run("\\d", "1 2", false, true, false));
    EXPECT_EQ(re.replace("#"), "# 2");

    ASSERT_TRUE(re.run("盘", "网盘云盘"));
    EXPECT_EQ(re.replace("站"), "网站云站");
}

TEST(RegexObjectPositions, ByteOffsetsInGbkSubject) {
    RegexObject re;
    // Two double-byte characters before the match: character index 2, byte offset 4.
    ASSERT_TRUE(re.run("abc", "中文abc"));
    int position = -1;
    EXPECT_EQ(re.matchText(1, &position), "abc");
    EXPECT_EQ(position, 4);

    // Identical matches right behind double-byte characters each get their own offset.
    ASSERT_TRUE(re.run("a", "中中aaa"));
    ASSERT_EQ(re.matchCount(), 3);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(re.matchText(i, &position), "a");
        EXPECT_EQ(position, 3 + i) << "match " << i;
    }

    // A group is found from the start of its whole match.
    ASSERT_TRUE(re.run("x(中)y(z)", "x中y 中中x中yz"));
    ASSERT_EQ(re.matchCount(), 1);
    EXPECT_EQ(re.matchText(1, &position), "x中yz");
    EXPECT_EQ(position, 9);
    EXPECT_EQ(re.subMatchText(1, 1, &position), "中");
    EXPECT_EQ(position, 10);
    EXPECT_EQ(re.subMatchText(1, 2, &position), "z");
    EXPECT_EQ(position, 13);

    // Case-insensitive matches are located by their own bytes.
    ASSERT_TRUE(re.run("abc", "ABc中abc"));
    EXPECT_EQ(re.matchText(2, &position), "abc");
    EXPECT_EQ(position, 5);

    // A case-sensitive run finds its match even where a case variant comes first.
    ASSERT_TRUE(re.run("Ab", "中ab Ab", true));
    EXPECT_EQ(re.matchText(1, &position), "Ab");
    EXPECT_EQ(position, 5);
    EXPECT_EQ(re.matchText(2, &position), "");
    EXPECT_EQ(position, -2);
}

TEST(RegexObjectCopy, CopySharesResultsAndOutlivesTheOriginal) {
    auto original = std::make_unique<RegexObject>();
    ASSERT_TRUE(original->run("(b+)", "ab abb"));
    RegexObject copy(*original);
    EXPECT_EQ(copy.matchCount(), 2);
    EXPECT_EQ(copy.subMatchText(2, 1), "bb");

    // A later run of the original does not disturb the copy's shared results.
    ASSERT_TRUE(original->run("x", "xxx"));
    EXPECT_EQ(original->matchCount(), 3);
    EXPECT_EQ(copy.matchCount(), 2);
    original.reset();
    EXPECT_EQ(copy.matchText(1), "b");
    EXPECT_EQ(copy.pattern(), "(b+)");
    EXPECT_EQ(copy.replace("-"), "a- a-");

    RegexObject assigned;
    assigned = copy;
    EXPECT_EQ(assigned.matchText(2), "bb");
}

TEST(RegexObjectThreads, WorksOnAThreadThatNeverInitialisedCom) {
    int count = -1;
    std::string text;
    std::thread worker([&] {
        RegexObject re;
        re.run("n(\\d)", "n1 n2");
        count = re.matchCount();
        text = re.subMatchText(2, 1);
    });
    worker.join();
    EXPECT_EQ(count, 2);
    EXPECT_EQ(text, "2");
}

}  // namespace
