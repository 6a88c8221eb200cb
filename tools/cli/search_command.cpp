// quorrel-cli search: one search run exactly as the main window runs it (the same worker pool,
// one shared lock and numbering), with the rows printed as they arrive, as text or as rows other
// programs read (every hit read as a share link with its code).
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "http/canceller.h"
#include "text/encoding.h"
#include "text/text.h"
#include "links/link_checker.h"
#include "links/row_output.h"
#include "links/share_fold.h"
#include "links/share_link.h"
#include "links/web_transport.h"
#include "search/engine_slots.h"
#include "search/profile.h"
#include "search/query.h"
#include "search/services.h"
#include "search/site_host.h"
#include "search/mentions.h"
#include "search/worker.h"
#include "search/worker_pool.h"
#include "app/share_finder.h"
#include "tools/cli/cli_options.h"
#include "tools/cli/commands.h"

namespace {

// A mentions row carries the code found beside its link; any other hit is read as it stands.
std::optional<ShareLink> hitShare(const Hit& hit) {
    if (searchMode() != SearchMode::Mentions) return readHitShare(hit.address, hit.title, hit.snippet);
    std::optional<ShareLink> share = readShareLink(hit.address);
    if (share && !hit.code.empty()) share->code = hit.code;
    return share;
}

const char SEARCH_HELP[] =
    "usage: quorrel-cli search KEYWORD [options]\n"
    "\n"
    "Searches the services for KEYWORD and prints one line per hit as it arrives:\n"
    "number, title and address separated by tabs; then the final count.\n"
    "With --format=tsv, csv or jsonl each hit is a row of n, service, title, url, netdisk,\n"
    "share, code and state (UTF-8; csv with a byte-order mark), and the count goes to\n"
    "standard error.\n"
    "\n"
    "options:\n"
    "  --netdisks=LIST     the service list: classic (default, 22 services) or today\n"
    "                      (1 百度网盘 2 阿里云盘 3 夸克网盘 4 UC网盘 5 115网盘 6 天翼云盘\n"
    "                      7 123云盘 8 迅雷云盘 9 移动云盘 10 蓝奏云 11 PikPak)\n"
    "  --services=LIST     service numbers of the list, comma-separated (default: all,\n"
    "                      or none when only --extra is given)\n"
    "  --extra=TEXT        extra sites, host names separated by \";\"\n"
    "  --engine=HOST[:PORT]  the search engine to ask (for example a local simulator);\n"
    "                      every request of the profile goes there over plain HTTP\n"
    "  --profile=NAME      how the engine is asked and read: classic (default), baidu,\n"
    "                      bing, sogou, so360, duckduckgo, or one of --profile-file\n"
    "  --profile-file=PATH profiles of your own (INI, see the README)\n"
    "  --keep-all          keep hits outside the service's host as well\n"
    "  --mode=MODE         site (default): the netdisks' own pages; mentions: pages that\n"
    "                      mention the netdisk with the keyword, one row per share link of it\n"
    "                      found there, with its code\n"
    "  --depth=N           mentions: 1 (default) also reads the pages behind results whose\n"
    "                      snippet shows no share link (at most 20 a service); 0 does not\n"
    "  --format=FORMAT     text (default), tsv, csv or jsonl\n"
    "  --unique            the same share (netdisk and share id) listed once, with the code\n"
    "                      any of its rows carried; rows are printed when the search ends\n"
    "  --check             check every share link found (see quorrel-cli check) and add its\n"
    "                      state to the row (text: a last column); rows are printed when the\n"
    "                      search and the checks end; the exit status stays the search's\n"
    "  --netdisk-via=HOST:PORT  with --check: every check request goes to this address\n"
    "  --connections=N     at most N requests in flight to the engine at once (default 22,\n"
    "                      or the profile's own)\n"
    "  --gbk               write GBK bytes instead of UTF-8 (or the console's wide text)\n"
    "  --help              this text\n"
    "\n"
    "Ctrl+C stops the workers; the count of the rows printed so far still follows.\n"
    "A service whose pages did not all arrive whole is named on standard error with the reason;\n"
    "its rows that did arrive stay. A page behind a result that failed or was cut (mentions)\n"
    "is named there too, without changing the exit status.\n"
    "Exit status: 0 when every service answered, 2 for a usage error, an empty keyword or an\n"
    "extra site that is not a host name, 3 when every service met the engine's verification\n"
    "page, 4 when any service failed or came back incomplete, 130 when stopped by Ctrl+C.\n";

constexpr int EXIT_STOPPED = 130;
const char EMPTY_KEYWORD_MESSAGE[] = "请输入关键字！";
const char COUNT_CAPTION[] = "资源数：";

// Writes GBK texts to a standard handle: wide characters to a console, otherwise UTF-8, or
// the GBK bytes unchanged when asked.
class TextOutput {
public:
    TextOutput(DWORD which, bool gbk) : handle_(GetStdHandle(which)), gbk_(gbk), which_(which) {
        DWORD mode = 0;
        console_ = !gbk && handle_ && GetConsoleMode(handle_, &mode);
    }
    void write(const std::string& text) const {
        if (console_) {
            std::wstring wide = gbkToWide(text);
            DWORD written = 0;
            WriteConsoleW(handle_, wide.data(), DWORD(wide.size()), &written, nullptr);
            return;
        }
        writeBytes(gbk_ ? text : gbkToUtf8(text));
    }
    // UTF-8 rows as they are (a console gets them as wide characters).
    void writeUtf8(const std::string& utf8) const {
        if (!console_) return writeBytes(utf8);
        std::wstring wide(utf8.size(), L'\0');
        int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), int(wide.size()));
        DWORD written = 0;
        WriteConsoleW(handle_, wide.data(), DWORD(std::max(n, 0)), &written, nullptr);
    }

