// quorrel-cli check: whether share links found elsewhere still work. The links come as
// arguments (URL, optionally followed by its code) or on standard input one a line; every link
// is checked by the link checker, politely per netdisk, and one row per link is printed in the
// order given, with the keys of search --format=jsonl.
#include <windows.h>

#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>

#include "links/link_checker.h"
#include "links/page_text.h"
#include "links/row_output.h"
#include "links/share_link.h"
#include "links/web_transport.h"
#include "text/encoding.h"
#include "text/text.h"
#include "tools/cli/cli_options.h"
#include "tools/cli/commands.h"

namespace {

const char CHECK_HELP[] =
    "usage: quorrel-cli check [options] URL [CODE] [URL [CODE]]...\n"
    "       quorrel-cli check [options] < LINKS.txt\n"
    "\n"
    "Checks whether netdisk share links still work and prints one row per link given, in\n"
    "the order given: number, netdisk, address, the code the check used and the state\n"
    "(有效 valid, 需提取码 needs_code, 提取码错误 wrong_code, 已过期 expired, 已取消\n"
    "cancelled, 违规 banned, 不存在 not_found, 受限 limited, 未知 unknown).\n"
    "Without URL arguments the links are read from standard input, one a line (UTF-8 or GBK),\n"
    "each optionally followed by blanks and its code. A code given beside a link is used\n"
    "instead of one in the address. A link that is no share of a known netdisk is unknown.\n"
    "\n"
    "options:\n"
    "  --format=NAME       text (default), tsv, csv or jsonl; jsonl has the keys n, service,\n"
    "                      title, url, netdisk, share, code, state\n"
    "  --netdisk-via=HOST:PORT  send every check request over plain HTTP to this address\n"
    "                      with the netdisk's host as the first path segment (a simulator)\n"
    "  --gbk               write the text format as GBK bytes instead of UTF-8\n"
    "  --help              this text\n"
    "\n"
    "At most 4 checks of one netdisk run at once, 百度 checks start at least 1 s apart, and a\n"
    "netdisk that answers \"too often\" is not asked again in this run (its links are limited).\n"
    "Ctrl+C stops every check within 3 s; the links not checked are printed as unknown.\n"
    "Exit status: 0 when every link got a state other than unknown or limited, 4 otherwise,\n"
    "2 for a usage error, 130 when stopped by Ctrl+C.\n";

constexpr int EXIT_STOPPED = 130;

struct Input {
    std::string url;   // GBK
    std::string code;  // given beside it; "" for none
};

// An argument that stands for a link rather than a code: a share link, or anything with a
// scheme, a slash or a dot.
bool looksLikeLink(const std::string& arg) {
    return readShareLink(arg).has_value() || arg.find("://") != std::string::npos ||
           arg.find('/') != std::string::npos || arg.find('.') != std::string::npos;
}

// One link a line, optionally followed by blanks and its code; empty lines skipped.
std::vector<Input> inputLines(std::string bytes) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    const std::string text = isValidUtf8(bytes) ? utf8ToGbk(bytes) : bytes;
    std::vector<Input> inputs;
    for (std::string line : splitText(text, "\n")) {
        for (char& c : line) {
            if (c == '\t' || c == '\r') c = ' ';
        }
        line = trimSpaces(line);
        if (line.empty()) continue;
        Input input;
        size_t blank = line.find(' ');
        input.url = line.substr(0, blank);
        if (blank != std::string::npos) {
            std::string rest = trimSpaces(line.substr(blank + 1));
            input.code = rest.substr(0, rest.find(' '));
        }
        inputs.push_back(input);
    }
    return inputs;
}

// The console's control handler takes its own share of the checker under the lock, so the
// command may end and drop the checker meanwhile.
std::mutex activeMutex;
std::shared_ptr<LinkChecker> activeChecker;

