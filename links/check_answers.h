// The answer readers of the link checks, one group per netdisk: a netdisk's answer (status and
// body) read into a state. Platform-free, so they are tested natively over real-shaped bodies.
// Every reader answers Unknown for what it does not recognise: a transport failure, a
// 403/5xx page, a body that is no JSON. A dead state needs the netdisk to say so.
// Room links/ (floor 2): uses text/ and nlohmann-json only.
#pragma once
#include <string>
#include <string_view>

#include "links/check_flow.h"

// The state of an answer that brought nothing readable: Limited for 429, else Unknown.
LinkState unreadableAnswer(const CheckAnswer& answer);

// 百度: share/verify and share/list answer {errno, ...}. Valid from verify means the code was
// taken (`randsk` receives the cookie value); `codeSent` tells whether the request carried one.
LinkState readBaiduAnswer(const CheckAnswer& answer, bool codeSent, std::string* randsk = nullptr);

// 阿里: get_share_by_anonymous (Valid: the share is there) and get_share_token (Valid: the code,
// or no code, opens it).
LinkState readAliyunShare(const CheckAnswer& answer);
LinkState readAliyunToken(const CheckAnswer& answer, bool codeSent);

// 夸克 and UC: sharepage/token (Valid: `stoken` receives the token) and sharepage/detail.
LinkState readQuarkToken(const CheckAnswer& answer, bool codeSent, std::string* stoken = nullptr);
LinkState readQuarkDetail(const CheckAnswer& answer);

// 115: share/snap. The share's own state decides before its file list.
LinkState read115Snap(const CheckAnswer& answer, bool codeSent);

// 天翼: getShareInfoByCodeV2 (JSON, or XML when the Accept header was lost); `needsCode` tells
// whether a Valid share wants its access code. checkAccessCode: Valid when the code opens it.
LinkState readTianyiInfo(const CheckAnswer& answer, bool* needsCode);
LinkState readTianyiAccessCode(const CheckAnswer& answer);

// 123: share/info (`hasPwd` for a Valid share) and share/get with the code.
LinkState read123Info(const CheckAnswer& answer, bool* hasPwd);
LinkState read123List(const CheckAnswer& answer);

// 迅雷 and PikPak: the captcha token and the share.
struct CaptchaReply {
    std::string token;
    int expiresIn = 0;    // seconds
    bool wall = false;    // a human check is demanded (the reply names a url)
};
CaptchaReply readCaptchaInit(const CheckAnswer& answer);
// `tokenRefused`: the netdisk did not take the captcha token (ask for a new one).
LinkState readXunleiShare(const CheckAnswer& answer, bool codeSent, bool* tokenRefused = nullptr);
// The captcha sign of a client: "1." and an MD5 chain over the client's fields and salts.
std::string xunleiCaptchaSign(const CheckCrypto& crypto, std::string_view clientId, std::string_view version,
                              std::string_view package, std::string_view deviceId, std::string_view timestamp);

// 移动云盘: the decrypted reply {resultCode, desc, data}.
LinkState read139Reply(std::string_view plainJson, bool codeSent);
// The request body (a JSON string of base64(IV + AES-CBC)) and the reading of an answer body,
// shared with the simulator.
inline constexpr char PAN139_KEY[] = "PVGDwmcvfs1uV3d1";
std::string seal139(const CheckCrypto& crypto, std::string_view plainJson);
std::optional<std::string> open139(const CheckCrypto& crypto, std::string_view body);

// 蓝奏云: the share page, and the answer of the code form it carries.
struct LanzouForm {
    bool folder = false;
    std::string action;  // "ajaxm.php?file=N" or "filemoreajax.php"
    std::string fields;  // the form body without the code
};
LinkState readLanzouPage(const CheckAnswer& answer, bool* needsCode, LanzouForm* form);
LinkState readLanzouCode(const CheckAnswer& answer, bool folder);
