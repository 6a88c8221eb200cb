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

// The absolute address a Location header or a page link names, resolved against the address it
// came from: absolute ("http://..."), scheme-relative ("//host/..."), host-relative ("/path")
// or relative to the base's folder ("page?x"). "" for an empty reference.
std::string resolveAddress(std::string_view base, std::string_view reference);
