// The mentions mode: its options, its queries and the rows of its result pages. See mentions.h.
#include "search/mentions.h"

#include <algorithm>
#include <atomic>

#include "text/text.h"
#include "search/profile.h"
#include "search/query.h"
#include "search/worker.h"

namespace {

std::atomic<SearchMode> modeStorage{SearchMode::Site};
std::atomic<int> depthStorage{1};
std::atomic<ShareFinder*> finderStorage{nullptr};

bool optionValue(const std::string& arg, std::string_view name, std::string* value) {
    std::string prefix = "--" + std::string(name) + "=";
    if (arg.compare(0, prefix.size(), prefix) != 0) return false;
    *value = arg.substr(prefix.size());
    return true;
}

constexpr const char DEFAULT_MENTIONS_QUERY[] = "{keyword} {site}";

}  // namespace

SearchMode searchMode() {
    return modeStorage.load();
}
void setSearchMode(SearchMode mode) {
    modeStorage.store(mode);
}
int mentionDepth() {
    return depthStorage.load();
}
void setMentionDepth(int depth) {
    depthStorage.store(depth);
}
ShareFinder* shareFinder() {
    return finderStorage.load();
}
void setShareFinder(ShareFinder* finder) {
    finderStorage.store(finder);
}

bool parseSearchMode(std::string_view text, SearchMode* mode) {
    std::string lowered = asciiLower(text);
    if (lowered == "site") *mode = SearchMode::Site;
    else if (lowered == "mentions") *mode = SearchMode::Mentions;
    else return false;
    return true;
}

std::string applyModeOptions(const std::vector<std::string>& args) {
    std::string value;
    for (const std::string& arg : args) {
        if (optionValue(arg, "mode", &value)) {
            SearchMode mode;
            if (!parseSearchMode(value, &mode)) return "--mode takes site or mentions, not \"" + value + "\"";
            setSearchMode(mode);
        } else if (optionValue(arg, "depth", &value)) {
            if (value != "0" && value != "1") return "--depth takes 0 (result pages only) or 1, not \"" + value + "\"";
            setMentionDepth(value == "1" ? 1 : 0);
        }
    }
    return {};
}

int mentionPageBudget(size_t searchHosts) {
    return MENTION_PAGES_PER_SERVICE / int(std::max<size_t>(searchHosts, 1));
}

std::string mentionsQuery(const EngineProfile& profile, std::string_view host, std::string_view keyword) {
    const std::string& pattern = profile.mentions.empty() ? std::string(DEFAULT_MENTIONS_QUERY) : profile.mentions;
    return trimSpaces(replaceAll(replaceAll(pattern, "{site}", host), "{keyword}", keyword));
}

std::string mentionsUrl(const EngineProfile& profile, std::string_view host, std::string_view keyword, int position) {
    std::string query = mentionsQuery(profile, host, keyword);
    if (profile.classic) {
        // The classic address with the query in place of "site:HOST KEYWORD".
        return "http://" + engineHost() + "/s?wd=" + encodeKeyword(query) + "&pn=" + std::to_string(position) +
               "&rn=50&ie=utf-8&rsv_page=1";
    }
    // The profile asks its own way; its query template is the only thing that changes.
    EngineProfile asked = profile;
    asked.query = "{keyword}";
    return buildProfileUrl(asked, host, query, position);
}

std::vector<Hit> mentionRows(const std::vector<Hit>& hits, const std::string& serviceHost, int& pagesLeft,
                             RequestCanceller* canceller, std::vector<std::string>& notes) {
    ShareFinder* finder = shareFinder();
    std::vector<Hit> rows;
    if (!finder) return rows;

    // Each hit's own shares first; the hits that show none are read behind, within the budget.
    std::vector<std::vector<MentionedShare>> own(hits.size());
    std::vector<std::string> toRead;
    std::vector<size_t> readFor;  // the hit each page to read belongs to
    for (size_t i = 0; i < hits.size(); ++i) {
        const Hit& hit = hits[i];
        own[i] = finder->inText(serviceHost, hit.title + "\n" + hit.snippet + "\n" + hit.address);
        if (!own[i].empty() || mentionDepth() < 1 || pagesLeft <= 0) continue;
        if (finder->isNetdiskAddress(hit.address)) continue;
        if (hit.address.compare(0, 7, "http://") != 0 && hit.address.compare(0, 8, "https://") != 0) continue;
        bool again = false;
        for (const std::string& url : toRead) again = again || url == hit.address;
        if (again) continue;
        toRead.push_back(hit.address);
        readFor.push_back(i);
        --pagesLeft;
    }
    std::vector<MentionPage> pages;
    if (!toRead.empty()) pages = finder->inPages(serviceHost, toRead, canceller);

    // A row found in the result itself keeps its snippet (the text its code came from); one
    // found in the page behind has none of its own, so no code of the snippet is taken for it.
    auto addRow = [&](const Hit& hit, const MentionedShare& share, bool inResult) {
        Hit row;
        row.title = share.name.empty() ? hit.title : share.name;
        row.address = share.url;
        if (inResult) row.snippet = hit.snippet;
        row.code = share.code;
        row.service = hit.service;
        rows.push_back(std::move(row));
    };
    size_t page = 0;
    for (size_t i = 0; i < hits.size(); ++i) {
        for (const MentionedShare& share : own[i]) addRow(hits[i], share, true);
        for (; page < readFor.size() && readFor[page] == i; ++page) {
            if (page >= pages.size()) continue;
            for (const MentionedShare& share : pages[page].shares) addRow(hits[i], share, false);
            if (!pages[page].failure.empty()) notes.push_back(toRead[page] + ": " + pages[page].failure);
        }
    }
    return rows;
}
