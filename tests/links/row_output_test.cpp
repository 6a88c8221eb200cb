// Output rows: field order and nulls, quoting of csv, blanking of tsv, GBK texts as UTF-8, and
// jsonl read back.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "links/row_output.h"
#include "text/encoding.h"

namespace {

OutputRow row(int n, const char* service, const char* title, const char* url) {
    OutputRow r;
    r.n = n;
    r.service = service;
    r.title = title;
    r.url = url;
    return r;
}

OutputRow shareRow() {
    OutputRow r = row(7, "百度网盘", "教程 \"全集\", 第1部\r\n下篇", "https://pan.baidu.com/s/1AbCdEfG?pwd=g04j");
    r.share = readShareLink(r.url);
    return r;
}

OutputRow plainRow() { return row(8, "www.example.com", "无关页面", "https://www.example.com/a,b"); }

}  // namespace

TEST(RowOutput, FormatNames) {
    RowFormat f = RowFormat::Text;
    EXPECT_TRUE(rowFormatByName("jsonl", &f));
    EXPECT_EQ(f, RowFormat::Jsonl);
    EXPECT_TRUE(rowFormatByName("csv", &f));
    EXPECT_EQ(f, RowFormat::Csv);
    EXPECT_TRUE(rowFormatByName("tsv", &f));
    EXPECT_EQ(f, RowFormat::Tsv);
    EXPECT_TRUE(rowFormatByName("text", &f));
    EXPECT_EQ(f, RowFormat::Text);
    EXPECT_FALSE(rowFormatByName("json", &f));
    EXPECT_FALSE(rowFormatByName("CSV", &f));
    EXPECT_FALSE(rowFormatByName("", &f));
}

TEST(RowOutput, JsonlKeysInOrderNullsAndUtf8) {
    std::string line = formatRow(RowFormat::Jsonl, shareRow());
    ASSERT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\n'), line.size() - 1);  // one line, the title's line break escaped
    nlohmann::ordered_json j = nlohmann::ordered_json::parse(line);
    std::vector<std::string> keys;
    for (auto it = j.begin(); it != j.end(); ++it) keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"n", "service", "title", "url", "netdisk", "share", "code", "state"}));
    EXPECT_EQ(j["n"], 7);
    EXPECT_EQ(j["service"], "\xE7\x99\xBE\xE5\xBA\xA6\xE7\xBD\x91\xE7\x9B\x98");  // 百度网盘 in UTF-8
    EXPECT_EQ(j["title"].get<std::string>(), gbkToUtf8(shareRow().title));
    EXPECT_EQ(j["netdisk"], "baidu");
    EXPECT_EQ(j["share"], "AbCdEfG");
    EXPECT_EQ(j["code"], "g04j");
    EXPECT_TRUE(j["state"].is_null());

    // No share: netdisk, share and code null; a share without a code: code null only.
    nlohmann::json p = nlohmann::json::parse(formatRow(RowFormat::Jsonl, plainRow()));
    EXPECT_TRUE(p["netdisk"].is_null() && p["share"].is_null() && p["code"].is_null());
    OutputRow noCode = shareRow();
    noCode.share->code.clear();
    noCode.state = LinkState::NeedsCode;
    nlohmann::json c = nlohmann::json::parse(formatRow(RowFormat::Jsonl, noCode));
    EXPECT_EQ(c["share"], "AbCdEfG");
    EXPECT_TRUE(c["code"].is_null());
    EXPECT_EQ(c["state"], "needs_code");
}

