#include "tools/engine_sim/engine_sim.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>

#include "text/encoding.h"
#include "text/text.h"
#include "tools/engine_sim/mention_sim.h"
#include "tools/engine_sim/netdisk_sim.h"
#include "tools/httpd/loopback_server.h"

namespace {

// The title link of one result, laid out the way the engine writes it: the attributes sit on
// lines of their own, indented with exactly these tabs and spaces.
std::string resultBlock(int number, const SimHit& hit) {
    std::string s = "<div class=\"result c-container \" id=\"" + std::to_string(number) + "\"><h3 class=\"t\"><a\n";
    s += "        href=\"" + hit.address + "\"\n";
    s += "\t\t\n";
    s += "\t\t            target=\"_blank\"\n";
    s += "        \t\t\n";
    s += "\t\t>" + hit.title + "</a></h3><div class=\"c-abstract\">网盘分享的文件，第" + std::to_string(number) +
         "条结果。</div>";
    // The links under a result (shown address, cached copy) have attributes on one line, as on
    // the engine's pages; the pattern must not take them for title links.
    s += "<div class=\"f13\"><a target=\"_blank\" href=\"http://www.baidu.com/link?url=r" + std::to_string(number) +
         "\" class=\"c-showurl\">" + hit.address.substr(0, 40) +
         "</a> <a href=\"http://cache.baiducontent.com/c?m=" + std::to_string(number * 7919) +
         "&amp;p=882a9e&amp;user=baidu\" target=\"_blank\" class=\"m\">百度快照</a></div></div>\n";
    return s;
}

// Inline style and script of about `bytes` bytes, as the engine puts in every page's head.
std::string headFiller(size_t bytes) {
    if (bytes == 0) return {};
    std::string s = "<style>\n";
    for (int i = 0; s.size() < bytes / 2; ++i) {
        s += ".c-span" + std::to_string(i) + "{width:" + std::to_string(i % 97) +
             "px;margin:0 4px 0 0;font:13px arial,sans-serif;color:#666}\n";
    }
    s += "</style>\n<script>\n";
    for (int i = 0; s.size() < bytes; ++i) {
        s += "bds.comm.q" + std::to_string(i) + "=function(e){return e&&e.length>" + std::to_string(i % 31) +
             "?e.slice(0,32):\"\"};\n";
    }
    s += "</script>\n";
    return s;
}

uint32_t queryHash(const std::string& site, const std::string& keyword) {
    uint32_t h = 2166136261u;
    for (unsigned char c : site + '\x1f' + keyword) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

std::string hex(uint32_t v) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (int shift = 28; shift >= 0; shift -= 4) s += digits[(v >> shift) & 0xF];
    return s;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// key=value pairs of a query string, values still encoded.
std::map<std::string, std::string> queryPairs(const std::string& query) {
    std::map<std::string, std::string> pairs;
    for (const std::string& piece : splitText(query, "&")) {
        size_t eq = piece.find('=');
        if (eq == std::string::npos) {
            pairs.emplace(piece, "");
        } else {
            pairs.emplace(piece.substr(0, eq), piece.substr(eq + 1));
        }
    }
    return pairs;
}

int toInt(const std::string& text, int fallback) {
    if (text.empty()) return fallback;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    return (end && *end == '\0') ? int(v) : fallback;
}

std::string reasonFor(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 302:
            return "Found";
        case 404:
            return "Not Found";
        case 403:
            return "Forbidden";
        case 500:
            return "Internal Server Error";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        default:
            return "Status";
    }
}

}  // namespace

