// The results the simulator serves for the hosts of today's netdisks: share links in the forms
// people post them (the code in the address, in the title, in the snippet, glued to the link,
// percent-encoded; archive passwords that are no code), with the same share again on a later
// page and on the other host of a service. Every layout writes the snippets its own way.
#include <string>
#include <utility>
#include <vector>

#include "tools/engine_sim/engine_sim.h"

namespace {

// Padding so that a repeat falls on the second page of every layout (ten results a page).
std::vector<SimHit> withPadding(std::vector<SimHit> first, const std::string& host, std::vector<SimHit> later) {
    for (int i = int(first.size()); i < 10; ++i) {
        first.push_back({"https://" + host + "/help/page" + std::to_string(i) + ".html", "帮助中心 " + std::to_string(i),
                         "常见问题第" + std::to_string(i) + "条"});
    }
    first.insert(first.end(), later.begin(), later.end());
    return first;
}

}  // namespace

std::vector<std::pair<std::string, std::vector<SimHit>>> simTodayCorpus() {
    std::vector<std::pair<std::string, std::vector<SimHit>>> corpus;
    corpus.push_back(
        {"pan.baidu.com",
         withPadding(
             {
                 {"https://pan.baidu.com/s/1AbCdEfGhIjKlMnOpQrStUv", "<em>资料</em>合集 百度网盘",
                  "链接: https://pan.baidu.com/s/1AbCdEfGhIjKlMnOpQrStUv 复制这段内容后打开百度网盘手机App"},
                 {"https://pan.baidu.com/s/1Xy9Zz8Ww7Vv6Uu5Tt4Ss3R?pwd=k3m9", "电子书 <em>资料</em>",
                  "链接: https://pan.baidu.com/s/1Xy9Zz8Ww7Vv6Uu5Tt4Ss3R?pwd=k3m9 提取码: k3m9"},
                 {"https://pan.baidu.com/share/init?surl=Qq1Ww2Ee3Rr4Tt5Yy6Uu7I&amp;pwd=p0o9", "课程 <em>资料</em>", "分享的文件"},
                 {"https://pan.baidu.com/s/1Mm2Nn3Bb4Vv5Cc6Xx7Zz8L", "<em>资料</em> 提取码：w8e7", "来自百度网盘超级会员的分享"},
                 // An archive password is no share code.
                 {"https://pan.baidu.com/s/1DecoyDecoyDecoyDecoy01", "<em>资料</em> 压缩包", "解压密码：1234 请勿外传"},
             },
             "pan.baidu.com",
             {
                 // The first share again, now with its code beside it.
                 {"https://pan.baidu.com/s/1AbCdEfGhIjKlMnOpQrStUv", "<em>资料</em>合集（重发）",
                  "链接：https://pan.baidu.com/s/1AbCdEfGhIjKlMnOpQrStUv 提取码：ab12 --来自百度网盘超级会员V5的分享"},
             })});
    corpus.push_back({"alipan.com",
                      {
                          {"https://www.alipan.com/s/Qw3rTy7uI9o", "剧集 <em>资料</em>",
                           "我用阿里云盘分享了「剧集」，你可以不限速下载 提取码: ni5u"},
                          {"https://www.alipan.com/s/Hj8Kl2Mn4Pq/folder/63f1a2b3c4d5e6f7a8b9c0d1", "<em>资料</em> 文件夹",
                           "无需提取码"},
                      }});
    corpus.push_back({"aliyundrive.com",
                      {
                          // The same share under the old name of the host.
                          {"https://www.aliyundrive.com/s/Qw3rTy7uI9o", "剧集 <em>资料</em>（旧链接）", "阿里云盘分享"},
                          {"https://www.aliyundrive.com/s/Zx5Cv7Bn9Mq", "纪录片 <em>资料</em>", "解压码：7777"},
                      }});
    corpus.push_back({"pan.quark.cn",
                      {
                          {"https://pan.quark.cn/s/39749e1fb630?pwd=QTjz", "夸克 <em>资料</em>",
                           "我用夸克网盘给你分享了「资料」，点击链接或复制整段内容，打开「夸克APP」即可获取。"},
                          {"https://pan.quark.cn/s/3cb6e17e5d16#/list/share/0123456789abcdef0123456789abcdef-资料",
                           "<em>资料</em> 子文件夹", "/~48643YH9Ev~:/ 链接：https://pan.quark.cn/s/3cb6e17e5d16 提取码：a1B2"},
                      }});
    corpus.push_back({"drive.uc.cn",
                      {
                          {"https://drive.uc.cn/s/ab7dabef14d54?public=1", "UC <em>资料</em>", "提取码：9kq2"},
                      }});
    corpus.push_back({"115.com",
                      {
                          {"https://115.com/s/swff16b3ngy?password=x7k2#", "115 <em>资料</em>", "访问码：x7k2"},
                          {"https://115.com/s/sw3abcd9xyz#", "<em>资料</em> 合集", "访问码：r5t6"},
                      }});
    corpus.push_back({"115cdn.com",
                      {
                          // The first 115 share on the other host, its code in the fragment.
                          {"https://115cdn.com/s/swff16b3ngy#&amp;password=x7k2", "115 <em>资料</em>（镜像）", "115网盘分享"},
                          {"https://anxia.com/s/swq8r7t6y5u?password=m3n4", "<em>资料</em> anxia", "115 分享"},
                      }});
    corpus.push_back({"cloud.189.cn",
                      {
                          // The access code glued to the link, and percent-encoded inside the address.
                          {"https://cloud.189.cn/t/IB3ieymQJ7re", "天翼 <em>资料</em>",
                           "https://cloud.189.cn/t/IB3ieymQJ7re（访问码：uf34）"},
                          {"https://cloud.189.cn/t/"
                           "QzYbMb2eUvim%EF%BC%88%E8%AE%BF%E9%97%AE%E7%A0%81%EF%BC%9Ah8j9%EF%BC%89",
                           "<em>资料</em> 天翼云盘", "分享"},
                          {"https://cloud.189.cn/web/share?code=AbCdEf123456", "<em>资料</em> 网页版", "访问码: (fc9b)"},
                      }});
    corpus.push_back({"123pan.com",
                      {
                          {"https://www.123pan.com/s/2785Vv-T4Ded?提取码:JZMM", "123 <em>资料</em>", "123云盘分享"},
                          {"https://www.123pan.com/s/oec7Vv-OXIWh?%E6%8F%90%E5%8F%96%E7%A0%81:ZY4K", "<em>资料</em> 123",
                           "分享"},
                      }});
    corpus.push_back({"123684.com",
                      {
                          // The first 123 share on a mirror, without its code.
                          {"https://www.123684.com/s/2785Vv-T4Ded", "123 <em>资料</em>（镜像）", "123云盘"},
                          {"https://www.123865.com/s/iaKtVv-Q9pWh", "<em>资料</em> 镜像", "提取码:8Kd2"},
                      }});
    corpus.push_back({"pan.xunlei.com",
                      {
                          {"https://pan.xunlei.com/s/VNcaO1Qv87aZxffZLThnARHkA1?pwd=six2#", "迅雷 <em>资料</em>",
                           "链接：https://pan.xunlei.com/s/VNcaO1Qv87aZxffZLThnARHkA1?pwd=six2# 复制这段内容后打开手机迅雷App"},
                      }});
    corpus.push_back({"yun.139.com",
                      {
                          {"https://yun.139.com/shareweb/#/w/i/2qidERSvNGKk4", "移动云盘 <em>资料</em>", "提取码：ipdd"},
                      }});
    corpus.push_back({"caiyun.139.com",
                      {
                          // The same share in another form on the other host.
                          {"https://caiyun.139.com/m/i?2qidERSvNGKk4", "<em>资料</em> 和彩云", "和彩云分享"},
                      }});
    corpus.push_back({"lanzoux.com",
                      {
                          {"https://wwmi.lanzoux.com/i2OPJ2i3lsle", "蓝奏 <em>资料</em>", "文件大小：12M 密码:8xy"},
                          {"https://www.lanzoux.com/b0abcdefg", "<em>资料</em> 合集 密码：ab12cd", "蓝奏云文件夹"},
                      }});
    corpus.push_back({"lanzouo.com",
                      {
                          {"https://wwa.lanzouo.com/iQw3Er5Ty7u", "<em>资料</em> 压缩包", "解压密码：9999 下载即可"},
                      }});
    corpus.push_back({"lanzout.com",
                      {
                          // The first 蓝奏云 share on another of its hosts.
                          {"https://www.lanzout.com/i2OPJ2i3lsle", "蓝奏 <em>资料</em>（新域名）", "蓝奏云"},
                      }});
    corpus.push_back({"mypikpak.com",
                      {
                          {"https://mypikpak.com/s/VOLPPwXhmHBnHMY7hW6oGHjMo1", "PikPak <em>资料</em>", "Share code: 7h3k"},
                      }});
    return corpus;
}

void simServeToday(EngineSim& sim) {
    for (auto& [site, hits] : simTodayCorpus()) sim.setCorpus(site, std::move(hits));
}
