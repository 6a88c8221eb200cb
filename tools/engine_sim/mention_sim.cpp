// Mention results and the pages behind them. See mention_sim.h. Texts are GBK; pages declared
// UTF-8 are sent as UTF-8, the GBK forum as GBK bytes.
#include "tools/engine_sim/mention_sim.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>

#include "text/encoding.h"
#include "text/text.h"
#include "tools/httpd/loopback_server.h"

namespace {

// The sites whose pages the simulator serves behind mention results.
constexpr const char FORUM[] = "bbs.forum.example";
constexpr const char BLOG[] = "blog.example";
constexpr const char LINKS[] = "links.example";
constexpr const char HUGE_SITE[] = "huge.example";
constexpr const char LOOP[] = "loop.example";
constexpr const char SLOW[] = "slow.example";
constexpr const char MANY[] = "many.example";
constexpr const char* SITES[] = {FORUM, BLOG, LINKS, HUGE_SITE, LOOP, SLOW, MANY};

uint64_t hashOf(const std::string& text) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
    return h;
}

// `length` characters of `alphabet`, the same for the same seed.
std::string madeUp(const std::string& seed, size_t length, const char* alphabet) {
    std::string out;
    uint64_t h = hashOf(seed);
    size_t size = std::char_traits<char>::length(alphabet);
    for (size_t i = 0; i < length; ++i) {
        h = h * 6364136223846793005ull + 1442695040888963407ull;
        out += alphabet[(h >> 33) % size];
    }
    return out;
}
constexpr const char ALNUM[] = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
constexpr const char HEX[] = "0123456789abcdef";
constexpr const char CODE_CHARS[] = "abcdefghjkmnpqrstuvwxyz23456789";

// Share link number `n` of the netdisk that `host` (a searched host) belongs to, in that
// netdisk's own form.
std::string shareUrl(const std::string& host, int n) {
    std::string seed = host + "#" + std::to_string(n);
    if (host.find("baidu") != std::string::npos) return "https://pan.baidu.com/s/1" + madeUp(seed, 22, ALNUM);
    if (host.find("quark") != std::string::npos) return "https://pan.quark.cn/s/" + madeUp(seed, 12, HEX);
    if (host.find("uc.cn") != std::string::npos) return "https://drive.uc.cn/s/" + madeUp(seed, 14, HEX);
    if (host.find("alipan") != std::string::npos || host.find("aliyundrive") != std::string::npos)
        return "https://www." + host + "/s/" + madeUp(seed, 11, ALNUM);
    if (host.find("115") != std::string::npos) return "https://" + host + "/s/sw" + madeUp(seed, 9, "abcdefghijkmnpqrstuvwxyz23456789");
    if (host.find("189.cn") != std::string::npos) return "https://cloud.189.cn/t/" + madeUp(seed, 12, ALNUM);
    if (host.find("123") != std::string::npos)
        return "https://www." + host + "/s/" + madeUp(seed, 5, ALNUM) + "-" + madeUp(seed + "b", 5, ALNUM);
    if (host.find("xunlei") != std::string::npos) return "https://pan.xunlei.com/s/VN" + madeUp(seed, 24, ALNUM);
    if (host.find("139") != std::string::npos) return "https://caiyun.139.com/m/i?" + madeUp(seed, 14, ALNUM);
    if (host.find("lanzou") != std::string::npos) return "https://wwi." + host + "/i" + madeUp(seed, 10, ALNUM);
    if (host.find("pikpak") != std::string::npos) return "https://mypikpak.com/s/VN" + madeUp(seed, 20, ALNUM);
    return "https://" + host + "/s/" + madeUp(seed, 10, ALNUM);
}

std::string codeOf(const std::string& host, int n) {
    return madeUp(host + "$" + std::to_string(n), 4, CODE_CHARS);
}