std::string simPercentDecode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int hi = hexValue(text[i + 1]), lo = hexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += char(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::vector<SimHit> simGeneratedHits(const std::string& site, const std::string& keyword, int first, int count) {
    std::vector<SimHit> hits;
    std::string tag = hex(queryHash(site, keyword));
    for (int i = first; i < first + count; ++i) {
        std::string n = std::to_string(i + 1);
        SimHit hit;
        hit.address = "http://" + site + "/s/" + tag + "-" + n + "?from=sim&amp;n=" + n;
        hit.title = keyword.empty() ? "" : "<em>" + keyword + "</em> ";
        hit.title += "资料" + n + " &amp; 合集 - " + site;
        hits.push_back(std::move(hit));
    }
    return hits;
}

std::string simResultPage(const std::string& site, const std::string& keyword, int offset,
                          const std::vector<SimHit>& hits, bool marker, bool capitalMarker, size_t headBytes) {
    std::string page =
        "<!DOCTYPE html>\n<html><head><meta http-equiv=\"content-type\" content=\"text/html;charset=utf-8\">";
    page += "<title>site:" + site + " " + keyword + "_百度搜索</title>\n";
    page += headFiller(headBytes);
    page += "</head>\n<body>\n";
    page +=
        "<div id=\"u\"><a href=\"http://www.baidu.com/gaoji/preferences.html\" "
        "name=\"tj_setting\">搜索设置</a></div>\n";
    page += "<div id=\"content_left\">\n";
    for (size_t i = 0; i < hits.size(); ++i) page += resultBlock(offset + int(i) + 1, hits[i]);
    page += "</div>\n<div id=\"page\">";
    if (offset > 0) {
        page += "<a href=\"/s?wd=site%3A" + site + "&amp;pn=" + std::to_string(offset - 50) +
                "\" class=\"n\">&lt;上一页</a>";
    }
    page += "<strong><span class=\"pc\">" + std::to_string(offset / 50 + 1) + "</span></strong>";
    if (marker) {
        page += "<a href=\"/s?wd=site%3A" + site + "&amp;pn=" + std::to_string(offset + 50) + "&amp;rn=50\" class=\"";
        page += capitalMarker ? "N" : "n";
        page += "\">下一页&gt;</a>";
    }
    page += "</div>\n</body></html>\n";
    return page;
}

EngineSim::EngineSim(EngineSimOptions options, uint16_t port) : options_(std::move(options)) {
    server_ = std::make_unique<LoopbackServer>(
        [this](LoopbackConnection& connection, const std::string& raw) { handle(connection, raw); }, port);
}

EngineSim::~EngineSim() {
    stop();
}

void EngineSim::stop() {
    if (server_) server_->stop();
}

bool EngineSim::ok() const {
    return server_ && server_->ok();
}
uint16_t EngineSim::port() const {
    return server_ ? server_->port() : 0;
}
std::string EngineSim::hostPort() const {
    return "127.0.0.1:" + std::to_string(port());
}

void EngineSim::setOptions(const EngineSimOptions& options) {
    std::lock_guard lock(mutex_);
    options_ = options;
}

EngineSimOptions EngineSim::options() const {
    std::lock_guard lock(mutex_);
    return options_;
}

void EngineSim::setCorpus(const std::string& site, std::vector<SimHit> hits) {
    std::lock_guard lock(mutex_);
    corpus_[site] = std::move(hits);
}

bool EngineSim::loadCorpusFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::map<std::string, std::vector<SimHit>> loaded;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> fields = splitText(line, "\t");
        if (fields.size() < 3) continue;
        loaded[utf8ToGbk(fields[0])].push_back(
            {utf8ToGbk(fields[1]), utf8ToGbk(fields[2]), fields.size() > 3 ? utf8ToGbk(fields[3]) : std::string()});
    }
    std::lock_guard lock(mutex_);
    for (auto& [site, hits] : loaded) corpus_[site] = std::move(hits);
    return true;
}

std::vector<SimHit> EngineSim::hitsFor(const std::string& site, const std::string& keyword) const {
    int total = 0;
    return slice(site, keyword, 0, INT_MAX, &total);
}

// Only the hits of one page are made up, so a long result list costs nothing per request.
std::vector<SimHit> EngineSim::slice(const std::string& site, const std::string& keyword, int from, int rows,
                                     int* total) const {
    // A query without "site:" that names a host beside the keyword asks for mentions.
    if (site.empty()) {
        if (std::optional<std::vector<SimHit>> mentions = simMentionResults(keyword)) {
            *total = int(mentions->size());
            from = std::clamp(from, 0, *total);
            int to = from + std::clamp(rows, 0, *total - from);
            return std::vector<SimHit>(mentions->begin() + from, mentions->begin() + to);
        }
    }
    std::lock_guard lock(mutex_);
    auto it = corpus_.find(site);
    int count = 0;
    if (it != corpus_.end()) {
        count = int(it->second.size());
    } else {
        count = options_.hitsPerQuery >= 0 ? options_.hitsPerQuery : int(queryHash(site, keyword) % 121);
        auto perSite = options_.hitsPerSite.find(site);
        if (perSite != options_.hitsPerSite.end()) count = perSite->second;
    }
    *total = count;
    from = std::clamp(from, 0, count);
    int to = from + std::clamp(rows, 0, count - from);
    if (it != corpus_.end()) return std::vector<SimHit>(it->second.begin() + from, it->second.begin() + to);
    return simGeneratedHits(site, keyword, from, to - from);
}

std::vector<SimRequest> EngineSim::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

size_t EngineSim::requestCount() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

void EngineSim::setLog(std::function<void(const std::string& line)> log) {
    std::lock_guard lock(mutex_);
    log_ = std::move(log);
}

