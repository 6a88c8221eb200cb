#include <gtest/gtest.h>

#include <algorithm>

#include "each_case.h"
#include "http/cookies.h"
#include "http/url.h"

TEST(UrlHost, LowerCasesAndDropsSchemePortAndPath) {
    EXPECT_EQ(urlHost("HTTP://Example.COM:81/x"), "example.com");
    EXPECT_EQ(urlHost("HTTP://Example.COM:81/x", false, true), "example.com:81");
    EXPECT_EQ(urlHost("https://a.b.example.com/p", true), "example.com");
    EXPECT_EQ(urlHost("example.com/x"), "example.com");
    EXPECT_EQ(urlHost("https://secure.example.com"), "secure.example.com");
    // The host runs to the next "/": a query straight after the host stays in it.
    EXPECT_EQ(urlHost("http://example.com?c=1"), "example.com?c=1");
}

TEST(UrlPort, NamedPortElseSchemeDefault) {
    expectEach<int>(urlPort, {{"https://example.com", 443}, {"HTTPS://example.com/a", 443}, {"http://example.com", 80},
                              {"example.com:8080", 8080}, {"https://example.com:8443/x", 8443}});
}

TEST(UrlPath, KeepsQueryAndDefaultsToSlash) {
    expectEach(urlPath, {{"http://example.com", "/"}, {"http://example.com:81/a/b?c=1", "/a/b?c=1"},
                         {"http://example.com?c=1", "/"}, {"example.com/x", "/x"},
                         {"http://EXAMPLE.com/Mixed/Case", "/Mixed/Case"}});
}

TEST(Cookies, ReceivedFirstOldUnlessReplacedDeletedDropped) {
    std::string c = "a=1; b=2", r = "b=3; c=deleted";
    EXPECT_EQ(mergeCookies(c, r), "b=3; a=1");
    EXPECT_EQ(c, "b=3; a=1");
    EXPECT_EQ(r, "b=3;c=deleted");
}

TEST(Cookies, EmptyReceivedKeepsOldWithoutSpacesRepeatsOrDeleted) {
    std::string c = "a=1; x=deleted; a=1; b = 2", r;
    EXPECT_EQ(mergeCookies(c, r), "a=1; b=2");
    std::string none, none2;
    EXPECT_EQ(mergeCookies(none, none2), "");
}

TEST(Cookies, OnlyTheFirstOldItemOfANameSurvives) {
    std::string c = "a=1; a=2; b=1", r = "c=9";
    EXPECT_EQ(mergeCookies(c, r), "c=9; a=1; b=1");
}

TEST(Cookies, NamesAndUniqueJoin) {
    EXPECT_EQ(cookieName(" sid =abc"), "sid");
    EXPECT_EQ(cookieName("flag"), "flag");
    EXPECT_TRUE(hasCookieNamed({"a=1", "B=2"}, "B"));
    EXPECT_FALSE(hasCookieNamed({"a=1", "B=2"}, "b"));
    EXPECT_EQ(indexOfText({"x", "y", "y"}, "y"), 2);
    EXPECT_EQ(indexOfText({"x"}, "X"), -1);
    EXPECT_EQ(joinUnique("a; b; a; c; b", "; "), "a; b; c");
}

TEST(Cookies, BrowserLimitsBoundWhatIsKept) {
    // Thousands of cookies: at most 50 are kept, in order, and never more than 8 KB of text.
    std::string received;
    for (int i = 0; i < 5000; ++i) received += "k" + std::to_string(i) + "=" + std::string(20, 'v') + "; ";
    std::string cookies = "old=1";
    mergeCookies(cookies, received);
    EXPECT_LE(cookies.size(), MAX_COOKIE_TEXT);
    EXPECT_EQ(cookies.rfind("k0=", 0), 0u);
    EXPECT_EQ(std::count(cookies.begin(), cookies.end(), ';') + 1, long(MAX_COOKIES));

    // A cookie longer than a browser keeps is dropped; the others stay.
    std::string huge = "big=" + std::string(MAX_COOKIE_BYTES, 'x') + "; small=1";
    std::string mine = "a=1";
    EXPECT_EQ(mergeCookies(mine, huge), "small=1; a=1");

    // Large cookies fill the 8 KB before the count does.
    std::string large;
    for (int i = 0; i < 10; ++i) large += "L" + std::to_string(i) + "=" + std::string(3000, 'y') + ";";
    std::string none;
    mergeCookies(none, large);
    EXPECT_LE(none.size(), MAX_COOKIE_TEXT);
    EXPECT_EQ(std::count(none.begin(), none.end(), ';') + 1, 2);
}

TEST(ResolveAddress, EveryKindOfReference) {
    const std::string base = "http://127.0.0.1:8080/dir/page?q=1#f";
    EXPECT_EQ(resolveAddress(base, "https://other.example/x"), "https://other.example/x");
    EXPECT_EQ(resolveAddress(base, "//cdn.example/y"), "http://cdn.example/y");
    EXPECT_EQ(resolveAddress("https://a.example/", "//cdn.example/y"), "https://cdn.example/y");
    EXPECT_EQ(resolveAddress(base, "/link?url=abc"), "http://127.0.0.1:8080/link?url=abc");
    EXPECT_EQ(resolveAddress(base, "next?p=2"), "http://127.0.0.1:8080/dir/next?p=2");
    EXPECT_EQ(resolveAddress(base, "?p=3"), "http://127.0.0.1:8080/dir/page?p=3");
    EXPECT_EQ(resolveAddress("http://h.example", "x"), "http://h.example/x");
    EXPECT_EQ(resolveAddress("http://h.example?q", "/x"), "http://h.example/x");
    EXPECT_EQ(resolveAddress(base, ""), "");
    // Not a scheme: a colon inside a path or query does not make a reference absolute.
    EXPECT_EQ(resolveAddress(base, "/go?to=http://x"), "http://127.0.0.1:8080/go?to=http://x");
}
