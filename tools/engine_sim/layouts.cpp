// The result pages of today's engines as the simulator writes them. The markup follows pages the
// engines served in 2020-2026: the same containers, attributes, redirect links and pagers, with
// the variations real pages show (attribute order, quotes, blanks around "=", line breaks).
#include <string>

#include "text/encoding.h"
#include "text/text.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

std::string hexOf(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 0xF];
    }
    return out;
}

std::string base64Url(const std::string& bytes) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = (unsigned char)bytes[i] << 16 | (unsigned char)bytes[i + 1] << 8 | (unsigned char)bytes[i + 2];
        for (int k = 18; k >= 0; k -= 6) out += alphabet[(v >> k) & 63];
    }
    if (i + 1 == bytes.size()) {
        unsigned v = (unsigned char)bytes[i] << 16;
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
    } else if (i + 2 == bytes.size()) {
        unsigned v = (unsigned char)bytes[i] << 16 | (unsigned char)bytes[i + 1] << 8;
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
    }
    return out;
}

// Percent-encoding as the engines write addresses into their own links.
std::string percent(const std::string& gbk) {
    return percentEncode(gbkToUtf8(gbk), "-._~");
}

// An address as written into an attribute: "&" as "&amp;".
std::string attribute(const std::string& address) {
    return replaceAll(replaceAll(address, "&amp;", "&"), "&", "&amp;");
}

std::string plainAddress(const std::string& address) {
    return replaceAll(address, "&amp;", "&");
}

// The text shown with a result: the hit's own, or the filler every layout writes.
std::string snippetOf(const SimHit& hit, int number, bool shortForm = false) {
    if (!hit.snippet.empty()) return hit.snippet;
    return shortForm ? "第" + std::to_string(number) + "条" : "网盘分享的文件，第" + std::to_string(number) + "条结果。";
}

std::string head(const std::string& title) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title + "</title>\n</head>\n<body>\n";
}

std::string baiduPage(const SimPage& p) {
    const std::string query = "site%3A" + p.site + "%20" + percent(p.keyword);
    std::string s = head("site:" + p.site + " " + p.keyword + "_百度搜索");
    s += "<div id=\"content_left\">\n";
    if (p.offset == 0) {
        // One of the engine's own cards: not a result.
        s += "<div class=\"result-op c-container xpath-log\" srcid=\"51\" id=\"1\" mu=\"https://baike.baidu.com/item/x\">"
             "<h3 class=\"t\"><a href=\"http://www.baidu.com/link?url=card\">百度百科</a></h3></div>\n";
    }
    for (size_t i = 0; i < p.hits.size(); ++i) {
        const SimHit& hit = p.hits[i];
        int n = p.offset + int(i) + 1;
        std::string link = "http://www.baidu.com/link?url=" + simLinkToken(plainAddress(hit.address));
        std::string mu = p.linksOnly ? "http://nourl.ubs.baidu.com/" + std::to_string(51270 + n) : attribute(hit.address);
        s += "        <div class=\"result c-container xpath-log new-pmd\"\n            srcid=\"1599\"\n            id=\"" +
             std::to_string(n) + "\"\n            tpl=\"www_index\"\n            mu=\"" + mu +
             "\"\n            data-op=\"{'y':'1DFFBFF7'}\"\n            data-click={\"p1\":" + std::to_string(n) +
             ",\"rsv_bdr\":\"0\"}\n        >\n";
        if (i % 2 == 0) {
            // 2026: the title wrapped in spans and comments, href written twice.
            s += "<div class=\"cosc-card\"><h3 class=\"cosc-title cos-link\n         t\n                        \" "
                 "data-module=\"title\"><a class=\"cosc-title-a cos-link \" href=\"" +
                 link + "\" target=\"_blank\" href=\"" + link +
                 "\"><span class=\"cosc-title-slot\"><span class=\"tts-b-hl\" "
                 "data-click=\"{&quot;F&quot;:&quot;778317EA&quot;}\"><!--s-text-->" +
                 hit.title + "<!--/s-text--></span></span></a></h3></div>\n";
        } else {
            // Older pages: blanks around "=", attributes on lines of their own.
            s += "<h3 class=\"t\"><a\n        href = \"" + link + "\"\n        target=\"_blank\"\n        >" + hit.title +
                 "</a></h3>\n";
        }
        s += "<div class=\"c-abstract\">" + snippetOf(hit, n) + "</div><div class=\"f13\"><a target=\"_blank\" href=\"" + link +
             "\" class=\"c-showurl\">" + p.site + "</a></div></div>\n";
    }
    s += "</div>\n<div id=\"page\"><div class=\"page-inner_2jZi2\">";
    s += "<a class=\"n prev_296JA" + std::string(p.offset == 0 ? " disabled\" href=\"\"" : "\" href=\"/s?wd=" + query + "\"") +
         "><span class=\"n-word_1TXWP\">&lt;&nbsp;上一页</span></a>";
    if (p.next) {
        s += "<a class=\"n next_d-g2R\" href=\"/s?wd=" + query + "&amp;pn=" + std::to_string(p.nextPosition) +
             "&amp;rn=50&amp;ie=utf-8&amp;rsv_page=1\"><span class=\"n-word_1TXWP\">下一页&nbsp;&gt;</span></a>";
    }
    s += "</div></div>\n</body></html>\n";
    return s;
}

