// Splitting a URL into the host, port and path that the HTTP client connects with.
#pragma once
#include <string>
#include <string_view>

// Lower-cased host. A URL without "http://" gets it prefixed; the host runs to the next "/",
// so a query directly after the host stays in it. `domainOnly` keeps the last two labels.
std::string urlHost(std::string_view url, bool domainOnly = false, bool keepPort = false);
// The port named in the URL, else 443 for https and 80 otherwise.
int urlPort(std::string_view url);
// Path with query, at least "/".
std::string urlPath(std::string_view url);
