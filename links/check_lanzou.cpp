// 蓝奏云: the share page itself, then, for a share behind a password, the page's own form
// (ajaxm.php for a file, filemoreajax.php for a folder) with the code. The page's box is found
// by its element id, never by the words "输入密码", which an uploader's description may hold.
#include <cctype>

#include "http/url.h"
#include "links/check_answers.h"
#include "links/check_json.h"
#include "links/check_netdisks.h"
#include "text/encoding.h"
#include "text/text.h"

namespace {

const MessageRule LANZOU_PAGE_RULES[] = {
    {"取消分享", LinkState::Cancelled},
    {"文件不存在", LinkState::NotFound},
    {"链接失效", LinkState::NotFound},
};

bool isWordChar(char c) {
    return std::isalnum((unsigned char)c) || c == '_' || c == '$';
}

// A JavaScript literal or variable after `'key':` in the page: a quoted text, a number, or a
// variable whose `var NAME = ...;` stands in the page. "" when not found.
std::string jsValue(const std::string& page, const std::string& key) {
    for (const std::string& form : {"'" + key + "':", "\"" + key + "\":"}) {
        size_t at = page.find(form);
        if (at == std::string::npos) continue;
        at += form.size();
        while (at < page.size() && page[at] == ' ') ++at;
        if (at >= page.size()) return {};
        if (page[at] == '\'' || page[at] == '"') {
            size_t end = page.find(page[at], at + 1);
            return end == std::string::npos ? std::string() : page.substr(at + 1, end - at - 1);
        }
        size_t end = at;
        while (end < page.size() && isWordChar(page[end])) ++end;
        std::string word = page.substr(at, end - at);
        if (word.empty() || std::isdigit((unsigned char)word[0])) return word;
        for (const std::string& decl : {"var " + word + " = ", "var " + word + "=", "let " + word + " = "}) {
            size_t v = page.find(decl);
            if (v == std::string::npos) continue;
            v += decl.size();
            if (v < page.size() && (page[v] == '\'' || page[v] == '"')) {
                size_t e = page.find(page[v], v + 1);
                if (e != std::string::npos) return page.substr(v + 1, e - v - 1);
            }
            size_t e = v;
            while (e < page.size() && isWordChar(page[e])) ++e;
            return page.substr(v, e - v);
        }
        return {};
    }
    return {};
}

}  // namespace

LinkState readLanzouPage(const CheckAnswer& answer, bool* needsCode, LanzouForm* form) {
    if (!answer.arrived || answer.status != 200) return unreadableAnswer(answer);
    const std::string& page = answer.body;
    if (page.find("acw_sc__v2") != std::string::npos) return LinkState::Limited;
    const std::string text = utf8ToGbk(page);
    if (auto state = stateFromMessage(text, LANZOU_PAGE_RULES)) return *state;
    const bool box = page.find("id=\"pwdload\"") != std::string::npos ||
                     page.find("id=\"passwddiv\"") != std::string::npos;
    LanzouForm found;
    size_t file = page.find("ajaxm.php?file=");
    if (page.find("filemoreajax.php") != std::string::npos) {
        found.folder = true;
        found.action = "filemoreajax.php";
        found.fields = "lx=" + jsValue(page, "lx") + "&fid=" + jsValue(page, "fid") + "&uid=" + jsValue(page, "uid") +
                       "&pg=1&rep=0&t=" + queryEscape(jsValue(page, "t")) + "&k=" + queryEscape(jsValue(page, "k")) +
                       "&up=1&ls=1";
    } else if (file != std::string::npos) {
        size_t end = file + 15;
        while (end < page.size() && std::isdigit((unsigned char)page[end])) ++end;
        found.action = page.substr(file, end - file);
        found.fields = "action=downprocess&sign=" + queryEscape(jsValue(page, "sign")) + "&kd=1";
    }
    // A share page carries its download frame or its list's form; anything else is some
    // other page (a portal, a notice) and tells nothing.
    if (found.action.empty() && page.find("/fn?") == std::string::npos) return LinkState::Unknown;
    if (needsCode) *needsCode = box;
    if (form) *form = found;
    return LinkState::Valid;
}

LinkState readLanzouCode(const CheckAnswer& answer, bool folder) {
    const nlohmann::json body = answerBody(answer);
    if (!body.is_object()) return unreadableAnswer(answer);
    const long long zt = fieldNumber(body, "zt", -1);
    std::string message = fieldText(body, folder ? "info" : "inf");
    if (findText(message, "密码不正确") > 0 || findText(message, "密码错误") > 0) return LinkState::WrongCode;
    if (looksRateLimited(message)) return LinkState::Limited;
    if (folder) {
        if (zt == 1 || zt == 2) return LinkState::Valid;
        if (zt == 3) return LinkState::WrongCode;
    } else if (zt == 1) {
        return LinkState::Valid;
    }
    if (auto state = stateFromMessage(message, LANZOU_PAGE_RULES)) return *state;
    return LinkState::Unknown;
}

CheckOutcome checkLanzou(const ShareLink& link, CheckContext& context) {
    std::string url = link.url;
    if (url.compare(0, 7, "http://") != 0 && url.compare(0, 8, "https://") != 0) url = "https://" + url;
    CheckRequest page;
    page.url = url;
    page.headers = std::string("User-Agent: ") + BROWSER_AGENT + "\r\nAccept: text/html,*/*\r\n";
    bool needsCode = false;
    LanzouForm form;
    LinkState state = readLanzouPage(context.fetch(page), &needsCode, &form);
    if (state != LinkState::Valid || !needsCode) return outcome(state, link.code, "share page");
    if (link.code.empty()) return outcome(LinkState::NeedsCode, link.code, "share page");
    if (form.action.empty()) return outcome(LinkState::Unknown, link.code, "no code form on the page");
    CheckRequest post;
    post.url = "https://" + urlHost(url) + "/" + form.action;
    post.post = true;
    post.body = form.fields + (form.folder ? "&pwd=" : "&p=") + queryEscape(link.code);
    post.headers = std::string("User-Agent: ") + BROWSER_AGENT +
                   "\r\nContent-Type: application/x-www-form-urlencoded\r\nX-Requested-With: XMLHttpRequest\r\n"
                   "Referer: " + url + "\r\n";
    return outcome(readLanzouCode(context.fetch(post), form.folder), link.code, form.action);
}