private:
    void writeBytes(const std::string& bytes) const {
        if (which_ == STD_OUTPUT_HANDLE) {
            writeOut(bytes);
        } else {
            writeErr(bytes);
        }
    }

    HANDLE handle_;
    bool gbk_;
    DWORD which_;
    bool console_ = false;
};

// How the rows are printed.
struct RowChoice {
    RowFormat format = RowFormat::Text;
    bool unique = false;
    bool check = false;
    std::string via;  // --netdisk-via
};

// The result list of the command line: searchLock is a critical section, as in the window.
class ConsoleSink : public SearchSink {
public:
    ConsoleSink(std::string keyword, const TextOutput& out, RowChoice choice)
        : keyword_(std::move(keyword)), out_(out), choice_(choice) {
        InitializeCriticalSection(&searchLock_);
    }
    ~ConsoleSink() override { DeleteCriticalSection(&searchLock_); }
    ConsoleSink(const ConsoleSink&) = delete;
    ConsoleSink& operator=(const ConsoleSink&) = delete;

    std::string keyword() override { return keyword_; }
    void lockResults() override { EnterCriticalSection(&searchLock_); }
    bool tryLockResults() override { return TryEnterCriticalSection(&searchLock_) != FALSE; }
    void unlockResults() override { LeaveCriticalSection(&searchLock_); }
    void addHits(const std::vector<Hit>& hits) override {
        std::string rows;
        for (const Hit& hit : hits) {
            OutputRow row{0, hit.service, hit.title, hit.address, hitShare(hit)};
            if (choice_.unique || checker_) {
                // Kept until the end, so every row carries whatever code any of its repeats had.
                ShareFold::Outcome fold =
                    choice_.unique ? fold_.offer(row.share) : ShareFold::Outcome{};
                if (fold.listed) {
                    row.n = ++hitCounter_;
                    kept_.push_back(std::move(row));
                } else if (fold.codeFilled) {
                    kept_[fold.row].share->code = fold_.code(fold.row);
                }
                continue;
            }
            row.n = ++hitCounter_;
            rows += rowText(row);
        }
        write(rows);
    }
    // --check: the link checker the rows' shares go to, once every worker has ended.
    void useChecker(LinkChecker* checker) { checker_ = checker; }
    void checkKept() {
        states_.assign(kept_.size(), LinkState::Unchecked);
        for (size_t i = 0; i < kept_.size(); ++i) {
            if (!kept_[i].share) continue;
            checker_->submit(*kept_[i].share, [this, i](const ShareLink&, const CheckOutcome& outcome) {
                std::lock_guard lock(statesMutex_);
                states_[i] = outcome.state;
                kept_[i].share->code = outcome.code;
            });
        }
    }
    // The rows kept for --unique or --check, printed once every worker (and check) has ended.
    void writeKept() {
        if (checker_) {
            std::lock_guard lock(statesMutex_);
            for (size_t i = 0; i < kept_.size() && i < states_.size(); ++i) kept_[i].state = states_[i];
        }
        std::string rows;
        for (const OutputRow& row : kept_) rows += rowText(row);
        write(rows);
    }
    void showCount() override {}  // the final count is printed once, after every worker
    void serviceEnded(const ServiceOutcome& outcome) override { outcomes_.push_back(outcome); }

