#include "search/query.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "text/encoding.h"
#include "text/text.h"
#include "search/site_host.h"
#include "search/services.h"

namespace {
std::string& engineStorage() {
    static std::string host = DEFAULT_ENGINE_HOST;
    return host;
}

// The leading decimal number of `text`, fraction dropped; 0 when it starts with no number.
// Decimal only: "0x18" is 0, not 24, and "inf" or "nan" are no numbers. A value beyond the
// range of int keeps its sign, so a huge number still names an extra site.
int decimalNumber(const std::string& text) {
    size_t i = text.find_first_not_of(" \t");
    if (i != std::string::npos && (text[i] == '+' || text[i] == '-')) ++i;
    if (i == std::string::npos || i >= text.size()) return 0;
    if (!(std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.')) return 0;
    double number = std::strtod(text.substr(0, text.find_first_of("xX")).c_str(), nullptr);
    if (std::isnan(number)) return 0;
    return int(std::clamp(std::trunc(number), double(INT_MIN), double(INT_MAX)));
}

}  // namespace

std::string makeSearchTask(int serviceNumber, std::string_view extraHost) {
    return std::to_string(serviceNumber) + TASK_SEPARATOR + std::string(extraHost);
}

std::optional<ParsedTask> parseSearchTask(std::string_view task) {
    auto pieces = splitText(task, TASK_SEPARATOR);
    if (pieces.empty()) return std::nullopt;
    ParsedTask parsed;
    parsed.serviceNumber = decimalNumber(pieces[0]);
    if (pieces.size() >= 2) parsed.extraHost = pieces[1];
    return parsed;
}

std::string hostFor(int serviceNumber, std::string_view extraHost) {
    const ServiceList& list = activeServices();
    if (const NetdiskService* service = list.service(serviceNumber)) {
        // A service searched on several hosts names the one of its task.
        for (const std::string& host : service->searchHosts) {
            if (host == extraHost) return host;
        }
        return service->searchHosts.front();
    }
    if (serviceNumber > list.count()) return std::string(extraHost);
    return {};
}

std::string encodeKeyword(std::string_view keyword) {
    // Only "-" and "." stay plain: "_" and "~" are encoded, as this query always has.
    return percentEncode(gbkToUtf8(keyword), "-.");
}

std::string buildQueryUrl(std::string_view host, std::string_view keyword, int offset) {
    std::string url = "http://" + engineHost() + "/s?wd=site%3A";
    url.append(host).append("%20").append(encodeKeyword(keyword));
    url += "&pn=" + std::to_string(offset) + "&rn=50&ie=utf-8&rsv_page=1";
    return url;
}

const std::string& engineHost() {
    return engineStorage();
}
void setEngineHost(std::string host) {
    engineStorage() = std::move(host);
}

bool applyEngineOption(const std::vector<std::string>& args) {
    static constexpr std::string_view prefix = "--engine=";
    for (const auto& arg : args) {
        if (arg.compare(0, prefix.size(), prefix) != 0) continue;
        std::string value = arg.substr(prefix.size());
        // A bare host, optionally with a port: no scheme, no path, no blanks.
        if (value.empty() || value.find_first_of("/ \t?#") != std::string::npos) return false;
        // A port, when named, is a number the connection can take: 1 to 65535.
        size_t colon = value.find(':');
        if (colon != std::string::npos) {
            std::string port = value.substr(colon + 1);
            if (colon == 0 || port.empty() || port.size() > 5 ||
                port.find_first_not_of("0123456789") != std::string::npos || std::stoi(port) < 1 ||
                std::stoi(port) > 65535)
                return false;
        }
        setEngineHost(value);
        return true;
    }
    return true;
}

std::vector<std::string> searchTasks(const std::vector<bool>& ticked, bool extraTicked, std::string_view extraSites) {
    std::vector<std::string> tasks;
    const ServiceList& list = activeServices();
    for (size_t n = 1; n <= ticked.size() && n <= size_t(list.count()); ++n) {
        if (!ticked[n - 1]) continue;
        const std::vector<std::string>& hosts = list.services[n - 1].searchHosts;
        if (hosts.size() == 1) {
            tasks.push_back(makeSearchTask(int(n)));
        } else {
            for (const std::string& host : hosts) tasks.push_back(makeSearchTask(int(n), host));
        }
    }
    if (extraTicked) {
        auto sites = splitText(extraSites, ";");
        // Only host names reach a request; anything else (an empty item, a blank, a line
        // break, "&") is never sent. The others keep their numbers.
        for (size_t j = 1; j <= sites.size(); ++j) {
            if (std::optional<std::string> host = asciiSiteHost(sites[j - 1]))
                tasks.push_back(makeSearchTask(23 + int(j), *host));
        }
    }
    return tasks;
}
