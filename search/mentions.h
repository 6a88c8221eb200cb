// The mentions mode of a search: instead of a netdisk's own pages (`site:`), the engine is asked
// for pages that mention the netdisk with the keyword, and every share link of that netdisk in a
// result (its title, snippet, address) or in the page behind it becomes a row whose address is
// the share link. Reading share links is the business of links/, on the same floor as this room,
// so the program and the command line hand this room a ShareFinder built on it.
// Room search/ (floor 2): platform-free; uses text/ and http/url.h.
#pragma once
#include <string>
#include <string_view>
#include <vector>

class RequestCanceller;
struct EngineProfile;
struct Hit;

enum class SearchMode { Site, Mentions };

// The mode every worker of this run uses (Site unless chosen otherwise).
SearchMode searchMode();
void setSearchMode(SearchMode mode);
// How deep a mentions search reads: 1 (the default) also reads the pages behind results whose
// snippet shows no share link; 0 stays on the result pages.
int mentionDepth();
void setMentionDepth(int depth);
// "site" or "mentions" (any case) to a mode; false when the text names neither.
bool parseSearchMode(std::string_view text, SearchMode* mode);

// Applies --mode=site|mentions and --depth=N among `args`. Returns "" when all is well, else the
// message for the user.
std::string applyModeOptions(const std::vector<std::string>& args);

// The query a mentions search asks for, from the profile's `mentions` template ("{keyword}
// {site}" unless the profile says otherwise).
std::string mentionsQuery(const EngineProfile& profile, std::string_view host, std::string_view keyword);
// The address of one result page of a mentions search (every profile, classic too).
std::string mentionsUrl(const EngineProfile& profile, std::string_view host, std::string_view keyword, int position);

// The most pages behind results one service reads. A service searched on several hosts shares
// it out among them, so the service as a whole never reads more.
inline constexpr int MENTION_PAGES_PER_SERVICE = 20;
int mentionPageBudget(size_t searchHosts);

// One share link found where people mention it.
struct MentionedShare {
    std::string url;   // the share link
    std::string code;  // its code ("" when none was found)
    std::string name;  // the link's own text where it names the file, else ""
};

// A page behind a result, read.
struct MentionPage {
    std::vector<MentionedShare> shares;
    std::string failure;  // "" when it arrived whole; otherwise why not (English)
};

// What the search needs of the share reader.
class ShareFinder {
public:
    virtual ~ShareFinder() = default;
    // Every share link of the netdisk `serviceHost` belongs to (a link of its host when it is no
    // known netdisk's) standing in `text`, each with its code from the text around it.
    virtual std::vector<MentionedShare> inText(std::string_view serviceHost, std::string_view text) = 0;
    // Whether the address is a page of a netdisk itself (never read as a mentioning page).
    virtual bool isNetdiskAddress(std::string_view address) = 0;
    // The pages at `urls`, fetched and read for share links of `serviceHost`'s netdisk; one
    // MentionPage per url, in order.
    virtual std::vector<MentionPage> inPages(std::string_view serviceHost, const std::vector<std::string>& urls,
                                             RequestCanceller* canceller) = 0;
};

// The finder of this run; null until the program sets one (mentions mode then finds nothing).
ShareFinder* shareFinder();
void setShareFinder(ShareFinder* finder);

// Rows of one result page in mentions mode: for each hit in order, the share links in its title,
// snippet and address, else (at depth 1, within the page budget `pagesLeft`, which it lowers)
// those of the page behind it. Results without a share link give no row. Pages that failed or
// were cut are added to `notes` ("URL: why").
std::vector<Hit> mentionRows(const std::vector<Hit>& hits, const std::string& serviceHost, int& pagesLeft,
                             RequestCanceller* canceller, std::vector<std::string>& notes);