    int hitCount() {
        EnterCriticalSection(&searchLock_);
        int n = hitCounter_;
        LeaveCriticalSection(&searchLock_);
        return n;
    }
    // Read once every worker has ended.
    const std::vector<ServiceOutcome>& outcomes() const { return outcomes_; }

private:
    // Text is today's "number, title, address" line (GBK, written as every text); the other
    // formats are UTF-8 rows, written as they are.
    std::string rowText(const OutputRow& row) const {
        if (choice_.format == RowFormat::Text) {
            std::string line = std::to_string(row.n) + "\t" + row.title + "\t" + row.url;
            if (choice_.check) line += std::string("\t") + linkStateCaption(row.state);
            return line + "\n";
        }
        return formatRow(choice_.format, row);
    }
    void write(const std::string& rows) const {
        if (rows.empty()) return;
        if (choice_.format == RowFormat::Text) {
            out_.write(rows);
        } else {
            out_.writeUtf8(rows);
        }
    }

    std::string keyword_;
    const TextOutput& out_;
    RowChoice choice_;
    CRITICAL_SECTION searchLock_;
    int hitCounter_ = 0;
    ShareFold fold_;                // --unique: the shares listed so far
    std::vector<OutputRow> kept_;   // --unique, --check: the listed rows
    LinkChecker* checker_ = nullptr;  // --check
    std::mutex statesMutex_;
    std::vector<LinkState> states_;  // --check: by row of kept_
    std::vector<ServiceOutcome> outcomes_;  // written under searchLock
};

// The console's control handler runs on a thread of its own, at any moment: it takes its own
// share of the search's canceller state under the lock, so the search may end and drop its
// canceller meanwhile.
std::mutex activeCancellerMutex;
std::shared_ptr<RequestCanceller::State> activeCanceller;

void setActiveCanceller(std::shared_ptr<RequestCanceller::State> state) {
    std::lock_guard lock(activeCancellerMutex);
    activeCanceller = std::move(state);
}

BOOL WINAPI onConsoleCtrl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    std::shared_ptr<RequestCanceller::State> state;
    {
        std::lock_guard lock(activeCancellerMutex);
        state = activeCanceller;
    }
    if (state) state->cancel();
    return TRUE;
}

// "1,2, 22" ticks those boxes; false for anything that is not a number of the list's services.
bool parseServices(const std::string& list, std::vector<bool>& ticked) {
    for (const std::string& piece : splitText(list, ",")) {
        std::string number = trimSpaces(piece);
        char* end = nullptr;
        long n = std::strtol(number.c_str(), &end, 10);
        if (number.empty() || *end != '\0' || n < 1 || n > long(ticked.size())) return false;
        ticked[size_t(n - 1)] = true;
    }
    return true;
}

// One line on standard error for each service that did not answer whole; 0 when every service
// answered, 3 when every one met the engine's verification wall, else 4 when any failed.
// A service of today's list is named with the host that failed (it may be searched on several).
int exitStatusAfter(const std::vector<ServiceOutcome>& outcomes, const TextOutput& err) {
    size_t failed = 0, walled = 0;
    for (const ServiceOutcome& outcome : outcomes) {
        for (const std::string& note : outcome.notes)
            err.write("quorrel-cli search: " + outcome.service + ": page " + note + "\n");
        if (!outcome.failed()) continue;
        ++failed;
        std::string name = outcome.service;
        if (!activeServices().classic() && !outcome.host.empty() && outcome.host != outcome.service)
            name += " (" + outcome.host + ")";
        if (outcome.verificationWall) {
            ++walled;
            err.write("quorrel-cli search: " + name + ": the engine asked for a verification (captcha)\n");
        } else {
            err.write("quorrel-cli search: " + name + ": incomplete: " + outcome.failure + "\n");
        }
    }
    if (walled > 0 && walled == outcomes.size()) return 3;
    return failed > 0 ? 4 : 0;
}

}  // namespace

