// The page reader on real-shaped pages: forum posts, blog articles, link lists, Markdown and
// plain posts, with the decoys people's pages carry (archive passwords, codes of other links).
// Literals are GBK, as the program's texts are.
#include <gtest/gtest.h>

#include <cstdio>

#include "links/page_text.h"
#include "text/encoding.h"

namespace {

const char BAIDU_A[] = "https://pan.baidu.com/s/1AbCdEfGhIjKlMnOpQrStUv";
const char BAIDU_B[] = "https://pan.baidu.com/s/1ZyXwVuTsRqPoNmLkJiHgFe";
const char QUARK_A[] = "https://pan.quark.cn/s/3f8a9c2b1d4e";
const char QUARK_B[] = "https://pan.quark.cn/s/7c1e2d3f4a5b";

std::string shareOf(const std::string& url) {
    std::optional<ShareLink> link = readShareLink(url);
    return link ? link->share : "(no share: " + url + ")";
}

// The share of `url` among those found, or nullptr.
const PageShare* found(const std::vector<PageShare>& shares, const std::string& url) {
    for (const PageShare& share : shares) {
        if (share.link.share == shareOf(url)) return &share;
    }
    return nullptr;
}

std::string codeFor(const std::vector<PageShare>& shares, const std::string& url) {
    const PageShare* share = found(shares, url);
    return share ? share->link.code : "(not found)";
}

}  // namespace

TEST(PageText, ForumPostKeepsCodesWithinTheirPost) {
    std::string page = std::string("<html><head><title>三体全集</title><script>var u='") + BAIDU_B +
                       "';</script><style>.x{}</style></head><body><table><tr><td class=\"t_f\" id=\"postmessage_1\">"
                       "三体全集 epub<br />\r\n链接：<a href=\"" + BAIDU_A + "\" target=\"_blank\">" + BAIDU_A +
                       "</a><br />\r\n提取码：x7k2 <br />\r\n--来自百度网盘超级会员V5的分享</td></tr>"
                       "<tr><td class=\"t_f\" id=\"postmessage_2\">夸克的在这里 " + QUARK_A +
                       "<br />解压密码：www1</td></tr></table><!-- " + BAIDU_B + " 提取码: zzzz --></body></html>";
    std::vector<PageShare> shares = sharesInPage(page);
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares[0].link.share, shareOf(BAIDU_A));
    EXPECT_EQ(shares[0].link.code, "x7k2");
    EXPECT_EQ(shares[0].link.netdisk, Netdisk::Baidu);
    EXPECT_EQ(shares[1].link.share, shareOf(QUARK_A));
    EXPECT_EQ(shares[1].link.code, "") << "an archive password is no extraction code";
    // A link in a script or a comment is nothing a reader sees.
    EXPECT_EQ(found(shares, BAIDU_B), nullptr);
}

TEST(PageText, BlogParagraphsListsAndTables) {
    // The code in the paragraph after the link: a blog's usual layout.
    std::string blog = std::string("<article><h2>球状闪电</h2><p>下载地址：<a href=\"") + BAIDU_A +
                       "\">百度网盘</a></p><p>提取码：q9w8</p><p>更多资源见 <a href=\"" + QUARK_A +
                       "\">夸克网盘</a></p><p>解压密码：1234</p></article>";
    std::vector<PageShare> shares = sharesInPage(blog);
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(codeFor(shares, BAIDU_A), "q9w8");
    EXPECT_EQ(codeFor(shares, QUARK_A), "") << "the archive password below the second link";
    EXPECT_EQ(shares[0].name, "") << "\"百度网盘\" names no file";

    // List items: each code stays with its item; an item without one gets none.
    std::string list = std::string("<ul><li>刘慈欣全集 <a href=\"") + QUARK_A + "\">" + QUARK_A +
                       "</a> 提取码 ab12</li><li>流浪地球 <a href=\"" + QUARK_B + "\">点击下载</a></li></ul>";
    shares = sharesInPage(list);
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(codeFor(shares, QUARK_A), "ab12");
    EXPECT_EQ(codeFor(shares, QUARK_B), "");

    // A link list as a table whose header names the code column; each row is one block.
    std::string table = std::string("<table><tr><th>名称</th><th>链接</th><th>提取码</th></tr>"
                                    "<tr><td>三体</td><td><a href=\"") + BAIDU_A + "\">" + BAIDU_A +
                        "</a></td><td>t4b1</td></tr><tr><td>球状闪电</td><td>" + BAIDU_B +
                        "</td><td></td></tr></table>";
    shares = sharesInPage(table);
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(codeFor(shares, BAIDU_A), "t4b1");
    EXPECT_EQ(codeFor(shares, BAIDU_B), "") << "an empty code cell gives the row no code of another row";
}

