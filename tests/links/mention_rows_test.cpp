// The rows of a mentions search's result page, with a finder that stands in for the share reader
// and the page fetcher: each result's own shares first, the pages behind only for results that
// show none, within the budget, in result order, and their failures kept as notes.
#include <gtest/gtest.h>

#include <map>

#include "search/mentions.h"
#include "search/profile.h"
#include "search/worker.h"

namespace {

// Shares are written "share:NAME:CODE" in a text; a page's shares are set per address.
class FakeFinder : public ShareFinder {
public:
    std::vector<MentionedShare> inText(std::string_view, std::string_view text) override {
        std::vector<MentionedShare> found;
        for (size_t at = text.find("share:"); at != std::string_view::npos; at = text.find("share:", at + 6)) {
            size_t colon = text.find(':', at + 6);
            size_t end = text.find_first_of(" \n", at);
            std::string_view name = text.substr(at + 6, colon - at - 6);
            std::string_view code = text.substr(colon + 1, end == std::string_view::npos ? end : end - colon - 1);
            found.push_back({"https://pan.quark.cn/s/" + std::string(name), std::string(code), ""});
        }
        return found;
    }
    bool isNetdiskAddress(std::string_view address) override { return address.find("pan.quark.cn") != std::string_view::npos; }
    std::vector<MentionPage> inPages(std::string_view, const std::vector<std::string>& urls, RequestCanceller*) override {
        asked.insert(asked.end(), urls.begin(), urls.end());
        std::vector<MentionPage> pages;
        for (const std::string& url : urls) pages.push_back(pageAt.count(url) ? pageAt[url] : MentionPage{});
        return pages;
    }
    std::map<std::string, MentionPage> pageAt;
    std::vector<std::string> asked;
};

Hit hit(const std::string& title, const std::string& address, const std::string& snippet) {
    Hit h;
    h.title = title;
    h.address = address;
    h.snippet = snippet;
    h.service = "夸克网盘";
    return h;
}

class MentionRows : public ::testing::Test {
protected:
    void SetUp() override {
        setShareFinder(&finder);
        setSearchMode(SearchMode::Mentions);
    }
    void TearDown() override {
        setShareFinder(nullptr);
        setSearchMode(SearchMode::Site);
        setMentionDepth(1);
    }
    FakeFinder finder;
};

}  // namespace

TEST_F(MentionRows, OwnSharesFirstThenThePagesBehindInResultOrder) {
    finder.pageAt["https://bbs.example/2"] = {{{"https://pan.quark.cn/s/p1", "c1", "合集.epub"}, {"https://pan.quark.cn/s/p2", "", ""}}, ""};
    finder.pageAt["https://bbs.example/4"] = {{}, "cut at 2 MB"};
    std::vector<Hit> hits = {
        hit("一", "https://bbs.example/1", "链接 share:a:ab12 提取码"),
        hit("二", "https://bbs.example/2", "pan.quark.cn 上的资源"),  // a bare host is no link
        hit("三", "https://pan.quark.cn/s/zz", ""),                  // a netdisk's own page is never read
        hit("四", "https://bbs.example/4", "没有链接"),
        hit("二again", "https://bbs.example/2", "同一帖"),           // asked once
        hit("五", "ftp://old.example/5", ""),                          // no web page
    };
    int budget = 20;
    std::vector<std::string> notes;
    std::vector<Hit> rows = mentionRows(hits, "pan.quark.cn", budget, nullptr, notes);
    EXPECT_EQ(finder.asked, (std::vector<std::string>{"https://bbs.example/2", "https://bbs.example/4"}));
    EXPECT_EQ(budget, 18);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].address, "https://pan.quark.cn/s/a");
    EXPECT_EQ(rows[0].code, "ab12");
    EXPECT_EQ(rows[0].title, "一");
    EXPECT_EQ(rows[0].snippet, hits[0].snippet) << "a row found in the result keeps its snippet";
    EXPECT_EQ(rows[1].title, "合集.epub") << "the link's own text names the file";
    EXPECT_EQ(rows[1].code, "c1");
    EXPECT_EQ(rows[1].snippet, "") << "no code of the result's snippet is taken for a page's row";
    EXPECT_EQ(rows[2].title, "二");
    EXPECT_EQ(rows[2].code, "");
    for (const Hit& row : rows) EXPECT_EQ(row.service, "夸克网盘");
    EXPECT_EQ(notes, std::vector<std::string>{"https://bbs.example/4: cut at 2 MB"});
}

TEST_F(MentionRows, TheBudgetAndDepthBoundThePagesRead) {
    std::vector<Hit> hits;
    for (int i = 0; i < 30; ++i) hits.push_back(hit("t", "https://bbs.example/" + std::to_string(i), ""));
    int budget = mentionPageBudget(2);
    EXPECT_EQ(budget, 10) << "a service searched on two hosts shares its twenty";
    std::vector<std::string> notes;
    mentionRows(hits, "pan.quark.cn", budget, nullptr, notes);
    EXPECT_EQ(finder.asked.size(), 10u);
    EXPECT_EQ(finder.asked.back(), "https://bbs.example/9");
    EXPECT_EQ(budget, 0);
    mentionRows(hits, "pan.quark.cn", budget, nullptr, notes);
    EXPECT_EQ(finder.asked.size(), 10u) << "a later result page of the service reads no more";

    setMentionDepth(0);
    int fresh = 20;
    mentionRows(hits, "pan.quark.cn", fresh, nullptr, notes);
    EXPECT_EQ(finder.asked.size(), 10u);
    EXPECT_EQ(fresh, 20);
}

TEST_F(MentionRows, OptionsAndQueries) {
    EXPECT_EQ(applyModeOptions({"--mode=MENTIONS", "--depth=0"}), "");
    EXPECT_EQ(searchMode(), SearchMode::Mentions);
    EXPECT_EQ(mentionDepth(), 0);
    EXPECT_NE(applyModeOptions({"--mode=everywhere"}), "");
    EXPECT_NE(applyModeOptions({"--depth=2"}), "");
    EngineProfile profile = *builtinProfile("bing");
    EXPECT_EQ(mentionsQuery(profile, "pan.quark.cn", "电子书"), "电子书 pan.quark.cn");
    profile.mentions = "\"{site}\" {keyword} 提取码";
    EXPECT_EQ(mentionsQuery(profile, "pan.quark.cn", "电子书"), "\"pan.quark.cn\" 电子书 提取码");
    // Asked as the profile asks: its own path and key, with the mentions query in place of site:.
    std::string url = mentionsUrl(*builtinProfile("bing"), "pan.quark.cn", "kw", 1);
    EXPECT_NE(url.find("kw%20pan.quark.cn"), std::string::npos) << url;
    EXPECT_EQ(url.find("site"), std::string::npos) << url;
    std::string classic = mentionsUrl(*builtinProfile("classic"), "pan.quark.cn", "kw", 50);
    EXPECT_NE(classic.find("/s?wd=kw%20pan.quark.cn&pn=50"), std::string::npos) << classic;
}