// A share of another netdisk than the one searched: never a row of this service.
std::string otherNetdiskUrl(const std::string& host) {
    return host.find("baidu") != std::string::npos ? shareUrl("pan.quark.cn", 900) : shareUrl("pan.baidu.com", 900);
}

std::string pageAddress(const char* site, const std::string& host, const std::string& name) {
    return "https://" + std::string(site) + "/" + host + "/" + name;
}

// The netdisk host a mentions query names: its last word when that is a host name.
bool splitQuery(const std::string& query, std::string* keyword, std::string* host) {
    std::string trimmed = trimSpaces(query);
    size_t space = trimmed.rfind(' ');
    std::string last = space == std::string::npos ? trimmed : trimmed.substr(space + 1);
    last.erase(std::remove(last.begin(), last.end(), '"'), last.end());
    if (last.find('.') == std::string::npos || last.find('/') != std::string::npos) return false;
    for (unsigned char c : last) {
        if (c >= 0x80) return false;
    }
    *host = asciiLower(last);
    *keyword = space == std::string::npos ? "" : trimSpaces(trimmed.substr(0, space));
    return true;
}

struct Counts {
    std::mutex mutex;
    std::map<std::string, int> served, inFlight, peak;
};
Counts& counts() {
    static Counts c;
    return c;
}

class PageInFlight {
public:
    explicit PageInFlight(std::string site) : site_(std::move(site)) {
        std::lock_guard lock(counts().mutex);
        int now = ++counts().inFlight[site_];
        counts().peak[site_] = std::max(counts().peak[site_], now);
        ++counts().served[site_];
    }
    ~PageInFlight() {
        std::lock_guard lock(counts().mutex);
        --counts().inFlight[site_];
    }

private:
    std::string site_;
};

std::string filler(size_t bytes) {
    static const std::string paragraph = "<p>这是一段填充文字，用来把页面撑大。Lorem ipsum dolor sit amet.</p>\n";
    std::string out;
    out.reserve(bytes + paragraph.size());
    while (out.size() < bytes) out += paragraph;
    return out;
}

std::string headers(const char* contentType, long long length = -1) {
    std::string head = "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(contentType) + "\r\n";
    if (length >= 0) head += "Content-Length: " + std::to_string(length) + "\r\n";
    return head + "Connection: close\r\n\r\n";
}

// ---- The pages (GBK) ----

std::string blogPost(const std::string& host) {
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>资源分享</title>"
           "<script>var backup = \"" + shareUrl(host, 90) + "\";</script></head><body><article class=\"post\">"
           "<h1>合集分享</h1><p>链接：<a href=\"" + shareUrl(host, 2) + "\" target=\"_blank\">" + shareUrl(host, 2) +
           "</a></p><p>提取码：" + codeOf(host, 2) + "</p><p>另附 <a href=\"" + shareUrl(host, 3) +
           "\">合集第二部.epub</a> 提取码 " + codeOf(host, 3) + "</p><p>解压密码：www.blog.example</p>"
           "<p>别家的：<a href=\"" + otherNetdiskUrl(host) + "\">" + otherNetdiskUrl(host) +
           "</a> 提取码：qqqq</p></article></body></html>";
}

std::string forumThread(const std::string& host) {
    return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\"><title>论坛</title></head>"
           "<body><table><tr><td class=\"t_f\" id=\"postmessage_1\">合集 高清<br />\r\n链接: " + shareUrl(host, 4) +
           " <br />\r\n提取码: " + codeOf(host, 4) + " <br />\r\n--来自网盘超级会员的分享</td></tr>"
           "<tr><td class=\"t_f\" id=\"postmessage_2\">补一个 <a href=\"" + shareUrl(host, 5) + "\">" +
           shareUrl(host, 5) + "</a></td></tr><tr><td class=\"t_f\" id=\"postmessage_3\">上面的解压密码: 8888</td></tr>"
           "</table></body></html>";
}

