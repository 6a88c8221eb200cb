#include "search/services.h"

#include <atomic>

// Hosts under which each service published its shared-file pages.
const std::array<ServiceEntry, SERVICE_COUNT> ServiceTable = {{
    {1, "选择框_百度", "百度网盘", "pan.baidu.com"},   {2, "选择框_华为", "华为网盘", "dl.dbank.com"},
    {3, "选择框_迅雷", "迅雷快传", "kuai.xunlei.com"}, {4, "选择框_旋风", "QQ旋风", "fenxiang.qq.com"},
    {5, "选择框_360", "360云盘", "yunpan.cn"},         {6, "选择框_千易", "千易网盘", "1000eb.com"},
    {7, "选择框_盛大", "盛大网盘", "everbox.com"},     {8, "选择框_爱问", "爱问共享", "ishare.iask.sina.com.cn"},
    {9, "选择框_CSDN", "CSDN", "download.csdn.net"},   {10, "选择框_金山", "金山快盘", "kuaipan.cn"},
    {11, "选择框_千脑", "千脑网盘", "qiannao.com"},    {12, "选择框_115", "115网盘", "115.com"},
    {13, "选择框_城通", "城通网盘", "ctdisk.com"},     {14, "选择框_vdisk", "vdisk威盘", "vdisk.cn"},
    {15, "选择框_一木禾", "一木禾网盘", "yimuhe.com"}, {16, "选择框_163", "163网盘", "fm.163.com"},
    {17, "选择框_126", "126网盘", "126disk.com"},      {18, "选择框_纳米", "纳米盘", "namipan.com"},
    {19, "选择框_400", "400网盘", "400gb.com"},        {20, "选择框_迅载", "迅载网盘", "xunzai.com"},
    {21, "选择框_GXP", "GXP网盘", "gxp.cc"},           {22, "选择框_good", "goodisk.com", "goodisk.com"},
}};

namespace {

// The netdisks of today, in the order of their numbers. Hosts are separated by blanks.
// Search hosts are the ones engines index share pages under today; link hosts add the
// mirrors, short-link hosts and old names the links still use.
struct TodayRow {
    const char* caption;
    const char* netdisk;
    const char* searchHosts;
    const char* linkHosts;  // besides the search hosts
};
constexpr TodayRow TODAY[] = {
    {"百度网盘", "baidu", "pan.baidu.com", "yun.baidu.com"},
    {"阿里云盘", "aliyun", "alipan.com aliyundrive.com", ""},
    {"夸克网盘", "quark", "pan.quark.cn", "pan.qoark.cn"},
    {"UC网盘", "uc", "drive.uc.cn", "fast.uc.cn"},
    {"115网盘", "115", "115.com 115cdn.com", "anxia.com"},
    {"天翼云盘", "tianyi", "cloud.189.cn", ""},
    // The brand's own host and the mirror its share texts hand out today; the others are
    // mirrors the same share keys open on.
    {"123云盘", "123pan", "123pan.com 123684.com",
     "123pan.cn 123pan.net 123685.com 123865.com 123912.com 123592.com 123652.com 123951.com 123957.com"},
    {"迅雷云盘", "xunlei", "pan.xunlei.com", ""},
    {"移动云盘", "139", "yun.139.com caiyun.139.com", "caiyun.feixin.10086.cn"},
    // lanzoux is the long-registered name most indexed pages carry; lanzouo and lanzout are
    // where the service sends new shares today. Every lanzou<letter>.com is one of its hosts.
    {"蓝奏云", "lanzou", "lanzoux.com lanzouo.com lanzout.com", "lanzou.com lanzou?.com"},
    {"PikPak", "pikpak", "mypikpak.com", ""},
};

std::vector<std::string> words(const char* text) {
    std::vector<std::string> out;
    std::string word;
    for (const char* p = text;; ++p) {
        if (*p == ' ' || *p == '\0') {
            if (!word.empty()) out.push_back(word);
            word.clear();
            if (*p == '\0') break;
        } else {
            word += *p;
        }
    }
    return out;
}

ServiceList makeClassic() {
    ServiceList list{"classic", {}};
    for (const ServiceEntry& e : ServiceTable) list.services.push_back({e.number, e.caption, "", {e.host}, {e.host}});
    return list;
}

ServiceList makeToday() {
    ServiceList list{"today", {}};
    int number = 0;
    for (const TodayRow& row : TODAY) {
        NetdiskService s{++number, row.caption, row.netdisk, words(row.searchHosts), words(row.searchHosts)};
        for (std::string& host : words(row.linkHosts)) s.linkHosts.push_back(std::move(host));
        list.services.push_back(std::move(s));
    }
    return list;
}

std::atomic<const ServiceList*>& activeStorage() {
    static std::atomic<const ServiceList*> active{&classicServiceList()};
    return active;
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

const NetdiskService* ServiceList::service(int number) const {
    if (number < 1 || number > count()) return nullptr;
    return &services[size_t(number - 1)];
}

const ServiceList& classicServiceList() {
    static const ServiceList list = makeClassic();
    return list;
}

const ServiceList& todayServiceList() {
    static const ServiceList list = makeToday();
    return list;
}

std::vector<std::string> serviceListNames() {
    return {"classic", "today"};
}

const ServiceList* serviceListNamed(std::string_view name) {
    if (name == "classic") return &classicServiceList();
    if (name == "today") return &todayServiceList();
    return nullptr;
}

const ServiceList& activeServices() {
    return *activeStorage().load();
}

void setActiveServices(const ServiceList& builtinList) {
    // Only the built-in lists live for the whole run; a copy could go while a worker reads it.
    const ServiceList* list = serviceListNamed(builtinList.name);
    activeStorage().store(list ? list : &classicServiceList());
}

bool hostMatches(std::string_view host, std::string_view pattern) {
    if (pattern.empty() || host.size() < pattern.size()) return false;
    size_t start = host.size() - pattern.size();
    if (start > 0 && host[start - 1] != '.') return false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char h = host[start + i], p = pattern[i];
        if (p == '?' ? !isLetter(h) : h != p) return false;
    }
    return true;
}

bool serviceOwnsHost(const NetdiskService& service, std::string_view host) {
    for (const std::string& pattern : service.linkHosts) {
        if (hostMatches(host, pattern)) return true;
    }
    return false;
}

const NetdiskService* serviceOfHost(std::string_view host) {
    for (const NetdiskService& service : activeServices().services) {
        if (serviceOwnsHost(service, host)) return &service;
    }
    return nullptr;
}

bool isServiceHost(std::string_view host) {
    for (const ServiceList* list : {&classicServiceList(), &todayServiceList()}) {
        for (const NetdiskService& service : list->services) {
            if (serviceOwnsHost(service, host)) return true;
        }
    }
    return false;
}

std::string applyNetdisksOption(const std::vector<std::string>& args) {
    static constexpr std::string_view prefix = "--netdisks=";
    const ServiceList* chosen = nullptr;
    for (const std::string& arg : args) {
        if (arg.compare(0, prefix.size(), prefix) != 0) continue;
        std::string name = arg.substr(prefix.size());
        chosen = serviceListNamed(name);
        if (!chosen) return "--netdisks takes classic or today, not \"" + name + "\"";
    }
    if (chosen) setActiveServices(*chosen);
    return {};
}