void EngineSim::setRequestHook(std::function<void(const SimRequest&)> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

namespace {

// Where a request's query sits and how it pages, for each layout.
struct LayoutKeys {
    const char* path;
    const char* queryKey;
    const char* pageKey;
};

LayoutKeys keysFor(const std::string& layout) {
    if (layout == "bing") return {"/search", "q", "first"};
    if (layout == "sogou") return {"/web", "query", "page"};
    if (layout == "so360") return {"/s", "q", "pn"};
    if (layout == "duckduckgo") return {"/html/", "q", "s"};
    return {"/s", "wd", "pn"};  // classic and baidu
}

// Results per page: classic and baidu take rn; the others serve ten.
constexpr int LAYOUT_ROWS = 10;

}  // namespace

size_t EngineSim::peakInFlight() const {
    std::lock_guard lock(mutex_);
    return peakInFlight_;
}

void EngineSim::resetPeakInFlight() {
    std::lock_guard lock(mutex_);
    peakInFlight_ = inFlight_;
}

void EngineSim::handle(LoopbackConnection& connection, const std::string& raw) {
    struct InFlight {
        EngineSim& sim;
        explicit InFlight(EngineSim& s) : sim(s) {
            std::lock_guard lock(sim.mutex_);
            sim.peakInFlight_ = std::max(sim.peakInFlight_, ++sim.inFlight_);
        }
        ~InFlight() {
            std::lock_guard lock(sim.mutex_);
            --sim.inFlight_;
        }
    } inFlight(*this);
    SimRequest request;
    request.at = std::chrono::steady_clock::now();
    ParsedRequest parsed = parseRequest(raw);
    // Link checks sent over --netdisk-via ("/API-HOST/..."): the netdisks' answers.
    if (std::string line; sharedNetdiskSim().serve(connection, raw, &line)) {
        std::function<void(const std::string&)> log;
        {
            std::lock_guard lock(mutex_);
            log = log_;
        }
        if (log) log(line);
        return;
    }
    std::function<void(const std::string&)> pageLog;
    {
        std::lock_guard lock(mutex_);
        pageLog = log_;
    }
    // The pages behind mention results ("/SITE/HOST/PATH") are the mention simulator's.
    if (simServeMentionPage(connection, parsed.target, pageLog)) return;
    request.target = parsed.target;
    request.method = parsed.method;
    std::string layout = options().layout;
    size_t question = parsed.target.find('?');
    std::string path = parsed.target.substr(0, question);
    auto pairs = queryPairs(question == std::string::npos ? "" : parsed.target.substr(question + 1));
    if (parsed.method == "POST") {
        for (auto& [key, value] : queryPairs(parsed.body)) pairs.emplace(key, value);
    }
    const LayoutKeys keys = keysFor(layout);
    const bool classicKeys = layout == "classic" || layout == "baidu";
    if (path == "/html") path = "/html/";
    request.isSearch = path == keys.path && pairs.count(keys.queryKey);
    request.isRedirect = layout != "classic" && (path == "/link" || path == "/l/") &&
                         (pairs.count("url") || pairs.count("m"));
    if (request.isSearch) {
        // The engines' own links write a blank in the query as "+"; the classic engine does not.
        std::string value = classicKeys ? pairs[keys.queryKey] : replaceAll(pairs[keys.queryKey], "+", "%20");
        std::string wd = utf8ToGbk(simPercentDecode(value));
        if (wd.rfind("site:", 0) == 0) {
            size_t space = wd.find(' ');
            request.site = wd.substr(5, space == std::string::npos ? std::string::npos : space - 5);
            request.keyword = space == std::string::npos ? "" : wd.substr(space + 1);
        } else {
            request.keyword = wd;
        }
        request.position = toInt(pairs[keys.pageKey], layout == "classic" || layout == "baidu" || layout == "duckduckgo" ? 0 : 1);
        request.offset = request.position;
        request.rows = classicKeys ? toInt(pairs["rn"], 10) : LAYOUT_ROWS;
        if (layout == "bing") request.offset = request.position - 1;
        if (layout == "sogou" || layout == "so360") request.offset = (std::clamp(request.position, 1, SIM_MAX_OFFSET / LAYOUT_ROWS) - 1) * LAYOUT_ROWS;
        request.ie = pairs["ie"];
        request.rsvPage = pairs["rsv_page"];
    }

    EngineSimOptions options;
    std::function<void(const SimRequest&)> hook;
    {
        std::lock_guard lock(mutex_);
        options = options_;
        hook = hook_;
    }
    if (hook) hook(request);
    std::string body;
    bool error = false;
    if (request.isSearch && options.errorStatus) {
        std::lock_guard lock(mutex_);
        error = pagesServed_[request.site + '\x1f' + request.keyword] >= options.errorAfterPages;
    }
    std::string extraHeaders = "Content-Type: text/html; charset=utf-8\r\n";
    if (request.isRedirect) {
        std::string address = simTokenAddress(pairs.count("url") ? pairs["url"] : pairs["m"]);
        if (address.empty()) {
            request.status = 404;
            body = "<html><body>not found</body></html>";
        } else if (layout == "sogou") {
            // The engine's link page moves the browser on by itself instead of redirecting.
            request.status = 200;
            body = "<meta content=\"always\" name=\"referrer\"><noscript><META http-equiv=\"refresh\" content=\"0;URL='" +
                   address + "'\"></noscript><script>window.location.replace(\"" + address + "\")</script>";
        } else {
            request.status = 302;
            extraHeaders += "Location: " + address + "\r\n";
        }
    } else if (!request.isSearch) {
        request.status = 404;
        body = "<html><body>not found</body></html>";
    } else if (options.wall ||
               std::find(options.wallSites.begin(), options.wallSites.end(), request.site) != options.wallSites.end()) {
        request.status = 200;
        body = gbkToUtf8(simWallPage(layout));
    } else if (error) {
        request.status = options.errorStatus;
        body = "<html><body>" + std::to_string(options.errorStatus) + " error</body></html>";
    } else {
        request.status = 200;
        std::vector<SimHit> pageHits;
        // Bounded as the engine bounds them: a request for billions of rows or an offset at the
        // end of int must neither exhaust memory nor overflow the numbering.
        const int rows = std::clamp(request.rows, 0, SIM_MAX_ROWS);
        const int offset = std::clamp(request.offset, 0, SIM_MAX_OFFSET);
        if (options.samePage) {
            int total = 0;
            pageHits = slice(request.site, request.keyword, 0, rows, &total);
            request.markerServed = !options.noMarker;
        } else if (options.endless) {
            pageHits = simGeneratedHits(request.site, request.keyword, offset, rows);
            request.markerServed = !options.noMarker;
        } else {
            int total = 0;
            pageHits = slice(request.site, request.keyword, offset, rows, &total);
            request.markerServed = offset + int(pageHits.size()) < total && !options.noMarker;
        }
        request.hitsServed = int(pageHits.size());
        std::string gbkPage;
        if (layout == "classic") {
            gbkPage = simResultPage(request.site, request.keyword, offset, pageHits, request.markerServed,
                                    options.capitalMarker, size_t(std::max(options.headBytes, 0)));
        } else {
            SimPage page;
            page.layout = layout;
            page.site = request.site;
            page.keyword = request.keyword;
            page.offset = offset;
            page.position = request.position;
            page.hits = pageHits;
            page.next = request.markerServed;
            page.nextPosition = layout == "baidu" ? offset + rows
                                : layout == "bing" ? offset + int(pageHits.size()) + 1
                                : layout == "duckduckgo" ? offset + int(pageHits.size())
                                                         : request.position + 1;
            page.linksOnly = options.linksOnly;
            page.bingClickLinks = options.bingClickLinks;
            gbkPage = simLayoutPage(page);
        }
        body = gbkToUtf8(gbkPage);
        if (options.brokenPages) {
            // Cut the page with a zero byte and bytes that are no UTF-8 in front of the middle
            // result; a reader sees the first half of the hits and no next-page link.
            int keep = request.hitsServed / 2;
            size_t at = std::string::npos, from = 0;
            for (int i = 0; i <= keep; ++i) {
                at = body.find("<div class=\"result", from);
                if (at == std::string::npos) break;
                from = at + 1;
            }
            if (at == std::string::npos) at = body.find("<div id=\"page\">");
            body.insert(at, std::string("\0\xFF\xFE<broken", 9));
            request.hitsServed = keep;
            request.markerServed = false;
        }
        std::lock_guard lock(mutex_);
        ++pagesServed_[request.site + '\x1f' + request.keyword];
    }
    // The answer leaves `latencyMs` after the request arrived, however long the page took.
    auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(
        request.at + std::chrono::milliseconds(options.latencyMs) - std::chrono::steady_clock::now());
    if (options.latencyMs > 0 && remaining.count() > 0 && connection.waitForStop(int(remaining.count()))) return;

    std::function<void(const std::string&)> log;
    {
        // Recorded before the answer goes out, so a client that has its page sees its request.
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        log = log_;
    }
    connection.send(httpResponse(request.status, reasonFor(request.status), body, extraHeaders));
    if (log) {
        log(gbkToUtf8(request.method + " " + request.target + " -> " + std::to_string(request.status) +
                      " hits=" + std::to_string(request.hitsServed) + " next=" + (request.markerServed ? "1" : "0")));
    }
}
