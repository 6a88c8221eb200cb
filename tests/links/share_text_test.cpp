// Share links in running text (posts, chat logs, page text): where a link ends, which code
// belongs to which link, each share once.
#include <gtest/gtest.h>

#include "links/share_link.h"

namespace {

// "netdisk-key share code" per link, for compact comparisons.
std::vector<std::string> summary(std::string_view text) {
    std::vector<std::string> out;
    for (const ShareLink& l : shareLinksInText(text)) out.push_back(std::string(netdiskKey(l.netdisk)) + " " + l.share + " " + l.code);
    return out;
}

// The address each link was read from, in order.
std::vector<std::string> urls(std::string_view text) {
    std::vector<std::string> out;
    for (const ShareLink& l : shareLinksInText(text)) out.push_back(l.url);
    return out;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(ShareLinksInText, EachNetdisksOwnShareText) {
    EXPECT_EQ(summary("链接: https://pan.baidu.com/s/1AbCdEfGhIjKlMnOpQrStUv?pwd=ab12 提取码: ab12 "
                      "复制这段内容后打开百度网盘手机App，操作更方便哦"),
              Lines{"baidu AbCdEfGhIjKlMnOpQrStUv ab12"});
    EXPECT_EQ(summary("通过网盘分享的文件：教程.zip\r\n链接：https://pan.baidu.com/s/1XyZ0123abcdEFGH \r\n提取码：q7w8 \r\n"
                      "--来自百度网盘超级会员V5的分享"),
              Lines{"baidu XyZ0123abcdEFGH q7w8"});
    EXPECT_EQ(summary("我用阿里云盘分享了「纪录片」，你可以不限速下载\n复制这段内容打开「阿里云盘」App 即可获取\n"
                      "链接：https://www.aliyundrive.com/s/Ab3dE5gH7jK\n提取码: ni5u\n点击链接保存，或者复制本段内容"),
              Lines{"aliyun Ab3dE5gH7jK ni5u"});
    EXPECT_EQ(summary("我用夸克网盘给你分享了「资料」，点击链接或复制整段内容，打开「夸克APP」即可获取。\n/~48643YH9Ev~:/\n"
                      "链接：https://pan.quark.cn/s/39749e1fb630\n提取码：QTjz"),
              Lines{"quark 39749e1fb630 QTjz"});
    EXPECT_EQ(summary("https://115.com/s/swff16b3ngy#\n课程合集\n访问码：k3m9\n复制这段内容后打开115App"),
              Lines{"115 swff16b3ngy k3m9"});
    EXPECT_EQ(summary("https://cloud.189.cn/t/IB3ieymQJ7re（访问码：uf34）"), Lines{"tianyi IB3ieymQJ7re uf34"});
    EXPECT_EQ(summary("天翼：https://cloud.189.cn/t/IB3ieymQJ7re (fc9b)"), Lines{"tianyi IB3ieymQJ7re fc9b"});
    EXPECT_EQ(summary("链接：https://pan.xunlei.com/s/VNcaO1Qv87aZxffZLThnARHkA1?pwd=six2# 复制这段内容后打开手机迅雷App，查看更方便"),
              Lines{"xunlei VNcaO1Qv87aZxffZLThnARHkA1 six2"});
    EXPECT_EQ(summary("https://www.123pan.com/s/2785Vv-T4Ded?提取码:JZMM"), Lines{"123pan 2785Vv-T4Ded JZMM"});
    EXPECT_EQ(summary("https://caiyun.139.com/m/i?2qidERSvNGKk4 提取码：ipdd 复制内容打开移动云盘"),
              Lines{"139 2qidERSvNGKk4 ipdd"});
    EXPECT_EQ(summary("https://wwmi.lanzouo.com/i2OPJ2i3lsle\n密码：a1b"), Lines{"lanzou i2OPJ2i3lsle a1b"});
    EXPECT_EQ(summary("PikPak: https://mypikpak.com/s/VOLPPwXhmHBnHMY7hW6oGHjMo1"), Lines{"pikpak VOLPPwXhmHBnHMY7hW6oGHjMo1 "});
    EXPECT_EQ(summary("UC网盘 https://drive.uc.cn/s/ab7dabef14d54?public=1 提取码：ab12cd"), Lines{"uc ab7dabef14d54 ab12cd"});
}

TEST(ShareLinksInText, WhereALinkEnds) {
    // Full-width punctuation, Chinese words, quotes, brackets and blanks end it; sentence
    // punctuation after it is the sentence's.
    const char* post = "看这里https://pan.quark.cn/s/3cb6e17e5d16，还有pan.baidu.com/s/1sl9xZ0d网盘 以及"
                       "\"https://www.alipan.com/s/Ab3dE5gH7jK\"和(https://pan.xunlei.com/s/VNcaO1Qv87aZ). 最后 "
                       "https://drive.uc.cn/s/ab7dabef14d54提取码：ab12";
    EXPECT_EQ(urls(post), (Lines{"https://pan.quark.cn/s/3cb6e17e5d16", "pan.baidu.com/s/1sl9xZ0d",
                                 "https://www.alipan.com/s/Ab3dE5gH7jK", "https://pan.xunlei.com/s/VNcaO1Qv87aZ",
                                 "https://drive.uc.cn/s/ab7dabef14d54"}));
    EXPECT_EQ(summary(post), (Lines{"quark 3cb6e17e5d16 ", "baidu sl9xZ0d ", "aliyun Ab3dE5gH7jK ",
                                    "xunlei VNcaO1Qv87aZ ", "uc ab7dabef14d54 ab12"}));
    // Inside markup: the address of an anchor and its text are one share.
    EXPECT_EQ(summary("<a href=\"https://pan.baidu.com/s/1AbCdEfG\">https://pan.baidu.com/s/1AbCdEfG</a> 提取码：m3n4<br>"),
              Lines{"baidu AbCdEfG m3n4"});
    const char* anchor = "<a href=https://pan.baidu.com/share/init?surl=AbCdEfG&amp;pwd=zx12>下载</a>";
    EXPECT_EQ(urls(anchor), Lines{"https://pan.baidu.com/share/init?surl=AbCdEfG&amp;pwd=zx12"});
    EXPECT_EQ(summary(anchor), Lines{"baidu AbCdEfG zx12"});
    // An address of another site that merely holds a netdisk's name is none.
    EXPECT_TRUE(shareLinksInText("https://www.example.com/pan.baidu.com/s/1AbCdEfG and mypan.quark.cn/s/3cb6e17e5d16").empty());
}

TEST(ShareLinksInText, EachLinkGetsItsOwnCode) {
    // Several netdisks in one post, codes on the same line and on the next.
    EXPECT_EQ(summary("百度：https://pan.baidu.com/s/1AAAAaaaa 提取码：a111\n"
                      "夸克：https://pan.quark.cn/s/3cb6e17e5d16\n提取码：b222\n"
                      "阿里：https://www.alipan.com/s/Ab3dE5gH7jK\n"
                      "123：https://www.123912.com/s/oec7Vv-OXIWh 密码:c333"),
              (Lines{"baidu AAAAaaaa a111", "quark 3cb6e17e5d16 b222", "aliyun Ab3dE5gH7jK ", "123pan oec7Vv-OXIWh c333"}));
    // Two links and one code after the second: the first gets none.
    EXPECT_EQ(summary("https://pan.baidu.com/s/1AAAAaaaa\nhttps://pan.baidu.com/s/1BBBBbbbb\n提取码：x9x9"),
              (Lines{"baidu AAAAaaaa ", "baidu BBBBbbbb x9x9"}));
    // A code before its link, when nothing stands between.
    EXPECT_EQ(summary("提取码：abcd 链接：https://pan.baidu.com/s/1AAAAaaaa"), Lines{"baidu AAAAaaaa abcd"});
    EXPECT_EQ(summary("提取码：aaaa 链接：https://pan.baidu.com/s/1AAAAaaaa\n提取码：bbbb 链接：https://pan.baidu.com/s/1BBBBbbbb"),
              (Lines{"baidu AAAAaaaa aaaa", "baidu BBBBbbbb bbbb"}));
    // A post that opens with a general password still pairs each link with the code after it.
    EXPECT_EQ(summary("密码：1234\n链接：https://pan.baidu.com/s/1AAAAaaaa 提取码：aaaa\n"
                      "链接：https://pan.baidu.com/s/1BBBBbbbb 提取码：bbbb"),
              (Lines{"baidu AAAAaaaa aaaa", "baidu BBBBbbbb bbbb"}));
    // A code on the next line, then a link with its own code on the line after.
    EXPECT_EQ(summary("链接：https://pan.baidu.com/s/1AAAAaaaa\n提取码：aaaa 链接：https://pan.baidu.com/s/1BBBBbbbb 提取码：bbbb"),
              (Lines{"baidu AAAAaaaa aaaa", "baidu BBBBbbbb bbbb"}));
    // A link's code repeated on the next line is its own, not the next link's.
    EXPECT_EQ(summary("链接：https://pan.baidu.com/s/1AAAAaaaa?pwd=aaaa\n提取码：aaaa\n链接：https://pan.baidu.com/s/1BBBBbbbb"),
              (Lines{"baidu AAAAaaaa aaaa", "baidu BBBBbbbb "}));
    // English labels.
    EXPECT_EQ(summary("Link: https://pan.baidu.com/s/1AAAAaaaa Code: e1e1\nLink: https://pan.quark.cn/s/3cb6e17e5d16 "
                      "Password: f2f2"),
              (Lines{"baidu AAAAaaaa e1e1", "quark 3cb6e17e5d16 f2f2"}));
    // Baidu's code alone after the link.
    EXPECT_EQ(summary("https://pan.baidu.com/s/1AAAAaaaa uftv\n"), Lines{"baidu AAAAaaaa uftv"});
    EXPECT_EQ(summary("https://pan.baidu.com/s/1AAAAaaaa uftv 复制这段内容"), Lines{"baidu AAAAaaaa uftv"});
}

TEST(ShareLinksInText, DecoysGiveNoCode) {
    EXPECT_EQ(summary("链接：https://pan.baidu.com/s/1AAAAaaaa\n解压密码：www1"), Lines{"baidu AAAAaaaa "});
    EXPECT_EQ(summary("链接：https://pan.baidu.com/s/1AAAAaaaa 解压 密码: www1"), Lines{"baidu AAAAaaaa "});
    EXPECT_EQ(summary("链接：https://pan.baidu.com/s/1AAAAaaaa 提取码：abcd1234"), Lines{"baidu AAAAaaaa "});
    // A code too long for its link is not handed on to the next one.
    EXPECT_EQ(summary("https://pan.baidu.com/s/1AAAAaaaa 提取码：abcde https://pan.baidu.com/s/1BBBBbbbb"),
              (Lines{"baidu AAAAaaaa ", "baidu BBBBbbbb "}));
    // An English sentence after a Baidu link has no code in it.
    EXPECT_EQ(summary("https://pan.baidu.com/s/1AAAAaaaa This is the full pack"), Lines{"baidu AAAAaaaa "});
    EXPECT_EQ(summary("https://www.ilanzou.com/s/abcdef12 密码：abc"), Lines{});
    // A text with links and no code gives links without one.
    EXPECT_EQ(summary("https://pan.quark.cn/s/3cb6e17e5d16 https://www.alipan.com/s/Ab3dE5gH7jK"),
              (Lines{"quark 3cb6e17e5d16 ", "aliyun Ab3dE5gH7jK "}));
}

TEST(ShareLinksInText, EachShareOnceFirstStaysLaterCodeFills) {
    const char* twice = "https://pan.baidu.com/s/1AAAAaaaa\nhttps://www.alipan.com/s/Ab3dE5gH7jK\n"
                        "再发一次 https://pan.baidu.com/share/init?surl=AAAAaaaa&pwd=k2k2\n"
                        "https://www.aliyundrive.com/s/Ab3dE5gH7jK 提取码：zz99";
    // Each keeps its first occurrence's address and takes the code given later.
    EXPECT_EQ(urls(twice), (Lines{"https://pan.baidu.com/s/1AAAAaaaa", "https://www.alipan.com/s/Ab3dE5gH7jK"}));
    EXPECT_EQ(summary(twice), (Lines{"baidu AAAAaaaa k2k2", "aliyun Ab3dE5gH7jK zz99"}));
    // A first code stays when a later occurrence carries another.
    EXPECT_EQ(summary("https://pan.baidu.com/s/1AAAAaaaa?pwd=aaaa\nhttps://pan.baidu.com/s/1AAAAaaaa?pwd=bbbb"),
              Lines{"baidu AAAAaaaa aaaa"});
    // The same id on two netdisks is two shares.
    EXPECT_EQ(summary("https://pan.quark.cn/s/3cb6e17e5d16 https://drive.uc.cn/s/3cb6e17e5d16").size(), 2u);
}

TEST(ShareLinksInText, GbkTrailBytesAreNoAsciiAndPercentEncodedCodesRead) {
    // 乇 is D8 BF ... a GBK pair whose trail byte is "h" or "p" must not start an address.
    std::string text = std::string("\x81hxxps") + " \x81pan.baidu.com/s/1AAAAaaaa";
    std::vector<ShareLink> links = shareLinksInText(text);
    ASSERT_EQ(links.size(), 0u);  // its host would start inside a double-byte character
    EXPECT_EQ(summary("https://cloud.189.cn/t/IB3ieymQJ7re%EF%BC%88%E8%AE%BF%E9%97%AE%E7%A0%81%EF%BC%9Auf34%EF%BC%89 下载"),
              Lines{"tianyi IB3ieymQJ7re uf34"});
    EXPECT_EQ(summary("123云盘：https://www.123684.com/s/2785Vv-T4Ded?%E6%8F%90%E5%8F%96%E7%A0%81:JZMM 速存"),
              Lines{"123pan 2785Vv-T4Ded JZMM"});
}

TEST(ShareLinksInText, MarkdownAndForumMarkup) {
    EXPECT_EQ(summary("## 下载\n- [百度网盘](https://pan.baidu.com/s/1AAAAaaaa) **提取码：** `k7k7`\n"
                      "- 夸克：<https://pan.quark.cn/s/3cb6e17e5d16> 提取码：“QTjz”\n"
                      "- 蓝奏：[url=https://www.lanzoui.com/iAbCdE1]点此[/url] 密码：「x1y」"),
              (Lines{"baidu AAAAaaaa k7k7", "quark 3cb6e17e5d16 QTjz", "lanzou iAbCdE1 x1y"}));
    // A code in a page's markup, split from its keyword by tags.
    EXPECT_EQ(summary("<p>链接：<a href=\"https://pan.baidu.com/s/1AAAAaaaa\" target=\"_blank\">点击下载</a></p>"
                      "<p>提取码：<span style=\"color:#ff0000\"><strong>w3w3</strong></span></p>"),
              Lines{"baidu AAAAaaaa w3w3"});
}
