// What every netdisk's check shares: the JSON reading, escaping, base64, message rules, the
// captcha tokens and the code tries; and the dispatch of a share to its netdisk's flow.
#include "links/check_flow.h"

#include <cstdio>

#include "links/check_answers.h"
#include "links/check_json.h"
#include "links/check_netdisks.h"
#include "text/encoding.h"
#include "text/text.h"

nlohmann::json parseBody(std::string_view body) {
    // A UTF-8 byte-order mark is no part of the JSON.
    if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
    return nlohmann::json::parse(body.begin(), body.end(), nullptr, false);
}

nlohmann::json answerBody(const CheckAnswer& answer) {
    if (!answer.arrived) return nlohmann::json(nlohmann::json::value_t::discarded);
    return parseBody(answer.body);
}

const nlohmann::json& member(const nlohmann::json& value, std::string_view key) {
    static const nlohmann::json NOTHING;
    if (!value.is_object()) return NOTHING;
    auto it = value.find(std::string(key));
    return it == value.end() ? NOTHING : *it;
}

std::string fieldText(const nlohmann::json& value, std::string_view key) {
    const nlohmann::json& field = member(value, key);
    if (field.is_string()) return utf8ToGbk(field.get_ref<const std::string&>());
    if (field.is_number_integer()) return std::to_string(field.get<long long>());
    if (field.is_number_unsigned()) return std::to_string(field.get<unsigned long long>());
    if (field.is_boolean()) return field.get<bool>() ? "true" : "false";
    return {};
}

long long fieldNumber(const nlohmann::json& value, std::string_view key, long long fallback) {
    const nlohmann::json& field = member(value, key);
    if (field.is_number_integer()) return field.get<long long>();
    if (field.is_number_unsigned()) return (long long)field.get<unsigned long long>();
    if (field.is_boolean()) return field.get<bool>() ? 1 : 0;
    if (field.is_string()) {
        const std::string& s = field.get_ref<const std::string&>();
        if (s.empty() || s.size() > 18) return fallback;
        size_t i = s[0] == '-' ? 1 : 0;
        if (i == s.size()) return fallback;
        for (size_t j = i; j < s.size(); ++j) {
            if (s[j] < '0' || s[j] > '9') return fallback;
        }
        return std::stoll(s);
    }
    return fallback;
}

bool fieldPresent(const nlohmann::json& value, std::string_view key) {
    const nlohmann::json& field = member(value, key);
    if (field.is_string() || field.is_array() || field.is_object()) return !field.empty();
    if (field.is_boolean()) return field.get<bool>();
    return field.is_number();
}

std::string jsonString(std::string_view gbk) {
    return nlohmann::json(gbkToUtf8(gbk)).dump();
}

std::string queryEscape(std::string_view text) {
    return percentEncode(text, "-_.~");
}

