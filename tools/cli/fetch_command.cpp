// quorrel-cli fetch: one webRequest with every parameter reachable from the command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "text/encoding.h"
#include "http/web_request.h"
#include "tools/cli/commands.h"

namespace {

constexpr long MAX_TIMEOUT_SECONDS = 86400;

const char FETCH_HELP[] =
    "usage: quorrel-cli fetch URL [options]\n"
    "\n"
    "Sends one request exactly as Quorrel does and writes the response body to stdout,\n"
    "byte for byte. On stderr, one labelled section each: the header block sent, the\n"
    "received cookies, the merged cookies (with --cookies), the redirect target and the\n"
    "raw response headers.\n"
    "\n"
    "options (a value may also be attached: --proxy=HOST:PORT):\n"
    "  --method N          0 GET (default), 1 POST; other numbers send GET with a body.\n"
    "                      GET and POST are accepted as well.\n"
    "  --post-text TEXT    request body as text (used when --post-file is not given)\n"
    "  --post-file FILE    request body: the bytes of FILE\n"
    "  --cookies TEXT      cookies to send, \"a=1; b=2\". Given, even as \"\", it switches the\n"
    "                      system's cookie store off and reports the merged cookies.\n"
    "  --headers TEXT      extra header lines; write the line break as \\r\\n\n"
    "  --header LINE       one extra header line; may be repeated\n"
    "  --no-redirect       do not follow redirects (the redirect target shows Location)\n"
    "  --proxy HOST:PORT   send http requests through this proxy\n"
    "  --timeout SECONDS   connect, send and receive time-out, 1 to 86400 (default 20)\n"
    "  --help              this text\n"
    "\n"
    "Exit status: 0 when a body or response headers arrived, 1 when nothing arrived,\n"
    "2 for a usage error.\n";

// "\r", "\n" and "\\" written out as escapes become the characters they name.
std::string unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            char next = text[i + 1];
            if (next == 'r' || next == 'n' || next == '\\') {
                out += next == 'r' ? '\r' : next == 'n' ? '\n' : '\\';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool readFileBytes(const std::string& path, std::string& bytes) {
    FILE* f = _wfopen(gbkToWide(path).c_str(), L"rb");
    if (!f) return false;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

void section(const char* label, const std::string& text) {
    writeErr(std::string("[") + label + "]\n" + text + "\n");
}

int usageError(const std::string& message) {
    writeErr("quorrel-cli fetch: " + message + " (see quorrel-cli fetch --help)\n");
    return 2;
}

// A header buffer that stayed as the request's spaces means nothing was received.
bool headersArrived(const std::string& raw) {
    return raw.find_first_not_of(' ') != std::string::npos;
}

}  // namespace

int runFetch(const CommandArgs& args) {
    std::string url;
    WebRequestOptions options;
    std::string cookies, headers, postBytes, proxy;
    bool cookiesGiven = false, proxyGiven = false;

    for (size_t i = 0; i < args.size(); ++i) {
        // "--name=value" as in the search command, or "--name value".
        std::string a = args[i];
        std::optional<std::string> attached;
        if (size_t eq = a.find('='); a.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            attached = a.substr(eq + 1);
            a.resize(eq);
        }
        auto value = [&](std::string& into) {
            if (attached) {
                into = *attached;
                return true;
            }
            if (i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            writeErr(FETCH_HELP);
            return 0;
        } else if (a == "--method") {
            if (!value(v)) return usageError("--method needs a value");
            if (v == "GET" || v == "get")
                options.method = 0;
            else if (v == "POST" || v == "post")
                options.method = 1;
            else {
                char* end = nullptr;
                long m = std::strtol(v.c_str(), &end, 10);
                if (v.empty() || *end) return usageError("--method takes a number, GET or POST");
                options.method = int(m);
            }
        } else if (a == "--post-text") {
            if (!value(options.postText)) return usageError("--post-text needs a value");
        } else if (a == "--post-file") {
            if (!value(v)) return usageError("--post-file needs a file name");
            if (!readFileBytes(v, postBytes)) {
                writeErr("quorrel-cli fetch: cannot read " + v + "\n");
                return 2;
            }
        } else if (a == "--cookies") {
            if (!value(cookies)) return usageError("--cookies needs a value (\"\" is allowed)");
            cookiesGiven = true;
        } else if (a == "--headers") {
            if (!value(v)) return usageError("--headers needs a value");
            if (!headers.empty()) headers += "\r\n";
            headers += unescape(v);
        } else if (a == "--header") {
            if (!value(v)) return usageError("--header needs a value");
            if (!headers.empty()) headers += "\r\n";
            headers += v;
        } else if (a == "--no-redirect") {
            options.noRedirect = true;
        } else if (a == "--proxy") {
            if (!value(proxy)) return usageError("--proxy needs HOST:PORT");
            proxyGiven = true;
        } else if (a == "--timeout") {
            if (!value(v)) return usageError("--timeout needs seconds");
            // Bounded so that the milliseconds cannot overflow into "no time-out at all".
            char* end = nullptr;
            long seconds = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end || seconds <= 0 || seconds > MAX_TIMEOUT_SECONDS)
                return usageError("--timeout takes 1 to 86400 seconds");
            options.timeoutMs = int(seconds) * 1000;
        } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            return usageError("unknown option " + a);
        } else if (url.empty()) {
            url = a;
        } else {
            return usageError("more than one URL");
        }
    }
    if (url.empty()) return usageError("no URL");

    std::string receivedCookies, redirectTarget, rawHeaders;
    options.headers = &headers;
    options.receivedCookies = &receivedCookies;
    options.redirectTarget = &redirectTarget;
    options.rawHeaders = &rawHeaders;
    if (cookiesGiven) options.cookies = &cookies;
    if (proxyGiven) options.proxy = &proxy;
    options.postBytes = &postBytes;

    std::string body = webRequest(url, options);
    writeOut(body);

    section("header block sent", headers);
    section("received cookies", receivedCookies);
    if (cookiesGiven) section("merged cookies", cookies);
    section("redirect target", redirectTarget);
    section("raw response headers", rawHeaders);

    if (body.empty() && !headersArrived(rawHeaders)) {
        writeErr("quorrel-cli fetch: no response from " + url + "\n");
        return 1;
    }
    return 0;
}
