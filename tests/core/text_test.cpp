#include <gtest/gtest.h>

#include "text/text.h"

// "汉" in GBK is BA BA; "乇" is D8 BF... a character whose trail byte is an ASCII letter or
// separator is what breaks byte-wise searching. 0x81 0x3B is a GBK pair whose trail is ';'.
static const std::string TRAIL_SEMICOLON = "\x81;";
static const std::string TRAIL_A =
    "\x81"
    "A";

TEST(FindText, PositionsAreOneBasedAndStartClamps) {
    EXPECT_EQ(findText("abcabc", "bc"), 2);
    EXPECT_EQ(findText("abcabc", "bc", 0), 2);
    EXPECT_EQ(findText("abcabc", "bc", 1), 2);
    EXPECT_EQ(findText("abcabc", "bc", 3), 5);
    EXPECT_EQ(findText("abcabc", "bc", 6), -1);
    EXPECT_EQ(findText("abcabc", "bc", 99), -1);
    EXPECT_EQ(findText("abc", "x"), -1);
    EXPECT_EQ(findText("", "x"), -1);
}

TEST(FindText, EmptyWhatFindsTheStartWhileTextRemains) {
    EXPECT_EQ(findText("abc", ""), 1);
    EXPECT_EQ(findText("abc", "", 3), 3);
    EXPECT_EQ(findText("abc", "", 4), -1);
    EXPECT_EQ(findText("", ""), -1);
}

TEST(FindText, NeverMatchesFromATrailByte) {
    EXPECT_EQ(findText(TRAIL_A + "A", "A"), 3);
    EXPECT_EQ(findText(TRAIL_A, "A"), -1);
    EXPECT_EQ(findText("x" + TRAIL_SEMICOLON + ";", ";"), 4);
    EXPECT_EQ(findTextLast(TRAIL_SEMICOLON + "a;b" + TRAIL_SEMICOLON, ";"), 4);
    EXPECT_EQ(findTextLast("a:b:c", ":"), 4);
    EXPECT_EQ(findTextLast("abc", ":"), -1);
}

TEST(FindText, IgnoreCaseFoldsOnlyAsciiLetters) {
    EXPECT_EQ(findText("xUser-Agent:", "user-agent:", 1, true), 2);
    EXPECT_EQ(findText("xUser-Agent:", "user-agent:", 1, false), -1);
    // A trail byte 'A' must not be folded into a match for 'a'.
    EXPECT_EQ(findText(TRAIL_A, "a", 1, true), -1);
}

TEST(Cutting, ClampsAtBothEnds) {
    EXPECT_EQ(leftBytes("abc", 0), "");
    EXPECT_EQ(leftBytes("abc", -3), "");
    EXPECT_EQ(leftBytes("abc", 2), "ab");
    EXPECT_EQ(leftBytes("abc", 10), "abc");
    EXPECT_EQ(rightBytes("abc", 2), "bc");
    EXPECT_EQ(rightBytes("abc", 10), "abc");
    EXPECT_EQ(rightBytes("abc", 0), "");
    EXPECT_EQ(midBytes("abcdef", 2, 3), "bcd");
    EXPECT_EQ(midBytes("abcdef", 5, 10), "ef");
    EXPECT_EQ(midBytes("abcdef", 0, 2), "");
    EXPECT_EQ(midBytes("abcdef", 7, 2), "");
    EXPECT_EQ(midBytes("abcdef", 2, 0), "");
}

TEST(Spaces, FullWidthSpacesCountTabsAndBreaksDoNot) {
    const std::string fw = "　";  // 0xA1 0xA1 in GBK
    ASSERT_EQ(fw, "\xA1\xA1");
    EXPECT_EQ(trimSpaces(fw + "  a b " + fw), "a b");
    EXPECT_EQ(trimSpaces("\tab\r\n"), "\tab\r\n");
    EXPECT_EQ(trimSpaces("   "), "");
    EXPECT_EQ(removeSpaces(" a" + fw + "b c\t"), "abc\t");
    // A character whose trail byte is 0xA1 followed by 0xA1 is not a full-width space.
    const std::string tricky = "\xB0\xA1\xA1\xA1";  // "啊" then a full-width space
    EXPECT_EQ(trimSpaces(tricky), "\xB0\xA1");
    EXPECT_EQ(removeSpaces(tricky), "\xB0\xA1");
}

