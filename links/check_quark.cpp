// 夸克网盘 and UC网盘 (one backend under two names): sharepage/token with the code, then
// sharepage/detail with the token. Errors come as a JSON body also on 4xx answers; their
// numbers differ between the netdisk's clients, so the message decides first.
#include "links/check_answers.h"
#include "links/check_json.h"
#include "links/check_netdisks.h"

namespace {

const MessageRule QUARK_DEAD_RULES[] = {
    {"过期", LinkState::Expired},     {"违规", LinkState::Banned},    {"封禁", LinkState::Banned},
    {"取消", LinkState::Cancelled},   {"删除", LinkState::Cancelled}, {"不存在", LinkState::NotFound},
    {"失效", LinkState::NotFound},
};

const CodeRule<long long> QUARK_NUMBERS[] = {
    {41006, LinkState::NotFound},  {41003, LinkState::Expired},  {41019, LinkState::Expired},
    {41009, LinkState::Cancelled}, {41012, LinkState::Cancelled}, {41010, LinkState::Banned},
    {41031, LinkState::Banned},    {41011, LinkState::NotFound},  {41027, LinkState::NotFound},
    {14021, LinkState::Limited},
};

// The state an error envelope names; nullopt when it names none.
std::optional<LinkState> quarkError(const nlohmann::json& body, bool codeSent) {
    const long long code = fieldNumber(body, "code", -1);
    const std::string message = fieldText(body, "message");
    // A live share answers "file not found" under risk control: ask again later.
    if (code == 14021) return LinkState::Limited;
    if (auto state = messageState(message, QUARK_DEAD_RULES, {"需要提取码", "请填写提取码", "提取码错误"}, codeSent))
        return state;
    if (code == 41008 || code == 41007) return codeSent ? LinkState::WrongCode : LinkState::NeedsCode;
    return stateFromCode(code, QUARK_NUMBERS);
}

struct QuarkHosts {
    const char* api;     // token and detail
    const char* query;   // pr= and fr=
    const char* origin;  // the share pages' site
};

QuarkHosts hostsOf(Netdisk netdisk) {
    if (netdisk == Netdisk::Uc) return {"https://pc-api.uc.cn", "pr=UCBrowser&fr=pc", "https://drive.uc.cn"};
    return {"https://drive-h.quark.cn", "pr=ucpro&fr=pc", "https://pan.quark.cn"};
}

}  // namespace

LinkState readQuarkToken(const CheckAnswer& answer, bool codeSent, std::string* stoken) {
    const nlohmann::json body = answerBody(answer);
    if (!body.is_object()) return unreadableAnswer(answer);
    const std::string token = fieldText(member(body, "data"), "stoken");
    if (fieldNumber(body, "code", -1) == 0 && !token.empty()) {
        if (stoken) *stoken = token;
        return LinkState::Valid;
    }
    if (auto state = quarkError(body, codeSent)) return *state;
    return unreadableAnswer(answer);
}

LinkState readQuarkDetail(const CheckAnswer& answer) {
    const nlohmann::json body = answerBody(answer);
    if (!body.is_object()) return unreadableAnswer(answer);
    if (fieldNumber(body, "code", -1) != 0) {
        if (auto state = quarkError(body, true)) return *state;
        return unreadableAnswer(answer);
    }
    const nlohmann::json& data = member(body, "data");
    const nlohmann::json& share = member(data, "share");
    if (share.is_object() && member(share, "status").is_number()) {
        // 1 is a share in order; what other values mean is not known for sure.
        if (fieldNumber(share, "status", 1) != 1) return LinkState::Unknown;
    }
    const nlohmann::json& list = member(data, "list");
    const long long total = fieldNumber(member(body, "metadata"), "_total", -1);
    // Its owner deleted every file: the share page says so and shows nothing.
    if (list.is_array() && list.empty() && total <= 0) return LinkState::Cancelled;
    return data.is_object() ? LinkState::Valid : LinkState::Unknown;
}

CheckOutcome checkQuark(const ShareLink& link, CheckContext& context) {
    const QuarkHosts hosts = hostsOf(link.netdisk);
    const std::string headers = std::string("User-Agent: ") + BROWSER_AGENT + "\r\nOrigin: " + hosts.origin +
                                "\r\nReferer: " + hosts.origin + "/\r\n";
    CheckRequest token;
    token.url = std::string(hosts.api) + "/1/clouddrive/share/sharepage/token?" + hosts.query;
    token.post = true;
    token.body = "{\"pwd_id\":" + jsonString(link.share) + ",\"passcode\":" + jsonString(link.code) +
                 ",\"support_visit_limit_private_share\":true}";
    token.headers = headers + "Content-Type: application/json;charset=UTF-8\r\n";
    std::string stoken;
    LinkState state = readQuarkToken(context.fetch(token), !link.code.empty(), &stoken);
    if (state != LinkState::Valid) return outcome(state, link.code, "sharepage/token");
    CheckRequest detail;
    detail.url = std::string(hosts.api) + "/1/clouddrive/share/sharepage/detail?" + hosts.query +
                 "&pwd_id=" + queryEscape(link.share) + "&stoken=" + queryEscape(stoken) +
                 "&pdir_fid=0&_page=1&_size=50&_fetch_share=1&_fetch_total=1";
    detail.headers = headers;
    return outcome(readQuarkDetail(context.fetch(detail)), link.code, "sharepage/detail");
}