std::string bingTitle(const std::string& title) {
    return replaceAll(replaceAll(title, "<em>", "<strong>"), "</em>", "</strong>");
}

std::string bingPage(const SimPage& p) {
    std::string s = head("site:" + p.site + " " + p.keyword + " - Search");
    s += "<ol id=\"b_results\" class=\"\">";
    for (size_t i = 0; i < p.hits.size(); ++i) {
        const SimHit& hit = p.hits[i];
        std::string real = attribute(hit.address);
        std::string link = p.bingClickLinks ? "https://www.bing.com/ck/a?!&amp;&amp;p=7c" + std::to_string(i) +
                                                  "&amp;ptn=3&amp;ver=2&amp;u=a1" +
                                                  base64Url(gbkToUtf8(plainAddress(hit.address))) + "&amp;ntb=1"
                                            : real;
        s += "<li class=\"b_algo\" data-id iid=SERP." + std::to_string(5336 + i) +
             "><div class=\"b_tpcn\"><a class=\"tilk\" aria-label=\"" + p.site +
             "\" tabindex=\"-1\" target=\"_blank\" href=\"" + link +
             "\" h=\"ID=SERP,5129.1\"><div class=\"tpic\"></div><div class=\"tptt\">" + p.site + "</div></a></div>";
        if (i % 2 == 0) {
            s += "<h2 class=\"\"><a target=\"_blank\" target=\"_blank\" href=\"" + link + "\" h=\"ID=SERP,5129.2\">" +
                 bingTitle(hit.title) + "</a></h2>";
        } else {
            s += "<h2><a href='" + link + "' h='ID=SERP,5145.2'>" + bingTitle(hit.title) + "</a></h2>";
        }
        s += "<div class=\"b_caption\"><p class=\"b_lineclamp2\">" +
             (hit.snippet.empty() ? "Jul 28, 2026&ensp;&#0183;&ensp;" + snippetOf(hit, p.offset + int(i) + 1, true)
                                  : hit.snippet) +
             "</p></div></li>";
    }
    s += "<li class=\"b_pag\"><nav role=\"navigation\"><ul class=\"sb_pagF\">";
    if (p.next) {
        s += "<li><a class=\"sb_pagN sb_pagN_bp b_widePag sb_bp \" aria-label=\"Next page\" title=\"Next page\" "
             "href=\"/search?q=site%3A" +
             p.site + "+" + percent(p.keyword) + "&amp;count=20&amp;first=" + std::to_string(p.nextPosition) +
             "&amp;FORM=PORE\" h=\"ID=SERP,5350.1\"><div class=\"sw_next\">Next</div></a></li>";
    }
    s += "</ul></nav></li></ol>\n</body></html>\n";
    return s;
}