TEST(RowOutput, JsonlReadsBack) {
    OutputRow row = shareRow();
    row.state = LinkState::Expired;
    std::optional<OutputRow> back = rowFromJsonLine(formatRow(RowFormat::Jsonl, row));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->n, 7);
    EXPECT_EQ(back->service, row.service);
    EXPECT_EQ(back->title, row.title);
    EXPECT_EQ(back->url, row.url);
    ASSERT_TRUE(back->share.has_value());
    EXPECT_EQ(back->share->netdisk, Netdisk::Baidu);
    EXPECT_EQ(back->share->share, "AbCdEfG");
    EXPECT_EQ(back->share->code, "g04j");
    EXPECT_EQ(back->state, LinkState::Expired);

    std::optional<OutputRow> plain = rowFromJsonLine(formatRow(RowFormat::Jsonl, plainRow()));
    ASSERT_TRUE(plain.has_value());
    EXPECT_FALSE(plain->share.has_value());
    EXPECT_EQ(plain->state, LinkState::Unchecked);
    // Not a row: broken JSON, another type, no url.
    for (const char* bad : {"", "{", "[1,2]", "\"text\"", "{\"n\":1}", "{\"url\":5}", "nul"})
        EXPECT_FALSE(rowFromJsonLine(bad).has_value()) << bad;
    // A hand-written line with only the url, and an unknown netdisk key.
    std::optional<OutputRow> hand = rowFromJsonLine("{\"url\":\"https://pan.quark.cn/s/abcd1234\",\"netdisk\":\"dropbox\",\"share\":\"x\"}");
    ASSERT_TRUE(hand.has_value());
    EXPECT_FALSE(hand->share.has_value());
}

TEST(RowOutput, CsvQuotingHeaderAndBom) {
    std::string header = rowsHeader(RowFormat::Csv);
    EXPECT_EQ(header, "\xEF\xBB\xBFn,service,title,url,netdisk,share,code,state\r\n");
    std::string line = formatRow(RowFormat::Csv, shareRow());
    // The title holds a quote, a comma and a line break: quoted, the quote doubled, the break kept.
    std::string title = gbkToUtf8("\"教程 \"\"全集\"\", 第1部\r\n下篇\"");
    EXPECT_EQ(line, "7," + gbkToUtf8("百度网盘") + "," + title + ",https://pan.baidu.com/s/1AbCdEfG?pwd=g04j,baidu,AbCdEfG,g04j,\r\n");
    // Nulls are empty fields; a comma in the address is quoted.
    EXPECT_EQ(formatRow(RowFormat::Csv, plainRow()),
              "8,www.example.com," + gbkToUtf8("无关页面") + ",\"https://www.example.com/a,b\",,,,\r\n");
}

TEST(RowOutput, TsvBlanksControlCharacters) {
    EXPECT_EQ(rowsHeader(RowFormat::Tsv), "n\tservice\ttitle\turl\tnetdisk\tshare\tcode\tstate\n");
    OutputRow row = shareRow();
    row.title = "a\tb\nc\x01";
    row.state = LinkState::Valid;
    EXPECT_EQ(formatRow(RowFormat::Tsv, row),
              "7\t" + gbkToUtf8("百度网盘") + "\ta b c \thttps://pan.baidu.com/s/1AbCdEfG?pwd=g04j\tbaidu\tAbCdEfG\tg04j\tvalid\n");
    EXPECT_EQ(rowsHeader(RowFormat::Jsonl), "");
    EXPECT_EQ(rowsHeader(RowFormat::Text), "");
}

TEST(RowOutput, TextIsOneGbkLine) {
    std::string line = formatRow(RowFormat::Text, shareRow());
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    EXPECT_NE(line.find("百度网盘"), std::string::npos);  // GBK, as the command's other texts
    EXPECT_NE(line.find("提取码: g04j"), std::string::npos);
    EXPECT_EQ(line.find("提取码", line.find("提取码: g04j") + 1), std::string::npos);
}

TEST(LinkStates, KeysCaptionsAndDeadStates) {
    const LinkState all[] = {LinkState::Valid,    LinkState::NeedsCode, LinkState::WrongCode, LinkState::Expired,
                             LinkState::Cancelled, LinkState::Banned,   LinkState::NotFound,  LinkState::Limited,
                             LinkState::Unknown};
    for (LinkState s : all) {
        EXPECT_EQ(linkStateByKey(linkStateKey(s)), s) << linkStateKey(s);
        EXPECT_STRNE(linkStateCaption(s), "");
    }
    EXPECT_STREQ(linkStateKey(LinkState::Unchecked), "");
    EXPECT_EQ(linkStateByKey("gone"), LinkState::Unchecked);
    int dead = 0;
    for (LinkState s : all) dead += isDeadState(s);
    EXPECT_EQ(dead, 4);
    EXPECT_FALSE(isDeadState(LinkState::NeedsCode));
    EXPECT_FALSE(isDeadState(LinkState::Limited));
    EXPECT_FALSE(isDeadState(LinkState::Unknown));
}