std::string linkList(const std::string& host) {
    return "<html><head><meta charset=\"utf-8\"></head><body><table class=\"list\"><tr><th>名称</th><th>链接</th>"
           "<th>提取码</th></tr><tr><td>第一部</td><td><a href=\"" + shareUrl(host, 6) + "\">下载</a></td><td>" +
           codeOf(host, 6) + "</td></tr><tr><td>第二部</td><td><a href=\"" + shareUrl(host, 7) +
           "\">下载</a></td><td></td></tr></table><div class=\"note\">上册 " + shareUrl(host, 9) + " 下册 " +
           shareUrl(host, 10) + " 提取码：" + codeOf(host, 10) + "</div><div>" + shareUrl(host, 8) +
           "</div><div>这是一段与链接无关的说明文字。</div><div>提取码：zzzz</div></body></html>";
}

std::string readme(const std::string& host) {
    return "## 资源合集\n\n- [合集 第一部](" + shareUrl(host, 11) + ") 提取码: " + codeOf(host, 11) +
           "\n- [合集 第二部](" + shareUrl(host, 12) + ")\n\n链接：" + shareUrl(host, 13) + "\n提取码：" +
           codeOf(host, 13) + "\n\n解压密码：1234\n";
}

std::string movedHere(const std::string& host) {
    return "<html><body><p>" + shareUrl(host, 17) + " 密码：" + codeOf(host, 17) + "</p></body></html>";
}

std::string manyPage(const std::string& host, int n) {
    return "<html><body><p>第 " + std::to_string(n) + " 页 " + shareUrl(host, 100 + n) + " 提取码：" +
           codeOf(host, 100 + n) + "</p></body></html>";
}

bool sendGbkAsUtf8(LoopbackConnection& connection, const std::string& gbk, const char* type) {
    std::string body = gbkToUtf8(gbk);
    return connection.send(headers(type, (long long)body.size()) + body);
}

}  // namespace

std::optional<std::vector<SimHit>> simMentionResults(const std::string& query) {
    std::string keyword, host;
    if (!splitQuery(query, &keyword, &host)) return std::nullopt;
    std::vector<SimHit> hits;
    if (keyword == SIM_MANY_PAGES_KEYWORD) {
        for (int n = 0; n < SIM_MANY_PAGES; ++n)
            hits.push_back({pageAddress(MANY, host, "p" + std::to_string(n) + ".html"), "第" + std::to_string(n) + "帖",
                            "在 " + host + " 上分享"});
        return hits;
    }
    const std::string& k = keyword;
    // The pages with shares first, the hostile ones last: a service searched on several hosts
    // reads fewer pages behind each.
    hits.push_back({pageAddress(FORUM, host, "snippet.html"), k + " 全集 分享",
                    "资源已更新 链接：" + shareUrl(host, 1) + " 提取码：" + codeOf(host, 1) + " 失效请留言"});
    hits.push_back({shareUrl(host, 19), k + " 网盘分享", ""});
    hits.push_back({pageAddress(FORUM, host, "code-in-snippet.html"), k + " 带密码",
                    "解压密码：abcd 分享 " + shareUrl(host, 20)});
    hits.push_back({pageAddress(BLOG, host, "post-2.html"), k + " 高清合集 | 博客", k + " 高清 " + host + " 网盘下载"});
    hits.push_back({pageAddress(FORUM, host, "gbk.html"), k + " 合集 - 论坛", "楼主发了 " + host + " 的链接"});
    hits.push_back({pageAddress(LINKS, host, "list.html"), k + " 资源列表", "整理的 " + host + " 资源"});
    hits.push_back({pageAddress(LINKS, host, "readme.md"), k + " README", host + " 合集说明"});
    hits.push_back({pageAddress(LOOP, host, "moved"), k + " 搬家", "已搬家 " + host});
    hits.push_back({pageAddress(HUGE_SITE, host, "big.html"), k + " 超长帖", "很长的帖子 " + host});
    hits.push_back({pageAddress(HUGE_SITE, host, "endless.html"), k + " 无尽帖", "永远加载 " + host});
    hits.push_back({pageAddress(LOOP, host, "a"), k + " 跳转", "跳来跳去 " + host});
    // One netdisk's results lead to a page that drips: every search meets it once, not once a service.
    if (host.find("quark") != std::string::npos)
        hits.push_back({pageAddress(SLOW, host, "drip.html"), k + " 慢速", "慢慢来 " + host});
    hits.push_back({pageAddress(FORUM, host, "gone.html"), k + " 已删除", "帖子被删 " + host});
    return hits;
}

