// Engine profiles: how one web search engine is asked for a service's results and how its result
// pages are read, as data. "classic" is the program's own layout and stays the default; the
// others read today's engines. A run chooses one with --profile=NAME, or loads its own from an
// INI file with --profile-file=PATH; nothing is stored.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class Paging {
    Offset,      // the index of the first result, from 0 ("pn")
    First,       // the index of the first result, from 1, moved on by the results seen ("first")
    PageNumber,  // the page number, from 1 ("page")
    Form,        // the page's own next-page form, posted back
};

enum class LinkEncoding {
    Percent,    // the parameter holds the address percent-encoded ("uddg")
    Base64A1,   // "a1" followed by the address in Base64url ("u" of bing.com/ck/a)
};

struct EngineProfile {
    std::string name;
    // The classic layout: buildQueryUrl, RESULT_PATTERN and NEXT_PAGE_MARKER exactly as they
    // always were. Every field below is unused then.
    bool classic = false;

    // The result page: SCHEME://HOST PATH ?KEY=QUERY &PAGE=N &SIZE=N &EXTRA
    std::string scheme = "https";
    std::string host;
    std::string path = "/";
    std::string keywordKey;
    std::string query = "site:{site} {keyword}";  // the site restriction as the engine writes it
    // The query of a mentions search: pages that name the service's host beside the keyword.
    std::string mentions = "{keyword} {site}";
    std::string extra;                             // fixed pairs appended as written ("ie=utf-8")
    Paging paging = Paging::Offset;
    std::string pageKey;
    int pageSize = 0;  // results asked per page; 0 when the engine takes no size
    std::string sizeKey;

    // One result: its container (literal texts separated by "|"), containers to skip (texts
    // their opening tag holds), the
    // pattern whose group 1 is the link and group 2 the title (VBScript dialect, without
    // regard to case), and the pattern whose group 1 is the real address when the page has it.
    std::string block;
    std::string skip;
    std::string result;
    // The pattern whose group 1 is the text the engine shows with the result (its snippet),
    // inside the result's container; "" when the profile reads none.
    std::string snippet;
    std::string real;
    std::string realIgnore;  // a real address holding this text is a placeholder

    // The engine's redirect link (a text every such link holds), the parameter that carries the
    // address inside it, and whether the engine is asked for its Location when it does not.
    std::string redirect;
    std::string redirectKey;
    LinkEncoding redirectEncoding = LinkEncoding::Percent;
    bool resolve = true;

    // The next page: a text the link (or form) holds, and the pattern that confirms it in the
    // text around that place.
    std::string nextAnchor;
    std::string next;

    // Texts of the engine's verification wall, any one of which on a page without results
    // means the engine asked for a human instead of answering.
    std::vector<std::string> walls;

    // Drop hits outside the service's host (an unresolved redirect link is kept).
    bool hostFilter = true;

    // The most requests in flight to the engine at once; 0 leaves it to --connections or the
    // default (see search/engine_slots.h).
    int connections = 0;
};

// The built-in profiles by name: classic, baidu, bing, sogou, so360, duckduckgo.
std::vector<std::string> builtinProfileNames();
std::optional<EngineProfile> builtinProfile(std::string_view name);

// Profiles read from an INI text (UTF-8 or GBK): one section per profile, "key=value" lines,
// "like=NAME" to start from another profile. `error` says which line was wrong.
std::map<std::string, EngineProfile> parseProfiles(std::string_view text, std::string* error);

// The profile every worker of this run uses (classic unless chosen otherwise).
const EngineProfile& activeProfile();
void setActiveProfile(EngineProfile profile);
// Whether hits outside the service's host are kept (quorrel-cli search --keep-all).
bool keepAllHits();
void setKeepAllHits(bool keep);

// Applies --profile-file=PATH and --profile=NAME among `args`; a profile named in both is
// taken from the file. Returns "" when all is well, else the message for the user.
std::string applyProfileOptions(const std::vector<std::string>& args);

// "SCHEME://HOST" of the profile's pages, or "http://ENGINE" when --engine names one.
std::string profileOrigin(const EngineProfile& profile);
// The address of one result page; `position` is the paging value (offset, first or page).
std::string buildProfileUrl(const EngineProfile& profile, std::string_view host, std::string_view keyword,
                            int position);
// The paging value of the first page.
int firstPosition(const EngineProfile& profile);
