// 天翼云盘: getShareInfoByCodeV2, then checkAccessCode when the share wants a code we have.
// The netdisk answers XML unless asked for JSON and errors come with HTTP 400, so both forms
// are read whatever the status.
#include "links/check_answers.h"
#include "links/check_json.h"
#include "links/check_netdisks.h"
#include "text/encoding.h"
#include "text/text.h"

namespace {

// Message first; "审核中" is a share under review: nothing is known yet.
const MessageRule TIANYI_RULES[] = {
    {"访问码错误", LinkState::WrongCode}, {"审核不通过", LinkState::Banned}, {"审核中", LinkState::Unknown},
    {"访问次数超限", LinkState::Limited},  {"过期", LinkState::Expired},       {"没有找到", LinkState::NotFound},
    {"不存在", LinkState::NotFound},       {"取消", LinkState::Cancelled},     {"违规", LinkState::Banned},
};

const CodeRule<const char*> TIANYI_CODES[] = {
    {"ShareInfoNotFound", LinkState::NotFound},     {"ShareNotFound", LinkState::NotFound},
    {"FileNotFound", LinkState::Cancelled},         {"ShareExpiredError", LinkState::Expired},
    {"ShareAuditNotPass", LinkState::Banned},       {"ShareAuditNo", LinkState::Banned},
    {"ShareAuditWaiting", LinkState::Unknown},      {"ShareAccessOverload", LinkState::Limited},
    {"AccessDenyOfHighFrequency", LinkState::Limited}, {"ErrorAccessCode", LinkState::WrongCode},
};

LinkState tianyiError(const std::string& code, const std::string& message, const CheckAnswer& answer) {
    if (auto state = messageState(message, TIANYI_RULES)) return *state;
    if (auto state = stateFromCode(code, TIANYI_CODES)) return *state;
    return unreadableAnswer(answer);
}

// The text of the first <name>...</name> element, "" when there is none.
std::string xmlElement(const std::string& body, const std::string& name) {
    const std::string open = "<" + name + ">", close = "</" + name + ">";
    size_t at = body.find(open);
    if (at == std::string::npos) return {};
    at += open.size();
    size_t end = body.find(close, at);
    if (end == std::string::npos) return {};
    return utf8ToGbk(trimSpaces(body.substr(at, end - at)));
}

// The reply as (res_code, res_message, needAccessCode, shareId); false when it is neither
// JSON nor the XML forms.
struct TianyiReply {
    std::string code, message;
    bool needsCode = false;
    bool hasShare = false;
};
bool readReply(const CheckAnswer& answer, TianyiReply& reply) {
    nlohmann::json body = parseBody(answer.body);
    if (body.is_object()) {
        reply.code = fieldText(body, "res_code");
        if (reply.code.empty()) reply.code = fieldText(body, "code");
        reply.message = fieldText(body, "res_message");
        if (reply.message.empty()) reply.message = fieldText(body, "message");
        reply.needsCode = fieldNumber(body, "needAccessCode", 0) == 1;
        reply.hasShare = fieldPresent(body, "shareId") || fieldPresent(body, "fileId");
        return true;
    }
    if (answer.body.find("<error>") != std::string::npos) {
        reply.code = xmlElement(answer.body, "code");
        reply.message = xmlElement(answer.body, "message");
        return true;
    }
    if (answer.body.find("<shareVO>") != std::string::npos || answer.body.find("<shareId>") != std::string::npos) {
        reply.code = xmlElement(answer.body, "res_code");
        if (reply.code.empty()) reply.code = "0";
        reply.message = xmlElement(answer.body, "res_message");
        reply.needsCode = xmlElement(answer.body, "needAccessCode") == "1";
        reply.hasShare = !xmlElement(answer.body, "shareId").empty();
        return true;
    }
    return false;
}

}  // namespace

LinkState readTianyiInfo(const CheckAnswer& answer, bool* needsCode) {
    if (!answer.arrived) return LinkState::Unknown;
    TianyiReply reply;
    if (!readReply(answer, reply)) return unreadableAnswer(answer);
    if (reply.code == "0" && reply.hasShare && answer.status < 400) {
        if (needsCode) *needsCode = reply.needsCode;
        return LinkState::Valid;
    }
    if (reply.code == "0" || reply.code.empty()) return unreadableAnswer(answer);
    LinkState state = tianyiError(reply.code, reply.message, answer);
    // Asked without a code, "wrong code" can only mean the share wants one.
    return state == LinkState::WrongCode ? LinkState::NeedsCode : state;
}

LinkState readTianyiAccessCode(const CheckAnswer& answer) {
    if (!answer.arrived) return LinkState::Unknown;
    TianyiReply reply;
    if (!readReply(answer, reply)) return unreadableAnswer(answer);
    if (reply.code == "0" && reply.hasShare && answer.status < 400) return LinkState::Valid;
    if (reply.code == "0" || reply.code.empty()) return unreadableAnswer(answer);
    return tianyiError(reply.code, reply.message, answer);
}

CheckOutcome checkTianyi(const ShareLink& link, CheckContext& context) {
    const std::string headers = std::string("User-Agent: ") + BROWSER_AGENT +
                                "\r\nAccept: application/json;charset=UTF-8\r\nSign-Type: 1\r\nReferer: "
                                "https://cloud.189.cn/web/share?code=" + queryEscape(link.share) + "\r\n";
    CheckRequest info;
    info.url = "https://cloud.189.cn/api/open/share/getShareInfoByCodeV2.action?noCache=" +
               std::to_string(contextNowMs(context) % 1000000007) + "&shareCode=" + queryEscape(link.share);
    info.headers = headers;
    bool needsCode = false;
    LinkState state = readTianyiInfo(context.fetch(info), &needsCode);
    if (auto done = endBeforeCode(state, needsCode, link, "getShareInfoByCodeV2")) return *done;
    CheckRequest access;
    access.url = "https://cloud.189.cn/api/open/share/checkAccessCode.action?shareCode=" + queryEscape(link.share) +
                 "&accessCode=" + queryEscape(link.code);
    access.headers = headers;
    return outcome(readTianyiAccessCode(context.fetch(access)), link.code, "checkAccessCode");
}
