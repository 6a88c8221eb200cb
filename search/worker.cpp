#include "search/worker.h"

#include <set>

#include "text/encoding.h"
#include "text/text.h"
#include "http/web_request.h"
#include "regex/com_owners.h"
#include "search/extract.h"
#include "search/page_reader.h"
#include "search/profile.h"
#include "search/query.h"
#include "search/services.h"

namespace {

bool isCancelled(RequestCanceller* canceller) {
    return canceller && canceller->cancelled();
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
PageFetch fetchPage(const PageRequest& request, RequestCanceller* canceller, std::string& cookies) {
    WebRequestResult result;
    WebRequestOptions options;
    options.canceller = canceller;
    options.result = &result;
    options.cookies = &cookies;
    if (request.post) {
        options.method = 1;
        options.postText = request.form;
    }
    std::string body = webRequest(request.url, options);
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
    std::string body = webRequest(url, options);
    std::string location = locationOf(rawHeaders);
    if (!location.empty()) {
        std::string address = absoluteLink(location, urlOrigin(link), "https");
        if (!addressHost(address).empty()) return address;
    }
    size_t zero = body.find('\0');
    if (zero != std::string::npos) body.resize(zero);
    return addressInMovedPage(utf8ToGbk(body));
}

// The rows a page gives: redirect links resolved, hits outside the service's host dropped
// (unless every hit is to be kept), and no control character left in a row.
std::vector<Hit> makeHits(const EngineProfile& profile, const std::string& host, const PageRead& read,
                          RequestCanceller* canceller) {
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
        if (filtered && !unresolved && !hostBelongs(address, host)) continue;
        hits.push_back(Hit{oneLine(result.title), oneLine(address)});
    }
    return hits;
}

// Holds searchLock from the first hit to the end of the worker, on every path.
class ResultsLock {
public:
    explicit ResultsLock(SearchSink& sink) : sink_(sink) { sink_.lockResults(); }
    ~ResultsLock() { sink_.unlockResults(); }
    ResultsLock(const ResultsLock&) = delete;
    ResultsLock& operator=(const ResultsLock&) = delete;

private:
    SearchSink& sink_;
};

// The name a user knows the service by: its box's caption, or the extra site's host.
std::string serviceName(const ParsedTask& task, const std::string& host) {
    if (task.serviceNumber >= 1 && task.serviceNumber <= SERVICE_COUNT)
        return ServiceTable[size_t(task.serviceNumber - 1)].caption;
    return host;
}

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

}  // namespace

void searchWorker(const std::string& task, SearchSink& sink, RequestCanceller* canceller) {
    ComInitializer com;
    const EngineProfile profile = activeProfile();
    PageReader reader(profile);
    std::optional<ParsedTask> parsed = parseSearchTask(task);
    if (!parsed) return;
    std::string host = hostFor(parsed->serviceNumber, parsed->extraHost);

    // The first page is fetched in parallel with the other workers, before the lock.
    int position = profile.classic ? 0 : firstPosition(profile);
    if (isCancelled(canceller)) return;
    PageRequest request{buildProfileUrl(profile, host, sink.keyword(), position), {}, false};
    std::string cookies;
    PageFetch fetch = fetchPage(request, canceller, cookies);
    if (isCancelled(canceller)) return;
    PageRead read = reader.read(fetch.text);
    std::vector<Hit> hits = makeHits(profile, host, read, canceller);
    if (isCancelled(canceller)) return;
    ServiceOutcome outcome{serviceName(*parsed, host), fetch.failure, false};

    // Later pages are fetched under the lock so the rows of this service stay together.
    ResultsLock lock(sink);
    std::set<std::string> seen;  // every address this service has found, to notice a page that repeats
    for (int pages = 1;; ++pages) {
        bool fresh = false;
        for (const FoundResult& result : read.results) fresh = seen.insert(result.address).second || fresh;
        if (isCancelled(canceller)) return;
        if (!hits.empty()) sink.addHits(hits);
        if (isCancelled(canceller)) return;
        if (read.wall) {
            outcome.verificationWall = true;
            break;
        }
        // A page that did not arrive whole ends the service: its rows are listed, and an engine
        // whose bodies never end is not asked for one page after another.
        if (!outcome.failure.empty()) break;
        // An engine that offers a next page for ever, or the same page again, is not followed
        // on: the page limit bounds the first, and a page without one new address ends the
        // second. A page without results leads on only in the classic layout.
        // A page that did not arrive whole ends the service too: its rows stay, and an engine
        // that sends endless or broken pages is not asked again and again.
        bool more = read.next && fetch.failure.empty() && pages < MAX_PAGES_PER_SERVICE &&
                    (read.results.empty() ? profile.classic : fresh);
        if (!more) break;
        position = nextPosition(profile, position, read);
        if (profile.paging == Paging::Form && !profile.classic) {
            request = PageRequest{absoluteLink(read.nextForm.action.empty() ? profile.path : read.nextForm.action,
                                               profileOrigin(profile)),
                                  formBody(read.nextForm.fields), true};
        } else {
            request = PageRequest{buildProfileUrl(profile, host, sink.keyword(), position), {}, false};
        }
        fetch = fetchPage(request, canceller, cookies);
        if (isCancelled(canceller)) return;
        if (outcome.failure.empty()) outcome.failure = fetch.failure;
        read = reader.read(fetch.text);
        hits = makeHits(profile, host, read, canceller);
        if (isCancelled(canceller)) return;
    }
    sink.showCount();
    sink.serviceEnded(outcome);
}
