// Every text primitive takes any bytes: no exception, no read past the end. The program's
// texts come from files, the settings box, the command line and pages, and any of them may end
// in a lone byte of 0x80 or more (an odd number of UTF-8 bytes, or "€", the single byte 0x80
// of code page 936).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/text.h"

namespace {
using V = std::vector<std::string>;

// Joins pieces the way splitText cut them: the original text, less a separator at its end.
std::string joined(const V& pieces, const std::string& separator) {
    std::string out;
    for (size_t i = 0; i < pieces.size(); ++i) out += (i ? separator : "") + pieces[i];
    return out;
}

// Every text of up to `length` bytes over `alphabet`.
std::vector<std::string> allTexts(const std::string& alphabet, size_t length) {
    std::vector<std::string> texts = {""};
    for (size_t start = 0, n = 0; n < length; ++n) {
        size_t end = texts.size();
        for (size_t i = start; i < end; ++i)
            for (char c : alphabet) texts.push_back(texts[i] + c);
        start = end;
    }
    return texts;
}
}  // namespace

TEST(SplitText, ALoneHighByteAtTheEndIsAPieceNotACrash) {
    // "€" in code page 936 is the one byte 0x80.
    EXPECT_EQ(splitText("a.example;\x80", ";"), (V{"a.example", "\x80"}));
    // "新网盘" in UTF-8 is nine bytes: stepped two at a time, the last one stands alone.
    const std::string utf8 = "\xE6\x96\xB0\xE7\xBD\x91\xE7\x9B\x98";
    EXPECT_EQ(splitText("pan.example.com;" + utf8, ";"), (V{"pan.example.com", utf8}));
    EXPECT_EQ(splitText("\xFF", ";"), (V{"\xFF"}));
    EXPECT_EQ(splitText(";\xFF", ";"), (V{"", "\xFF"}));
    EXPECT_EQ(splitText("a.N.*\x80", ".N.*"), (V{"a", "\x80"}));
    EXPECT_EQ(splitText("\x80", "\x80"), (V{""}));
    EXPECT_EQ(splitText("\x81\x80", "\x80"), (V{"\x81\x80"}));  // never from a trail byte
}

TEST(SplitText, PiecesJoinBackIntoTheTextForEveryShortText) {
    const std::vector<std::string> separators = {";", "a", "\x80", "a;", ";;", "\xA1\xA1", ".N.*"};
    for (const std::string& text : allTexts(std::string(";a\x80\xA1 ", 5), 5)) {
        for (const std::string& separator : separators) {
            V pieces;
            ASSERT_NO_THROW(pieces = splitText(text, separator)) << text;
            std::string expected = text;
            if (expected.size() >= separator.size() &&
                expected.compare(expected.size() - separator.size(), separator.size(), separator) == 0 &&
                !pieces.empty() && joined(pieces, separator) != expected)
                expected.resize(expected.size() - separator.size());
            EXPECT_EQ(joined(pieces, separator), expected) << "text of " << text.size() << " bytes";
        }
    }
}

TEST(TextPrimitives, TotalOverTextsEndingInALoneHighByte) {
    for (const std::string& text : allTexts(std::string("a:\x80\xA1 \xFF", 6), 4)) {
        for (const char* what : {"", "a", ":", "\x80", "\xA1\xA1", "a:"}) {
            int found = findText(text, what);
            ASSERT_GE(found, -1);
            if (found > 0) {
                EXPECT_LE(size_t(found - 1) + std::string_view(what).size(), text.size());
                EXPECT_EQ(text.compare(size_t(found - 1), std::string_view(what).size(), what), 0);
            }
            EXPECT_GE(findText(text, what, 3, true), -1);
            int last = findTextLast(text, what);
            if (last > 0) {
                EXPECT_EQ(text.compare(size_t(last - 1), std::string_view(what).size(), what), 0);
            }
            EXPECT_LE(textBetween(text, what, ":").size(), text.size());
            EXPECT_LE(replaceAll(text, what, "xy").size(), text.size() * 3);
        }
        EXPECT_LE(trimSpaces(text).size(), text.size());
        EXPECT_LE(removeSpaces(text).size(), text.size());
        EXPECT_EQ(asciiLower(text).size(), text.size());
        EXPECT_LE(valueAfterColon(text).size(), text.size());
    }
    EXPECT_EQ(findText("ab\x80", "b"), 2);
    EXPECT_EQ(findText("a\x80", "\x80"), 2);
    EXPECT_EQ(trimSpaces(" a\x80 "), "a\x80 ");  // the blank is the lone byte's partner
    EXPECT_EQ(removeSpaces("a \xA1"), "a\xA1");
    EXPECT_EQ(asciiLower("A\x80"), "a\x80");
}
