// Pages behind search results, fetched within their bounds. See page_fetch.h.
#include "links/page_fetch.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "http/canceller.h"
#include "http/url.h"
#include "http/web_request.h"
#include "links/page_text.h"
#include "text/text.h"

namespace {

// Requests in flight per host, shared by every search of the program.
class HostSlots {
public:
    static HostSlots& instance() {
        static HostSlots slots;
        return slots;
    }

    // Waits for a free slot; false when the canceller was cancelled while waiting.
    bool acquire(const std::string& host, int cap, RequestCanceller* canceller) {
        std::unique_lock<std::mutex> lock(mutex_);
        while (inFlight_[host] >= std::max(cap, 1)) {
            if (canceller && canceller->cancelled()) return false;
            // Cancelling signals no condition of ours: look again now and then.
            changed_.wait_for(lock, std::chrono::milliseconds(50));
        }
        ++inFlight_[host];
        return true;
    }
    void release(const std::string& host) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (--inFlight_[host] <= 0) inFlight_.erase(host);
        }
        changed_.notify_all();
    }
    int count(const std::string& host) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = inFlight_.find(host);
        return it == inFlight_.end() ? 0 : it->second;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, int> inFlight_;
};

class HostSlot {
public:
    HostSlot(std::string host, int cap, RequestCanceller* canceller) : host_(std::move(host)) {
        held_ = HostSlots::instance().acquire(host_, cap, canceller);
    }
    ~HostSlot() {
        if (held_) HostSlots::instance().release(host_);
    }
    HostSlot(const HostSlot&) = delete;
    HostSlot& operator=(const HostSlot&) = delete;
    bool held() const { return held_; }

private:
    std::string host_;
    bool held_ = false;
};

// The header's value in raw response headers ("" when absent).
std::string headerValue(const std::string& rawHeaders, std::string_view name) {
    for (const std::string& line : splitText(rawHeaders, "\r\n")) {
        size_t colon = line.find(':');
        if (colon == std::string::npos || colon != name.size()) continue;
        if (asciiLower(line.substr(0, colon)) == name) return trimSpaces(line.substr(colon + 1));
    }
    return {};
}

int statusOf(const std::string& rawHeaders) {
    if (rawHeaders.compare(0, 5, "HTTP/") != 0) return 0;
    size_t space = rawHeaders.find(' ');
    if (space == std::string::npos || space + 4 > rawHeaders.size()) return 0;
    int status = 0;
    for (size_t i = space + 1; i < space + 4; ++i) {
        if (rawHeaders[i] < '0' || rawHeaders[i] > '9') return 0;
        status = status * 10 + (rawHeaders[i] - '0');
    }
    return status;
}

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A Location that names the `via` address itself stands for the real host in its first segment.
std::string realAddress(const std::string& location, const std::string& current, std::string_view via) {
    std::string resolved = resolveAddress(current, location);
    if (!via.empty() && urlHost(resolved, false, true) == asciiLower(via)) {
        std::string path = urlPath(resolved);  // "/HOST/rest"
        std::string scheme = current.compare(0, 8, "https://") == 0 ? "https://" : "http://";
        return scheme + path.substr(1);
    }
    return resolved;
}

std::string hostOf(const std::string& url) {
    return urlHost(url, false, true);
}

}  // namespace

std::string addressVia(std::string_view url, std::string_view via) {
    if (via.empty()) return std::string(url);
    size_t scheme = url.find("://");
    std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
    if (rest.substr(0, 2) == "//") rest.remove_prefix(2);
    return "http://" + std::string(via) + "/" + std::string(rest);
}

FetchedPage fetchMentionPage(const std::string& url, const PageFetchOptions& options) {
    FetchedPage page;
    page.url = url;
    const ULONGLONG start = GetTickCount64();
    std::string current = url;
    std::map<std::string, std::string> jars;  // cookies of one host stay with that host
    for (int hop = 0;; ++hop) {
        if (options.canceller && options.canceller->cancelled()) {
            page.failure = "cancelled";
            return page;
        }
        long long left = options.deadlineMs > 0 ? options.deadlineMs - (long long)(GetTickCount64() - start) : 0;
        if (options.deadlineMs > 0 && left <= 0) {
            page.failure = "time-out";
            return page;
        }
        std::string host = hostOf(current);
        HostSlot slot(host, options.perHost, options.canceller);
        if (!slot.held()) {
            page.failure = "cancelled";
            return page;
        }
        WebRequestResult result;
        WebRequestOptions request;
        std::string rawHeaders;
        request.noRedirect = true;
        request.cookies = &jars[host];
        request.rawHeaders = &rawHeaders;
        request.canceller = options.canceller;
        request.maxBodyBytes = options.maxBodyBytes;
        request.deadlineMs = options.deadlineMs > 0 ? int(left) : 0;
        request.timeoutMs = std::min<int>(WEB_REQUEST_TIMEOUT_MS, options.deadlineMs > 0 ? int(left) : WEB_REQUEST_TIMEOUT_MS);
        request.result = &result;
        std::string body = webRequest(addressVia(current, options.via), request);
        int status = statusOf(rawHeaders);
        std::string location = headerValue(rawHeaders, "location");
        if (isRedirect(status) && !location.empty()) {
            if (hop >= options.maxRedirects) {
                page.failure = "too many redirects (" + std::to_string(hop) + ")";
                return page;
            }
            current = realAddress(location, current, options.via);
            if (current.compare(0, 7, "http://") != 0 && current.compare(0, 8, "https://") != 0) {
                page.failure = "redirect to no web address";
                return page;
            }
            continue;
        }
        if (result.failure == RequestFailure::tooLarge) {
            page.cut = true;
            page.failure = "cut at " + std::to_string(options.maxBodyBytes >> 20) + " MB";
        } else if (!result.whole()) {
            page.failure = describeFailure(result);
        }
        page.text = pageToGbk(std::move(body), headerValue(rawHeaders, "content-type"));
        return page;
    }
}

std::vector<FetchedPage> fetchMentionPages(const std::vector<std::string>& urls, const PageFetchOptions& options,
                                           const std::function<void(size_t index, FetchedPage& page)>& digest) {
    std::vector<FetchedPage> pages(urls.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i = next++; i < urls.size(); i = next++) {
            if (options.canceller && options.canceller->cancelled()) {
                pages[i].url = urls[i];
                pages[i].failure = "cancelled";
                continue;
            }
            pages[i] = fetchMentionPage(urls[i], options);
            if (digest) digest(i, pages[i]);
        }
    };
    // One helper per page that may be in flight: the host cap decides how many really are.
    size_t helpers = std::min<size_t>(urls.size(), size_t(std::max(options.perHost, 1)));
    std::vector<std::thread> threads;
    for (size_t i = 1; i < helpers; ++i) threads.emplace_back(work);
    work();
    for (std::thread& thread : threads) thread.join();
    return pages;
}

int pagesInFlight(std::string_view host) {
    return HostSlots::instance().count(asciiLower(host));
}