std::string sogouPage(const SimPage& p) {
    std::string s = head("site:" + p.site + " " + p.keyword + " - 搜狗搜索");
    s += "<div class=\"results\">\n";
    for (size_t i = 0; i < p.hits.size(); ++i) {
        const SimHit& hit = p.hits[i];
        int n = p.offset + int(i) + 1;
        std::string link = "/link?url=" + simLinkToken(plainAddress(hit.address));
        s += "<div class=\"vrwrap\" id=\"sogou_vr_30000000_wrap_" + std::to_string(n) + "\">";
        if (i % 2 == 0) {
            s += "<h3 class=\"vr-title\"><!--awbg3--><a name=\"dttl\" target=\"_blank\" href=\"" + link +
                 "\" id=\"sogou_vr_30000000_" + std::to_string(n) + "\"><!--awbg3-->" + hit.title + "</a></h3>";
        } else {
            s += "\n    <div class=\"struct201102\">\n          <h3 class=\"vr-title  \"  vrcid=\"title.ba18e87\">\n    \n"
                 "        <a class=\" \" target=\"_blank\" href=\"" +
                 link + "\"   >" + replaceAll(replaceAll(hit.title, "<em>", "<em><!--red_beg-->"), "</em>", "<!--red_end--></em>") +
                 "\n        </a>        \n      </h3>\n    </div>\n";
        }
        s += "<div class=\"fz-mid space-txt\">" + snippetOf(hit, n) + "</div>";
        if (!p.linksOnly) {
            s += "<div class=\"r-sech ext_query click-better-sugg\" style=\"display:none\" id=\"uigs_ext_" +
                 std::to_string(n) + "\" data-async=\"1\" data-url=\"" + attribute(hit.address) +
                 "\" ><span><strong></strong>推荐您搜索</span></div>";
        }
        s += "</div>\n";
    }
    s += "</div>\n<div id=\"pagebar_container\">";
    if (p.next) {
        s += "<a id=\"sogou_next\" href=\"?query=site%3A" + p.site + "%20" + percent(p.keyword) +
             "&amp;page=" + std::to_string(p.nextPosition) + "&amp;ie=utf8\" class=\"np\">下一页</a>";
    }
    s += "</div>\n</body></html>\n";
    return s;
}

std::string so360Page(const SimPage& p) {
    std::string s = head("site:" + p.site + " " + p.keyword + "_360搜索");
    s += "<ul class=\"result\">";
    for (size_t i = 0; i < p.hits.size(); ++i) {
        const SimHit& hit = p.hits[i];
        int n = p.offset + int(i) + 1;
        std::string link = "https://www.so.com/link?m=" + simLinkToken(plainAddress(hit.address));
        bool direct = i % 3 == 2;  // some results link straight to the page
        s += "<li class=\"res-list\"><h3 class=\"res-title \" >\n<a  href=\"" + (direct ? attribute(hit.address) : link) + "\"";
        if (!direct && !p.linksOnly) s += " data-mdurl=\"" + attribute(hit.address) + "\"";
        s += "  rel=\"noopener\" data-res='{\"tp\":12,\"pos\":" + std::to_string(n) + "}'  target=\"_blank\">" + hit.title +
             "</a></h3>\n\n\n\n<p class=\"res-desc\">" + snippetOf(hit, n) + "</p></li>";
    }
    s += "</ul>\n<div id=\"page\">";
    if (p.next) {
        s += "<a id=\"snext\" href=\"/s?q=site%3A" + p.site + "%20" + percent(p.keyword) + "&amp;pn=" +
             std::to_string(p.nextPosition) + "&amp;src=srp_paging\">下一页&gt;</a>";
    }
    s += "</div>\n</body></html>\n";
    return s;
}

std::string escapeValue(const std::string& text) {
    return replaceAll(replaceAll(replaceAll(text, "&", "&amp;"), "\"", "&quot;"), "<", "&lt;");
}

