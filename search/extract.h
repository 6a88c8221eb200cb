// The platform-free pieces of reading a result page: where the candidates for a match lie,
// how titles and addresses are cleaned, and how an engine's redirect link is taken apart.
// Texts are GBK; positions are 0-based byte offsets.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A piece [begin, end) of a page.
struct TextRange {
    size_t begin = 0;
    size_t end = 0;
};

// Candidates for the classic result pattern: the address line, the fixed middle lines and the
// title line around every place where the middle lines stand. The pattern cannot match
// anywhere else (its "." stops at a line feed), so running it only on these pieces gives the
// matches of a run over the whole page, in time linear in the page's size. A candidate whose
// title line lacks the closing text cannot match and is left out. Candidates come in page
// order; one may share a line with the one before (a title line that is also the next
// address line).
std::vector<TextRange> classicCandidates(std::string_view page);
// The fixed middle of the classic pattern: from the closing quote of the address to the ">"
// that opens the title.
std::string classicMiddle();

// One result's container: from the "<" of each tag that holds one of `markers` (several
// separated by "|", compared without regard to case) to the next such tag, at most `cap`
// bytes. A tag that holds a marker twice opens one block.
std::vector<TextRange> resultBlocks(std::string_view page, std::string_view markers, size_t cap);

// Windows of `before` bytes before and `after` bytes after every occurrence of `anchor`
// (without regard to case), as far as the page goes; windows that overlap are merged.
std::vector<TextRange> anchorWindows(std::string_view page, std::string_view anchor, size_t before, size_t after);

// Character references (&amp; &#39; &#x4E2D; &nbsp; ...) decoded into GBK; a character GBK
// lacks becomes "?", an unknown reference stays as written.
std::string decodeReferences(std::string_view text);
// A title as a reader sees it: comments and tags removed, references decoded, every run of
// white space (non-breaking spaces included) one blank, no blank at either end.
std::string cleanTitle(std::string_view html);
// Every control character (CR, LF, tab, ...) replaced by a blank, so a title or an address
// always stays on one row, one line of the command line and one line of an export.
std::string oneLine(std::string_view text);

// The value of attribute `name` in the first start tag of `tag` (quoted either way or bare),
// references not decoded; "" when absent.
std::string tagAttribute(std::string_view tag, std::string_view name);

// %XX sequences decoded; "+" stays unless `plusIsSpace`.
std::string percentDecode(std::string_view text, bool plusIsSpace = false);
// The raw value of `name` in the query of `url` ("" when absent).
std::string queryValue(std::string_view url, std::string_view name);

// "scheme://host" of an absolute address, "" for a relative one.
std::string urlOrigin(std::string_view url);
// Path and query of an address ("/" at least); for a relative one, itself.
std::string urlPathAndQuery(std::string_view url);
// A link of the page made absolute: "//host/..." takes `scheme`, "/..." and "?..." take
// `origin`; an absolute one is left alone.
std::string absoluteLink(std::string_view link, std::string_view origin, std::string_view scheme = "https");
// The lower-cased host of an absolute http(s) address, without user, port or path; "" when the
// address is not one.
std::string addressHost(std::string_view address);
// True when the address's host is `serviceHost` or lies below it ("x.pan.baidu.com").
bool hostBelongs(std::string_view address, std::string_view serviceHost);

// The fields of the form that holds `within` (a position in `page`): its action and its
// inputs as name/value pairs, references decoded. Empty action and no fields when no form
// encloses the position.
struct FormFields {
    std::string action;
    std::vector<std::pair<std::string, std::string>> fields;
};
FormFields enclosingForm(std::string_view page, size_t within);
// "name=value&..." with both sides percent-encoded as UTF-8.
std::string formBody(const std::vector<std::pair<std::string, std::string>>& fields);
// A text found in `text` without regard to ASCII case; npos when absent. Linear, and never
// matches from the second byte of a GBK character.
size_t findNoCase(std::string_view text, std::string_view what, size_t from = 0);
