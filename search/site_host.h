// Extra-site texts are host names: the only thing of the user's that goes into the address of
// a result page, so nothing else may pass (a "&" would add query keys, a line break would end
// the request line).
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The ASCII host a site text names, or nothing when it is not one. Blanks, tabs and line ends
// around the text, a leading "http://" or "https://" and trailing "/" are forgiven; what remains
// must be dot-separated labels of letters, digits and "-" (1 to 63 bytes each, no "-" at either
// end, 253 bytes in all). Names in other scripts must be given in their "xn--" form here; see
// siteHostFromText for the conversion.
std::optional<std::string> asciiSiteHost(std::string_view text);

// The same text with the forgiven parts removed: blanks, scheme, trailing "/".
std::string siteHostCore(std::string_view text);

// Every ";"-separated item of `extraSites` that is not a host, in order ("" items included:
// an empty item is not a host either).
std::vector<std::string> rejectedSites(std::string_view extraSites,
                                       std::optional<std::string> (*toHost)(std::string_view) = asciiSiteHost);

// `extraSites` with every item replaced by its host and every item that is none left empty, so
// the positions of the others stay as they were.
std::string sitesForSearch(std::string_view extraSites,
                           std::optional<std::string> (*toHost)(std::string_view) = asciiSiteHost);

// Platform: asciiSiteHost after turning an internationalised name (GBK text) into its "xn--"
// form with the system's IDN conversion.
std::optional<std::string> siteHostFromText(std::string_view text);
