// The platform's transport for the link checker: each request through http/web_request.h with
// the checks' bounds (a deadline per check, a 256 KB body cap, a redirect cap), optionally all
// sent over --netdisk-via=HOST:PORT. Room links/ (floor 2): Windows (WinInet through http/).
#pragma once
#include <memory>
#include <string>

#include "links/link_checker.h"

inline constexpr int CHECK_DEADLINE_MS = 15000;          // one check, all its requests
inline constexpr size_t CHECK_MAX_BODY = size_t(256) << 10;
inline constexpr int CHECK_MAX_REDIRECTS = 5;

// `via` "HOST:PORT" sends every request, redirects included, over plain HTTP to that address
// with the real host as the first path segment; "" asks the netdisks themselves.
std::shared_ptr<CheckTransport> makeWebTransport(const std::string& via = "");
