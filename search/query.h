// Task texts that name one service search, and the result-page addresses of the engine.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char TASK_SEPARATOR[] = ".N.*";
inline constexpr const char DEFAULT_ENGINE_HOST[] = "www.baidu.com";
inline constexpr int FIRST_EXTRA_SERVICE = 24;  // the j-th extra site is 23 + j; 23 is unused

// "n.N.*" for a built-in service, "n.N.*host" for an extra site.
std::string makeSearchTask(int serviceNumber, std::string_view extraHost = {});

struct ParsedTask {
    int serviceNumber = 0;
    std::string extraHost;
};
// Nothing when the task text gives no piece at all.
std::optional<ParsedTask> parseSearchTask(std::string_view task);

// A service of the active list (1..22 in classic): its search host, the one the task names
// when it has several ("2.N.*alipan.com"); above the list: the extra host; otherwise "".
std::string hostFor(int serviceNumber, std::string_view extraHost);

// Percent-encodes the keyword's UTF-8 bytes; only - . 0-9 A-Z a-z pass unchanged.
std::string encodeKeyword(std::string_view keyword);

// http://ENGINE/s?wd=site%3AHOST%20KEYWORD&pn=OFFSET&rn=50&ie=utf-8&rsv_page=1
std::string buildQueryUrl(std::string_view host, std::string_view keyword, int offset);

// The engine every worker asks; "--engine=HOST[:PORT]" replaces it for one run.
const std::string& engineHost();
void setEngineHost(std::string host);
// Applies the first "--engine=" argument found; returns false when one was malformed.
bool applyEngineOption(const std::vector<std::string>& args);

// The tasks one search starts: ticked services of the active list in its order (one task for
// each search host of a service, naming the host when it has several), then every extra site.
std::vector<std::string> searchTasks(const std::vector<bool>& ticked, bool extraTicked, std::string_view extraSites);
