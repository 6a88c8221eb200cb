// The netdisks' answers read into states: every state each netdisk can answer, in the shapes
// the netdisks send, and the answers that must never read as a dead share.
#include <gtest/gtest.h>

#include "links/check_answers.h"
#include "text/encoding.h"

namespace {

// An answer with `gbk` sent as UTF-8, as the netdisks send it.
CheckAnswer answer(int status, std::string_view gbk) {
    CheckAnswer a;
    a.arrived = true;
    a.status = status;
    a.body = gbkToUtf8(gbk);
    return a;
}

struct Case {
    int status;
    const char* body;
    LinkState expected;
};

const char* key(LinkState state) {
    return linkStateKey(state);
}

// Bodies that are no answer of any netdisk: each must read as Unknown (Limited for 429).
const Case NO_ANSWER_CASES[] = {
    {403, "<html><body>403 Forbidden</body></html>", LinkState::Unknown},
    {502, "<html>Bad Gateway</html>", LinkState::Unknown},
    {503, "", LinkState::Unknown},
    {200, "{\"errno\":", LinkState::Unknown},
    {200, "\xFF\xFE garbage", LinkState::Unknown},
    {429, "Too Many Requests", LinkState::Limited},
};

TEST(CheckAnswers, BaiduVerifyAndListEveryState) {
    const Case noCode[] = {
        {200, R"({"errno":0,"list":[{"fs_id":1,"server_filename":"a.zip"}],"title":"/a.zip"})", LinkState::Valid},
        {200, R"({"errno":-9,"request_id":1})", LinkState::NeedsCode},
        {200, R"({"errno":-12})", LinkState::NeedsCode},
        {200, R"({"errno":-7})", LinkState::Cancelled},
        {200, R"({"errno":-21})", LinkState::Cancelled},
        {200, R"({"errno":-8})", LinkState::Expired},
        {200, R"({"errno":105,"show_msg":"啊哦，链接错误没找到文件，请打开正确的分享链接"})", LinkState::NotFound},
        {200, R"({"errno":115,"show_msg":"该文件禁止分享"})", LinkState::Banned},
        {200, R"({"errno":-62})", LinkState::Limited},
        // The wording decides before the number, which clients read differently.
        {200, R"({"errno":-9,"show_msg":"啊哦，来晚了，该分享文件已过期"})", LinkState::Expired},
        {200, R"({"errno":-9,"show_msg":"错误尝试次数过多,请稍后再试"})", LinkState::Limited},
        {200, R"({"errno":4242})", LinkState::Unknown},
    };
    for (const Case& c : noCode) {
        EXPECT_STREQ(key(readBaiduAnswer(answer(c.status, c.body), false)), key(c.expected)) << c.body;
    }
    std::string randsk;
    EXPECT_EQ(readBaiduAnswer(answer(200, R"({"errno":0,"randsk":"abc%2Fdef"})"), true, &randsk), LinkState::Valid);
    EXPECT_EQ(randsk, "abc%2Fdef");
    // With a code sent, a refusal is the code's fault, not a missing code.
    EXPECT_EQ(readBaiduAnswer(answer(200, R"({"errno":-9})"), true), LinkState::WrongCode);
    EXPECT_EQ(readBaiduAnswer(answer(200, R"({"errno":-12,"err_msg":"访问密码错误"})"), true), LinkState::WrongCode);
    for (const Case& c : NO_ANSWER_CASES) {
        EXPECT_STREQ(key(readBaiduAnswer(answer(c.status, c.body), false)), key(c.expected)) << c.body;
    }
    EXPECT_EQ(readBaiduAnswer(CheckAnswer{}, false), LinkState::Unknown);
}

TEST(CheckAnswers, AliyunShareAndToken) {
    const Case share[] = {
        {200, R"({"share_name":"资料","file_count":3,"file_infos":[{"file_id":"x"}],"creator_id":"c","expiration":""})",
         LinkState::Valid},
        {400, R"({"code":"ShareLink.Cancelled","message":"share link is cancelled"})", LinkState::Cancelled},
        {404, R"({"code":"NotFound.ShareLink","message":"not found"})", LinkState::NotFound},
        {400, R"({"code":"ShareLink.Expired","message":"expired"})", LinkState::Expired},
        {400, R"({"code":"ShareLink.Forbidden","message":"违规资源已被封禁"})", LinkState::Banned},
        {429, R"({"code":"ParamFlowException","message":"访问过于频繁，请稍后再试"})", LinkState::Limited},
        {200, R"({"code":"SomethingNew","message":"?"})", LinkState::Unknown},
    };
    for (const Case& c : share) {
        EXPECT_STREQ(key(readAliyunShare(answer(c.status, c.body))), key(c.expected)) << c.body;
    }
    for (const Case& c : NO_ANSWER_CASES) {
        EXPECT_STREQ(key(readAliyunShare(answer(c.status, c.body))), key(c.expected)) << c.body;
    }
    const std::string refused = R"({"code":"InvalidResource.SharePwd","message":"share_pwd is not valid."})";
    EXPECT_EQ(readAliyunToken(answer(400, refused), false), LinkState::NeedsCode);
    EXPECT_EQ(readAliyunToken(answer(400, refused), true), LinkState::WrongCode);
    EXPECT_EQ(readAliyunToken(answer(200, R"({"share_token":"eyJ","expire_time":"x","expires_in":7200})"), true),
              LinkState::Valid);
}

TEST(CheckAnswers, QuarkTokenErrorsReadFromTheirBodyWhateverTheStatus) {
    const Case cases[] = {
        // A share behind a code is alive: never dead, whatever one client's list says.
        {400, R"({"status":400,"code":41008,"message":"需要提取码","data":null})", LinkState::NeedsCode},
        {400, R"({"status":400,"code":41008,"message":"当前分享链接需要提取码，请填写提取码。"})", LinkState::NeedsCode},
        // The error of a dead share comes as JSON on an HTTP 404.
        {404, R"({"status":404,"code":41006,"message":"分享不存在"})", LinkState::NotFound},
        {404, R"({"status":404,"code":41012,"message":"好友已取消了分享"})", LinkState::Cancelled},
        {404, R"({"status":404,"code":41019,"message":"分享地址已过期"})", LinkState::Expired},
        {404, R"({"status":404,"code":41010,"message":"文件涉及违规内容"})", LinkState::Banned},
        {404, R"({"status":404,"code":41031,"message":"分享者用户封禁链接查看受限"})", LinkState::Banned},
        {400, R"({"status":400,"code":41011,"message":"分享地址已失效"})", LinkState::NotFound},
        // The numbers conflict between sources; the message wins.
        {400, R"({"status":400,"code":41006,"message":"分享已取消"})", LinkState::Cancelled},
        {400, R"({"status":400,"code":41003,"message":""})", LinkState::Expired},
        {400, R"({"status":400,"code":14021,"message":"file not found"})", LinkState::Limited},
        {500, R"({"status":500,"code":50000,"message":"server error"})", LinkState::Unknown},
        {401, R"({"status":401,"code":31001,"message":"require login [guest]"})", LinkState::Unknown},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(key(readQuarkToken(answer(c.status, c.body), false)), key(c.expected)) << c.body;
    }
    for (const Case& c : NO_ANSWER_CASES) {
        EXPECT_STREQ(key(readQuarkToken(answer(c.status, c.body), false)), key(c.expected)) << c.body;
    }
    EXPECT_EQ(readQuarkToken(answer(400, R"({"status":400,"code":41007,"message":"提取码错误，请检查后再试。"})"), true),
              LinkState::WrongCode);
    std::string stoken;
    EXPECT_EQ(readQuarkToken(answer(200, R"({"status":200,"code":0,"message":"ok","data":{"stoken":"S+t/k=","title":"x"}})"),
                             true, &stoken),
              LinkState::Valid);
    EXPECT_EQ(stoken, "S+t/k=");
}

TEST(CheckAnswers, QuarkDetail) {
    EXPECT_EQ(readQuarkDetail(answer(200, R"({"status":200,"code":0,"data":{"list":[{"fid":"1"}],"share":{"status":1}},"metadata":{"_total":1}})")),
              LinkState::Valid);
    // Every file deleted by the owner: the share shows nothing.
    EXPECT_EQ(readQuarkDetail(answer(200, R"({"status":200,"code":0,"data":{"list":[]},"metadata":{"_total":0}})")),
              LinkState::Cancelled);
    // A share state we have no meaning for is no evidence.
    EXPECT_EQ(readQuarkDetail(answer(200, R"({"status":200,"code":0,"data":{"list":[{"fid":"1"}],"share":{"status":3}}})")),
              LinkState::Unknown);
    EXPECT_EQ(readQuarkDetail(answer(404, R"({"status":404,"code":41012,"message":"好友已取消了分享"})")),
              LinkState::Cancelled);
}

TEST(CheckAnswers, Pan115ShareStateBeforeItsList) {
    const Case noCode[] = {
        {200, R"({"state":true,"errno":0,"data":{"count":2,"list":[{"n":"a"}],"shareinfo":{"share_state":"1","forbid_reason":""}}})",
         LinkState::Valid},
        // Expired shares still list their files.
        {200, R"({"state":true,"errno":0,"error":"","data":{"count":3,"list":[{"n":"a"},{"n":"b"}],"shareinfo":{"share_state":"7","forbid_reason":"链接已过期"}}})",
         LinkState::Expired},
        {200, R"({"state":true,"errno":0,"data":{"count":1,"list":[{"n":"a"}],"share_state":7}})", LinkState::Expired},
        {200, R"({"state":true,"errno":0,"data":{"list":[{"n":"a"}],"shareinfo":{"share_state":"4","forbid_reason":"涉嫌违规，链接已失效"}}})",
         LinkState::Banned},
        {200, R"({"state":true,"errno":0,"data":{"list":[{"n":"a"}],"shareinfo":{"share_state":"9"}}})", LinkState::Unknown},
        {200, R"({"state":false,"errno":4100012,"error":"请输入访问码"})", LinkState::NeedsCode},
        {200, R"({"state":false,"errno":4100010,"error":"分享已取消"})", LinkState::Cancelled},
        {200, R"({"state":false,"errno":4100033,"error":"涉嫌违规，链接已失效"})", LinkState::Banned},
        {200, R"({"state":false,"errno":4100034,"error":""})", LinkState::Expired},
        {200, R"({"state":false,"errno":990002,"error":"参数错误。"})", LinkState::NotFound},
        {200, R"({"state":false,"errno":990001,"error":"请先登录"})", LinkState::Unknown},
    };
    for (const Case& c : noCode) {
        EXPECT_STREQ(key(read115Snap(answer(c.status, c.body), false)), key(c.expected)) << c.body;
    }
    for (const Case& c : NO_ANSWER_CASES) {
        EXPECT_STREQ(key(read115Snap(answer(c.status, c.body), false)), key(c.expected)) << c.body;
    }
    EXPECT_EQ(read115Snap(answer(200, R"({"state":false,"errno":4100008,"error":"访问码错误"})"), true),
              LinkState::WrongCode);
}

TEST(CheckAnswers, TianyiJsonAndXml) {
    bool needsCode = true;
    EXPECT_EQ(readTianyiInfo(answer(200, R"({"res_code":0,"res_message":"成功","fileId":"1","fileName":"a","needAccessCode":0,"shareId":9})"),
                             &needsCode),
              LinkState::Valid);
    EXPECT_FALSE(needsCode);
    EXPECT_EQ(readTianyiInfo(answer(200, R"({"res_code":0,"shareId":9,"needAccessCode":1})"), &needsCode),
              LinkState::Valid);
    EXPECT_TRUE(needsCode);
    const Case errors[] = {
        {400, R"J({"res_code":"ShareInfoNotFound","res_message":"没有找到分享信息(可能被取消分享了)"})J", LinkState::NotFound},
        {400, R"({"res_code":"ShareExpiredError","res_message":"分享已过期"})", LinkState::Expired},
        {400, R"({"res_code":"ShareAuditNotPass","res_message":"分享审核不通过"})", LinkState::Banned},
        {400, R"({"res_code":"ShareAuditWaiting","res_message":"分享审核中"})", LinkState::Unknown},
        {400, R"({"res_code":"FileNotFound","res_message":""})", LinkState::Cancelled},
        {400, R"({"res_code":"AccessDenyOfHighFrequency","res_message":"由于访问频率过高，拒绝访问"})", LinkState::Limited},
        // The Accept header lost on the way: the same answers in XML.
        {400, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><error><code>ShareExpiredError</code><message>分享已过期</message></error>",
         LinkState::Expired},
        {200, "<?xml version=\"1.0\"?><shareVO><shareId>12</shareId><fileName>a</fileName><needAccessCode>0</needAccessCode></shareVO>",
         LinkState::Valid},
    };
    for (const Case& c : errors) {
        EXPECT_STREQ(key(readTianyiInfo(answer(c.status, c.body), &needsCode)), key(c.expected)) << c.body;
    }
    for (const Case& c : NO_ANSWER_CASES) {
        EXPECT_STREQ(key(readTianyiInfo(answer(c.status, c.body), &needsCode)), key(c.expected)) << c.body;
    }
    EXPECT_EQ(readTianyiAccessCode(answer(200, R"({"res_code":0,"res_message":"成功","shareId":9})")), LinkState::Valid);
    EXPECT_EQ(readTianyiAccessCode(answer(400, R"({"res_code":"ErrorAccessCode","res_message":"分享访问码错误"})")),
              LinkState::WrongCode);
}

TEST(CheckAnswers, Pan123InfoAndList) {
    bool hasPwd = true;
    EXPECT_EQ(read123Info(answer(200, R"({"code":0,"message":"ok","data":{"HasPwd":false,"ShareId":1}})"), &hasPwd),
              LinkState::Valid);
    EXPECT_FALSE(hasPwd);
    EXPECT_EQ(read123Info(answer(200, R"({"code":0,"data":{"HasPwd":true}})"), &hasPwd), LinkState::Valid);
    EXPECT_TRUE(hasPwd);
    EXPECT_EQ(read123Info(answer(200, R"({"code":5103,"message":"此分享不存在","data":null})"), &hasPwd),
              LinkState::NotFound);
    EXPECT_EQ(read123Info(answer(200, R"({"code":5104,"message":"分享已过期"})"), &hasPwd), LinkState::Expired);
    // The firewall in front of it: no word about the share.
    EXPECT_EQ(read123Info(answer(403, "<html>403</html>"), &hasPwd), LinkState::Unknown);
    EXPECT_EQ(read123Info(answer(200, R"({"code":7301,"message":"?"})"), &hasPwd), LinkState::Unknown);
    EXPECT_EQ(read123List(answer(200, R"({"code":0,"data":{"InfoList":[]}})")), LinkState::Valid);
    EXPECT_EQ(read123List(answer(200, R"({"code":5103,"message":"提取码错误"})")), LinkState::WrongCode);
}

TEST(CheckAnswers, XunleiShareStatusAndCaptcha) {
    const Case cases[] = {
        {200, R"({"share_status":"OK","share_status_text":"","title":"a","files":[]})", LinkState::Valid},
        {200, R"({"share_status":"PASS_CODE_EMPTY","share_status_text":"请输入提取码"})", LinkState::NeedsCode},
        {200, R"({"share_status":"NOT_FOUND"})", LinkState::NotFound},
        {200, R"({"share_status":"EXPIRED"})", LinkState::Expired},
        {200, R"({"share_status":"DELETED"})", LinkState::Cancelled},
        {200, R"({"share_status":"SENSITIVE_RESOURCE"})", LinkState::Banned},
        {200, R"({"share_status":"PROHIBITED"})", LinkState::Banned},
        {400, R"({"error":"too_many_requests","error_code":10,"error_description":"操作频繁"})", LinkState::Limited},
        {400, R"({"error":"x","error_code":3})", LinkState::Unknown},
        {404, "not found", LinkState::Unknown},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(key(readXunleiShare(answer(c.status, c.body), false)), key(c.expected)) << c.body;
    }
    EXPECT_EQ(readXunleiShare(answer(200, R"({"share_status":"PASS_CODE_ERROR"})"), true), LinkState::WrongCode);
    bool refused = false;
    readXunleiShare(answer(400, R"({"error":"captcha_invalid","error_code":9,"error_description":"验证码无效"})"), false,
                    &refused);
    EXPECT_TRUE(refused);
    CaptchaReply reply = readCaptchaInit(answer(200, R"({"captcha_token":"ck0.abc","expires_in":300})"));
    EXPECT_EQ(reply.token, "ck0.abc");
    EXPECT_EQ(reply.expiresIn, 300);
    EXPECT_FALSE(reply.wall);
    EXPECT_TRUE(readCaptchaInit(answer(200, R"({"captcha_token":"ck0.x","url":"https://x/verify"})")).wall);
}

TEST(CheckAnswers, Pan139Reply) {
    EXPECT_EQ(read139Reply(gbkToUtf8(R"({"resultCode":"0","desc":"","data":{"caLst":[],"coLst":[{"coName":"a"}]}})"), false),
              LinkState::Valid);
    EXPECT_EQ(read139Reply(gbkToUtf8(R"({"resultCode":"9188","desc":"请输入提取码","data":null})"), false),
              LinkState::NeedsCode);
    EXPECT_EQ(read139Reply(gbkToUtf8(R"({"resultCode":"9188","desc":"提取码错误","data":null})"), true),
              LinkState::WrongCode);
    EXPECT_EQ(read139Reply(gbkToUtf8(R"({"resultCode":"200000727","desc":"外链不存在","data":null})"), false),
              LinkState::NotFound);
    EXPECT_EQ(read139Reply(gbkToUtf8(R"({"resultCode":"9","desc":"分享已过期","data":null})"), false), LinkState::Expired);
    EXPECT_EQ(read139Reply(gbkToUtf8(R"({"resultCode":"9","desc":"系统繁忙","data":null})"), false), LinkState::Unknown);
    EXPECT_EQ(read139Reply("no json", false), LinkState::Unknown);
}

TEST(CheckAnswers, LanzouPagesAndForms) {
    bool needsCode = false;
    LanzouForm form;
    const std::string filePage =
        "<html><div class=\"n_box\"><div id=\"passwddiv\"><input id=\"pwd\"></div></div><script>var skdklds = 'SIGNVAL';"
        "$.ajax({url:'/ajaxm.php?file=12345',data:{'action':'downprocess','sign':skdklds,'p':pwd,'kd':1}});"
        "</script>输入密码</html>";
    EXPECT_EQ(readLanzouPage(answer(200, filePage), &needsCode, &form), LinkState::Valid);
    EXPECT_TRUE(needsCode);
    EXPECT_FALSE(form.folder);
    EXPECT_EQ(form.action, "ajaxm.php?file=12345");
    EXPECT_NE(form.fields.find("sign=SIGNVAL"), std::string::npos) << form.fields;
    // An uploader's description that says 输入密码 is no password box.
    const std::string openPage = "<html><div class=\"d\">输入密码即可解压</div><iframe src=\"/fn?ABC\"></iframe></html>";
    EXPECT_EQ(readLanzouPage(answer(200, openPage), &needsCode, &form), LinkState::Valid);
    EXPECT_FALSE(needsCode);
    EXPECT_EQ(readLanzouPage(answer(200, "<div class=\"off\">来晚啦...文件取消分享了</div>"), &needsCode, &form),
              LinkState::Cancelled);
    EXPECT_EQ(readLanzouPage(answer(200, "<div>文件不存在，或已删除</div>"), &needsCode, &form), LinkState::NotFound);
    EXPECT_EQ(readLanzouPage(answer(200, "<script>var arg1='3F';acw_sc__v2(arg1)</script>"), &needsCode, &form),
              LinkState::Limited);
    EXPECT_EQ(readLanzouPage(answer(200, "<html>portal</html>"), &needsCode, &form), LinkState::Unknown);
    EXPECT_EQ(readLanzouCode(answer(200, R"({"zt":1,"dom":"https://d","url":"x","inf":"a.zip"})"), false), LinkState::Valid);
    EXPECT_EQ(readLanzouCode(answer(200, R"({"zt":0,"inf":"密码不正确"})"), false), LinkState::WrongCode);
    EXPECT_EQ(readLanzouCode(answer(200, R"({"zt":3,"info":"密码不正确","text":null})"), true), LinkState::WrongCode);
    EXPECT_EQ(readLanzouCode(answer(200, R"({"zt":2,"info":"没有了","text":null})"), true), LinkState::Valid);
}

}  // namespace