namespace {
const char BASE64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::string base64Encode(std::string_view bytes) {
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = (unsigned char)bytes[i] << 16 | (unsigned char)bytes[i + 1] << 8 | (unsigned char)bytes[i + 2];
        out += BASE64[v >> 18];
        out += BASE64[(v >> 12) & 63];
        out += BASE64[(v >> 6) & 63];
        out += BASE64[v & 63];
    }
    if (i + 1 == bytes.size()) {
        unsigned v = (unsigned char)bytes[i] << 16;
        out += BASE64[v >> 18];
        out += BASE64[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == bytes.size()) {
        unsigned v = (unsigned char)bytes[i] << 16 | (unsigned char)bytes[i + 1] << 8;
        out += BASE64[v >> 18];
        out += BASE64[(v >> 12) & 63];
        out += BASE64[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::optional<std::string> base64Decode(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.remove_suffix(1);
    if (text.empty() || text.size() % 4 != 0) return std::nullopt;
    // Only the standard alphabet, and padding only at the end: the decoding itself is the
    // lenient one every reader shares.
    std::string_view body = text.substr(0, text.find_last_not_of('=') + 1);
    if (text.size() - body.size() > 2 || body.find_first_not_of(BASE64) != std::string_view::npos) return std::nullopt;
    return base64UrlDecode(body);
}

bool isViaAddress(std::string_view via) {
    const size_t colon = via.rfind(':');
    if (colon == std::string_view::npos || colon == 0 || via.find('/') != std::string_view::npos) return false;
    const std::string_view port = via.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string_view::npos) return false;
    const long number = std::stol(std::string(port));
    return number >= 1 && number <= 65535;
}

std::string viaAddress(std::string_view url, std::string_view via) {
    if (via.empty()) return std::string(url);
    std::string_view rest = url;
    if (rest.compare(0, 8, "https://") == 0) {
        rest.remove_prefix(8);
    } else if (rest.compare(0, 7, "http://") == 0) {
        rest.remove_prefix(7);
    }
    return "http://" + std::string(via) + "/" + std::string(rest);
}

std::optional<LinkState> stateFromMessage(std::string_view message, const MessageRule* rules, size_t count) {
    if (message.empty()) return std::nullopt;
    for (size_t i = 0; i < count; ++i) {
        if (findText(message, rules[i].marker, 1, true) > 0) return rules[i].state;
    }
    return std::nullopt;
}

std::optional<LinkState> messageState(std::string_view message, const MessageRule* rules, size_t count,
                                      std::initializer_list<const char*> codeMarkers, bool codeSent) {
    if (looksRateLimited(message)) return LinkState::Limited;
    for (const char* marker : codeMarkers) {
        if (!message.empty() && findText(message, marker, 1, true) > 0)
            return codeSent ? LinkState::WrongCode : LinkState::NeedsCode;
    }
    return stateFromMessage(message, rules, count);
}

bool looksRateLimited(std::string_view messageGbk) {
    static const char* const MARKERS[] = {"频繁", "过于频繁", "频率过高", "次数过多", "请稍后再试", "验证码",
                                          "人机验证", "安全验证", "风控", "too many", "too frequent"};
    for (const char* marker : MARKERS) {
        if (findText(messageGbk, marker, 1, true) > 0) return true;
    }
    return false;
}

LinkState unreadableAnswer(const CheckAnswer& answer) {
    if (answer.arrived && answer.status == 429) return LinkState::Limited;
    return LinkState::Unknown;
}

std::string CaptchaTokens::get(Netdisk netdisk, Clock::time_point now) const {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(netdisk);
    if (it == entries_.end() || it->second.token.empty() || now >= it->second.expires) return {};
    return it->second.token;
}

void CaptchaTokens::put(Netdisk netdisk, std::string token, Clock::time_point expires) {
    std::lock_guard lock(mutex_);
    entries_[netdisk].token = std::move(token);
    entries_[netdisk].expires = expires;
}

void CaptchaTokens::drop(Netdisk netdisk, const std::string& token) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(netdisk);
    if (it != entries_.end() && it->second.token == token) it->second.token.clear();
}

std::mutex& CaptchaTokens::askLock(Netdisk netdisk) {
    std::lock_guard lock(mutex_);
    return askLocks_[netdisk];
}

int CaptchaTokens::asked(Netdisk netdisk) const {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(netdisk);
    return it == entries_.end() ? 0 : it->second.asked;
}

void CaptchaTokens::countAsk(Netdisk netdisk) {
    std::lock_guard lock(mutex_);
    ++entries_[netdisk].asked;
}

bool CodeTries::take(const std::string& share, const std::string& code) {
    std::lock_guard lock(mutex_);
    if (refused_.count(share + '\n' + code)) return false;
    int& tries = tries_[share];
    if (tries >= MAX_TRIES) return false;
    ++tries;
    return true;
}

void CodeTries::refused(const std::string& share, const std::string& code) {
    std::lock_guard lock(mutex_);
    refused_[share + '\n' + code] = true;
}

bool CodeTries::refusedBefore(const std::string& share, const std::string& code) const {
    std::lock_guard lock(mutex_);
    return refused_.count(share + '\n' + code) > 0;
}

int CodeTries::tries(const std::string& share) const {
    std::lock_guard lock(mutex_);
    auto it = tries_.find(share);
    return it == tries_.end() ? 0 : it->second;
}

std::string contextDeviceId(CheckContext& context) {
    if (context.deviceId.size() == 32) return context.deviceId;
    std::string bytes = context.crypto.randomBytes ? context.crypto.randomBytes(16) : std::string();
    static const char HEX[] = "0123456789abcdef";
    std::string id;
    for (size_t i = 0; i < 16; ++i) {
        unsigned char c = i < bytes.size() ? (unsigned char)bytes[i] : (unsigned char)(i * 37 + 11);
        id += HEX[c >> 4];
        id += HEX[c & 15];
    }
    context.deviceId = id;
    return id;
}

long long contextNowMs(const CheckContext& context) {
    if (context.epochMs) return context.epochMs();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

CheckOutcome outcome(LinkState state, std::string code, std::string note) {
    CheckOutcome o;
    o.state = state;
    o.code = std::move(code);
    o.note = std::move(note);
    if (state == LinkState::Limited) o.retryAfterSeconds = LIMITED_RETRY_SECONDS;
    return o;
}

std::optional<CheckOutcome> endBeforeCode(LinkState state, bool wantsCode, const ShareLink& link, const char* note) {
    if (state != LinkState::Valid || !wantsCode) return outcome(state, link.code, note);
    if (link.code.empty()) return outcome(LinkState::NeedsCode, link.code, note);
    return std::nullopt;
}

CheckOutcome checkShare(const ShareLink& link, CheckContext& context) {
    if (link.share.empty()) return outcome(LinkState::Unknown, link.code, "no share id");
    switch (link.netdisk) {
        case Netdisk::Baidu: return checkBaidu(link, context);
        case Netdisk::Aliyun: return checkAliyun(link, context);
        case Netdisk::Quark: return checkQuark(link, context);
        case Netdisk::Uc: return checkQuark(link, context);
        case Netdisk::Pan115: return check115(link, context);
        case Netdisk::Tianyi: return checkTianyi(link, context);
        case Netdisk::Pan123: return check123(link, context);
        case Netdisk::Xunlei: return checkXunlei(link, context);
        case Netdisk::PikPak: return checkXunlei(link, context);
        case Netdisk::Pan139: return check139(link, context);
        case Netdisk::Lanzou: return checkLanzou(link, context);
        case Netdisk::None: break;
    }
    return outcome(LinkState::Unknown, link.code, "no netdisk");
}
