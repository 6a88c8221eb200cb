// The simulator's side of the mentions mode: results for a query that names a netdisk's host
// beside the keyword ("电子书 pan.quark.cn", no "site:"), and the pages behind them, asked as
// "/HOST/PATH" through the simulator's address: forum posts (GBK and UTF-8), blog articles, link
// lists, a Markdown read-me, and hostile pages (huge, endless, dripping, redirect loops, links
// without codes, codes of other links, 解压密码 decoys).
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/engine_sim/engine_sim.h"

class LoopbackConnection;

// The results of a mentions query (the engine's `wd` without "site:", GBK); nullopt when the
// query names no host, so the simulator answers it as before.
std::optional<std::vector<SimHit>> simMentionResults(const std::string& query);

// Answers a request for a page behind a mention result ("/HOST/PATH" whose first segment is one
// of the simulated sites); false when the target is none of them. `log` gets one line.
bool simServeMentionPage(LoopbackConnection& connection, const std::string& target,
                         const std::function<void(const std::string&)>& log);

// What the pages behind a query for `host` plant, for the tests: every share that must be found
// with its code ("" where none is given), and the shares that must not be found at all.
struct SimPlanted {
    std::string url;
    std::string code;
    std::string result;  // the address of the result that holds it (in its snippet or its page)
};
struct SimMentionPlan {
    std::vector<SimPlanted> found;      // in snippets and in the pages a reader can read
    std::vector<std::string> notFound;  // beyond a huge page's cap, in scripts, of other netdisks
};
SimMentionPlan simMentionPlan(const std::string& host, const std::string& keyword);

// A keyword whose results lead to this many ordinary pages on one host (for the bounds).
inline constexpr const char SIM_MANY_PAGES_KEYWORD[] = "manypages";
inline constexpr int SIM_MANY_PAGES = 30;

// Pages served per simulated site since the start or the last reset, and the most requests
// one site had in flight at once.
int simMentionPagesServed(const std::string& site);
int simMentionPeakInFlight(const std::string& site);
void simMentionResetCounts();