SimMentionPlan simMentionPlan(const std::string& host, const std::string& keyword) {
    SimMentionPlan plan;
    if (keyword == SIM_MANY_PAGES_KEYWORD) {
        for (int n = 0; n < SIM_MANY_PAGES; ++n)
            plan.found.push_back({shareUrl(host, 100 + n), codeOf(host, 100 + n), pageAddress(MANY, host, "p" + std::to_string(n) + ".html")});
        return plan;
    }
    auto add = [&](int n, bool withCode, const std::string& result) {
        plan.found.push_back({shareUrl(host, n), withCode ? codeOf(host, n) : "", result});
    };
    const std::string snippet = pageAddress(FORUM, host, "snippet.html"), blog = pageAddress(BLOG, host, "post-2.html"),
                      forum = pageAddress(FORUM, host, "gbk.html"), list = pageAddress(LINKS, host, "list.html"),
                      readmePage = pageAddress(LINKS, host, "readme.md"), big = pageAddress(HUGE_SITE, host, "big.html"),
                      endless = pageAddress(HUGE_SITE, host, "endless.html"), moved = pageAddress(LOOP, host, "moved"),
                      decoy = pageAddress(FORUM, host, "code-in-snippet.html");
    add(1, true, snippet);
    add(2, true, blog);
    add(3, true, blog);
    add(4, true, forum);
    add(5, false, forum);  // the next post's 解压密码 is no code of it
    add(6, true, list);
    add(7, false, list);  // an empty cell in the code column
    add(8, false, list);  // a code two blocks away
    add(9, false, list);  // the code after the next link is that link's
    add(10, true, list);
    add(11, true, readmePage);
    add(12, false, readmePage);
    add(13, true, readmePage);  // the code on the next line
    add(14, true, big);         // before the cap
    add(16, true, endless);
    add(17, true, moved);  // behind a redirect
    add(19, false, shareUrl(host, 19));
    add(20, false, decoy);  // beside an archive password
    plan.notFound = {shareUrl(host, 15), shareUrl(host, 90), otherNetdiskUrl(host)};
    return plan;
}