TEST(PageText, CodesNeverGoToALinkTheyDoNotBelongTo) {
    // Two links, one code after the second: the first gets none.
    std::string two = std::string("<p>上册：") + BAIDU_A + "</p><p>下册：" + BAIDU_B + " 提取码：bb22</p>";
    std::vector<PageShare> shares = sharesInPage(two);
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(codeFor(shares, BAIDU_A), "");
    EXPECT_EQ(codeFor(shares, BAIDU_B), "bb22");

    // A code block two blocks away belongs to nothing above it.
    std::string far = std::string("<p>") + BAIDU_A + "</p><p>这是一段很普通的介绍文字。</p><p>提取码：cc33</p>";
    shares = sharesInPage(far);
    ASSERT_EQ(shares.size(), 1u);
    EXPECT_EQ(shares[0].link.code, "");

    // A code alone before a link's paragraph is that link's; one that went to the link above
    // is not handed on to the next.
    std::string before = std::string("<p>提取码：k1k2</p><p>链接：") + QUARK_A + "</p>";
    shares = sharesInPage(before);
    ASSERT_EQ(shares.size(), 1u);
    EXPECT_EQ(shares[0].link.code, "k1k2");
    std::string between = std::string("<p>") + QUARK_A + "</p><p>提取码：m3m4</p><p>" + QUARK_B + "</p>";
    shares = sharesInPage(between);
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(codeFor(shares, QUARK_A), "m3m4");
    EXPECT_EQ(codeFor(shares, QUARK_B), "");

    // The same share twice: listed once, the later mention's code fills the first.
    std::string again = std::string("<div>") + QUARK_A + "</div><div>再发一次 " + QUARK_A + " 提取码：dd44</div>";
    shares = sharesInPage(again);
    ASSERT_EQ(shares.size(), 1u);
    EXPECT_EQ(shares[0].link.code, "dd44");
}

TEST(PageText, LinksWrittenOnlyInTheirTarget) {
    // Only the href holds the share; the link's text names the file and becomes its name.
    std::string named = std::string("<p><a href=\"") + BAIDU_A + "\">三体全集.epub</a> 提取码：n4m3</p>";
    std::vector<PageShare> shares = sharesInPage(named);
    ASSERT_EQ(shares.size(), 1u);
    EXPECT_EQ(shares[0].link.code, "n4m3");
    EXPECT_EQ(shares[0].name, "三体全集.epub");

    // A forum shortens a long address in the text: the whole target counts, once.
    std::string shortened = std::string("<p><a href=\"") + BAIDU_A +
                            "\">https://pan.baidu.com/s/1AbCdEfGh...</a> 提取码：s5t6</p>";
    shares = sharesInPage(shortened);
    ASSERT_EQ(shares.size(), 1u);
    EXPECT_EQ(shares[0].link.share, shareOf(BAIDU_A));
    EXPECT_EQ(shares[0].link.code, "s5t6");

    // Redirectors: the target percent-encoded in the query, or in Base64.
    std::string go = "<p><a href=\"/go.php?url=https%3A%2F%2Fpan.quark.cn%2Fs%2F3f8a9c2b1d4e\">夸克</a></p>"
                     "<p><a href=\"https://blog.example/goto/?url=aHR0cHM6Ly9wYW4ucXVhcmsuY24vcy83YzFlMmQzZjRhNWI=\">"
                     "备用</a> 提取码：g0g0</p>";
    shares = sharesInPage(go);
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_NE(found(shares, QUARK_A), nullptr);
    EXPECT_EQ(codeFor(shares, QUARK_B), "g0g0");

    // References in the text and in the target; a copy box's value.
    std::string refs = std::string("<div>链接&#65306;<a href=\"") + BAIDU_A + "?pwd=r3f4&amp;from=x\">网盘</a>"
                       "</div><div><input type=\"text\" value=\"" + BAIDU_B + " 提取码&#xFF1A;v4l5\"></div>";
    shares = sharesInPage(refs);
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(codeFor(shares, BAIDU_A), "r3f4");
    EXPECT_EQ(codeFor(shares, BAIDU_B), "v4l5");
}