TEST(TextBetween, FirstLeftThenFirstRightAfterIt) {
    EXPECT_EQ(textBetween("a[x]b[y]", "[", "]"), "x");
    EXPECT_EQ(textBetween("a[]b", "[", "]"), "");
    // The right marker only counts after the left one.
    EXPECT_EQ(textBetween("]x[y", "[", "]"), "");
    EXPECT_EQ(textBetween("no markers", "[", "]"), "");
    EXPECT_EQ(textBetween("Set-Cookie: a=1; path=/", "set-cookie:", ";"), " a=1");
    EXPECT_EQ(textBetween("Set-Cookie: a=1; path=/", "set-cookie:", ";", 0, true), "");
    EXPECT_EQ(textBetween("[a][b]", "[", "]", 3), "b");
}

TEST(TextBetween, QuoteMarkerStandsForADoubleQuote) {
    EXPECT_EQ(textBetween("<a href=\"x\">title</a>", std::string(QUOTE_MARKER) + ">", "<"), "title");
    EXPECT_EQ(textBetween("k=\"v\"", QUOTE_MARKER, QUOTE_MARKER), "v");
}

TEST(ValueAfterColon, TrimmedRestAfterFirstColon) {
    EXPECT_EQ(valueAfterColon("Location:  http://x:81/ "), "http://x:81/");
    EXPECT_EQ(valueAfterColon("no colon"), "");
    EXPECT_EQ(valueAfterColon("a:"), "");
}

TEST(SplitText, EmptyPiecesExceptAtTheEnd) {
    using V = std::vector<std::string>;
    EXPECT_EQ(splitText("", ";"), V{});
    EXPECT_EQ(splitText("a;b", ""), V{"a;b"});
    EXPECT_EQ(splitText("a;b", ";"), (V{"a", "b"}));
    EXPECT_EQ(splitText("a;b;", ";"), (V{"a", "b"}));
    EXPECT_EQ(splitText(";a", ";"), (V{"", "a"}));
    EXPECT_EQ(splitText("a;;b", ";"), (V{"a", "", "b"}));
    EXPECT_EQ(splitText(";", ";"), (V{""}));
    EXPECT_EQ(splitText("a\r\nb\r\n", "\r\n"), (V{"a", "b"}));
}

TEST(SplitText, SeparatorNeverMatchedFromTrailByte) {
    using V = std::vector<std::string>;
    EXPECT_EQ(splitText(TRAIL_SEMICOLON + ";x", ";"), (V{TRAIL_SEMICOLON, "x"}));
    EXPECT_EQ(splitText("a" + TRAIL_SEMICOLON, ";"), (V{"a" + TRAIL_SEMICOLON}));
}

TEST(ReplaceAll, LeftToRightNonOverlapping) {
    EXPECT_EQ(replaceAll("a\\\\b\\\\\\c", "\\\\", "\\"), "a\\b\\\\c");
    EXPECT_EQ(replaceAll("<em>x</em>", "<em>", ""), "x</em>");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
}

TEST(AttributeValue, QuotedBareAnyCaseAndStrayMarks) {
    EXPECT_EQ(attributeValue(" HREF = 'a b' class=x", "href"), "a b");
    EXPECT_EQ(attributeValue("data-href=\"no\" href=yes", "HREF"), "yes");
    EXPECT_EQ(attributeValue("disabled value", "value"), "");  // present but without a value
    EXPECT_EQ(attributeValue("= \"x\" href=y", "href"), "y");
    EXPECT_EQ(attributeValue("href=\"unclosed", "href"), "unclosed");
    EXPECT_EQ(attributeValue("/href=z/", "href"), "z/");
    EXPECT_EQ(attributeValue("title=a", "titl"), "");
}

TEST(AttributeValue, UpToTagEndStopsAtTheFirstBareGreaterThan) {
    EXPECT_EQ(attributeValue(" a=\"1>2\" b=3>c=4", "a", true), "1>2");
    EXPECT_EQ(attributeValue(" a=1 b=3>c=4", "b", true), "3");
    EXPECT_EQ(attributeValue(" a=1>c=4", "c", true), "");
    EXPECT_EQ(attributeValue(" a=1>c=4", "a"), "1>c=4");  // without it '>' is a bare value's byte
}

TEST(PercentEncode, KeepsLettersDigitsAndTheGivenMarksOnly) {
    // Each caller keeps its own marks: the engine's query keeps "-." only, the link checks "-_.~".
    EXPECT_EQ(percentEncode("aZ09-._~", "-."), "aZ09-.%5F%7E");
    EXPECT_EQ(percentEncode("aZ09-._~", "-_.~"), "aZ09-._~");
    // Blanks, reserved marks, the percent sign, bytes above 0x7F and zero bytes, in upper-case hex.
    EXPECT_EQ(percentEncode(std::string("a b/?&=%+\x01\xE7\x94\xB5\xFF", 14) + std::string(1, '\0'), "-."),
              "a%20b%2F%3F%26%3D%25%2B%01%E7%94%B5%FF%00");
    EXPECT_EQ(percentEncode("", "-."), "");
}
