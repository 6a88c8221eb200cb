// The netdisks' check answers, offline: requests that arrive as --netdisk-via sends them
// ("/REALHOST/path?query") are answered the way each netdisk answers its checks, for a fixed
// set of planted shares, one per state the netdisk can answer. Every request is logged with its
// times so tests and benchmarks can read the politeness rules back (checks in flight per
// netdisk, 百度's spacing, code tries).
// Room tools/: uses links/ (share links, states, the 移动云盘 seal) and tools/httpd.
#pragma once
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "links/link_state.h"
#include "links/share_link.h"

class LoopbackConnection;

// One planted share. The ids follow one pattern per netdisk with the state's digit last:
//   1 valid (needs a code, the link carries the right one)   2 needs_code (link without code)
//   3 wrong_code (link carries a wrong one)                  4 expired     5 cancelled
//   6 banned      7 not_found      8 limited (the netdisk says "too often" for this share)
//   9 fails once (first a 503 or a dropped connection, then valid)   0 valid without a code
// The shares of the today corpus answer by a fixed table (netdisk_sim.cpp, corpusDigit) so a
// search of the simulator shows every state; any other id is answered as the netdisk answers a
// share that does not exist.
struct PlantedShare {
    Netdisk netdisk;
    std::string share;
    std::string url;   // the link as users see it (GBK), code not in it
    std::string code;  // the code the link comes with ("" for none)
    LinkState expected;  // the state a check of url + code must give (9: Unknown first, Valid after)
    int digit;
};
// Every planted share of every netdisk, netdisk by netdisk, digits in order 0..9, the states
// a netdisk cannot answer left out (蓝奏云 has no expired or banned share).
const std::vector<PlantedShare>& plantedShares();
// The right code of every code-protected planted share.
inline constexpr char PLANTED_CODE[] = "qr12";
inline constexpr char PLANTED_WRONG_CODE[] = "zz99";

// The API hosts the checks talk to (the first path segment of a via request).
bool isNetdiskApiHost(const std::string& host);

struct NetdiskSimRequest {
    std::string netdisk;  // key ("baidu", ...)
    std::string host;
    std::string method;
    std::string path;   // without the host segment, query included
    std::string share;  // the share id the request names, "" when none (captcha)
    std::string code;   // the code it sends, "" when none
    bool codeTry = false;  // 百度 share/verify
    bool checkStart = false;  // the first request of a check (not a follow-up of the same share)
    int status = 0;     // 0: the connection was dropped
    std::chrono::steady_clock::time_point arrived, answered;
};

class NetdiskSim {
public:
    // Answers a via request; false (and nothing sent) when its first segment is no netdisk API
    // host. `logLine` receives one UTF-8 line describing the request and its answer.
    bool serve(LoopbackConnection& connection, const std::string& raw, std::string* logLine = nullptr);

    void setLatencyMs(int ms);
    std::vector<NetdiskSimRequest> requests() const;
    // Starts afresh: the log and the memory of the shares that failed once.
    void reset();

private:
    struct Reply {
        int status = 200;
        std::string body;  // UTF-8
        std::string headers;
        bool drop = false;
    };
    Reply answer(NetdiskSimRequest& request, const std::string& query, const std::string& body,
                 const std::string& headerBlock);
    bool failsNow(const std::string& key);

    mutable std::mutex mutex_;
    int latencyMs_ = 0;
    std::vector<NetdiskSimRequest> requests_;
    std::set<std::string> failedOnce_;
    std::set<std::string> tokens_;  // captcha tokens handed out
    int tokenCount_ = 0;
};

// The simulator engine-sim answers with (one per process).
NetdiskSim& sharedNetdiskSim();
