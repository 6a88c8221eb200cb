// engine-sim.exe: the search-engine simulator as a program, for demos and tests that need no
// internet. Prints "engine-sim listening on 127.0.0.1:PORT" and serves until Ctrl+C or
// --seconds=N pass. Every request is logged to stderr (and to --log=FILE).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/engine_sim/engine_sim.h"
#include "tools/engine_sim/netdisk_sim.h"

namespace {

HANDLE stopEvent = nullptr;

BOOL WINAPI onConsoleCtrl(DWORD) {
    SetEvent(stopEvent);
    return TRUE;
}

bool optionValue(const std::string& arg, const char* name, std::string* value) {
    std::string prefix = std::string("--") + name + "=";
    if (arg.rfind(prefix, 0) != 0) return false;
    *value = arg.substr(prefix.size());
    return true;
}

void usage() {
    std::fputs(
        "usage: engine-sim [--port=N] [--hits=N] [--site-hits=HOST:N]... [--latency=MS] [--check-latency=MS]\n"
        "                  [--status=CODE [--error-after=PAGES]] [--broken] [--no-marker]\n"
        "                  [--capital-marker] [--endless] [--same-page] [--head-kb=N] [--corpus=FILE] [--log=FILE]\n"
        "                  [--layout=classic|baidu|bing|sogou|so360|duckduckgo] [--wall]\n"
        "                  [--links-only] [--bing-click-links] [--netdisks=today] [--seconds=N]\n",
        stderr);
}

}  // namespace

int main(int argc, char** argv) {
    EngineSimOptions options;
    int port = 0, seconds = -1;
    std::string corpus, logPath;
    bool today = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i], v;
        if (optionValue(arg, "port", &v)) {
            port = std::atoi(v.c_str());
        } else if (optionValue(arg, "hits", &v)) {
            options.hitsPerQuery = std::atoi(v.c_str());
        } else if (optionValue(arg, "site-hits", &v) && v.rfind(':') != std::string::npos) {
            options.hitsPerSite[v.substr(0, v.rfind(':'))] = std::atoi(v.substr(v.rfind(':') + 1).c_str());
        } else if (optionValue(arg, "latency", &v)) {
            options.latencyMs = std::atoi(v.c_str());
        } else if (optionValue(arg, "check-latency", &v)) {
            sharedNetdiskSim().setLatencyMs(std::atoi(v.c_str()));  // the netdisks' answers to link checks
        } else if (optionValue(arg, "status", &v)) {
            options.errorStatus = std::atoi(v.c_str());
        } else if (optionValue(arg, "error-after", &v)) {
            options.errorAfterPages = std::atoi(v.c_str());
        } else if (optionValue(arg, "head-kb", &v)) {
            options.headBytes = std::atoi(v.c_str()) * 1024;
        } else if (optionValue(arg, "corpus", &v)) {
            corpus = v;
        } else if (optionValue(arg, "log", &v)) {
            logPath = v;
        } else if (optionValue(arg, "seconds", &v)) {
            seconds = std::atoi(v.c_str());
        } else if (optionValue(arg, "layout", &v)) {
            bool known = false;
            for (const std::string& layout : simLayouts()) known = known || layout == v;
            if (!known) {
                usage();
                return 2;
            }
            options.layout = v;
        } else if (arg == "--netdisks=today") {
            today = true;  // the share links of today's netdisk hosts
        } else if (arg == "--netdisks=classic") {
            today = false;
        } else if (arg == "--wall") {
            options.wall = true;
        } else if (arg == "--links-only") {
            options.linksOnly = true;
        } else if (arg == "--bing-click-links") {
            options.bingClickLinks = true;
        } else if (arg == "--broken") {
            options.brokenPages = true;
        } else if (arg == "--no-marker") {
            options.noMarker = true;
        } else if (arg == "--capital-marker") {
            options.capitalMarker = true;
        } else if (arg == "--same-page") {
            options.samePage = true;
        } else if (arg == "--endless") {
            options.endless = true;
        } else {
            usage();
            return 2;
        }
    }

    EngineSim sim(options, uint16_t(port));
    if (!sim.ok()) {
        std::fprintf(stderr, "engine-sim: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    if (today) simServeToday(sim);
    if (!corpus.empty() && !sim.loadCorpusFile(corpus)) {
        std::fprintf(stderr, "engine-sim: cannot read %s\n", corpus.c_str());
        return 1;
    }
    FILE* logFile = logPath.empty() ? nullptr : std::fopen(logPath.c_str(), "ab");
    sim.setLog([logFile](const std::string& line) {
        std::fprintf(stderr, "%s\n", line.c_str());
        if (logFile) {
            std::fprintf(logFile, "%s\n", line.c_str());
            std::fflush(logFile);
        }
    });

    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onConsoleCtrl, TRUE);
    std::printf("engine-sim listening on %s\n", sim.hostPort().c_str());
    std::fflush(stdout);
    WaitForSingleObject(stopEvent, seconds < 0 ? INFINITE : DWORD(seconds) * 1000);
    sim.stop();
    if (logFile) std::fclose(logFile);
    CloseHandle(stopEvent);
    return 0;
}
