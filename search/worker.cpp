#include "search/worker.h"

#include <windows.h>

#include <wininet.h>

#include <algorithm>
#include <optional>
#include <set>

#include "text/encoding.h"
#include "text/text.h"
#include "http/url.h"
#include "http/web_request.h"
#include "regex/com_owners.h"
#include "search/engine_slots.h"
#include "search/extract.h"
#include "search/mentions.h"
#include "search/page_reader.h"
#include "search/profile.h"
#include "search/query.h"
#include "search/services.h"

namespace {

bool isCancelled(RequestCanceller* canceller) {
    return canceller && canceller->cancelled();
}

// One exchange with the engine, sent once a slot of its host is free (see engine_slots.h);
// `profileConnections` is the profile's own cap (0: none). A request cancelled while it waited
// returns "" as a cancelled exchange does.
std::string engineRequest(const std::string& url, const WebRequestOptions& options, PageTurn turn,
                          int profileConnections) {
    int capacity = engineCapacity(turn, profileConnections);
    allowConnectionsPerServer(std::max(capacity, FIRST_PAGE_BURST));
    RequestCanceller* canceller = options.canceller;
    EngineSlot slot(engineSlots(), urlHost(url, false, true), turn, capacity,
                    [canceller] { return isCancelled(canceller); });
    if (!slot.held()) {
        if (options.result) options.result->failure = RequestFailure::cancelled;
        return {};
    }
    return webRequest(url, options);
}

// One request for a result page: a GET, or the POST of the engine's next-page form.
struct PageRequest {
    std::string url;
    std::string form;  // body of a POST; empty for a GET
    bool post = false;
};

// What one request for a result page brought.
struct PageFetch {
    std::string text;     // the page as GBK text
    std::string failure;  // empty when the page arrived whole; otherwise why not
};

// The one place where a page's fetch is judged: the body is read up to its first zero byte, as
// UTF-8; when the page did not arrive whole, `failure` says why.
// `cookies` is the worker's own jar, kept within browser limits: the platform's store keeps
// whatever an engine sends (thousands of cookies, each request carrying them all).
PageFetch fetchPage(const PageRequest& request, PageTurn turn, int profileConnections, RequestCanceller* canceller,
                    std::string& cookies) {
    WebRequestResult result;
    WebRequestOptions options;
    options.canceller = canceller;
    options.result = &result;
    options.cookies = &cookies;
    if (request.post) {
        options.method = 1;
        options.postText = request.form;
    }
    std::string body = engineRequest(request.url, options, turn, profileConnections);
    PageFetch fetch;
    if (!result.whole() && result.failure != RequestFailure::cancelled) fetch.failure = describeFailure(result);
    size_t zero = body.find('\0');
    if (zero != std::string::npos) body.resize(zero);
    utf8ToGbkInPlace(body);
    fetch.text = std::move(body);
    return fetch;
}

// The Location of a redirect answer, in the raw response headers; "" when the answer is no
// redirect.
std::string locationOf(const std::string& rawHeaders) {
    std::vector<std::string> lines = splitText(rawHeaders, "\r\n");
    if (lines.empty() || lines[0].compare(0, 5, "HTTP/") != 0) return {};
    size_t space = lines[0].find(' ');
    if (space == std::string::npos || lines[0].compare(space + 1, 1, "3") != 0) return {};
    for (size_t i = 1; i < lines.size(); ++i) {
        if (asciiLower(lines[i].substr(0, 9)) == "location:") return trimSpaces(lines[i].substr(9));
    }
    return {};
}

// The address a small "moved" page sends the browser on to: a meta refresh or a script's
// location.replace. Only small pages count: a result page's scripts mention such things too.
std::string addressInMovedPage(const std::string& body) {
    if (body.size() > 16 * 1024) return {};
    size_t refresh = findNoCase(body, "http-equiv");
    if (refresh != std::string::npos) {
        size_t url = findNoCase(body, "url=", body.rfind('<', refresh));
        if (url != std::string::npos) {
            size_t start = url + 4;
            if (start < body.size() && (body[start] == '\'' || body[start] == '"')) ++start;
            size_t end = body.find_first_of("'\" >", start);
            std::string address = decodeReferences(body.substr(start, end == std::string::npos ? end : end - start));
            if (!addressHost(address).empty()) return address;
        }
    }
    size_t replace = findNoCase(body, "location.replace(");
    if (replace != std::string::npos && replace + 18 < body.size()) {
        char quote = body[replace + 17];
        size_t end = body.find(quote, replace + 18);
        if ((quote == '"' || quote == '\'') && end != std::string::npos) {
            std::string address = body.substr(replace + 18, end - replace - 18);
            if (!addressHost(address).empty()) return address;
        }
    }
    return {};
}

// Asks the engine where its redirect link leads, without following it; "" when it will not
// say. With --engine the question goes to that address.
std::string resolveRedirect(const EngineProfile& profile, const std::string& link, RequestCanceller* canceller) {
    std::string url = engineHost() != DEFAULT_ENGINE_HOST ? profileOrigin(profile) + urlPathAndQuery(link) : link;
    WebRequestOptions options;
    options.canceller = canceller;
    options.noRedirect = true;
    options.maxBodyBytes = 16 * 1024;  // a redirect's own body, or a small page that moves on
    std::string rawHeaders, target;
    options.rawHeaders = &rawHeaders;
    options.redirectTarget = &target;
    std::string body = engineRequest(url, options, PageTurn::later, profile.connections);
    std::string location = locationOf(rawHeaders);
    if (!location.empty()) {
        std::string address = absoluteLink(location, urlOrigin(link), "https");
        if (!addressHost(address).empty()) return address;
    }
    size_t zero = body.find('\0');
    if (zero != std::string::npos) body.resize(zero);
    return addressInMovedPage(utf8ToGbk(body));
}

// The name a user knows the service by: its box's caption, or the extra site's host.
std::string serviceName(const NetdiskService* service, const std::string& host) {
    return service ? service->caption : host;
}

// A hit on the searched host, or on any host the service's links use (its mirrors and other
// names): a search of alipan.com keeps a hit on www.aliyundrive.com.
bool hitBelongs(const NetdiskService* service, const std::string& host, const std::string& address) {
    return hostBelongs(address, host) || (service && serviceOwnsHost(*service, addressHost(address)));
}

// The rows a page gives: redirect links resolved, hits outside the service's host dropped
// (unless every hit is to be kept), and no control character left in a row.
std::vector<Hit> makeHits(const EngineProfile& profile, const NetdiskService* service, const std::string& host,
                          const PageRead& read, RequestCanceller* canceller) {
    std::vector<Hit> hits;
    hits.reserve(read.results.size());
    for (const FoundResult& result : read.results) {
        std::string address = result.address;
        bool unresolved = result.redirect;
        if (unresolved && profile.resolve && !isCancelled(canceller)) {
            std::string resolved = resolveRedirect(profile, address, canceller);
            if (!resolved.empty()) {
                address = resolved;
                unresolved = false;
            }
        }
        bool filtered = !profile.classic && profile.hostFilter && !keepAllHits() && !host.empty();
        if (filtered && !unresolved && !hitBelongs(service, host, address)) continue;
        hits.push_back(Hit{oneLine(result.title), oneLine(address), oneLine(result.snippet),
                           serviceName(service, host), {}});
    }
    return hits;
}

// A service's rows on their way to the list. Rows that arrive while another service holds the
// list wait here, in page order; as soon as the list is free they go over in one call, and from
// then on this service keeps the list to its end, handing over each page as it arrives. The
// list is released on every path.
class Handover {
public:
    Handover(SearchSink& sink, RequestCanceller* canceller) : sink_(sink), canceller_(canceller) {}
    ~Handover() {
        if (holding_) sink_.unlockResults();
    }
    Handover(const Handover&) = delete;
    Handover& operator=(const Handover&) = delete;

