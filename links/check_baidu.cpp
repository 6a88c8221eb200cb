// 百度网盘: with a code, share/verify first (its cookie BDCLND opens the list), then share/list.
// At most two codes per share, a refused code never again: a third try locks the share behind
// a captcha.
#include <climits>

#include "links/check_answers.h"
#include "links/check_json.h"
#include "links/check_netdisks.h"

namespace {

const char BAIDU_QUERY[] = "channel=chunlei&web=1&app_id=250528&clienttype=0";

// The netdisk's wording decides before its numbers, which its clients read differently.
const MessageRule BAIDU_DEAD_RULES[] = {
    {"已过期", LinkState::Expired},     {"过期", LinkState::Expired},
    {"禁止分享", LinkState::Banned},    {"涉及侵权", LinkState::Banned},
    {"违规", LinkState::Banned},        {"已删除", LinkState::Cancelled},
    {"已取消", LinkState::Cancelled},   {"被取消", LinkState::Cancelled},
    {"不存在", LinkState::NotFound},    {"没找到", LinkState::NotFound},
    {"链接错误", LinkState::NotFound},
};

std::string baiduMessage(const nlohmann::json& body) {
    for (const char* key : {"show_msg", "errmsg", "err_msg", "msg"}) {
        std::string text = fieldText(body, key);
        if (!text.empty()) return text;
    }
    return {};
}

}  // namespace

LinkState readBaiduAnswer(const CheckAnswer& answer, bool codeSent, std::string* randsk) {
    const nlohmann::json body = answerBody(answer);
    if (!body.is_object()) return unreadableAnswer(answer);
    const long long number = fieldNumber(body, "errno", LLONG_MIN);
    const std::string message = baiduMessage(body);
    const LinkState codeRefused = codeSent ? LinkState::WrongCode : LinkState::NeedsCode;
    if (number != 0) {
        if (auto state = messageState(message, BAIDU_DEAD_RULES, {"提取码错误", "密码错误", "请输入提取码"}, codeSent))
            return *state;
    }
    switch (number) {
        case 0:
            if (randsk) *randsk = fieldText(body, "randsk");
            return LinkState::Valid;
        case -9:
        case -12:
            return codeRefused;
        case -7:
        case -21:
            return LinkState::Cancelled;
        case -8:
            return LinkState::Expired;
        case 105:
            return LinkState::NotFound;
        case 115:
            return LinkState::Banned;
        case -62:
        case -19:
        case -64:
        case -65:
            return LinkState::Limited;
        default:
            return unreadableAnswer(answer);
    }
}

CheckOutcome checkBaidu(const ShareLink& link, CheckContext& context) {
    const std::string& surl = link.share;
    const std::string referer = "https://pan.baidu.com/share/init?surl=" + queryEscape(surl);
    const std::string headers = "User-Agent: " + std::string(BROWSER_AGENT) + "\r\nReferer: " + referer + "\r\n";
    std::string cookies;
    bool codeSent = false;
    if (!link.code.empty()) {
        if (!context.codeTries) return outcome(LinkState::Unknown, link.code, "no code-try ledger");
        if (context.codeTries->refusedBefore(surl, link.code))
            return outcome(LinkState::WrongCode, link.code, "code refused before");
        if (!context.codeTries->take(surl, link.code))
            return outcome(LinkState::Unknown, link.code, "code tries of this share spent");
        CheckRequest verify;
        verify.url = "https://pan.baidu.com/share/verify?surl=" + queryEscape(surl) +
                     "&t=" + std::to_string(contextNowMs(context)) + "&" + BAIDU_QUERY;
        verify.post = true;
        verify.body = "pwd=" + queryEscape(link.code) + "&vcode=&vcode_str=";
        verify.headers = headers + "Content-Type: application/x-www-form-urlencoded; charset=UTF-8\r\n"
                                   "X-Requested-With: XMLHttpRequest\r\n";
        CheckAnswer answer = context.fetch(verify);
        std::string randsk;
        LinkState state = readBaiduAnswer(answer, true, &randsk);
        if (state == LinkState::WrongCode) context.codeTries->refused(surl, link.code);
        if (state != LinkState::Valid) return outcome(state, link.code, "share/verify");
        if (randsk.empty()) {
            // The same value also comes as the cookie.
            size_t at = answer.setCookies.find("BDCLND=");
            if (at != std::string::npos) {
                size_t end = answer.setCookies.find(';', at);
                randsk = answer.setCookies.substr(at + 7, end == std::string::npos ? end : end - at - 7);
            }
        }
        cookies = "BDCLND=" + randsk;
        codeSent = true;
    }
    CheckRequest list;
    list.url = "https://pan.baidu.com/share/list?shorturl=" + queryEscape(surl) +
               "&root=1&page=1&num=20&order=time&desc=1&showempty=0&" + BAIDU_QUERY;
    list.headers = headers + "X-Requested-With: XMLHttpRequest\r\n";
    list.cookies = cookies;
    return outcome(readBaiduAnswer(context.fetch(list), codeSent), link.code, "share/list");
}
