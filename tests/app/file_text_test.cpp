// What the program makes of texts that become files or come from them: the export file's name
// for any keyword, and url.txt in either encoding.
#include <gtest/gtest.h>

#include "app/export_format.h"
#include "app/extra_sites.h"
#include "text/encoding.h"

namespace {
std::wstring nameFor(const std::string& gbkKeyword) {
    return exportFileName(gbkToWide(gbkKeyword));
}
// Each keyword (GBK) with the stem its export file's name must have before "资源列表.txt".
void expectStems(std::initializer_list<std::pair<std::string, std::string>> cases) {
    for (const auto& [keyword, stem] : cases)
        EXPECT_EQ(nameFor(keyword), gbkToWide(stem + "资源列表.txt")) << "keyword: " << keyword;
}
}  // namespace

TEST(ExportFileName, OrdinaryKeywordsAreKeptAsTheyAre) {
    expectStems({{"电影", "电影"}, {"", ""}, {"a b.c-d_e (1)", "a b.c-d_e (1)"}, {" 前面的空格", " 前面的空格"},
                 // Device names matter only before the name's first dot; "CON资源列表.txt" is a plain name.
                 {"CON", "CON"}, {"console.x", "console.x"}, {"COM10.x", "COM10.x"}});
}

TEST(ExportFileName, CharactersWindowsRefusesBecomeUnderscores) {
    // "a:b" would write the hidden stream "b资源列表.txt" of a file "a".
    expectStems({{"a:b", "a_b"}, {"\\abc", "_abc"}, {"..\\..\\x", ".._.._x"}, {"a/b*c?d\"e<f>g|h", "a_b_c_d_e_f_g_h"},
                 {std::string("t\tx\r\ny\x01", 7), "t_x__y_"},
                 // A GBK character whose second byte is 0x5C or 0x7C is one character, not a separator.
                 {"\x81\x5C\x81\x7C", "\x81\x5C\x81\x7C"}});
}

TEST(ExportFileName, DeviceNamesAndADotOrBlankAtTheEnd) {
    expectStems({{"con.x", "_.x"}, {"NUL .mp4", "_.mp4"}, {"Com1.a.b", "_.a.b"}, {"lpt9.x", "_.x"}, {"conout$.x", "_.x"},
                 {"aux:.x", "aux_.x"},
                 // A dot or blank at the keyword's end.
                 {"abc.", "abc_"}, {"abc. ", "abc__"}, {"   ", "___"}, {"con.", "con_"}});
}

TEST(ExtraSitesFile, GbkAsWrittenAndUtf8AsTheUserWroteIt) {
    const std::string gbk = "pan.example.com;新网盘.example";
    const std::string utf8 = gbkToUtf8(gbk);
    ASSERT_NE(utf8, gbk);
    EXPECT_EQ(extraSitesFromBytes(gbk), gbk);
    EXPECT_EQ(extraSitesFromBytes(utf8), gbk);
    EXPECT_EQ(extraSitesFromBytes("\xEF\xBB\xBF" + utf8), gbk);
    EXPECT_EQ(extraSitesFromBytes("\xEF\xBB\xBF"
                                  "a.example"),
              "a.example");
    // An odd number of UTF-8 bytes at the end, as "新网盘" gives: read as what it says.
    EXPECT_EQ(extraSitesFromBytes("pan.example.com;" + gbkToUtf8("新网盘")), "pan.example.com;新网盘");
    // Plain ASCII and the zero byte rule are as before.
    EXPECT_EQ(extraSitesFromBytes(std::string("a.com\0b", 7)), "a.com");
    EXPECT_EQ(extraSitesFromBytes(gbkToUtf8("网") + std::string("\0junk", 5)), "网");
    // A GBK text that is not UTF-8, and "€" (0x80 in code page 936): GBK, unchanged.
    EXPECT_EQ(extraSitesFromBytes("a.example;\x80"), "a.example;\x80");
    EXPECT_EQ(extraSitesFromBytes("电影;中文网盘"), "电影;中文网盘");
}

namespace {
// `text` as UTF-16 bytes behind the byte-order mark, in either order.
std::string utf16Bytes(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        char high = char(unit >> 8), low = char(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}
}  // namespace

TEST(ExtraSitesFile, Utf16AsNotepadSavesIt) {
    for (bool bigEndian : {false, true}) {
        EXPECT_EQ(extraSitesFromBytes(utf16Bytes(u"pan.example.com;新网盘", bigEndian)), "pan.example.com;新网盘");
        // The zero unit ends the text as the zero byte does elsewhere; a lone last byte is dropped.
        EXPECT_EQ(extraSitesFromBytes(utf16Bytes(std::u16string(u"a.com\0b.com", 11), bigEndian)), "a.com");
        EXPECT_EQ(extraSitesFromBytes(utf16Bytes(u"a.com", bigEndian) + "x"), "a.com");
        EXPECT_EQ(extraSitesFromBytes(utf16Bytes(u"", bigEndian)), "");
        // A pair of surrogates is one character; one alone is no character at all.
        EXPECT_EQ(extraSitesFromBytes(utf16Bytes(u"a;\U0001F600", bigEndian)), "a;" + utf8ToGbk("\xF0\x9F\x98\x80"));
        EXPECT_EQ(extraSitesFromBytes(utf16Bytes(std::u16string(u"a\xD800" u"b", 3), bigEndian)),
                  "a" + utf8ToGbk("\xEF\xBF\xBD") + "b");
        EXPECT_EQ(extraSitesFromBytes(utf16Bytes(std::u16string(u"a\xDC00", 2), bigEndian)),
                  "a" + utf8ToGbk("\xEF\xBF\xBD"));
    }
}

TEST(ExtraSitesFile, StrictUtf8) {
    EXPECT_TRUE(isUtf8(""));
    EXPECT_TRUE(isUtf8("abc"));
    EXPECT_TRUE(isUtf8("\xE6\x96\xB0\xF0\x9F\x98\x80\xC2\x80\xF4\x8F\xBF\xBF"));
    EXPECT_FALSE(isUtf8("\xE6\x96"));          // cut
    EXPECT_FALSE(isUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(isUtf8("\xE0\x80\xAF"));      // overlong
    EXPECT_FALSE(isUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(isUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(isUtf8("\x80"));
    EXPECT_FALSE(isUtf8("\xFF"));
    EXPECT_FALSE(isUtf8("\xD6\xD0\xCE\xC4"));  // "中文" in GBK
}
