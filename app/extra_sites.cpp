#include "app/extra_sites.h"

#include "search/services.h"

std::string extraSitesFromBytes(std::string_view bytes) {
    return std::string(bytes.substr(0, bytes.find('\0')));
}

ExtraSitesCheck checkExtraSites(std::string_view text) {
    if (text.empty()) return ExtraSitesCheck::Empty;
    if (text.back() == ';') return ExtraSitesCheck::EndsWithSemicolon;
    return ExtraSitesCheck::Ok;
}

std::string settingsHelpText() {
    const std::string host = ServiceTable[0].host;
    std::string text = "只需写入网址 如：百度网盘的首页地址是：" + host + " 在编辑框里面就是";
    text += "\r\n\r\n" + host;
    text += "\r\n\r\n支持多个网址 每个网址之间请用英文分号隔开";
    text += "\r\n\r\n如：" + host + ";" + HELP_SECOND_EXAMPLE_HOST;
    return text;
}
