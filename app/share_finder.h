// The share reader of links/ offered to the search (search/mentions.h), which may not reach
// into links/ itself: the program and the command line each set one at start-up.
// Room app/ (floor 3): uses search/ and links/, platform-free apart from the page fetcher.
#pragma once
#include "search/mentions.h"

class LinksShareFinder : public ShareFinder {
public:
    std::vector<MentionedShare> inText(std::string_view serviceHost, std::string_view text) override;
    bool isNetdiskAddress(std::string_view address) override;
    std::vector<MentionPage> inPages(std::string_view serviceHost, const std::vector<std::string>& urls,
                                     RequestCanceller* canceller) override;
};

// The finder of this process, set as the search's (idempotent).
void useLinksShareFinder();