int runSearch(const CommandArgs& args) {
    bool gbk = false, servicesGiven = false, extraTicked = false, keywordGiven = false;
    std::string keyword, extraSites, value;
    RowChoice rowChoice;
    for (const std::string& arg : args) {
        if (arg == "--gbk") gbk = true;
    }
    TextOutput out(STD_OUTPUT_HANDLE, gbk), err(STD_ERROR_HANDLE, gbk);
    // The list first: --services counts in it, wherever the options stand.
    std::string listError = applyNetdisksOption(args);
    if (!listError.empty()) {
        err.write("quorrel-cli search: " + listError + "\n");
        return 2;
    }
    const int serviceCount = activeServices().count();
    std::vector<bool> ticked(size_t(serviceCount), false);

    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            err.write(SEARCH_HELP);
            return 0;
        } else if (arg == "--gbk") {
            continue;
        } else if (optionValue(arg, "services", &value)) {
            servicesGiven = true;
            if (!parseServices(value, ticked)) {
                err.write("quorrel-cli search: --services takes numbers from 1 to " + std::to_string(serviceCount) +
                          ", comma-separated\n");
                return 2;
            }
        } else if (optionValue(arg, "extra", &value)) {
            extraTicked = true;
            extraSites = value;
            std::vector<std::string> rejected = rejectedSites(extraSites, siteHostFromText);
            if (!rejected.empty()) {
                err.write("quorrel-cli search: --extra: \"" + rejected.front() +
                          "\" is not a host name (letters, digits, \"-\" and \".\" only)\n");
                return 2;
            }
            extraSites = sitesForSearch(extraSites, siteHostFromText);
        } else if (arg.compare(0, 9, "--engine=") == 0) {
            if (!applyEngineOption({arg})) {
                err.write("quorrel-cli search: --engine takes HOST or HOST:PORT\n");
                return 2;
            }
        } else if (arg.compare(0, 14, "--connections=") == 0) {
            if (!applyConnectionsOption({arg})) {
                err.write("quorrel-cli search: --connections takes a whole number from 1 up\n");
                return 2;
            }
        } else if (arg == "--keep-all") {
            setKeepAllHits(true);
        } else if (arg == "--unique") {
            rowChoice.unique = true;
        } else if (arg == "--check") {
            rowChoice.check = true;
        } else if (optionValue(arg, "netdisk-via", &value)) {
            if (!isViaAddress(value)) {
                err.write("quorrel-cli search: --netdisk-via takes HOST:PORT\n");
                return 2;
            }
            rowChoice.via = value;
        } else if (optionValue(arg, "format", &value)) {
            if (!rowFormatByName(value, &rowChoice.format)) {
                err.write("quorrel-cli search: --format takes text, tsv, csv or jsonl\n");
                return 2;
            }
        } else if (arg.compare(0, 11, "--netdisks=") == 0) {
            continue;  // applied above
        } else if (arg.compare(0, 7, "--mode=") == 0 || arg.compare(0, 8, "--depth=") == 0) {
            continue;  // applied together below
        } else if (arg.compare(0, 10, "--profile=") == 0 || arg.compare(0, 15, "--profile-file=") == 0) {
            continue;  // applied together below
        } else if (arg.compare(0, 2, "--") == 0 || keywordGiven) {
            err.write("quorrel-cli search: unexpected argument \"" + arg + "\"\n" + SEARCH_HELP);
            return 2;
        } else {
            keyword = arg;
            keywordGiven = true;
        }
    }
    std::string profileError = applyProfileOptions(args);
    if (!profileError.empty()) {
        err.write("quorrel-cli search: " + profileError + "\n");
        return 2;
    }
    std::string modeError = applyModeOptions(args);
    if (!modeError.empty()) {
        err.write("quorrel-cli search: " + modeError + "\n");
        return 2;
    }
    useLinksShareFinder();
    if (keyword.empty()) {
        err.write(std::string(EMPTY_KEYWORD_MESSAGE) + "\n");
        return 2;
    }
    if (!servicesGiven && !extraTicked) ticked.assign(size_t(serviceCount), true);

    ConsoleSink sink(keyword, out, rowChoice);
    std::unique_ptr<LinkChecker> checker;
    if (rowChoice.check) {
        checker = std::make_unique<LinkChecker>(makeWebTransport(rowChoice.via));
        sink.useChecker(checker.get());
    }
    if (rowChoice.format != RowFormat::Text) out.writeUtf8(rowsHeader(rowChoice.format));
    RequestCanceller canceller;
    setActiveCanceller(canceller.state());
    SetConsoleCtrlHandler(onConsoleCtrl, TRUE);

    {
        // At most WorkerPool::MAX_RUNNING workers at once, the rest queued in task order. The
        // sink and the canceller live on this stack until every worker has ended.
        WorkerPool pool;
        pool.submit(searchTasks(ticked, extraTicked, extraSites),
                    std::shared_ptr<SearchSink>(std::shared_ptr<void>(), &sink),
                    std::shared_ptr<RequestCanceller>(std::shared_ptr<void>(), &canceller));
        pool.waitAll(INFINITE);
    }
    if (checker) {
        // The checks run once the search has ended; Ctrl+C ends them too.
        if (!canceller.cancelled()) sink.checkKept();
        while (!checker->wait(100)) {
            if (canceller.cancelled()) checker->cancel();
        }
    }
    SetConsoleCtrlHandler(onConsoleCtrl, FALSE);
    setActiveCanceller(nullptr);
    sink.writeKept();
    // Machine-readable rows stay alone on standard output; the count goes beside the failures.
    (rowChoice.format == RowFormat::Text ? out : err).write(std::string(COUNT_CAPTION) + std::to_string(sink.hitCount()) + "\n");
    // A stopped search is not a complete one: the status of a shell's interrupted command.
    if (canceller.cancelled()) {
        err.write("quorrel-cli search: stopped by Ctrl+C\n");
        return EXIT_STOPPED;
    }
    return exitStatusAfter(sink.outcomes(), err);
}