std::string duckduckgoPage(const SimPage& p) {
    std::string s = head("site:" + p.site + " " + p.keyword + " at DuckDuckGo");
    s += "<div class=\"serp__results\"><div id=\"links\" class=\"results\">\n";
    if (p.offset == 0) {
        s += "<div class=\"result results_links results_links_deep result--ad \"><div class=\"links_main links_deep "
             "result__body\"><h2 class=\"result__title\"><a rel=\"nofollow\" class=\"result__a\" "
             "href=\"https://duckduckgo.com/y.js?ad_domain=ads.example&amp;u3=x\">广告</a></h2></div></div>\n";
    }
    for (size_t i = 0; i < p.hits.size(); ++i) {
        const SimHit& hit = p.hits[i];
        std::string link = i % 2 == 0 ? "//duckduckgo.com/l/?uddg=" + percent(plainAddress(hit.address)) +
                                            "&amp;rut=" + simLinkToken(std::to_string(i))
                                      : attribute(hit.address);
        s += "<div class=\"result results_links results_links_deep web-result \">\n<div class=\"links_main links_deep "
             "result__body\">\n<h2 class=\"result__title\">\n<a rel=\"nofollow\" class=\"result__a\" href=\"" +
             link + "\">" + replaceAll(replaceAll(hit.title, "<em>", "<b>"), "</em>", "</b>") +
             "</a>\n</h2>\n<a class=\"result__snippet\" href=\"" + link + "\">" +
             snippetOf(hit, p.offset + int(i) + 1, true) + "</a>\n</div>\n</div>\n";
    }
    if (p.next) {
        s += "<div class=\"nav-link\">\n<form action=\"/html/\" method=\"post\">\n<input type=\"submit\" class='btn "
             "btn--alt' value=\"Next\" />\n<input type=\"hidden\" name=\"q\" value=\"" +
             escapeValue("site:" + p.site + " " + p.keyword) +
             "\" />\n<input type=\"hidden\" name=\"s\" value=\"" + std::to_string(p.nextPosition) +
             "\" />\n<input type=\"hidden\" name=\"nextParams\" value=\"\" />\n<input type=\"hidden\" name=\"v\" "
             "value=\"l\" />\n<input type=\"hidden\" name=\"dc\" value=\"" +
             std::to_string(p.nextPosition + 1) +
             "\" />\n<input type=\"hidden\" name=\"vqd\" value=\"4-2130531\" />\n<input name=\"kl\" value=\"wt-wt\" "
             "type=\"hidden\" />\n</form>\n</div>\n";
    }
    s += "</div></div>\n</body></html>\n";
    return s;
}

}  // namespace

std::vector<std::string> simLayouts() {
    return {"classic", "baidu", "bing", "sogou", "so360", "duckduckgo"};
}

std::string simLinkToken(const std::string& address) {
    return hexOf(address);
}

std::string simTokenAddress(const std::string& token) {
    if (token.size() % 2 != 0) return {};
    std::string out;
    for (size_t i = 0; i < token.size(); i += 2) {
        auto digit = [](char c) {
            return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        };
        int hi = digit(token[i]), lo = digit(token[i + 1]);
        if (hi < 0 || lo < 0) return {};
        out += char(hi * 16 + lo);
    }
    return out;
}

std::string simLayoutPage(const SimPage& page) {
    if (page.layout == "baidu") return baiduPage(page);
    if (page.layout == "bing") return bingPage(page);
    if (page.layout == "sogou") return sogouPage(page);
    if (page.layout == "so360") return so360Page(page);
    if (page.layout == "duckduckgo") return duckduckgoPage(page);
    return {};
}

std::string simWallPage(const std::string& layout) {
    if (layout == "baidu" || layout == "classic")
        return head("百度安全验证") + "<div class=\"timeout\"><p>网络不给力，请稍后重试</p><a href=\"https://wappass.baidu.com/static/captcha/tuxing.html\">返回首页</a></div></body></html>\n";
    if (layout == "bing")
        return head("Bing") + "<div id=\"b_content\"><div id=\"b_captcha\" class=\"captcha\"><h2>One last step</h2><p>Please solve the challenge below to continue</p></div></div></body></html>\n";
    if (layout == "sogou")
        return head("搜狗搜索") + "<form name=\"authform\" method=\"POST\" action=\"/antispider/thank.php\"><p>用户您好，我们的系统检测到您网络中存在异常访问请求。</p><p>请输入验证码</p></form></body></html>\n";
    if (layout == "so360")
        return head("360搜索") + "<div class=\"qcaptcha\"><p>您的访问出现异常，请输入验证码</p></div></body></html>\n";
    if (layout == "duckduckgo")
        return head("DuckDuckGo") + "<div class=\"anomaly-modal__modal\"><div class=\"anomaly-modal__title\">Unfortunately, bots use DuckDuckGo too.</div><div class=\"anomaly-modal__description\">Please complete the following challenge to confirm this search was made by a human.</div></div></body></html>\n";
    return {};
}
