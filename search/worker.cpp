#include "search/worker.h"

#include "http/encoding.h"
#include "http/text.h"
#include "http/web_request.h"
#include "regex/com_owners.h"
#include "regex/regex_object.h"
#include "search/query.h"
#include "search/services.h"

namespace {

bool isCancelled(RequestCanceller* canceller) {
    return canceller && canceller->cancelled();
}

// One result page as GBK text: the body is read up to its first zero byte, as UTF-8. When the
// page did not arrive whole, `failure` gets why (the first such reason of the service is kept).
std::string fetchPage(const std::string& address, RequestCanceller* canceller, std::string& failure) {
    WebRequestResult result;
    WebRequestOptions options;
    options.canceller = canceller;
    options.result = &result;
    std::string body = webRequest(address, options);
    if (!result.whole() && result.failure != RequestFailure::cancelled && failure.empty())
        failure = describeFailure(result);
    size_t zero = body.find('\0');
    if (zero != std::string::npos) body.resize(zero);
    utf8ToGbkInPlace(body);
    return body;
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

// Hands every match of the last page to the list in one call, in page order; false once
// cancelled.
bool deliverHits(const RegexObject& regex, SearchSink& sink, RequestCanceller* canceller) {
    int count = regex.matchCount();
    std::vector<Hit> hits;
    hits.reserve(size_t(count > 0 ? count : 0));
    for (int i = 1; i <= count; ++i) {
        std::string title = replaceAll(replaceAll(regex.subMatchText(i, 2), "<em>", ""), "</em>", "");
        hits.push_back(Hit{std::move(title), regex.subMatchText(i, 1)});
    }
    if (isCancelled(canceller)) return false;
    if (!hits.empty()) sink.addHits(hits);
    return !isCancelled(canceller);
}

// The name a user knows the service by: its box's caption, or the extra site's host.
std::string serviceName(const ParsedTask& task, const std::string& host) {
    if (task.serviceNumber >= 1 && task.serviceNumber <= SERVICE_COUNT)
        return ServiceTable[size_t(task.serviceNumber - 1)].caption;
    return host;
}

}  // namespace

void searchWorker(const std::string& task, SearchSink& sink, RequestCanceller* canceller) {
    ComInitializer com;
    RegexObject regex;
    std::optional<ParsedTask> parsed = parseSearchTask(task);
    if (!parsed) return;
    std::string host = hostFor(parsed->serviceNumber, parsed->extraHost);

    // The first page is fetched in parallel with the other workers, before the lock.
    int offset = 0;
    if (isCancelled(canceller)) return;
    std::string failure;
    std::string page = fetchPage(buildQueryUrl(host, sink.keyword(), offset), canceller, failure);
    if (isCancelled(canceller)) return;
    regex.run(RESULT_PATTERN, page);

    // Later pages are fetched under the lock so the rows of this service stay together.
    ResultsLock lock(sink);
    for (;;) {
        if (!deliverHits(regex, sink, canceller)) return;
        if (findText(page, NEXT_PAGE_MARKER) < 1) break;
        offset += PAGE_SIZE;
        page = fetchPage(buildQueryUrl(host, sink.keyword(), offset), canceller, failure);
        if (isCancelled(canceller)) return;
        regex.run(RESULT_PATTERN, page);
    }
    sink.showCount();
    sink.serviceEnded(ServiceOutcome{serviceName(*parsed, host), failure, false});
}