TEST(PageText, MarkdownAndPlainPosts) {
    std::string markdown = std::string("## 资源合集\n\n- [三体全集](") + QUARK_A + ") 提取码: ab12\n- [球状闪电](" +
                           QUARK_B + ")\n\n| 名称 | 链接 | 提取码 |\n|---|---|---|\n| 三体 | " + BAIDU_A +
                           " | t4b1 |\n| 乡村教师 | " + BAIDU_B + " |  |\n";
    std::vector<PageShare> shares = sharesInPage(markdown);
    ASSERT_EQ(shares.size(), 4u);
    EXPECT_EQ(codeFor(shares, QUARK_A), "ab12");
    EXPECT_EQ(found(shares, QUARK_A)->name, "三体全集");
    EXPECT_EQ(codeFor(shares, QUARK_B), "");
    EXPECT_EQ(codeFor(shares, BAIDU_A), "t4b1");
    EXPECT_EQ(codeFor(shares, BAIDU_B), "");

    // A chat-style post: the code on the next line; blank lines part the posts.
    std::string plain = std::string("链接：") + BAIDU_A + "\r\n提取码：p0p1\r\n\r\n另一个 " + BAIDU_B +
                        "\r\n解压码：9999\r\n";
    shares = sharesInPage(plain);
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(codeFor(shares, BAIDU_A), "p0p1");
    EXPECT_EQ(codeFor(shares, BAIDU_B), "");
}

TEST(PageText, BlocksReadAsAPersonSeesThem) {
    std::vector<PageBlock> blocks =
        pageBlocks("<div>一 &amp; 二<span>三</span><br>四</div><pre>五\n六</pre><p>  </p><script>七</script>");
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].text, "一 & 二三\n四");
    EXPECT_EQ(blocks[1].text, "五 六");
    EXPECT_TRUE(looksLikeHtml("<p>x</p>"));
    EXPECT_FALSE(looksLikeHtml("a < b and [x](y)"));
    // A page cut mid-tag or mid-comment still gives what stands before the cut.
    std::string cut = std::string("<p>") + BAIDU_A + " 提取码：c1c2</p><p><a href=\"https://pan.quark";
    std::vector<PageShare> shares = sharesInPage(cut);
    ASSERT_EQ(shares.size(), 1u);
    EXPECT_EQ(shares[0].link.code, "c1c2");
    EXPECT_EQ(sharesInPage(std::string("<p>") + BAIDU_A + "</p><!-- 提取码：zzzz").at(0).link.code, "");
}

