// The netdisks' check flows over scripted answers: which requests go out, with which code, in
// which order, and how many; the shared pieces they stand on (via addresses, base64, the
// sealed 移动云盘 body).
#include <gtest/gtest.h>

#include "links/check_answers.h"
#include "links/check_flow.h"
#include "links/share_link.h"
#include "tests/links/check_fakes.h"

namespace {

struct Flow {
    ScriptedNetdisk netdisk;
    CaptchaTokens tokens;
    CodeTries tries;
    CheckContext context() {
        CheckContext c;
        c.fetch = [this](const CheckRequest& r) { return netdisk.fetch(r); };
        c.crypto = fakeCrypto();
        c.tokens = &tokens;
        c.codeTries = &tries;
        c.epochMs = [] { return 1700000000000LL; };
        return c;
    }
    CheckOutcome check(const ShareLink& link) {
        CheckContext c = context();
        return checkShare(link, c);
    }
};

ShareLink link(Netdisk netdisk, std::string share, std::string code = "", std::string url = "") {
    ShareLink l;
    l.netdisk = netdisk;
    l.share = std::move(share);
    l.code = std::move(code);
    l.url = url.empty() ? "https://example/s/" + l.share : url;
    return l;
}

TEST(CheckFlow, ViaAddressKeepsTheRealHostAsFirstSegment) {
    EXPECT_EQ(viaAddress("https://drive-h.quark.cn/1/clouddrive/share/sharepage/token?pr=ucpro&fr=pc", "127.0.0.1:8123"),
              "http://127.0.0.1:8123/drive-h.quark.cn/1/clouddrive/share/sharepage/token?pr=ucpro&fr=pc");
    EXPECT_EQ(viaAddress("http://wwa.lanzoux.com/iAbc", "h:1"), "http://h:1/wwa.lanzoux.com/iAbc");
    EXPECT_EQ(viaAddress("https://a.b/x", ""), "https://a.b/x");
}

TEST(CheckFlow, ViaAddressIsAHostAndAPortInRange) {
    for (const char* good : {"127.0.0.1:8123", "h:1", "localhost:65535", "[::1]:80"}) EXPECT_TRUE(isViaAddress(good)) << good;
    for (const char* bad : {"", "127.0.0.1", ":80", "h:", "h:0", "h:65536", "h:99999999999", "h:8o", "h:-1",
                            "h:+80", "a/b:80", "http://h:80", "h:80/"})
        EXPECT_FALSE(isViaAddress(bad)) << bad;
}

TEST(CheckFlow, Base64RoundTripsAndRefusesNonBase64) {
    for (std::string bytes : {std::string(""), std::string("a"), std::string("ab"), std::string("abc"),
                              std::string("\0\xFF\x10\x80", 4), std::string(33, '\x7F')}) {
        if (bytes.empty()) continue;
        auto back = base64Decode(base64Encode(bytes));
        ASSERT_TRUE(back.has_value()) << base64Encode(bytes);
        EXPECT_EQ(*back, bytes);
    }
    EXPECT_EQ(base64Encode("Man"), "TWFu");
    EXPECT_EQ(base64Encode("Ma"), "TWE=");
    EXPECT_FALSE(base64Decode("TWE").has_value());
    EXPECT_FALSE(base64Decode("TW=u").has_value());
    EXPECT_FALSE(base64Decode("T!Fu").has_value());
    EXPECT_FALSE(base64Decode("").has_value());
}

TEST(CheckFlow, BaiduCodeFromTheSnippetIsVerifiedThenTheListOpensWithItsCookie) {
    // The address carries no code; the snippet under the hit does.
    auto hit = readHitShare("https://pan.baidu.com/s/1AbCdEfGhIjKlMnOpQrStUv", "合集",
                            "链接: https://pan.baidu.com/s/1AbCdEfGhIjKlMnOpQrStUv 提取码: k3x9 复制这段内容后打开百度网盘手机App");
    ASSERT_TRUE(hit.has_value());
    ASSERT_EQ(hit->code, "k3x9");
    Flow flow;
    flow.netdisk.on("/share/verify", 200, R"({"errno":0,"err_msg":"","request_id":1,"randsk":"RSK%2B1"})");
    flow.netdisk.on("/share/list", 200, R"({"errno":0,"list":[{"server_filename":"a"}]})");
    CheckOutcome result = flow.check(*hit);
    EXPECT_EQ(result.state, LinkState::Valid);
    EXPECT_EQ(result.code, "k3x9");
    auto sent = flow.netdisk.requests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(sent[0].post);
    EXPECT_NE(sent[0].url.find("surl=" + hit->share), std::string::npos);
    EXPECT_EQ(sent[0].body.find("pwd=k3x9&"), 0u) << sent[0].body;
    EXPECT_EQ(sent[1].cookies, "BDCLND=RSK%2B1");
}

TEST(CheckFlow, BaiduNeverMoreThanTwoCodesAndNeverARefusedCodeAgain) {
    Flow flow;
    flow.netdisk.on("/share/verify", 200, R"({"errno":-9,"err_msg":""})");
    flow.netdisk.on("/share/list", 200, R"({"errno":-9})");
    EXPECT_EQ(flow.check(link(Netdisk::Baidu, "Share1", "aaaa")).state, LinkState::WrongCode);
    // The refused code is answered from memory.
    EXPECT_EQ(flow.check(link(Netdisk::Baidu, "Share1", "aaaa")).state, LinkState::WrongCode);
    EXPECT_EQ(flow.netdisk.count("/share/verify"), 1u);
    EXPECT_EQ(flow.check(link(Netdisk::Baidu, "Share1", "bbbb")).state, LinkState::WrongCode);
    // A third code would lock the share: not sent, and not called dead either.
    EXPECT_EQ(flow.check(link(Netdisk::Baidu, "Share1", "cccc")).state, LinkState::Unknown);
    EXPECT_EQ(flow.netdisk.count("/share/verify"), 2u);
    EXPECT_EQ(flow.netdisk.count("/share/list"), 0u);
    // Another share has tries of its own; without a code only the list is asked.
    EXPECT_EQ(flow.check(link(Netdisk::Baidu, "Share2")).state, LinkState::NeedsCode);
    EXPECT_EQ(flow.netdisk.count("/share/verify"), 2u);
}

TEST(CheckFlow, QuarkTokenThenDetailWithTheToken_UcOnItsOwnHost) {
    Flow flow;
    flow.netdisk.on("drive-h.quark.cn/1/clouddrive/share/sharepage/token", 200,
                    R"({"status":200,"code":0,"data":{"stoken":"a+b/c="}})");
    flow.netdisk.on("drive-h.quark.cn/1/clouddrive/share/sharepage/detail", 200,
                    R"({"status":200,"code":0,"data":{"list":[{"fid":"1"}],"share":{"status":1}},"metadata":{"_total":1}})");
    flow.netdisk.on("pc-api.uc.cn/1/clouddrive/share/sharepage/token", 404,
                    R"({"status":404,"code":41006,"message":"分享不存在"})");
    EXPECT_EQ(flow.check(link(Netdisk::Quark, "39749e1fb630", "QTjz")).state, LinkState::Valid);
    auto sent = flow.netdisk.requests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_NE(sent[0].body.find("\"pwd_id\":\"39749e1fb630\""), std::string::npos);
    EXPECT_NE(sent[0].body.find("\"passcode\":\"QTjz\""), std::string::npos);
    EXPECT_NE(sent[1].url.find("stoken=a%2Bb%2Fc%3D"), std::string::npos) << sent[1].url;
    EXPECT_EQ(flow.check(link(Netdisk::Uc, "ab7dabef14d54")).state, LinkState::NotFound);
    EXPECT_EQ(flow.netdisk.count("drive.uc.cn/s/"), 0u);  // never the page that looks the same for every id
}

TEST(CheckFlow, Pan115SendsTheCodeAsReceiveCode) {
    Flow flow;
    flow.netdisk.on("webapi.115.com/share/snap", 200,
                    R"({"state":true,"errno":0,"data":{"list":[{"n":"a"}],"shareinfo":{"share_state":"1"}}})");
    EXPECT_EQ(flow.check(link(Netdisk::Pan115, "swff16b3ngy", "ab12")).state, LinkState::Valid);
    EXPECT_NE(flow.netdisk.requests()[0].url.find("share_code=swff16b3ngy&receive_code=ab12&"), std::string::npos);
}

TEST(CheckFlow, TianyiAsksTheAccessCodeOnlyWhenTheShareWantsOne) {
    Flow flow;
    flow.netdisk.on("getShareInfoByCodeV2.action", 200, R"({"res_code":0,"shareId":5,"needAccessCode":1})");
    flow.netdisk.on("checkAccessCode.action", 400, R"({"res_code":"ErrorAccessCode","res_message":"分享访问码错误"})");
    EXPECT_EQ(flow.check(link(Netdisk::Tianyi, "IB3ieymQJ7re")).state, LinkState::NeedsCode);
    EXPECT_EQ(flow.netdisk.count("checkAccessCode"), 0u);
    EXPECT_EQ(flow.check(link(Netdisk::Tianyi, "IB3ieymQJ7re", "uf34")).state, LinkState::WrongCode);
    EXPECT_NE(flow.netdisk.requests().back().url.find("accessCode=uf34"), std::string::npos);
    EXPECT_NE(flow.netdisk.requests().front().headers.find("Accept: application/json"), std::string::npos);
}

TEST(CheckFlow, XunleiTokenIsReusedAndARefusedOneReplacedOnce) {
    Flow flow;
    flow.netdisk.on("/v1/shield/captcha/init", 200, R"({"captcha_token":"TOKEN1","expires_in":300})");
    flow.netdisk.on("share_id=VNrefused", 400, R"({"error":"captcha_invalid","error_code":9})");
    flow.netdisk.on("api-pan.xunlei.com/drive/v1/share", 200, R"({"share_status":"OK"})");
    flow.netdisk.on("api-drive.mypikpak.net/drive/v1/share", 200, R"({"share_status":"EXPIRED"})");
    EXPECT_EQ(flow.check(link(Netdisk::Xunlei, "VNa")).state, LinkState::Valid);
    EXPECT_EQ(flow.check(link(Netdisk::Xunlei, "VNb", "six2")).state, LinkState::Valid);
    EXPECT_EQ(flow.netdisk.count("xluser-ssl.xunlei.com/v1/shield/captcha/init"), 1u);
    EXPECT_NE(flow.netdisk.requests().back().headers.find("x-captcha-token: TOKEN1"), std::string::npos);
    EXPECT_NE(flow.netdisk.requests().back().url.find("pass_code=six2"), std::string::npos);
    // Refused twice: one new token, then the netdisk is limiting us; never a dead state.
    EXPECT_EQ(flow.check(link(Netdisk::Xunlei, "VNrefused")).state, LinkState::Limited);
    EXPECT_EQ(flow.netdisk.count("xluser-ssl.xunlei.com/v1/shield/captcha/init"), 2u);
    // PikPak keeps a token of its own.
    EXPECT_EQ(flow.check(link(Netdisk::PikPak, "VOp")).state, LinkState::Expired);
    EXPECT_EQ(flow.netdisk.count("user.mypikpak.net/v1/shield/captcha/init"), 1u);
}

TEST(CheckFlow, Pan139SealsTheRequestAndOpensTheReply) {
    const CheckCrypto crypto = fakeCrypto();
    const std::string plain = R"({"resultCode":"0","desc":"","data":{"coLst":[]}})";
    const std::string sealed = seal139(crypto, plain);
    ASSERT_GE(sealed.size(), 2u);
    EXPECT_EQ(sealed.front(), '"');
    EXPECT_EQ(open139(crypto, sealed).value_or(""), plain);
    EXPECT_EQ(open139(crypto, R"({"resultCode":"1","desc":"x"})").value_or(""), R"({"resultCode":"1","desc":"x"})");
    EXPECT_FALSE(open139(crypto, "\"not base64!\"").has_value());

    Flow flow;
    ShareLink share = link(Netdisk::Pan139, "2qidERSvNGKk4", "ab12");
    // The netdisk seals its UTF-8 answer the same way.
    flow.netdisk.on("getOutLinkInfoV6", 200, seal139(crypto, gbkToUtf8(R"({"resultCode":"9188","desc":"提取码错误","data":null})")));
    EXPECT_EQ(flow.check(share).state, LinkState::WrongCode);
    auto request = flow.netdisk.requests().at(0);
    auto opened = open139(crypto, request.body);
    ASSERT_TRUE(opened.has_value());
    EXPECT_NE(opened->find("\"linkID\":\"2qidERSvNGKk4\""), std::string::npos);
    EXPECT_NE(opened->find("\"passwd\":\"ab12\""), std::string::npos);
}

TEST(CheckFlow, LanzouPostsTheCodeToThePagesOwnForm) {
    Flow flow;
    flow.netdisk.on("ajaxm.php", 200, R"({"zt":1,"inf":"a.zip"})");
    flow.netdisk.on("/iAbc123", 200,
                    "<div id=\"pwdload\"></div><script>var s1 = 'SG';$.ajax({url:'/ajaxm.php?file=77',"
                    "data:{'action':'downprocess','sign':s1,'p':pwd}});</script>");
    EXPECT_EQ(flow.check(link(Netdisk::Lanzou, "iAbc123", "", "https://wwa.lanzoux.com/iAbc123")).state,
              LinkState::NeedsCode);
    EXPECT_EQ(flow.check(link(Netdisk::Lanzou, "iAbc123", "6x2", "https://wwa.lanzoux.com/iAbc123")).state,
              LinkState::Valid);
    auto post = flow.netdisk.requests().back();
    EXPECT_EQ(post.url, "https://wwa.lanzoux.com/ajaxm.php?file=77");
    EXPECT_NE(post.body.find("sign=SG"), std::string::npos) << post.body;
    EXPECT_NE(post.body.find("&p=6x2"), std::string::npos) << post.body;
}

TEST(CheckFlow, NoAnswerIsNeverADeadShare) {
    // Every netdisk's flow over a connection that never answers.
    Flow flow;
    for (Netdisk netdisk : ALL_NETDISKS) {
        CheckOutcome result = flow.check(link(netdisk, "Share9", "ab12", "https://wwa.lanzoux.com/iShare9"));
        EXPECT_EQ(result.state, LinkState::Unknown) << netdiskKey(netdisk);
    }
}

}  // namespace
