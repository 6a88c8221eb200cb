// The netdisks' check answers for the planted shares, in the shapes the netdisks send (JSON
// errors on 4xx, 天翼's XML without the Accept header, 115's expired share with its list still
// filled, 移动云盘's sealed bodies, 蓝奏云's pages).
#include "tools/engine_sim/netdisk_sim.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>

#include "links/check_answers.h"
#include "links/check_crypto.h"
#include "text/encoding.h"
#include "text/text.h"
#include "tools/httpd/loopback_server.h"

namespace {

struct Pattern {
    Netdisk netdisk;
    std::string prefix;  // the id is prefix + the state's digit
    std::string urlHead;  // the share address before the id
    std::string digits;   // the states this netdisk can answer
};

const std::vector<Pattern>& patterns() {
    static const std::vector<Pattern> list = {
        {Netdisk::Baidu, "SimBaiduShare00000000", "https://pan.baidu.com/s/1", "0123456789"},
        {Netdisk::Aliyun, "SimAliyun0", "https://www.alipan.com/s/", "0123456789"},
        {Netdisk::Quark, "ae000000000", "https://pan.quark.cn/s/", "0123456789"},
        {Netdisk::Uc, "ac0000000000", "https://drive.uc.cn/s/", "0123456789"},
        {Netdisk::Pan115, "sim1150000", "https://115.com/s/", "012345679"},
        {Netdisk::Tianyi, "SimTianyi00", "https://cloud.189.cn/t/", "01234679"},
        {Netdisk::Pan123, "Sim123-000", "https://www.123pan.com/s/", "012379"},
        {Netdisk::Xunlei, "VNSimXunlei00000000000000", "https://pan.xunlei.com/s/", "0123456789"},
        {Netdisk::Pan139, "2SimYun13900", "https://yun.139.com/shareweb/#/w/i/", "01234579"},
        {Netdisk::Lanzou, "iSimLanzou0", "https://wwa.lanzoux.com/", "0123579"},
        {Netdisk::PikPak, "VOSimPikPak00000000000000", "https://mypikpak.com/s/", "0123456789"},
    };
    return list;
}

LinkState stateOfDigit(int digit) {
    static const LinkState STATES[] = {LinkState::Valid,    LinkState::Valid,     LinkState::NeedsCode,
                                       LinkState::WrongCode, LinkState::Expired,  LinkState::Cancelled,
                                       LinkState::Banned,   LinkState::NotFound,  LinkState::Limited,
                                       LinkState::Unknown};
    return STATES[digit];
}

// The shares of the today corpus (today_corpus.cpp) answer as these digits, so that a search
// of the simulator fills the 状态 column with every state: the codes those links carry are not
// PLANTED_CODE, so a protected digit there reads 提取码错误 (3) rather than 有效. Each netdisk
// keeps to the digits it can answer; 受限 stands on a netdisk with one share, since it sends the
// netdisk's remaining checks into back-off.
int corpusDigit(Netdisk netdisk, const std::string& id) {
    static const std::map<std::pair<Netdisk, std::string>, int> TABLE = {
        {{Netdisk::Baidu, "AbCdEfGhIjKlMnOpQrStUv"}, 0},  {{Netdisk::Baidu, "Xy9Zz8Ww7Vv6Uu5Tt4Ss3R"}, 3},
        {{Netdisk::Baidu, "Qq1Ww2Ee3Rr4Tt5Yy6Uu7I"}, 4},  {{Netdisk::Baidu, "Mm2Nn3Bb4Vv5Cc6Xx7Zz8L"}, 5},
        {{Netdisk::Baidu, "DecoyDecoyDecoyDecoy01"}, 6},  {{Netdisk::Aliyun, "Qw3rTy7uI9o"}, 0},
        {{Netdisk::Aliyun, "Hj8Kl2Mn4Pq"}, 2},             {{Netdisk::Aliyun, "Zx5Cv7Bn9Mq"}, 9},
        {{Netdisk::Quark, "39749e1fb630"}, 0},            {{Netdisk::Quark, "3cb6e17e5d16"}, 3},
        {{Netdisk::Uc, "ab7dabef14d54"}, 8},               {{Netdisk::Pan115, "swff16b3ngy"}, 0},
        {{Netdisk::Pan115, "sw3abcd9xyz"}, 4},             {{Netdisk::Pan115, "swq8r7t6y5u"}, 3},
        {{Netdisk::Tianyi, "IB3ieymQJ7re"}, 0},            {{Netdisk::Tianyi, "AbCdEf123456"}, 6},
        {{Netdisk::Pan123, "2785Vv-T4Ded"}, 0},            {{Netdisk::Pan123, "oec7Vv-OXIWh"}, 3},
        {{Netdisk::Xunlei, "VNcaO1Qv87aZxffZLThnARHkA1"}, 0}, {{Netdisk::Pan139, "2qidERSvNGKk4"}, 5},
        {{Netdisk::Lanzou, "i2OPJ2i3lsle"}, 0},            {{Netdisk::Lanzou, "iQw3Er5Ty7u"}, 5},
        {{Netdisk::PikPak, "VOLPPwXhmHBnHMY7hW6oGHjMo1"}, 2},
    };
    auto found = TABLE.find({netdisk, id});
    return found == TABLE.end() ? 7 : found->second;
}

// The digit of a planted id of `netdisk`, or of a today corpus share; 7 (no such share) for
// anything else.
int digitOf(Netdisk netdisk, const std::string& id) {
    for (const Pattern& p : patterns()) {
        if (p.netdisk != netdisk || id.size() != p.prefix.size() + 1 || id.compare(0, p.prefix.size(), p.prefix) != 0)
            continue;
        const char d = id.back();
        if (p.digits.find(d) != std::string::npos) return d - '0';
    }
    return corpusDigit(netdisk, id);
}

bool isProtected(int digit) {
    return digit >= 1 && digit <= 3;
}

std::map<std::string, std::string> pairsOf(const std::string& text) {
    std::map<std::string, std::string> pairs;
    for (const std::string& piece : splitText(text, "&")) {
        size_t eq = piece.find('=');
        std::string key = piece.substr(0, eq), value = eq == std::string::npos ? "" : piece.substr(eq + 1);
        // Form values: "+" is a blank, %XX a byte.
        std::string decoded;
        for (size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '+') {
                decoded += ' ';
            } else if (value[i] == '%' && i + 2 < value.size() && std::isxdigit((unsigned char)value[i + 1]) &&
                       std::isxdigit((unsigned char)value[i + 2])) {
                decoded += char(std::stoi(value.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                decoded += value[i];
            }
        }
        pairs.emplace(key, decoded);
    }
    return pairs;
}

// UTF-8 JSON of a GBK template.
std::string u(std::string_view gbk) {
    return gbkToUtf8(gbk);
}

}  // namespace

const std::vector<PlantedShare>& plantedShares() {
    static const std::vector<PlantedShare> shares = [] {
        std::vector<PlantedShare> list;
        for (const Pattern& p : patterns()) {
            for (char d : p.digits) {
                PlantedShare share;
                share.netdisk = p.netdisk;
                share.digit = d - '0';
                share.share = p.prefix + d;
                share.url = p.urlHead + share.share;
                share.code = share.digit == 1 ? PLANTED_CODE : share.digit == 3 ? PLANTED_WRONG_CODE : "";
                share.expected = stateOfDigit(share.digit);
                list.push_back(share);
            }
        }
        return list;
    }();
    return shares;
}

bool isNetdiskApiHost(const std::string& host) {
    static const char* const HOSTS[] = {
        "pan.baidu.com",       "api.aliyundrive.com",     "drive-h.quark.cn",       "pc-api.uc.cn",
        "webapi.115.com",      "cloud.189.cn",            "www.123pan.com",         "xluser-ssl.xunlei.com",
        "api-pan.xunlei.com",  "user.mypikpak.net",       "api-drive.mypikpak.net", "share-kd-njs.yun.139.com",
    };
    for (const char* known : HOSTS) {
        if (host == known) return true;
    }
    return netdiskOfHost(host) == Netdisk::Lanzou;
}

NetdiskSim& sharedNetdiskSim() {
    static NetdiskSim sim;
    return sim;
}

void NetdiskSim::setLatencyMs(int ms) {
    std::lock_guard lock(mutex_);
    latencyMs_ = ms;
}

std::vector<NetdiskSimRequest> NetdiskSim::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void NetdiskSim::reset() {
    std::lock_guard lock(mutex_);
    requests_.clear();
    failedOnce_.clear();
}

bool NetdiskSim::failsNow(const std::string& key) {
    std::lock_guard lock(mutex_);
    return failedOnce_.insert(key).second;
}

bool NetdiskSim::serve(LoopbackConnection& connection, const std::string& raw, std::string* logLine) {
    ParsedRequest parsed = parseRequest(raw);
    if (parsed.target.size() < 2 || parsed.target[0] != '/') return false;
    const size_t slash = parsed.target.find('/', 1);
    const std::string host = asciiLower(parsed.target.substr(1, slash == std::string::npos ? std::string::npos : slash - 1));
    if (!isNetdiskApiHost(host)) return false;
    NetdiskSimRequest request;
    request.arrived = std::chrono::steady_clock::now();
    request.host = host;
    request.method = parsed.method;
    request.path = slash == std::string::npos ? "/" : parsed.target.substr(slash);
    const size_t question = request.path.find('?');
    const std::string query = question == std::string::npos ? "" : request.path.substr(question + 1);
    Reply reply = answer(request, query, parsed.body, parsed.headerBlock);

    int latency;
    {
        std::lock_guard lock(mutex_);
        latency = latencyMs_;
    }
    if (latency > 0 && connection.waitForStop(latency)) return true;
    request.status = reply.drop ? 0 : reply.status;
    request.answered = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    if (reply.drop) {
        connection.reset();
    } else {
        std::string headers = "Content-Type: application/json;charset=UTF-8\r\n" + reply.headers;
        if (reply.body.compare(0, 1, "<") == 0) headers = "Content-Type: text/html; charset=utf-8\r\n" + reply.headers;
        connection.send(httpResponse(reply.status, reply.status == 200 ? "OK" : "Status", reply.body, headers));
    }
    if (logLine) {
        *logLine = "netdisk=" + request.netdisk + " share=" + request.share + " code=" + request.code +
                   " start=" + std::string(request.checkStart ? "1" : "0") + " try=" + (request.codeTry ? "1" : "0") +
                   " " + request.method + " " + host + request.path + " -> " + std::to_string(request.status);
        *logLine = gbkToUtf8(*logLine);
    }
    return true;
}

NetdiskSim::Reply NetdiskSim::answer(NetdiskSimRequest& request, const std::string& query, const std::string& body,
                                     const std::string& headerBlock) {
    auto q = pairsOf(query);
    const std::string& host = request.host;
    const std::string path = request.path.substr(0, request.path.find('?'));
    Reply reply;
    auto json = [&](int status, const std::string& gbkJson) {
        reply.status = status;
        reply.body = u(gbkJson);
        return reply;
    };
    nlohmann::json bodyJson = nlohmann::json::parse(body, nullptr, false);
    auto bodyField = [&](const char* key) -> std::string {
        if (!bodyJson.is_object() || !bodyJson.contains(key) || !bodyJson[key].is_string()) return {};
        return bodyJson[key].get<std::string>();
    };
    // The share and its state; a planted share of digit 9 fails on its first request.
    auto begin = [&](Netdisk netdisk, const std::string& share, const std::string& code, bool start) -> int {
        request.netdisk = netdiskKey(netdisk);
        request.share = share;
        request.code = code;
        request.checkStart = start;
        const int digit = digitOf(netdisk, share);
        if (digit == 9 && failsNow(request.netdisk + "/" + share)) return -1;
        return digit;
    };
    auto failOnce = [&]() {
        // Half of the netdisks drop the connection, the others answer 503 with a page.
        const Netdisk netdisk = netdiskByKey(request.netdisk);
        if (int(netdisk) % 2 == 0) {
            reply.drop = true;
        } else {
            reply.status = 503;
            reply.body = "<html><body>503 Service Temporarily Unavailable</body></html>";
        }
        return reply;
    };
    // ---- 百度 ----
    if (host == "pan.baidu.com") {
        const bool verify = path == "/share/verify";
        auto form = pairsOf(body);
        const std::string surl = verify ? q["surl"] : q["shorturl"];
        const std::string cookie = trimSpaces(textBetween(headerBlock + "\r\n", "Cookie:", "\r\n"));
        const bool opened = cookie.find("BDCLND=sim-" + surl) != std::string::npos;
        request.codeTry = verify;
        const int d = begin(Netdisk::Baidu, surl, verify ? form["pwd"] : "", verify || !opened);
        if (d < 0) return failOnce();
        switch (d) {
            case 4: return json(200, R"({"errno":-8,"request_id":1})");
            case 5: return json(200, R"({"errno":-7,"request_id":1})");
            case 6: return json(200, R"({"errno":115,"show_msg":"该文件禁止分享"})");
            case 7: return json(200, R"({"errno":105,"show_msg":"啊哦，链接错误没找到文件，请打开正确的分享链接"})");
            case 8: return json(200, R"({"errno":-62,"show_msg":"可能需要输入验证码"})");
            default: break;
        }
        if (verify) {
            if (isProtected(d) && form["pwd"] != PLANTED_CODE) return json(200, R"({"errno":-9,"err_msg":"","request_id":1})");
            reply.headers = "Set-Cookie: BDCLND=sim-" + surl + "; path=/; domain=.baidu.com\r\n";
            return json(200, R"({"errno":0,"err_msg":"","request_id":1,"randsk":"sim-)" + surl + "\"}");
        }
        if (isProtected(d) && !opened) return json(200, R"({"errno":-9,"request_id":1})");
        return json(200, R"({"errno":0,"list":[{"fs_id":1,"server_filename":"资料.zip","isdir":0}],"title":"/资料.zip"})");
    }
    // ---- 阿里 ----
    if (host == "api.aliyundrive.com") {
        const bool token = path == "/v2/share_link/get_share_token";
        const std::string id = token ? bodyField("share_id") : q["share_id"];
        const int d = begin(Netdisk::Aliyun, id, token ? bodyField("share_pwd") : "", !token);
        if (d < 0) return failOnce();
        switch (d) {
            case 4: return json(400, R"({"code":"ShareLink.Expired","message":"The share link has expired"})");
            case 5: return json(400, R"({"code":"ShareLink.Cancelled","message":"The share link has been cancelled"})");
            case 6: return json(400, R"({"code":"ShareLink.Forbidden","message":"违规资源已被封禁"})");
            case 7: return json(404, R"({"code":"NotFound.ShareLink","message":"The resource share_link cannot be found"})");
            case 8: return json(429, R"({"code":"ParamFlowException","message":"访问过于频繁，请稍后再试"})");
            default: break;
        }
        if (!token) {
            return json(200, R"({"creator_id":"c1","creator_name":"sim","share_name":"资料","file_count":1,"file_infos":[{"file_id":"f1","file_name":"资料.zip","type":"file"}],"expiration":"","vip":"non-vip"})");
        }
        if (isProtected(d) && bodyField("share_pwd") != PLANTED_CODE)
            return json(400, R"({"code":"InvalidResource.SharePwd","message":"The resource share_pwd is not valid."})");
        return json(200, R"({"share_token":"eyJsim","expire_time":"2099-01-01T00:00:00.000Z","expires_in":7200})");
    }
    // ---- 夸克 / UC ----
    if (host == "drive-h.quark.cn" || host == "pc-api.uc.cn") {
        const Netdisk netdisk = host == "pc-api.uc.cn" ? Netdisk::Uc : Netdisk::Quark;
        const bool detail = path == "/1/clouddrive/share/sharepage/detail";
        const std::string id = detail ? q["pwd_id"] : bodyField("pwd_id");
        const std::string code = detail ? "" : bodyField("passcode");
        const int d = begin(netdisk, id, code, !detail);
        if (d < 0) return failOnce();
        switch (d) {
            case 4: return json(404, R"({"status":404,"code":41019,"message":"分享地址已过期","data":null})");
            case 5: return json(404, R"({"status":404,"code":41012,"message":"好友已取消了分享","data":null})");
            case 6: return json(404, R"({"status":404,"code":41031,"message":"分享者用户封禁链接查看受限","data":null})");
            case 7: return json(404, R"({"status":404,"code":41006,"message":"分享不存在","data":null})");
            case 8:
                if (netdisk == Netdisk::Quark) return json(400, R"({"status":400,"code":14021,"message":"file not found"})");
                return json(429, R"({"status":429,"code":42900,"message":"请求过于频繁，请稍后再试"})");
            default: break;
        }
        if (detail) {
            if (q["stoken"] != "st-" + id) return json(400, R"({"status":400,"code":41004,"message":"stoken invalid"})");
            return json(200, R"({"status":200,"code":0,"message":"ok","data":{"is_owner":0,"share":{"status":1,"partial_violation":false},"list":[{"fid":"f1","file_name":"资料.zip"}]},"metadata":{"_total":1}})");
        }
        if (isProtected(d) && code.empty())
            return json(400, R"({"status":400,"code":41008,"message":"需要提取码","data":null})");
        if (isProtected(d) && code != PLANTED_CODE)
            return json(400, R"({"status":400,"code":41007,"message":"提取码错误，请检查后再试。","data":null})");
        return json(200, R"({"status":200,"code":0,"message":"ok","data":{"stoken":"st-)" + id +
                             R"(","title":"资料","share_type":0,"expired_type":1}})");
    }
    // ---- 115 ----
    if (host == "webapi.115.com") {
        const std::string code = q["receive_code"];
        const int d = begin(Netdisk::Pan115, q["share_code"], code, true);
        if (d < 0) return failOnce();
        const std::string list = R"("count":2,"list":[{"n":"资料1.zip","s":1024},{"n":"资料2.zip","s":2048}])";
        switch (d) {
            // The list is still there; the share's state says it is over.
            case 4: return json(200, R"({"state":true,"error":"","errno":0,"data":{)" + list +
                                         R"(,"shareinfo":{"share_state":"7","forbid_reason":"链接已过期","share_title":"资料"}}})");
            case 5: return json(200, R"({"state":false,"error":"分享已取消","errno":4100010,"data":[]})");
            case 6: return json(200, R"({"state":false,"error":"涉嫌违规，链接已失效","errno":4100033,"data":[]})");
            case 7: return json(200, R"({"state":false,"error":"参数错误。","errno":990002,"data":[]})");
            default: break;
        }
        if (isProtected(d) && code.empty()) return json(200, R"({"state":false,"error":"请输入访问码","errno":4100012,"data":[]})");
        if (isProtected(d) && code != PLANTED_CODE)
            return json(200, R"({"state":false,"error":"访问码错误","errno":4100008,"data":[]})");
        return json(200, R"({"state":true,"error":"","errno":0,"data":{)" + list +
                             R"(,"shareinfo":{"share_state":"1","forbid_reason":"","share_title":"资料"}}})");
    }
    // ---- 天翼 ----
    if (host == "cloud.189.cn") {
        const bool access = path == "/api/open/share/checkAccessCode.action";
        const int d = begin(Netdisk::Tianyi, q["shareCode"], access ? q["accessCode"] : "", !access);
        if (d < 0) return failOnce();
        const std::string accept = textBetween(headerBlock + "\r\n", "Accept:", "\r\n");
        const bool xml = asciiLower(accept).find("json") == std::string::npos;
        auto error = [&](const char* code, const char* message) {
            if (xml) {
                reply.status = 400;
                reply.body = u(std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><error><code>") + code +
                               "</code><message>" + message + "</message></error>");
                return reply;
            }
            return json(400, std::string(R"({"res_code":")") + code + R"(","res_message":")" + message + "\"}");
        };
        switch (d) {
            case 4: return error("ShareExpiredError", "分享已过期");
            case 6: return error("ShareAuditNotPass", "分享审核不通过");
            case 7: return error("ShareInfoNotFound", "没有找到分享信息(可能被取消分享了)");
            case 8: return error("AccessDenyOfHighFrequency", "由于访问频率过高，拒绝访问");
            default: break;
        }
        if (access) {
            if (q["accessCode"] != PLANTED_CODE) return error("ErrorAccessCode", "分享访问码错误");
            return json(200, R"({"res_code":0,"res_message":"成功","shareId":71,"fileId":"9"})");
        }
        const std::string need = isProtected(d) ? "1" : "0";
        if (xml) {
            reply.body = u("<?xml version=\"1.0\" encoding=\"UTF-8\"?><shareVO><shareId>71</shareId><fileName>资料.zip</fileName>"
                           "<needAccessCode>" + need + "</needAccessCode></shareVO>");
            return reply;
        }
        return json(200, R"({"res_code":0,"res_message":"成功","fileId":"9","fileName":"资料.zip","isFolder":false,"needAccessCode":)" +
                             need + R"(,"shareId":71,"shareMode":1})");
    }
    // ---- 123 ----
    if (host == "www.123pan.com") {
        const bool get = path == "/api/share/get";
        const int d = begin(Netdisk::Pan123, q["shareKey"], get ? q["SharePwd"] : "", !get);
        if (d < 0) return failOnce();
        if (d == 7) return json(200, R"({"code":5103,"message":"此分享不存在","data":null})");
        if (get) {
            if (isProtected(d) && q["SharePwd"] != PLANTED_CODE) return json(200, R"({"code":5103,"message":"提取码错误","data":null})");
            return json(200, R"({"code":0,"message":"ok","data":{"Next":"-1","InfoList":[{"FileName":"资料.zip"}]}})");
        }
        return json(200, std::string(R"({"code":0,"message":"ok","data":{"ShareId":1,"ShareName":"资料","HasPwd":)") +
                             (isProtected(d) ? "true" : "false") + "}}");
    }
    // ---- 迅雷 / PikPak ----
    if (host == "xluser-ssl.xunlei.com" || host == "user.mypikpak.net") {
        request.netdisk = host == "user.mypikpak.net" ? "pikpak" : "xunlei";
        std::lock_guard lock(mutex_);
        const std::string token = "sim-tk-" + std::to_string(++tokenCount_);
        tokens_.insert(token);
        return json(200, R"({"captcha_token":")" + token + R"(","expires_in":300})");
    }
    if (host == "api-pan.xunlei.com" || host == "api-drive.mypikpak.net") {
        const Netdisk netdisk = host == "api-pan.xunlei.com" ? Netdisk::Xunlei : Netdisk::PikPak;
        const std::string code = q["pass_code"];
        const int d = begin(netdisk, q["share_id"], code, true);
        if (d < 0) return failOnce();
        const std::string token = trimSpaces(textBetween(headerBlock + "\r\n", "x-captcha-token:", "\r\n"));
        {
            std::lock_guard lock(mutex_);
            if (!tokens_.count(token))
                return json(400, R"({"error":"captcha_invalid","error_code":9,"error_description":"验证码无效"})");
        }
        auto status = [&](const char* s) { return json(200, std::string(R"({"share_status":")") + s + R"(","share_status_text":"","title":"资料","files":[]})"); };
        switch (d) {
            case 4: return status("EXPIRED");
            case 5: return status("DELETED");
            case 6: return status("SENSITIVE_RESOURCE");
            case 7: return status("NOT_FOUND");
            case 8: return json(400, R"({"error":"too_many_requests","error_code":10,"error_description":"操作频繁"})");
            default: break;
        }
        if (isProtected(d) && code.empty()) return status("PASS_CODE_EMPTY");
        if (isProtected(d) && code != PLANTED_CODE) return status("PASS_CODE_ERROR");
        return status("OK");
    }
    // ---- 移动云盘 ----
    if (host == "share-kd-njs.yun.139.com") {
        const CheckCrypto crypto = platformCrypto();
        std::optional<std::string> plain = open139(crypto, body);
        nlohmann::json req = plain ? nlohmann::json::parse(*plain, nullptr, false) : nlohmann::json();
        std::string id, code;
        if (req.is_object() && req.contains("getOutLinkInfoReq")) {
            const auto& inner = req["getOutLinkInfoReq"];
            if (inner.contains("linkID") && inner["linkID"].is_string()) id = inner["linkID"].get<std::string>();
            if (inner.contains("passwd") && inner["passwd"].is_string()) code = inner["passwd"].get<std::string>();
        }
        if (id.empty()) return json(400, R"({"resultCode":"9000","desc":"请求参数错误","data":null})");
        const int d = begin(Netdisk::Pan139, id, code, true);
        if (d < 0) return failOnce();
        std::string result;
        switch (d) {
            case 4: result = R"({"resultCode":"200000732","desc":"分享已过期","data":null})"; break;
            case 5: result = R"({"resultCode":"200000731","desc":"分享已取消","data":null})"; break;
            case 7: result = R"({"resultCode":"200000727","desc":"外链不存在","data":null})"; break;
            default:
                if (isProtected(d) && code.empty()) {
                    result = R"({"resultCode":"9188","desc":"请输入提取码","data":null})";
                } else if (isProtected(d) && code != PLANTED_CODE) {
                    result = R"({"resultCode":"9188","desc":"提取码错误","data":null})";
                } else {
                    result = R"({"resultCode":"0","desc":"","data":{"caLst":[],"coLst":[{"coName":"资料.zip","coSize":1024}]}})";
                }
        }
        reply.body = seal139(crypto, u(result));
        return reply;
    }
    // ---- 蓝奏云 ----
    if (path == "/ajaxm.php") {
        auto form = pairsOf(body);
        const std::string sign = form["sign"];
        const std::string id = sign.compare(0, 3, "sgn") == 0 ? sign.substr(3) : "";
        const int d = begin(Netdisk::Lanzou, id, form["p"], false);
        if (d < 0) return failOnce();
        if (form["p"] != PLANTED_CODE) return json(200, R"({"zt":0,"inf":"密码不正确"})");
        return json(200, R"({"zt":1,"dom":"https:\/\/developer-oss.lanrar.com","url":"?sim","inf":"资料.zip"})");
    }
    const std::string id = path.substr(1);
    const int d = begin(Netdisk::Lanzou, id, "", true);
    if (d < 0) return failOnce();
    auto page = [&](const std::string& inner) {
        reply.status = 200;
        reply.body = u("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>资料.zip - 蓝奏云</title></head><body>" +
                       inner + "</body></html>");
        return reply;
    };
    switch (d) {
        case 5: return page("<div class=\"off\"><div class=\"off0\"><div class=\"off1\"></div></div><div class=\"off2\">来晚啦...文件取消分享了</div></div>");
        case 7: return page("<div class=\"off\"><div class=\"off2\">文件不存在，或已删除</div></div>");
        case 8:
            reply.body = "<html><script>var arg1='3F1C8B';function setCookie(){};acw_sc__v2=arg1;reload(arg1);</script></html>";
            return reply;
        default: break;
    }
    if (isProtected(d)) {
        return page("<div class=\"n_box\"><div class=\"n_box_3fn\" id=\"passwddiv\"><input type=\"text\" id=\"pwd\" "
                    "placeholder=\"输入密码\"><div class=\"passwddiv-btn\" id=\"sub\">下载</div></div></div><script>"
                    "var skdklds = 'sgn" + id + "';function down_p(){var pwd = document.getElementById('pwd').value;"
                    "$.ajax({type : 'post',url : '/ajaxm.php?file=" + std::to_string(1000 + d) +
                    "',data : { 'action':'downprocess','sign':skdklds,'p':pwd,'kd':1 },dataType : 'json'});}</script>");
    }
    return page("<div class=\"d\"><div class=\"d2\">资料.zip</div><div class=\"ifr\"><iframe class=\"ifr2\" name=\"1\" "
                "src=\"/fn?SIMDOWNLOAD" + id + "\" frameborder=\"0\" scrolling=\"no\"></iframe></div></div>");
}
