// Fetching the pages behind search results (forum posts, blog articles) to read the shares
// people mention in them, within bounds a hostile page cannot break: a body cap, a deadline for
// the whole page with its redirects, a redirect cap, no cookies carried from one host to another,
// and at most a few requests in flight to one host across all searches of the program.
// Room links/ (floor 2): uses http/ and text/.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class RequestCanceller;

// Requests in flight to one host, across every service of the search.
inline constexpr int MENTION_PAGES_PER_HOST = 4;
// A forum thread is rarely above a few hundred KB; what arrived before the cap is still read.
inline constexpr size_t MENTION_PAGE_MAX_BYTES = size_t(2) << 20;
// The whole page, redirects included. Pages behind results are read on top of the search, so a
// page that drips its bytes must not hold the search as long as a result page may.
inline constexpr int MENTION_PAGE_DEADLINE_MS = 20000;
inline constexpr int MENTION_PAGE_REDIRECTS = 5;

struct PageFetchOptions {
    // "HOST:PORT" of --engine: every page and every redirect goes there over plain HTTP, with the
    // page's real host as the first path segment. "" asks the real hosts.
    std::string via;
    int deadlineMs = MENTION_PAGE_DEADLINE_MS;
    int maxRedirects = MENTION_PAGE_REDIRECTS;
    size_t maxBodyBytes = MENTION_PAGE_MAX_BYTES;
    int perHost = MENTION_PAGES_PER_HOST;
    RequestCanceller* canceller = nullptr;
};

struct FetchedPage {
    std::string url;      // the page as the result named it
    std::string text;     // what arrived, as GBK (read in its declared character set)
    std::string failure;  // "" when the page arrived whole; otherwise what went wrong, in English
    bool cut = false;     // the body went past the cap: `text` holds what arrived before it
};

// The address a request for `url` goes to: itself, or with `via` "http://VIA/HOST/PATH".
std::string addressVia(std::string_view url, std::string_view via);

// One page with its redirects (followed here, so each hop can go through `via`).
FetchedPage fetchMentionPage(const std::string& url, const PageFetchOptions& options);

// Several pages at once, at most options.perHost to one host at a time; results in the order
// of `urls`. Returns early with what it has when the canceller is cancelled. `digest` (when
// given) is called with each page as soon as it arrived, on the thread that fetched it, and may
// clear its text, so a reader keeps what it found rather than every page whole.
std::vector<FetchedPage> fetchMentionPages(const std::vector<std::string>& urls, const PageFetchOptions& options,
                                           const std::function<void(size_t index, FetchedPage& page)>& digest = {});

// The requests to `host` in flight right now (the tests watch the cap with it).
int pagesInFlight(std::string_view host);
