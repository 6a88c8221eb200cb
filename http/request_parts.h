// The pure pieces of a web request: which flags it opens the request with, which agent it
// announces, how its header block is completed and how the response headers are read. Kept
// apart from the WinInet calls so that each rule can be checked without a network.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// WinInet's flag values, repeated here so this file needs no <wininet.h>; web_request.cpp
// checks them against the platform's own definitions.
inline constexpr uint32_t FLAG_RELOAD = 0x80000000;
inline constexpr uint32_t FLAG_NEED_FILE = 0x00000010;
inline constexpr uint32_t FLAG_NO_COOKIES = 0x00080000;
inline constexpr uint32_t FLAG_NO_AUTO_REDIRECT = 0x00200000;
inline constexpr uint32_t FLAG_SECURE = 0x00800000;
inline constexpr uint32_t FLAG_IGNORE_REDIRECT_TO_HTTPS = 0x00004000;

// Size of the buffer the raw response headers are read into; headers that do not fit leave
// it as RAW_HEADER_SIZE spaces.
inline constexpr int RAW_HEADER_SIZE = 5000;

// The request flags: always reload and keep a file; no platform cookies when the caller gave
// cookies (even empty ones); no automatic redirects when asked; TLS for https, otherwise
// allow a redirect from http to https without a prompt.
uint32_t requestFlags(std::string_view url, bool cookiesGiven, bool noRedirect);

// "POST" for method 1 only.
const char* requestVerb(int method);

// The agent announced to the server: the value of a User-Agent line in `headers`, else
// DEFAULT_AGENT.
std::string requestAgent(std::string_view headers);

// Adds Referer (the URL itself), Accept, Accept-Language and Content-Type unless a line of
// that name is already there, then a Cookie line when `cookies` is not empty.
void completeHeaderBlock(std::string& headers, std::string_view url, std::string_view cookies);

// What the response headers say. `redirectTarget` is only overwritten by a Location line
// and, when it is still empty at the end, receives the whole raw header text.
void readResponseHeaders(const std::string& rawHeaders, std::string& redirectTarget, std::string& receivedCookies);