BOOL WINAPI onConsoleCtrl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    std::shared_ptr<LinkChecker> checker;
    {
        std::lock_guard lock(activeMutex);
        checker = activeChecker;
    }
    if (checker) checker->cancel();
    return TRUE;
}

}  // namespace

int runCheck(const CommandArgs& args) {
    RowOptions options;
    std::optional<int> end;
    std::string via, value;
    std::vector<Input> inputs;
    for (const std::string& arg : args) {
        if (rowOption(arg, "check", CHECK_HELP, options, end)) {
            if (end) return *end;
        } else if (optionValue(arg, "netdisk-via", &value)) {
            if (!isViaAddress(value)) {
                writeErr("quorrel-cli check: --netdisk-via takes HOST:PORT\n");
                return 2;
            }
            via = value;
        } else if (arg.compare(0, 2, "--") == 0) {
            writeErr("quorrel-cli check: unexpected argument \"" + arg + "\"\n");
            return 2;
        } else if (looksLikeLink(arg) || inputs.empty() || !inputs.back().code.empty()) {
            inputs.push_back({arg, ""});
        } else {
            inputs.back().code = arg;
        }
    }
    if (inputs.empty()) inputs = inputLines(readStandardInput());
    if (inputs.empty()) {
        writeErr("quorrel-cli check: no links given\n");
        return 2;
    }

    std::vector<OutputRow> rows(inputs.size());
    std::vector<bool> done(inputs.size(), false);
    std::vector<int> retryAfter(inputs.size(), 0);
    std::mutex mutex;
    std::condition_variable changed;
    auto checker = std::make_shared<LinkChecker>(makeWebTransport(via));
    {
        std::lock_guard lock(activeMutex);
        activeChecker = checker;
    }
    SetConsoleCtrlHandler(onConsoleCtrl, TRUE);
    for (size_t i = 0; i < inputs.size(); ++i) {
        OutputRow& row = rows[i];
        row.n = int(i + 1);
        row.url = inputs[i].url;
        std::optional<ShareLink> link = readShareLink(inputs[i].url);
        ShareLink share;
        if (link) {
            share = *link;
            if (!inputs[i].code.empty()) share.code = inputs[i].code;
            row.share = share;
            row.service = netdiskCaption(share.netdisk);
        } else {
            share.url = inputs[i].url;
        }
        checker->submit(share, [&, i](const ShareLink&, const CheckOutcome& outcome) {
            std::lock_guard lock(mutex);
            rows[i].state = outcome.state;
            if (rows[i].share) rows[i].share->code = outcome.code;
            retryAfter[i] = outcome.retryAfterSeconds;
            done[i] = true;
            changed.notify_all();
        });
    }

    // Rows go out in the order given, each as soon as it and those before it are checked.
    if (options.format != RowFormat::Text) writeOut(rowsHeader(options.format));
    bool allKnown = true;
    int limitedFor = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        OutputRow row;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return done[i]; });
            row = rows[i];
            if (row.state == LinkState::Limited) limitedFor = std::max(limitedFor, retryAfter[i]);
        }
        if (row.state == LinkState::Unknown || row.state == LinkState::Limited) allKnown = false;
        if (options.format == RowFormat::Text) {
            writeText(CliStream::Out, formatRow(options.format, row), options.gbk);
        } else {
            writeOut(formatRow(options.format, row));
        }
    }
    checker->wait();
    const bool stopped = checker->cancelled();
    SetConsoleCtrlHandler(onConsoleCtrl, FALSE);
    {
        std::lock_guard lock(activeMutex);
        activeChecker.reset();
    }
    if (limitedFor > 0) {
        writeErr("quorrel-cli check: a netdisk is limiting checks; try its links again in " + std::to_string(limitedFor) +
                 " s\n");
    }
    if (stopped) {
        writeErr("quorrel-cli check: stopped by Ctrl+C\n");
        return EXIT_STOPPED;
    }
    return allKnown ? 0 : 4;
}
