// The routine one search worker thread runs for one service.
#pragma once
#include <string>

#include "http/canceller.h"

inline constexpr int PAGE_SIZE = 50;

// The title link of one result as the engine lays it out. Group 1 is the address, group 2 the
// title; the line feeds, tabs and spaces between the attributes are the page's own.
inline constexpr const char RESULT_PATTERN[] =
    "href=\"(.*?)\"\n\t\t\n\t\t            target=\"_blank\"\n        \t\t\n\t\t>(.*?)</a></h3><div";
// The start of the engine's link to the next result page (16 bytes in GBK).
inline constexpr const char NEXT_PAGE_MARKER[] = "class=\"n\">下一页";

// What a worker reaches of the result list. The main window, the command line and the tests
// each provide one; every call must be complete when it returns.
class SearchSink {
public:
    virtual ~SearchSink() = default;
    virtual std::string keyword() = 0;  // the keyword box's current text, read for every page
    virtual void lockResults() = 0;     // take searchLock
    virtual void unlockResults() = 0;   // release searchLock
    virtual void addHit(const std::string& title, const std::string& address) = 0;
    virtual void showCount() = 0;
};

// Fetches, extracts and pages one service search. `canceller` (optional) stops it between
// requests and aborts the request in flight; a cancelled worker still releases the lock.
void searchWorker(const std::string& task, SearchSink& sink, RequestCanceller* canceller = nullptr);
