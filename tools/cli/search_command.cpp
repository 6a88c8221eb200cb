// quorrel-cli search: one search run exactly as the main window runs it (the same worker pool,
// one shared lock and numbering), with the rows printed as they arrive.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "http/canceller.h"
#include "text/encoding.h"
#include "text/text.h"
#include "search/profile.h"
#include "search/query.h"
#include "search/services.h"
#include "search/site_host.h"
#include "search/worker.h"
#include "search/worker_pool.h"
#include "tools/cli/commands.h"

namespace {

const char SEARCH_HELP[] =
    "usage: quorrel-cli search KEYWORD [options]\n"
    "\n"
    "Searches the services for KEYWORD and prints one line per hit as it arrives:\n"
    "number, title and address separated by tabs; then the final count.\n"
    "\n"
    "options:\n"
    "  --services=LIST     service numbers 1 to 22, comma-separated (default: all 22,\n"
    "                      or none when only --extra is given)\n"
    "  --extra=TEXT        extra sites, host names separated by \";\"\n"
    "  --engine=HOST[:PORT]  the search engine to ask (for example a local simulator);\n"
    "                      every request of the profile goes there over plain HTTP\n"
    "  --profile=NAME      how the engine is asked and read: classic (default), baidu,\n"
    "                      bing, sogou, so360, duckduckgo, or one of --profile-file\n"
    "  --profile-file=PATH profiles of your own (INI, see the README)\n"
    "  --keep-all          keep hits outside the service's host as well\n"
    "  --gbk               write GBK bytes instead of UTF-8 (or the console's wide text)\n"
    "  --help              this text\n"
    "\n"
    "Ctrl+C stops the workers; the count of the rows printed so far still follows.\n"
    "A service whose pages did not all arrive whole is named on standard error with the reason;\n"
    "its rows that did arrive stay.\n"
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
        std::string bytes = gbk_ ? text : gbkToUtf8(text);
        if (which_ == STD_OUTPUT_HANDLE) {
            writeOut(bytes);
        } else {
            writeErr(bytes);
        }
    }

private:
    HANDLE handle_;
    bool gbk_;
    DWORD which_;
    bool console_ = false;
};

// The result list of the command line: searchLock is a critical section, as in the window.
class ConsoleSink : public SearchSink {
public:
    ConsoleSink(std::string keyword, const TextOutput& out) : keyword_(std::move(keyword)), out_(out) {
        InitializeCriticalSection(&searchLock_);
    }
    ~ConsoleSink() override { DeleteCriticalSection(&searchLock_); }
    ConsoleSink(const ConsoleSink&) = delete;
    ConsoleSink& operator=(const ConsoleSink&) = delete;

    std::string keyword() override { return keyword_; }
    void lockResults() override { EnterCriticalSection(&searchLock_); }
    void unlockResults() override { LeaveCriticalSection(&searchLock_); }
    void addHits(const std::vector<Hit>& hits) override {
        std::string rows;
        for (const Hit& hit : hits) {
            ++hitCounter_;
            rows += std::to_string(hitCounter_) + "\t" + hit.title + "\t" + hit.address + "\n";
        }
        out_.write(rows);
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
    std::string keyword_;
    const TextOutput& out_;
    CRITICAL_SECTION searchLock_;
    int hitCounter_ = 0;
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

bool optionValue(const std::string& arg, const char* name, std::string* value) {
    std::string prefix = std::string("--") + name + "=";
    if (arg.compare(0, prefix.size(), prefix) != 0) return false;
    *value = arg.substr(prefix.size());
    return true;
}

// "1,2, 22" ticks those boxes; false for anything that is not a number from 1 to 22.
bool parseServices(const std::string& list, std::vector<bool>& ticked) {
    for (const std::string& piece : splitText(list, ",")) {
        std::string number = trimSpaces(piece);
        char* end = nullptr;
        long n = std::strtol(number.c_str(), &end, 10);
        if (number.empty() || *end != '\0' || n < 1 || n > SERVICE_COUNT) return false;
        ticked[size_t(n - 1)] = true;
    }
    return true;
}

// One line on standard error for each service that did not answer whole; 0 when every service
// answered, 3 when every one met the engine's verification wall, else 4 when any failed.
int exitStatusAfter(const std::vector<ServiceOutcome>& outcomes, const TextOutput& err) {
    size_t failed = 0, walled = 0;
    for (const ServiceOutcome& outcome : outcomes) {
        if (!outcome.failed()) continue;
        ++failed;
        if (outcome.verificationWall) {
            ++walled;
            err.write("quorrel-cli search: " + outcome.service + ": the engine asked for a verification (captcha)\n");
        } else {
            err.write("quorrel-cli search: " + outcome.service + ": incomplete: " + outcome.failure + "\n");
        }
    }
    if (walled > 0 && walled == outcomes.size()) return 3;
    return failed > 0 ? 4 : 0;
}

}  // namespace

int runSearch(const CommandArgs& args) {
    bool gbk = false, servicesGiven = false, extraTicked = false, keywordGiven = false;
    std::string keyword, extraSites, value;
    std::vector<bool> ticked(SERVICE_COUNT, false);
    for (const std::string& arg : args) {
        if (arg == "--gbk") gbk = true;
    }
    TextOutput out(STD_OUTPUT_HANDLE, gbk), err(STD_ERROR_HANDLE, gbk);

    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            err.write(SEARCH_HELP);
            return 0;
        } else if (arg == "--gbk") {
            continue;
        } else if (optionValue(arg, "services", &value)) {
            servicesGiven = true;
            if (!parseServices(value, ticked)) {
                err.write("quorrel-cli search: --services takes numbers from 1 to 22, comma-separated\n");
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
        } else if (arg == "--keep-all") {
            setKeepAllHits(true);
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
    if (keyword.empty()) {
        err.write(std::string(EMPTY_KEYWORD_MESSAGE) + "\n");
        return 2;
    }
    if (!servicesGiven && !extraTicked) ticked.assign(SERVICE_COUNT, true);

    ConsoleSink sink(keyword, out);
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
    SetConsoleCtrlHandler(onConsoleCtrl, FALSE);
    setActiveCanceller(nullptr);
    out.write(std::string(COUNT_CAPTION) + std::to_string(sink.hitCount()) + "\n");
    // A stopped search is not a complete one: the status of a shell's interrupted command.
    if (canceller.cancelled()) {
        err.write("quorrel-cli search: stopped by Ctrl+C\n");
        return EXIT_STOPPED;
    }
    return exitStatusAfter(sink.outcomes(), err);
}
