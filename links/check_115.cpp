// 115网盘: share/snap. An expired share still lists its files, so the share's own state and
// the reason it is barred are read before anything else.
#include <climits>

#include "links/check_answers.h"
#include "links/check_json.h"
#include "links/check_netdisks.h"

namespace {

const MessageRule PAN115_DEAD_RULES[] = {
    {"过期", LinkState::Expired},   {"违规", LinkState::Banned},    {"封禁", LinkState::Banned},
    {"取消", LinkState::Cancelled}, {"删除", LinkState::Cancelled}, {"不存在", LinkState::NotFound},
};

const CodeRule<long long> PAN115_NUMBERS[] = {
    {4100010, LinkState::Cancelled}, {4100033, LinkState::Banned},   {4100034, LinkState::Expired},
    {4100004, LinkState::Cancelled}, {4100009, LinkState::NotFound}, {4100026, LinkState::NotFound},
    {990002, LinkState::NotFound},
};

}  // namespace

LinkState read115Snap(const CheckAnswer& answer, bool codeSent) {
    const nlohmann::json body = answerBody(answer);
    if (!body.is_object()) return unreadableAnswer(answer);
    const nlohmann::json& data = member(body, "data");
    const nlohmann::json& info = member(data, "shareinfo");
    long long shareState = fieldNumber(info, "share_state", LLONG_MIN);
    if (shareState == LLONG_MIN) shareState = fieldNumber(data, "share_state", LLONG_MIN);
    if (shareState != LLONG_MIN && shareState != 1) {
        if (auto state = stateFromMessage(fieldText(info, "forbid_reason"), PAN115_DEAD_RULES)) return *state;
        if (shareState == 7) return LinkState::Expired;
        return LinkState::Unknown;  // a state we have no meaning for
    }

    const long long number = fieldNumber(body, "errno", 0);
    std::string message = fieldText(body, "error");
    if (message.empty()) message = fieldText(body, "msg");
    const LinkState codeRefused = codeSent ? LinkState::WrongCode : LinkState::NeedsCode;
    const bool ok = fieldText(body, "state") == "true" || fieldNumber(body, "state", 0) == 1;
    if (number != 0 || !ok) {
        if (auto state = messageState(message, PAN115_DEAD_RULES, {"请输入访问码", "访问码错误", "提取码错误"}, codeSent))
            return *state;
        if (number == 4100012 || number == 4100008) return codeRefused;
        if (auto state = stateFromCode(number, PAN115_NUMBERS)) return *state;
        return unreadableAnswer(answer);
    }
    return shareState == 1 || data.is_object() ? LinkState::Valid : LinkState::Unknown;
}

CheckOutcome check115(const ShareLink& link, CheckContext& context) {
    CheckRequest snap;
    snap.url = "https://webapi.115.com/share/snap?share_code=" + queryEscape(link.share) +
               "&receive_code=" + queryEscape(link.code) + "&offset=0&limit=20&cid=";
    snap.headers = std::string("User-Agent: ") + BROWSER_AGENT + "\r\nReferer: https://115.com/s/" +
                   queryEscape(link.share) + "?password=" + queryEscape(link.code) +
                   "&\r\nX-Requested-With: XMLHttpRequest\r\nAccept: application/json, text/javascript, */*\r\n";
    return outcome(read115Snap(context.fetch(snap), !link.code.empty()), link.code, "share/snap");
}
