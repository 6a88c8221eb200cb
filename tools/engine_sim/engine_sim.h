// A stand-in for the web search engine: answers "/s?wd=site%3AHOST%20KEYWORD&pn=N&rn=50..." on
// 127.0.0.1 with UTF-8 result pages in the engine's layout, so workers, the command line and the
// benchmarks run without the internet. With a layout other than "classic" it answers as that
// engine does today (baidu, bing, sogou, so360, duckduckgo): its paths, paging, redirect links
// and verification wall. It can be slow, broken, failing or endless on purpose,
// and it records every request.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class LoopbackServer;
class LoopbackConnection;

// One result as it stands in the page: GBK texts, written into the page as they are (tags and
// character references included) and sent as UTF-8.
struct SimHit {
    SimHit() = default;
    SimHit(std::string address, std::string title, std::string snippet = {})
        : address(std::move(address)), title(std::move(title)), snippet(std::move(snippet)) {}
    std::string address;
    std::string title;
    std::string snippet;  // the text shown with the result; "" for the layout's own filler text
};

// One request as the simulator understood it. Texts are GBK.
struct SimRequest {
    std::string target;     // path and query as received
    std::string method;     // GET, or POST for a next-page form
    bool isSearch = false;  // a result page of the layout (classic: path "/s" with a "wd" key)
    bool isRedirect = false;  // the engine's redirect link, answered with where it leads
    std::string site;       // host after "site:" in wd
    std::string keyword;    // the rest of wd after the first space
    int offset = 0;         // index of the first result asked for (classic: pn)
    int position = 0;       // the paging value as sent (pn, first, page or s)
    int rows = 0;           // rn
    std::string ie;
    std::string rsvPage;
    int status = 0;  // status answered
    int hitsServed = 0;
    bool markerServed = false;
    std::chrono::steady_clock::time_point at;
};

struct EngineSimOptions {
    // Hits of one (site, keyword) query when no corpus is given for the site; below 0 a
    // deterministic count from 0 to 120 derived from the query.
    int hitsPerQuery = -1;
    std::map<std::string, int> hitsPerSite;  // overrides hitsPerQuery for these sites
    int latencyMs = 0;                       // delay before each answer
    int errorStatus = 0;                     // answer with this status (and no results) ...
    int errorAfterPages = 0;                 // ... once a query had this many good pages
    bool brokenPages = false;                // a zero byte and invalid UTF-8 in the middle of the results
    bool noMarker = false;                   // never offer a next page
    bool capitalMarker = false;              // the next-page link reads class="N" instead of class="n"
    bool endless = false;                    // every page is full and offers a next page
    bool samePage = false;                   // every page repeats the first one, next-page link included
    int headBytes = 0;                       // inline style and script in each page's head, as real pages carry
    std::string layout = "classic";          // classic, baidu, bing, sogou, so360, duckduckgo
    bool wall = false;                       // answer every result page with the verification wall ...
    std::vector<std::string> wallSites;      // ... or only those for these sites
    bool linksOnly = false;                  // pages carry only redirect links, no real address
    bool bingClickLinks = false;             // bing: titles link through bing.com/ck/a?...&u=a1...
};

// The layouts the simulator serves.
std::vector<std::string> simLayouts();
// What one result page of a layout holds.
struct SimPage {
    std::string layout;
    std::string site, keyword;  // GBK
    int offset = 0;             // index of the first hit
    int position = 0;           // the paging value of this page
    std::vector<SimHit> hits;
    bool next = false;
    int nextPosition = 0;
    bool linksOnly = false;
    bool bingClickLinks = false;
};
// A result page (GBK) in the layout's markup, written the way the engine writes it today.
std::string simLayoutPage(const SimPage& page);
// The layout's verification wall (GBK).
std::string simWallPage(const std::string& layout);
// The token of a redirect link that stands for `address` (references already decoded), and back.
std::string simLinkToken(const std::string& address);
std::string simTokenAddress(const std::string& token);

// The most results one page holds, and the largest offset served; larger requests are cut.
inline constexpr int SIM_MAX_ROWS = 100;
inline constexpr int SIM_MAX_OFFSET = 1 << 30;

class EngineSim {
public:
    // Listens on 127.0.0.1:`port` (0: any free port). Check ok().
    explicit EngineSim(EngineSimOptions options = {}, uint16_t port = 0);
    ~EngineSim();
    EngineSim(const EngineSim&) = delete;
    EngineSim& operator=(const EngineSim&) = delete;

    bool ok() const;
    uint16_t port() const;
    // "127.0.0.1:PORT", the value of --engine=.
    std::string hostPort() const;

    void setOptions(const EngineSimOptions& options);
    EngineSimOptions options() const;
    // Serves exactly these hits for every query on `site`.
    void setCorpus(const std::string& site, std::vector<SimHit> hits);
    // Reads "site<TAB>address<TAB>title[<TAB>snippet]" lines (UTF-8); false when the file cannot
    // be read.
    bool loadCorpusFile(const std::string& path);

    // Every hit a query for (site, keyword) has, page after page (not for endless mode).
    std::vector<SimHit> hitsFor(const std::string& site, const std::string& keyword) const;

    std::vector<SimRequest> requests() const;
    size_t requestCount() const;
    // The most requests that were being answered at one moment since the last reset (a
    // request counts from its arrival until its answer has been sent).
    size_t peakInFlight() const;
    void resetPeakInFlight();
    // Called with one line (UTF-8) per request answered.
    void setLog(std::function<void(const std::string& line)> log);
    // Called on the server's thread before each answer; a test can change state there.
    void setRequestHook(std::function<void(const SimRequest&)> hook);

    void stop();

private:
    void handle(LoopbackConnection& connection, const std::string& raw);
    std::vector<SimHit> slice(const std::string& site, const std::string& keyword, int from, int rows,
                              int* total) const;

    mutable std::mutex mutex_;
    EngineSimOptions options_;
    std::map<std::string, std::vector<SimHit>> corpus_;
    std::vector<SimRequest> requests_;
    std::map<std::string, int> pagesServed_;  // good pages per (site, keyword)
    size_t inFlight_ = 0, peakInFlight_ = 0;
    std::function<void(const std::string&)> log_;
    std::function<void(const SimRequest&)> hook_;
    std::unique_ptr<LoopbackServer> server_;  // last: stopped before the state above goes
};

// The page builder, shared with the benchmarks: a result page (GBK) holding `hits` in the
// engine's layout, with the next-page link when `marker` is set.
std::string simResultPage(const std::string& site, const std::string& keyword, int offset,
                          const std::vector<SimHit>& hits, bool marker, bool capitalMarker = false,
                          size_t headBytes = 0);
// The hits of today's netdisk hosts (today_corpus.cpp): every search host of the "today" service
// list with share links in the forms people post them, decoys and repeats among them.
std::vector<std::pair<std::string, std::vector<SimHit>>> simTodayCorpus();
// Serves simTodayCorpus() (engine-sim --netdisks=today).
void simServeToday(EngineSim& sim);

// The hits the simulator makes up for a query: `count` of them, numbered from `first`.
std::vector<SimHit> simGeneratedHits(const std::string& site, const std::string& keyword, int first, int count);
// Percent-decoding of a query value ("+" stays a plus sign, as the engine's own links use %20).
std::string simPercentDecode(const std::string& text);