    // A page's hits, behind those kept before. A service with nothing to show does not reach
    // for the list: another may use it meanwhile.
    void offer(std::vector<Hit> hits) {
        if (kept_.empty()) {
            kept_ = std::move(hits);
        } else {
            kept_.insert(kept_.end(), std::make_move_iterator(hits.begin()), std::make_move_iterator(hits.end()));
        }
        if (kept_.empty()) return;
        if (!holding_) holding_ = sink_.tryLockResults();
        if (holding_) handOver();
    }
    // After the last page: waits for the list and hands over what is kept. False when the
    // worker was cancelled, before or while it waited.
    bool finish() {
        if (isCancelled(canceller_)) return false;
        if (!holding_) {
            sink_.lockResults();
            holding_ = true;
        }
        if (isCancelled(canceller_)) return false;
        handOver();
        return true;
    }

private:
    void handOver() {
        if (kept_.empty() || isCancelled(canceller_)) return;
        sink_.addHits(kept_);
        kept_.clear();
    }

    SearchSink& sink_;
    RequestCanceller* canceller_;
    std::vector<Hit> kept_;
    bool holding_ = false;
};

int numberIn(const std::string& text) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoi(text);
}

// The paging value of the page after the one at `position`: the engine's own next link says it
// where it can; otherwise it is worked out from the paging kind. Never backwards.
int nextPosition(const EngineProfile& profile, int position, const PageRead& read) {
    if (profile.classic) return position + PAGE_SIZE;
    int fromLink = profile.pageKey.empty() ? -1 : numberIn(queryValue(read.nextLink, profile.pageKey));
    if (fromLink > position) return fromLink;
    int seen = int(read.results.size());
    switch (profile.paging) {
        case Paging::Offset:
            return position + (profile.pageSize > 0 ? profile.pageSize : std::max(seen, 1));
        case Paging::First:
            return position + std::max(seen, 1);
        case Paging::PageNumber:
        case Paging::Form:
            return position + 1;
    }
    return position + 1;
}

// The profile as this run's mode uses it: a mentions search keeps results on every host, since
// the pages that mention a netdisk are elsewhere.
EngineProfile searchProfile() {
    EngineProfile profile = activeProfile();
    if (searchMode() == SearchMode::Mentions) profile.hostFilter = false;
    return profile;
}

