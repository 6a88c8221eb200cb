// 123云盘: share/info tells whether the share is there and wants a code; share/get with the
// code whether it opens. A 403 is the firewall in front of it, never an answer about the share.
#include "links/check_answers.h"
#include "links/check_json.h"
#include "links/check_netdisks.h"
#include "text/encoding.h"
#include "text/text.h"

namespace {

const MessageRule PAN123_DEAD_RULES[] = {
    {"过期", LinkState::Expired},   {"违规", LinkState::Banned},    {"封禁", LinkState::Banned},
    {"取消", LinkState::Cancelled}, {"删除", LinkState::Cancelled}, {"不存在", LinkState::NotFound},
};

LinkState pan123Error(const nlohmann::json& body, bool codeSent, const CheckAnswer& answer) {
    const std::string message = fieldText(body, "message");
    if (auto state = messageState(message, PAN123_DEAD_RULES, {"提取码错误", "提取码不正确"}, codeSent)) return *state;
    return unreadableAnswer(answer);
}

}  // namespace

LinkState read123Info(const CheckAnswer& answer, bool* hasPwd) {
    const nlohmann::json body = answerBody(answer);
    if (!body.is_object()) {
        if (answer.arrived && answer.status < 400 && findText(utf8ToGbk(answer.body), "分享页面不存在") > 0)
            return LinkState::NotFound;
        return unreadableAnswer(answer);
    }
    if (fieldNumber(body, "code", -1) == 0 && member(body, "data").is_object()) {
        if (hasPwd) *hasPwd = fieldPresent(member(body, "data"), "HasPwd");
        return LinkState::Valid;
    }
    if (fieldNumber(body, "code", 0) == 0) return unreadableAnswer(answer);
    return pan123Error(body, false, answer);
}

LinkState read123List(const CheckAnswer& answer) {
    const nlohmann::json body = answerBody(answer);
    if (!body.is_object()) return unreadableAnswer(answer);
    if (fieldNumber(body, "code", -1) == 0) return LinkState::Valid;
    return pan123Error(body, true, answer);
}

CheckOutcome check123(const ShareLink& link, CheckContext& context) {
    const std::string headers = std::string("User-Agent: ") + BROWSER_AGENT +
                                "\r\nReferer: https://www.123pan.com/s/" + queryEscape(link.share) +
                                "\r\nAccept: application/json, text/plain, */*\r\n";
    CheckRequest info;
    info.url = "https://www.123pan.com/api/share/info?shareKey=" + queryEscape(link.share);
    info.headers = headers;
    bool hasPwd = false;
    LinkState state = read123Info(context.fetch(info), &hasPwd);
    if (auto done = endBeforeCode(state, hasPwd, link, "share/info")) return *done;
    CheckRequest list;
    list.url = "https://www.123pan.com/api/share/get?limit=100&next=0&orderBy=file_name&orderDirection=asc"
               "&parentFileId=0&Page=1&shareKey=" + queryEscape(link.share) + "&SharePwd=" + queryEscape(link.code);
    list.headers = headers;
    return outcome(read123List(context.fetch(list)), link.code, "share/get");
}
