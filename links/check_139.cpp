// 移动云盘: getOutLinkInfoV6 takes and answers base64(IV + AES-128-CBC) of a JSON text, sent as
// a JSON string. The cipher is the platform's (CheckCrypto); the envelope is read here.
#include "links/check_answers.h"
#include "links/check_json.h"
#include "links/check_netdisks.h"
#include "text/text.h"

namespace {

const MessageRule PAN139_DEAD_RULES[] = {
    {"过期", LinkState::Expired},   {"违规", LinkState::Banned},    {"封禁", LinkState::Banned},
    {"取消", LinkState::Cancelled}, {"删除", LinkState::Cancelled}, {"不存在", LinkState::NotFound},
    {"失效", LinkState::NotFound},
};

constexpr size_t AES_BLOCK = 16;

}  // namespace

std::string seal139(const CheckCrypto& crypto, std::string_view plainJson) {
    if (!crypto.aesEncrypt || !crypto.randomBytes) return {};
    std::string iv = crypto.randomBytes(AES_BLOCK);
    if (iv.size() != AES_BLOCK) return {};
    std::string cipher = crypto.aesEncrypt(PAN139_KEY, iv, plainJson);
    if (cipher.empty()) return {};
    return "\"" + base64Encode(iv + cipher) + "\"";
}

std::optional<std::string> open139(const CheckCrypto& crypto, std::string_view body) {
    std::string text = trimSpaces(body);
    nlohmann::json parsed = parseBody(text);
    if (parsed.is_object()) return text;  // an answer in the clear (an error page of the gateway)
    if (parsed.is_string()) text = parsed.get<std::string>();
    std::optional<std::string> bytes = base64Decode(text);
    if (!bytes || bytes->size() < 2 * AES_BLOCK || bytes->size() % AES_BLOCK != 0 || !crypto.aesDecrypt)
        return std::nullopt;
    return crypto.aesDecrypt(PAN139_KEY, bytes->substr(0, AES_BLOCK), bytes->substr(AES_BLOCK));
}

LinkState read139Reply(std::string_view plainJson, bool codeSent) {
    nlohmann::json body = parseBody(plainJson);
    if (!body.is_object()) return LinkState::Unknown;
    const std::string result = fieldText(body, "resultCode");
    const std::string desc = fieldText(body, "desc");
    if (result == "0" && member(body, "data").is_object()) return LinkState::Valid;
    return messageState(desc, PAN139_DEAD_RULES, {"提取码", "密码", "访问码"}, codeSent).value_or(LinkState::Unknown);
}

CheckOutcome check139(const ShareLink& link, CheckContext& context) {
    const std::string plain = "{\"getOutLinkInfoReq\":{\"account\":\"\",\"linkID\":" + jsonString(link.share) +
                              ",\"passwd\":" + jsonString(link.code) +
                              ",\"caSrt\":1,\"coSrt\":1,\"srtDr\":0,\"bNum\":1,\"pCaID\":\"root\",\"eNum\":200},"
                              "\"commonAccountInfo\":{\"account\":\"\",\"accountType\":1}}";
    CheckRequest request;
    request.url = "https://share-kd-njs.yun.139.com/yun-share/richlifeApp/devapp/IOutLink/getOutLinkInfoV6";
    request.post = true;
    request.body = seal139(context.crypto, plain);
    if (request.body.empty()) return outcome(LinkState::Unknown, link.code, "no cipher");
    request.headers = std::string("User-Agent: ") + BROWSER_AGENT +
                      "\r\nContent-Type: application/json\r\nhcy-cool-flag: 1\r\nx-deviceinfo: "
                      "||3|12.27.0|chrome|131.0.0.0|" + contextDeviceId(context) +
                      "||windows 10|1536X695|zh-CN|||\r\nOrigin: https://yun.139.com\r\nReferer: https://yun.139.com/\r\n";
    const CheckAnswer answer = context.fetch(request);
    if (!answer.arrived) return outcome(LinkState::Unknown, link.code, "no answer");
    std::optional<std::string> reply = open139(context.crypto, answer.body);
    if (!reply) return outcome(unreadableAnswer(answer), link.code, "reply not readable");
    return outcome(read139Reply(*reply, !link.code.empty()), link.code, "getOutLinkInfoV6");
}