// What one page brought, read and made into rows.
struct Page {
    PageRead read;
    std::vector<Hit> hits;
    bool failed = false;  // it did not arrive whole
    bool fresh = false;   // it holds an address this service had not found before
};

// One service's pages, one after another: the requests, what they brought, and how it ended.
class ServicePages {
public:
    ServicePages(const ParsedTask& task, SearchSink& sink, RequestCanceller* canceller)
        : profile_(searchProfile()),
          host_(hostFor(task.serviceNumber, task.extraHost)),
          service_(activeServices().service(task.serviceNumber)),
          sink_(sink),
          canceller_(canceller),
          position_(profile_.classic ? 0 : firstPosition(profile_)),
          outcome_{serviceName(service_, host_), {}, false, host_, {}},
          mentions_(searchMode() == SearchMode::Mentions),
          pagesLeft_(mentionPageBudget(service_ ? service_->searchHosts.size() : 1)) {}

    PageRequest firstRequest() { return {pageUrl(), {}, false}; }

    // The keyword is read now, so a change made while the service pages is used from here on.
    PageRequest nextRequest(const PageRead& read) {
        position_ = nextPosition(profile_, position_, read);
        if (profile_.paging == Paging::Form && !profile_.classic) {
            std::string action = read.nextForm.action.empty() ? profile_.path : read.nextForm.action;
            return {absoluteLink(action, profileOrigin(profile_)), formBody(read.nextForm.fields), true};
        }
        return {pageUrl(), {}, false};
    }

    Page fetch(const PageRequest& request, PageTurn turn) {
        PageFetch fetched = fetchPage(request, turn, profile_.connections, canceller_, cookies_);
        Page page;
        page.failed = !fetched.failure.empty();
        if (outcome_.failure.empty()) outcome_.failure = fetched.failure;
        if (isCancelled(canceller_)) return page;
        page.read = reader().read(fetched.text);
        page.hits = makeHits(profile_, service_, host_, page.read, canceller_);
        // In mentions mode a result is a page about the share: its rows are the share links.
        if (mentions_) page.hits = mentionRows(page.hits, host_, pagesLeft_, canceller_, outcome_.notes);
        for (const FoundResult& result : page.read.results) page.fresh = seen_.insert(result.address).second || page.fresh;
        return page;
    }

    // Whether the page after `page`, the `count`th, is asked for. The engine's verification wall
    // ends the service; so does a page that did not arrive whole (its rows are listed, and an
    // engine whose bodies never end is not asked again and again). An engine that offers a next
    // page for ever, or the same page again, is not followed on: the page limit bounds the
    // first, and a page without one new address ends the second. A page without results leads
    // on only in the classic layout.
    bool leadsOn(const Page& page, int count) {
        if (page.read.wall) {
            outcome_.verificationWall = true;
            return false;
        }
        if (page.failed) return false;
        return page.read.next && count < MAX_PAGES_PER_SERVICE &&
               (page.read.results.empty() ? profile_.classic : page.fresh);
    }

    const ServiceOutcome& outcome() const { return outcome_; }

private:
    PageReader& reader() {
        if (!reader_) {
            com_.emplace();
            reader_.emplace(profile_);
        }
        return *reader_;
    }

    // The result page at the current position, asked the way the mode asks.
    std::string pageUrl() {
        return mentions_ ? mentionsUrl(profile_, host_, sink_.keyword(), position_)
                         : buildProfileUrl(profile_, host_, sink_.keyword(), position_);
    }

    const EngineProfile profile_;
    // Made when the first page has arrived: COM and the pattern component are loaded meanwhile
    // (see regex/warm_up.h), not before the first request. The apartment outlives the reader.
    std::optional<ComInitializer> com_;
    std::optional<PageReader> reader_;
    const std::string host_;
    const NetdiskService* service_;
    SearchSink& sink_;
    RequestCanceller* canceller_;
    int position_;
    std::string cookies_;         // this service's own jar
    std::set<std::string> seen_;  // every address the service has found, to notice a page that repeats
    ServiceOutcome outcome_;
    const bool mentions_;
    int pagesLeft_;  // pages behind results this service may still read
};

}  // namespace

void searchWorker(const std::string& task, SearchSink& sink, RequestCanceller* canceller) {
    std::optional<ParsedTask> parsed = parseSearchTask(task);
    if (!parsed) return;
    ServicePages pages(*parsed, sink, canceller);
    Handover handover(sink, canceller);
    if (isCancelled(canceller)) return;
    PageRequest request = pages.firstRequest();
    for (int count = 1;; ++count) {
        Page page = pages.fetch(request, count == 1 ? PageTurn::first : PageTurn::later);
        if (isCancelled(canceller)) return;
        handover.offer(std::move(page.hits));
        if (isCancelled(canceller)) return;
        if (!pages.leadsOn(page, count)) break;
        request = pages.nextRequest(page.read);
    }
    if (!handover.finish()) return;
    sink.showCount();
    sink.serviceEnded(pages.outcome());
}
