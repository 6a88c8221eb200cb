#include <gtest/gtest.h>

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
    EXPECT_EQ(urlPort("https://example.com"), 443);
    EXPECT_EQ(urlPort("HTTPS://example.com/a"), 443);
    EXPECT_EQ(urlPort("http://example.com"), 80);
    EXPECT_EQ(urlPort("example.com:8080"), 8080);
    EXPECT_EQ(urlPort("https://example.com:8443/x"), 8443);
}

TEST(UrlPath, KeepsQueryAndDefaultsToSlash) {
    EXPECT_EQ(urlPath("http://example.com"), "/");
    EXPECT_EQ(urlPath("http://example.com:81/a/b?c=1"), "/a/b?c=1");
    EXPECT_EQ(urlPath("http://example.com?c=1"), "/");
    EXPECT_EQ(urlPath("example.com/x"), "/x");
    EXPECT_EQ(urlPath("http://EXAMPLE.com/Mixed/Case"), "/Mixed/Case");
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
