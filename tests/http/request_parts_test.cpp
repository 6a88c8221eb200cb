// The rules of a web request that need no server: request flags (https cannot be completed
// against a loopback server), the agent, header-block completion and response-header reading.
#include <gtest/gtest.h>

#include "http/request_parts.h"
#include "http/web_request.h"

TEST(RequestFlags, EachParameterAddsItsFlag) {
    // The program's own call: an http URL with nothing else given.
    EXPECT_EQ(requestFlags("http://www.example.com/s?wd=1", false, false), 0x80004010u);
    EXPECT_EQ(requestFlags("example.com/x", false, false), 0x80004010u);
    EXPECT_EQ(requestFlags("https://example.com/", false, false), 0x80800010u);
    EXPECT_EQ(requestFlags("HTTPS://EXAMPLE.COM/", false, false), 0x80800010u);
    EXPECT_EQ(requestFlags("http://a/", true, false), 0x80084010u);
    EXPECT_EQ(requestFlags("http://a/", false, true), 0x80204010u);
    EXPECT_EQ(requestFlags("https://a/", true, true), 0x80a80010u);
    // Only the scheme decides, not an "https" later in the address.
    EXPECT_EQ(requestFlags("http://a/?next=https://b/", false, false), 0x80004010u);
}

TEST(RequestParts, VerbAndAgent) {
    EXPECT_STREQ(requestVerb(0), "GET");
    EXPECT_STREQ(requestVerb(1), "POST");
    EXPECT_STREQ(requestVerb(2), "GET");
    EXPECT_STREQ(requestVerb(-1), "GET");

    EXPECT_EQ(requestAgent(""), DEFAULT_AGENT);
    EXPECT_EQ(requestAgent("Accept: */*"), DEFAULT_AGENT);
    EXPECT_EQ(requestAgent("User-Agent:  Tool/1 \r\nAccept: */*"), "Tool/1");
    EXPECT_EQ(requestAgent("Accept: */*\r\nUSER-AGENT: Tool/2\r\n"), "Tool/2");
    // The last line, without a CRLF after it: the value after the block's first colon.
    EXPECT_EQ(requestAgent("User-Agent: Tool/3"), "Tool/3");
}

TEST(RequestParts, HeaderBlockCompletion) {
    std::string h;
    completeHeaderBlock(h, "http://a/b", "");
    EXPECT_EQ(h,
              "Referer: http://a/b\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nContent-Type: "
              "application/x-www-form-urlencoded");

    // Tests are case-sensitive: a lower-case name does not suppress its default.
    h = "accept: x\r\nContent-Type: text/plain";
    completeHeaderBlock(h, "u", "a=1");
    EXPECT_EQ(h,
              "accept: x\r\nContent-Type: text/plain\r\nReferer: u\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n"
              "Cookie: a=1");
}

TEST(ResponseHeaders, CookiesLocationsAndTheFallbackTarget) {
    std::string redirect, cookies;
    const std::string raw =
        "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie:  b = 2 ;x\r\nset-cookie: c=3; path=/\r\n"
        "Location: /one\r\nContent-Location: /two\r\n\r\n";
    readResponseHeaders(raw, redirect, cookies);
    EXPECT_EQ(cookies, "a=1; b = 2");
    EXPECT_EQ(redirect, "/two");

    // No Location and an empty target: the whole raw text; a non-empty target is kept.
    redirect.clear();
    readResponseHeaders("HTTP/1.1 200 OK\r\n\r\n", redirect, cookies);
    EXPECT_EQ(redirect, "HTTP/1.1 200 OK\r\n\r\n");
    EXPECT_EQ(cookies, "");
    redirect = "old";
    readResponseHeaders("HTTP/1.1 200 OK\r\n\r\n", redirect, cookies);
    EXPECT_EQ(redirect, "old");
}

TEST(ResponseHeaders, CookieWithoutAttributesIsKept) {
    std::string redirect, cookies;
    readResponseHeaders("HTTP/1.1 200 OK\r\nSet-Cookie: solo=1\r\nSet-Cookie: empty=; path=/\r\n\r\n", redirect,
                        cookies);
    EXPECT_EQ(cookies, "solo=1; empty=");
}
