// 阿里云盘: get_share_by_anonymous tells whether the share is there (it ignores codes), then
// get_share_token whether our code (or none) opens it.
#include "links/check_answers.h"
#include "links/check_json.h"
#include "links/check_netdisks.h"

namespace {

const CodeRule<const char*> ALIYUN_CODES[] = {
    {"ShareLink.Cancelled", LinkState::Cancelled}, {"NotFound.ShareLink", LinkState::NotFound},
    {"ShareLink.Expired", LinkState::Expired},     {"ShareLink.Forbidden", LinkState::Banned},
    {"ParamFlowException", LinkState::Limited},    {"TooManyRequests", LinkState::Limited},
};
const MessageRule ALIYUN_RULES[] = {
    {"过期", LinkState::Expired},  {"取消", LinkState::Cancelled}, {"违规", LinkState::Banned},
    {"封禁", LinkState::Banned},   {"不存在", LinkState::NotFound},
};

// The state an error body names; nullopt when it names none we know.
std::optional<LinkState> aliyunError(const nlohmann::json& body) {
    if (auto state = messageState(fieldText(body, "message"), ALIYUN_RULES)) return state;
    return stateFromCode(fieldText(body, "code"), ALIYUN_CODES);
}

const std::string ALIYUN_HEADERS = std::string("User-Agent: ") + BROWSER_AGENT +
                                   "\r\nContent-Type: application/json\r\nOrigin: https://www.alipan.com\r\n"
                                   "Referer: https://www.alipan.com/\r\nx-canary: client=web,app=share,version=v2.3.1\r\n";

}  // namespace

LinkState readAliyunShare(const CheckAnswer& answer) {
    const nlohmann::json body = answerBody(answer);
    if (!body.is_object()) return unreadableAnswer(answer);
    if (auto state = aliyunError(body)) return *state;
    if (answer.status == 200 && (fieldPresent(body, "share_name") || fieldPresent(body, "share_title") ||
                                 fieldPresent(body, "file_infos") || fieldPresent(body, "creator_id")))
        return LinkState::Valid;
    return unreadableAnswer(answer);
}

LinkState readAliyunToken(const CheckAnswer& answer, bool codeSent) {
    const nlohmann::json body = answerBody(answer);
    if (!body.is_object()) return unreadableAnswer(answer);
    if (fieldText(body, "code") == "InvalidResource.SharePwd")
        return codeSent ? LinkState::WrongCode : LinkState::NeedsCode;
    if (auto state = aliyunError(body)) return *state;
    if (answer.status == 200 && fieldPresent(body, "share_token")) return LinkState::Valid;
    return unreadableAnswer(answer);
}

CheckOutcome checkAliyun(const ShareLink& link, CheckContext& context) {
    const std::string id = jsonString(link.share);
    CheckRequest share;
    share.url = "https://api.aliyundrive.com/adrive/v3/share_link/get_share_by_anonymous?share_id=" +
                queryEscape(link.share);
    share.post = true;
    share.body = "{\"share_id\":" + id + "}";
    share.headers = ALIYUN_HEADERS;
    LinkState state = readAliyunShare(context.fetch(share));
    if (state != LinkState::Valid) return outcome(state, link.code, "get_share_by_anonymous");
    CheckRequest token;
    token.url = "https://api.aliyundrive.com/v2/share_link/get_share_token";
    token.post = true;
    token.body = "{\"share_id\":" + id + ",\"share_pwd\":" + jsonString(link.code) + "}";
    token.headers = ALIYUN_HEADERS;
    return outcome(readAliyunToken(context.fetch(token), !link.code.empty()), link.code, "get_share_token");
}
