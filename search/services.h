// The built-in service lists. "classic" is the program's own list of 22 services (the default;
// its numbering is part of the task-text format); "today" lists the netdisks people share on
// today. A service of a list may be searched on several hosts and knows every host its links
// use. Platform-free; uses nothing but the standard library.
#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

struct ServiceEntry {
    int number;           // 1..22
    const char* boxName;  // the main window's check box that selects it
    const char* caption;  // that box's caption (GBK)
    const char* host;     // bare host searched with the site operator
};

inline constexpr int SERVICE_COUNT = 22;
extern const std::array<ServiceEntry, SERVICE_COUNT> ServiceTable;

// One service of a list.
struct NetdiskService {
    int number = 0;                        // 1..N within its list: what --services=LIST means
    std::string caption;                   // the service box's caption (GBK)
    std::string netdisk;                   // the netdisk's machine key ("baidu", "aliyun", ...); "" in classic
    std::vector<std::string> searchHosts;  // each searched with the site operator by a task of its own
    std::vector<std::string> linkHosts;    // every host its links use; "?" in one stands for one letter
};

struct ServiceList {
    std::string name;  // "classic" or "today"
    std::vector<NetdiskService> services;
    bool classic() const { return name == "classic"; }
    // The service numbered `number`; nullptr outside 1..N.
    const NetdiskService* service(int number) const;
    int count() const { return int(services.size()); }
};

const ServiceList& classicServiceList();
const ServiceList& todayServiceList();
std::vector<std::string> serviceListNames();  // "classic", "today"
// nullptr for a name that is no built-in list.
const ServiceList* serviceListNamed(std::string_view name);

// The list every search of this run uses (classic unless chosen otherwise). Safe to read from
// any thread; set it between searches.
const ServiceList& activeServices();
void setActiveServices(const ServiceList& builtinList);

// True when the lower-case `host` is `pattern` or lies below it ("www.alipan.com" below
// "alipan.com"); a "?" in the pattern matches one ASCII letter ("lanzou?.com").
bool hostMatches(std::string_view host, std::string_view pattern);
// True when the service's links may stand on `host` (lower-case).
bool serviceOwnsHost(const NetdiskService& service, std::string_view host);
// The service whose links may stand on `host`, in the active list; nullptr when none.
const NetdiskService* serviceOfHost(std::string_view host);

// True when a service of any built-in list may have links on `host` (lower-case).
bool isServiceHost(std::string_view host);

// Applies the last "--netdisks=classic|today" among `args`; "" when all is well (also when none
// is given), else the message for the user.
std::string applyNetdisksOption(const std::vector<std::string>& args);
