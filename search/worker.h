// The routine one search worker thread runs for one service.
#pragma once
#include <string>
#include <vector>

#include "http/canceller.h"

inline constexpr int PAGE_SIZE = 50;
// The most result pages one service follows. The engines end far earlier (a few dozen pages at
// most); the bound stops an engine that offers a next page for ever at 10,000 classic rows.
inline constexpr int MAX_PAGES_PER_SERVICE = 200;

// The title link of one result as the engine lays it out. Group 1 is the address, group 2 the
// title; the line feeds, tabs and spaces between the attributes are the page's own.
inline constexpr const char RESULT_PATTERN[] =
    "href=\"(.*?)\"\n\t\t\n\t\t            target=\"_blank\"\n        \t\t\n\t\t>(.*?)</a></h3><div";
// The start of the engine's link to the next result page (16 bytes in GBK).
inline constexpr const char NEXT_PAGE_MARKER[] = "class=\"n\">下一页";

// One search result, GBK texts.
struct Hit {
    std::string title;
    std::string address;
    std::string snippet;  // the text the engine shows with the result, one line ("" in classic)
    std::string service;  // the service box's caption, or the extra site's host
    // The share's code found beside its link where people mention it (search --mode=mentions);
    // "" elsewhere, where the code is read from the address, title and snippet.
    std::string code;
};

// How one service's search ended. A failed service may still have delivered rows: those of
// the pages that did arrive.
struct ServiceOutcome {
    std::string service;  // the service box's caption, or the extra site's host
    std::string failure;  // empty when every page asked for arrived whole; otherwise why not
    bool verificationWall = false;  // the engine answered with its robot check instead of results
    std::string host;  // the host searched (a service may be searched on several)
    // Pages behind results that failed or were cut ("URL: why"; mentions mode). Named to the
    // user, but the service's own pages arrived: they do not make it failed.
    std::vector<std::string> notes;
    bool failed() const { return !failure.empty() || verificationWall; }
};

// What a worker reaches of the result list. The main window, the command line and the tests
// each provide one; every call must be complete when it returns.
class SearchSink {
public:
    virtual ~SearchSink() = default;
    virtual std::string keyword() = 0;  // the keyword box's current text, read for every page
    virtual void lockResults() = 0;     // take searchLock
    virtual void unlockResults() = 0;   // release searchLock
    // Takes searchLock if no other thread holds it and says whether it did; never waits for
    // the holder. A worker asks after each page, so it goes on fetching while another service
    // holds the list. A sink that cannot try waits for the lock instead: its workers then keep
    // the list from their first hits on, as they did before they could try.
    virtual bool tryLockResults() {
        lockResults();
        return true;
    }
    // Every hit of one page, in page order, numbered on from the rows already there. Called
    // under searchLock, so one page is never split by another service's rows.
    virtual void addHits(const std::vector<Hit>& hits) = 0;
    virtual void showCount() = 0;
    // After the service's last page (still under searchLock); not called for a cancelled worker.
    virtual void serviceEnded(const ServiceOutcome& /*outcome*/) {}
};

// Fetches, extracts and pages one service search with the active profile. The pages are fetched
// one after another without waiting for the list: those that arrive while another service holds
// it are kept, in page order, and handed over in one call when this worker gets it; from then on
// the worker holds the list to its end and hands over each page as it arrives, so the rows of
// one service stay together. Every request waits for a slot of the engine's host (see
// search/engine_slots.h). `canceller` (optional) stops it between requests and aborts the
// request in flight; a cancelled worker still releases the lock.
void searchWorker(const std::string& task, SearchSink& sink, RequestCanceller* canceller = nullptr);