TEST(PageText, ALinkListOfThousandsInOneBlockReadsEveryShareOnce) {
    // A resource site's list: one <div>, thousands of named links, each with its code.
    std::string page = "<div class=\"list\">";
    auto id = [](int n) {
        char hex[13];
        std::snprintf(hex, sizeof hex, "%012x", 0xa00000 + n);
        return std::string(hex);
    };
    const int count = 3000;
    for (int n = 0; n < count; ++n) {
        page += "<a href=\"https://pan.quark.cn/s/" + id(n) + "\">合集第" + std::to_string(n) + "部.epub</a> 提取码 c" +
                std::to_string(100 + n % 900) + "<br>";
    }
    page += "<a href=\"https://pan.quark.cn/s/" + id(7) + "\">重复的那个</a></div>";
    std::vector<PageShare> shares = sharesInPage(page);
    ASSERT_EQ(shares.size(), size_t(count));
    EXPECT_EQ(shares[7].name, "合集第7部.epub") << "the first name stays";
    EXPECT_EQ(shares[count - 1].link.share, shareOf("https://pan.quark.cn/s/" + id(count - 1)));
    EXPECT_EQ(shares[count - 1].link.code, "c" + std::to_string(100 + (count - 1) % 900));
    EXPECT_EQ(shares[count - 1].name, "合集第" + std::to_string(count - 1) + "部.epub");
}

TEST(PageText, NamesFile) {
    EXPECT_TRUE(namesFile("三体全集.epub"));
    EXPECT_TRUE(namesFile("Linux Kernel 6.1 源码"));
    EXPECT_FALSE(namesFile("点击下载"));
    EXPECT_FALSE(namesFile("百度网盘链接"));
    EXPECT_FALSE(namesFile(BAIDU_A));
    EXPECT_FALSE(namesFile("【点此】"));
}

TEST(PageCharsetTest, DeclaredCharsetsAndGuesses) {
    const std::string gbk = "三体 提取码：ab12";
    const std::string utf8 = gbkToUtf8(gbk);
    // The header wins over the page's own declaration.
    EXPECT_EQ(pageToGbk(utf8, "text/html; charset=UTF-8"), gbk);
    EXPECT_EQ(pageToGbk(gbk, "text/html;charset=\"gb2312\""), gbk);
    EXPECT_EQ(pageToGbk("<meta charset=\"utf-8\">" + gbk, "text/html; charset=GBK"), "<meta charset=\"utf-8\">" + gbk);
    // The page's declaration, either form.
    std::string meta = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\"></head>";
    EXPECT_EQ(pageToGbk(meta + gbk, "text/html"), meta + gbk);
    std::string meta5 = "<meta charset=utf-8>";
    EXPECT_EQ(pageToGbk(meta5 + utf8, ""), meta5 + gbk);
    // Undeclared: valid UTF-8 as UTF-8, anything else as GBK.
    EXPECT_EQ(pageToGbk(utf8, ""), gbk);
    EXPECT_EQ(pageToGbk(gbk, ""), gbk);
    EXPECT_EQ(pageToGbk("\xEF\xBB\xBF" + utf8, "text/html; charset=gbk"), gbk) << "a byte-order mark decides";
    // GB18030's four-byte characters, which GBK lacks, become one "?" and the rest still reads.
    EXPECT_EQ(pageToGbk("a\x81\x30\x81\x30" + gbk, "text/html; charset=GB18030"), "a?" + gbk);
    // A stray byte starts no character: it cannot swallow the "<" after it.
    EXPECT_EQ(pageToGbk("\x80<p>", "charset=gbk"), "?<p>");
}

TEST(PageCharsetTest, Utf8Validity) {
    EXPECT_TRUE(isValidUtf8("plain"));
    EXPECT_TRUE(isValidUtf8("\xE4\xB8\xAD\xF0\x9F\x98\x80"));
    EXPECT_FALSE(isValidUtf8("\xE4\xB8"));          // cut
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(isValidUtf8("\xD6\xD0\xCE\xC4"));  // "中文" in GBK
    EXPECT_EQ(charsetOfLabel("GB18030"), PageCharset::Gbk);
    EXPECT_EQ(charsetOfLabel("text/html; charset=ISO-8859-1"), PageCharset::Unknown);
    EXPECT_EQ(declaredInPage("<?xml version=\"1.0\" encoding=\"GBK\"?><rss>"), PageCharset::Gbk);
}
