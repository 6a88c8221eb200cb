// quorrel-cli fetch run as its own process against a loopback server: the body on stdout
// unchanged, the labelled sections on stderr, and the exit status.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/http/child_output.h"
#include "tools/httpd/loopback_server.h"

namespace {

using RunResult = ChildResult;

// Arguments are ASCII here; each is quoted.
RunResult runCli(const std::vector<std::string>& args) {
    std::wstring line;
    for (const auto& a : args) line += L" \"" + std::wstring(a.begin(), a.end()) + L"\"";
    return runProgram(besideTestProgram(QUORREL_CLI_RELATIVE), line, 30000);
}

}  // namespace

TEST(CliFetch, PrintsBodyAndLabelledSections) {
    const std::string body("line1\r\nline2\n\x00\xd6\xd0", 15);
    LoopbackServer server([&](LoopbackConnection& c, const std::string&) {
        c.send(httpResponse(200, "OK", body, "Set-Cookie: s=9; path=/\r\n"));
    });
    const std::string url = server.url("/page?x=1");
    RunResult r =
        runCli({"fetch", url, "--cookies", "a=1", "--header", "X-One: 1", "--headers", "X-Two: 2\\r\\nX-Three: 3"});
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(r.out, body);

    const std::string block = "X-One: 1\r\nX-Two: 2\r\nX-Three: 3\r\nReferer: " + url +
                              "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nContent-Type: "
                              "application/x-www-form-urlencoded\r\nCookie: a=1";
    EXPECT_NE(r.err.find("[header block sent]\n" + block + "\n[received cookies]\ns=9\n[merged cookies]\ns=9; a=1\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("[raw response headers]\nHTTP/1.1 200 OK\r\n"), std::string::npos);
    // What the server received is the block the tool printed.
    ParsedRequest sent = parseRequest(server.lastRequest());
    EXPECT_NE(server.lastRequest().find("\r\n" + block + "\r\n"), std::string::npos);
    EXPECT_EQ(sent.requestLine, "GET /page?x=1 HTTP/1.1");
}

TEST(CliFetch, PostNoRedirectAndExitStatus) {
    LoopbackServer server([](LoopbackConnection& c, const std::string&) {
        c.send(httpResponse(301, "Moved", "", "Location: http://elsewhere.invalid/\r\n"));
    });
    RunResult r = runCli({"fetch", server.url("/p"), "--method", "POST", "--post-text", "k=v", "--no-redirect"});
    EXPECT_EQ(r.exitCode, 0u) << r.err;  // headers arrived, the body is empty
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("[redirect target]\nhttp://elsewhere.invalid/\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("[merged cookies]"), std::string::npos);
    ParsedRequest sent = parseRequest(server.lastRequest());
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.body, "k=v");
    EXPECT_EQ(server.requestCount(), 1u);

    // Values may be attached with "=", as the search command takes them; "=" inside stays.
    r = runCli({"fetch", server.url("/q"), "--method=POST", "--post-text=a=b", "--no-redirect"});
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    sent = parseRequest(server.lastRequest());
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.body, "a=b");

    // Nothing arrives: non-zero with a one-line message.
    LoopbackServer closing([](LoopbackConnection& c, const std::string&) { c.close(); });
    r = runCli({"fetch", closing.url("/"), "--timeout", "2"});
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.err.find("quorrel-cli fetch: no response from " + closing.url("/") + "\n"), std::string::npos);

    // Usage errors and help.
    EXPECT_EQ(runCli({"fetch"}).exitCode, 2u);
    EXPECT_EQ(runCli({"fetch", "http://a/", "--bogus"}).exitCode, 2u);
    EXPECT_EQ(runCli({"nosuch"}).exitCode, 2u);
    // A time-out whose milliseconds would overflow is refused, not turned into none at all.
    EXPECT_EQ(runCli({"fetch", closing.url("/"), "--timeout", "3000000"}).exitCode, 2u);
    EXPECT_EQ(runCli({"fetch", closing.url("/"), "--timeout", "5s"}).exitCode, 2u);
    RunResult help = runCli({"fetch", "--help"});
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_NE(help.err.find("--no-redirect"), std::string::npos);
}