bool simServeMentionPage(LoopbackConnection& connection, const std::string& target,
                         const std::function<void(const std::string&)>& log) {
    // "/SITE/HOST/NAME"
    if (target.size() < 2 || target[0] != '/') return false;
    size_t siteEnd = target.find('/', 1);
    if (siteEnd == std::string::npos) return false;
    std::string site = target.substr(1, siteEnd - 1);
    if (std::find_if(std::begin(SITES), std::end(SITES), [&](const char* s) { return site == s; }) == std::end(SITES))
        return false;
    size_t hostEnd = target.find('/', siteEnd + 1);
    std::string host = target.substr(siteEnd + 1, hostEnd == std::string::npos ? std::string::npos : hostEnd - siteEnd - 1);
    std::string name = hostEnd == std::string::npos ? "" : target.substr(hostEnd + 1);
    PageInFlight inFlight(site);
    int status = 200;
    const char* html = "text/html; charset=utf-8";

    if (site == FORUM && name == "gbk.html") {
        // Declared in the page only; the header names no charset.
        std::string body = forumThread(host);
        connection.send(headers("text/html", (long long)body.size()) + body);
    } else if (site == BLOG && (name == "post-2.html")) {
        sendGbkAsUtf8(connection, blogPost(host), "text/html");
    } else if (site == BLOG && name == "moved-here.html") {
        sendGbkAsUtf8(connection, movedHere(host), html);
    } else if (site == LINKS && name == "list.html") {
        sendGbkAsUtf8(connection, linkList(host), html);
    } else if (site == LINKS && name == "readme.md") {
        sendGbkAsUtf8(connection, readme(host), "text/plain; charset=utf-8");
    } else if (site == FORUM && name == "snippet.html") {
        // The post the snippet was cut from, for layouts that show no snippet.
        sendGbkAsUtf8(connection, "<div class=\"post\">资源已更新 链接：" + shareUrl(host, 1) + " 提取码：" + codeOf(host, 1) +
                                      " 失效请留言</div>", html);
    } else if (site == FORUM && name == "code-in-snippet.html") {
        sendGbkAsUtf8(connection, "<div class=\"post\">解压密码：abcd 分享 " + shareUrl(host, 20) + "</div>", html);
    } else if (site == HUGE_SITE && name == "big.html") {
        // 3 MB: one share at the start, one after the 2 MB a reader takes.
        std::string page = "<html><body><p>" + shareUrl(host, 14) + " 提取码：" + codeOf(host, 14) + "</p>" +
                           filler(size_t(5) << 19) + "<p>" + shareUrl(host, 15) + " 提取码：" + codeOf(host, 15) +
                           "</p>" + filler(size_t(1) << 19) + "</body></html>";
        sendGbkAsUtf8(connection, page, html);
    } else if (site == HUGE_SITE && name == "endless.html") {
        // Never ends on its own: stops when the reader hangs up (bounded at 64 MB all the same).
        std::string start = gbkToUtf8("<html><body><p>" + shareUrl(host, 16) + " 提取码：" + codeOf(host, 16) + "</p>");
        std::string chunk = gbkToUtf8(filler(64 * 1024));
        bool open = connection.send(headers(html) + start);
        for (size_t sent = 0; open && sent < (size_t(64) << 20) && !connection.stopping(); sent += chunk.size())
            open = connection.send(chunk);
    } else if (site == LOOP && (name == "a" || name == "b")) {
        status = 302;
        // Relative to the real site, as a real server writes it.
        connection.send(httpResponse(302, "Found", "", "Location: /" + host + "/" + (name == "a" ? "b" : "a") + "\r\n"));
    } else if (site == LOOP && name == "moved") {
        status = 301;
        connection.send(httpResponse(301, "Moved Permanently", "",
                                     "Location: " + pageAddress(BLOG, host, "moved-here.html") + "\r\n"));
    } else if (site == SLOW && name == "drip.html") {
        // One byte every quarter second for two minutes at most.
        bool open = connection.send(headers(html) + "<html><body><p>");
        for (int i = 0; open && i < 480 && !connection.waitForStop(250); ++i) open = connection.send(" ");
    } else if (site == MANY) {
        int n = std::atoi(name.c_str() + (name.empty() ? 0 : 1));
        connection.waitForStop(300);  // slow enough that a reader's requests overlap
        sendGbkAsUtf8(connection, manyPage(host, n), html);
    } else {
        status = 404;
        connection.send(httpResponse(404, "Not Found", "<html><body>not found</body></html>", "Content-Type: text/html\r\n"));
    }
    if (log) log("GET " + target + " -> " + std::to_string(status) + " mention page");
    return true;
}

int simMentionPagesServed(const std::string& site) {
    std::lock_guard lock(counts().mutex);
    return counts().served[site];
}
int simMentionPeakInFlight(const std::string& site) {
    std::lock_guard lock(counts().mutex);
    return counts().peak[site];
}
void simMentionResetCounts() {
    std::lock_guard lock(counts().mutex);
    counts().served.clear();
    counts().peak.clear();
}
