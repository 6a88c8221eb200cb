// quorrel.ini's text: what a user's hand-edited or broken file reads as, what the program writes
// back, and how the options of one run are laid over it.
#include <gtest/gtest.h>

#include "app/app_settings.h"
#include "app/export_format.h"

namespace {

TEST(AppSettingsText, WrittenSettingsReadBackTheSame) {
    AppSettings chosen;
    chosen.netdisks = NETDISKS_TODAY;
    chosen.profile = "我的方式";
    chosen.profileFile = "D:\\工具\\profiles.ini";
    chosen.unique = true;
    chosen.checkLinks = false;
    chosen.mode = MODE_MENTIONS;
    EXPECT_EQ(parseAppSettings(formatAppSettings(chosen)), chosen);
    // The defaults survive a round trip too, the unset check-links choice included: it must go
    // on following the service list, not freeze at what it was when saved.
    AppSettings defaults;
    AppSettings back = parseAppSettings(formatAppSettings(defaults));
    EXPECT_EQ(back, defaults);
    EXPECT_FALSE(back.checkLinks.has_value());
    back.netdisks = NETDISKS_TODAY;
    EXPECT_TRUE(back.checksLinks());
}

TEST(AppSettingsText, BrokenFilesMeanTheDefaults) {
    const AppSettings defaults;
    const std::string broken[] = {
        "",
        std::string("\0\0\0\0", 4),
        "\xFF\xFE",
        "netdisks",                    // no value
        "=today",                      // no key
        "netdisks=tomorrow\r\nunique=maybe\r\nmode=everywhere\r\ncheck-links=2",
        "profile=[x]\r\nprofile=a\x01z",  // no profile name
        std::string(100000, '='),
        "\x81\x82\x83=\x84\x85",       // cut GBK
    };
    for (const std::string& text : broken) {
        EXPECT_EQ(parseAppSettings(text), defaults) << text.substr(0, 40);
    }
}

TEST(AppSettingsText, HandEditedFilesAreReadLeniently) {
    // Notepad's UTF-8 with its byte-order mark, LF lines, blanks, comments, keys in capitals,
    // another section header and an unknown key on the way.
    std::string text =
        "\xEF\xBB\xBF; mine\n[quorrel]\n  NetDisks = Today \n# unique=0\nUnique=YES\n[other]\ncolour=blue\n"
        "profile = \xE5\xBF\xAB\n";  // 快 in UTF-8
    AppSettings settings = parseAppSettings(text);
    EXPECT_EQ(settings.netdisks, NETDISKS_TODAY);
    EXPECT_TRUE(settings.unique);
    EXPECT_EQ(settings.profile, "快");  // GBK inside
    // One bad value spoils only its own key.
    settings = parseAppSettings("netdisks=today\r\nunique=sometimes\r\ncheck-links=off\r\n");
    EXPECT_EQ(settings.netdisks, NETDISKS_TODAY);
    EXPECT_FALSE(settings.unique);
    EXPECT_EQ(settings.checkLinks, std::optional<bool>(false));
    EXPECT_FALSE(settings.checksLinks());
    // The last of a repeated key counts, as a user appending a line expects.
    EXPECT_EQ(parseAppSettings("netdisks=today\nnetdisks=classic\n").netdisks, NETDISKS_CLASSIC);
}

TEST(AppSettingsText, CheckLinksFollowsTheListUntilChosen) {
    AppSettings settings;
    EXPECT_FALSE(settings.checksLinks());
    settings.netdisks = NETDISKS_TODAY;
    EXPECT_TRUE(settings.checksLinks());
    settings.checkLinks = false;
    EXPECT_FALSE(settings.checksLinks());
    settings.netdisks = NETDISKS_CLASSIC;
    settings.checkLinks = true;
    EXPECT_TRUE(settings.checksLinks());
}

TEST(AppSettingsCommandLine, OptionsWinForTheRunOnly) {
    AppSettings saved;
    saved.netdisks = NETDISKS_TODAY;
    saved.profile = "bing";
    saved.unique = false;
    AppSettings run = withCommandLine(saved, {"--netdisks=classic", "--unique", "--no-check", "--mode=mentions",
                                              "--engine=127.0.0.1:80", "--profile=sogou"});
    EXPECT_EQ(run.netdisks, NETDISKS_CLASSIC);
    EXPECT_TRUE(run.unique);
    EXPECT_EQ(run.checkLinks, std::optional<bool>(false));
    EXPECT_EQ(run.mode, MODE_MENTIONS);
    EXPECT_EQ(run.profile, "sogou");
    // Bad values are the option readers' to report; the saved choice stands.
    run = withCommandLine(saved, {"--netdisks=all", "--mode=", "--netdisks"});
    EXPECT_EQ(run, saved);
    // Near-miss spellings are other options, not these.
    run = withCommandLine(saved, {"--uniques", "--netdisks-x=classic", "-unique"});
    EXPECT_EQ(run, saved);
}

TEST(AppSettingsCommandLine, ProfileFileWithoutANameDropsTheSavedName) {
    AppSettings saved;
    saved.profile = "mine";
    saved.profileFile = "a.ini";
    AppSettings run = withCommandLine(saved, {"--profile-file=b.ini"});
    EXPECT_EQ(run.profileFile, "b.ini");
    EXPECT_EQ(run.profile, "");
    EXPECT_EQ(profileArguments(run), (std::vector<std::string>{"--profile-file=b.ini"}));
    run = withCommandLine(saved, {"--profile=bing"});
    EXPECT_EQ(profileArguments(run), (std::vector<std::string>{"--profile-file=a.ini", "--profile=bing"}));
    EXPECT_TRUE(profileArguments(AppSettings{}).empty());
}

}  // namespace

namespace {

TEST(ExportWithShares, CodeAndStateFollowTheAddressOnlyWhenKnown) {
    std::vector<ResultRow> results = {
        {"资料", "https://pan.quark.cn/s/abc", "x1Y2", "有效"},
        {"无码", "https://pan.baidu.com/s/1q", "", "需提取码"},
        {"未查", "https://www.alipan.com/s/AbC", "k9k9", ""},
        {"网页", "http://a/2", "", ""},
    };
    EXPECT_EQ(exportText(results, {{"f", "http://f/", "ab12", ""}}),
              "资料      https://pan.quark.cn/s/abc      提取码: x1Y2      状态: 有效\r\n\r\n"
              "无码      https://pan.baidu.com/s/1q      状态: 需提取码\r\n\r\n"
              "未查      https://www.alipan.com/s/AbC      提取码: k9k9\r\n\r\n"
              "网页      http://a/2\r\n\r\n"
              "筛选后：\r\n\r\n"
              "f      http://f/      提取码: ab12\r\n\r\n");
}

}  // namespace
