// quorrel-cli search over today's netdisks as a process, against the simulator's planted shares:
// every share with its netdisk, id and code (none for archive passwords) in jsonl, repeats
// folded by --unique, csv a spreadsheet opens, failures naming the service and its host.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "links/share_link.h"
#include "text/encoding.h"
#include "text/text.h"
#include "tests/http/child_output.h"
#include "tools/engine_sim/engine_sim.h"

namespace {

using Json = nlohmann::json;

ChildResult runCli(const std::string& arguments) {
    return runProgram(besideTestProgram("../../tools/cli/quorrel-cli.exe"), gbkToWide(arguments), 120000);
}

// One planted share: netdisk key, share id and the code it must carry (UTF-8; "" for none).
// Its row names the service of that netdisk: the caption the share links' own table gives it.
struct Planted {
    std::string netdisk, share, code;
    bool bareRepeat = false;  // it comes again without its code (a mirror, another page)
};
// Written out here, apart from the simulator's corpus, as a reader of the posts would read them.
const std::vector<Planted> PLANTED = {
    {"baidu", "AbCdEfGhIjKlMnOpQrStUv", "ab12", true},  // code only in a repeat on page 2
    {"baidu", "Xy9Zz8Ww7Vv6Uu5Tt4Ss3R", "k3m9"},
    {"baidu", "Qq1Ww2Ee3Rr4Tt5Yy6Uu7I", "p0o9"},
    {"baidu", "Mm2Nn3Bb4Vv5Cc6Xx7Zz8L", "w8e7"},
    {"baidu", "DecoyDecoyDecoyDecoy01", ""},  // 解压密码 only
    {"aliyun", "Qw3rTy7uI9o", "ni5u", true},
    {"aliyun", "Hj8Kl2Mn4Pq", ""},
    {"aliyun", "Zx5Cv7Bn9Mq", ""},  // 解压码 only
    {"quark", "39749e1fb630", "QTjz"},
    {"quark", "3cb6e17e5d16", "a1B2"},
    {"uc", "ab7dabef14d54", "9kq2"},
    {"115", "swff16b3ngy", "x7k2"},
    {"115", "sw3abcd9xyz", "r5t6"},
    {"115", "swq8r7t6y5u", "m3n4"},
    {"tianyi", "IB3ieymQJ7re", "uf34"},
    {"tianyi", "QzYbMb2eUvim", "h8j9"},
    {"tianyi", "AbCdEf123456", "fc9b"},
    {"123pan", "2785Vv-T4Ded", "JZMM", true},
    {"123pan", "oec7Vv-OXIWh", "ZY4K"},
    {"123pan", "iaKtVv-Q9pWh", "8Kd2"},
    {"xunlei", "VNcaO1Qv87aZxffZLThnARHkA1", "six2"},
    {"139", "2qidERSvNGKk4", "ipdd", true},
    {"lanzou", "i2OPJ2i3lsle", "8xy", true},
    {"lanzou", "b0abcdefg", "ab12cd"},
    {"lanzou", "iQw3Er5Ty7u", ""},  // 解压密码 only
    {"pikpak", "VOLPPwXhmHBnHMY7hW6oGHjMo1", "7h3k"},
};
constexpr size_t ROWS_ALL = 37;     // every hit the simulator keeps for today's hosts
constexpr size_t NOT_SHARES = 5;    // help pages of pan.baidu.com: rows, but no share

class CliToday : public ::testing::Test {
protected:
    void SetUp() override {
        EngineSimOptions o;
        o.layout = "bing";
        o.hitsPerQuery = 0;
        sim.setOptions(o);
        ASSERT_TRUE(sim.ok());
        simServeToday(sim);
    }
    std::string search(const std::string& options) const {
        return "search 资料 --netdisks=today --profile=bing --engine=" + sim.hostPort() + " " + options;
    }
    // The rows of a jsonl output, checked to be numbered 1..N in order.
    static std::vector<Json> jsonRows(const ChildResult& r) {
        std::vector<Json> rows;
        for (const std::string& line : splitText(r.out, "\n")) {
            if (line.empty()) continue;
            Json row = Json::parse(line, nullptr, false);
            EXPECT_FALSE(row.is_discarded()) << line;
            if (row.is_discarded()) continue;
            EXPECT_EQ(row["n"].get<int>(), int(rows.size()) + 1) << line;
            rows.push_back(row);
        }
        return rows;
    }
    static std::string text(const Json& value) { return value.is_null() ? "" : value.get<std::string>(); }
    static std::string key(const Json& row) { return text(row["netdisk"]) + "/" + text(row["share"]); }

    EngineSim sim;
};

TEST_F(CliToday, JsonlGivesEveryPlantedShareItsNetdiskIdAndCodeAndDecoysNoCode) {
    ChildResult r = runCli(search("--format=jsonl"));
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    std::vector<Json> rows = jsonRows(r);
    EXPECT_EQ(rows.size(), ROWS_ALL);
    EXPECT_NE(utf8ToGbk(r.err).find("资源数：" + std::to_string(ROWS_ALL)), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("资源数"), std::string::npos);  // standard output holds rows only

    std::map<std::string, std::set<std::string>> codesOf;  // share -> codes its rows carry
    size_t notShares = 0;
    for (const Json& row : rows) {
        EXPECT_TRUE(row["state"].is_null());
        if (row["netdisk"].is_null()) {
            ++notShares;
            EXPECT_TRUE(row["share"].is_null() && row["code"].is_null()) << row.dump();
            continue;
        }
        codesOf[key(row)].insert(text(row["code"]));
        for (const Planted& p : PLANTED) {
            if (key(row) != p.netdisk + "/" + p.share) continue;
            EXPECT_EQ(text(row["service"]), gbkToUtf8(netdiskCaption(netdiskByKey(p.netdisk)))) << row.dump();
        }
    }
    EXPECT_EQ(notShares, NOT_SHARES);
    for (const Planted& p : PLANTED) {
        auto it = codesOf.find(p.netdisk + "/" + p.share);
        ASSERT_NE(it, codesOf.end()) << p.netdisk << " " << p.share;
        // Every row of a share carries its code, but a repeat that stands without it.
        std::set<std::string> expected = {p.code};
        if (p.bareRepeat) expected.insert("");
        EXPECT_EQ(it->second, expected) << p.netdisk << " " << p.share;
    }
    EXPECT_EQ(codesOf.size(), PLANTED.size());
}

TEST_F(CliToday, UniqueListsEachShareOnceWithTheCodeAnyOfItsRowsCarried) {
    ChildResult r = runCli(search("--format=jsonl --unique"));
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    std::vector<Json> rows = jsonRows(r);
    ASSERT_EQ(rows.size(), PLANTED.size() + NOT_SHARES);
    EXPECT_NE(utf8ToGbk(r.err).find("资源数：" + std::to_string(rows.size())), std::string::npos) << r.err;
    std::map<std::string, Json> byShare;
    for (const Json& row : rows) {
        if (row["netdisk"].is_null()) continue;
        EXPECT_TRUE(byShare.emplace(key(row), row).second) << "listed twice: " << row.dump();
    }
    for (const Planted& p : PLANTED) {
        auto it = byShare.find(p.netdisk + "/" + p.share);
        ASSERT_NE(it, byShare.end()) << p.share;
        EXPECT_EQ(text(it->second["code"]), p.code) << p.share;
    }
    // The first row stays: the Baidu share keeps its first address and title, with the code of
    // its repeat filled in.
    const Json& first = byShare["baidu/AbCdEfGhIjKlMnOpQrStUv"];
    EXPECT_EQ(text(first["url"]), "https://pan.baidu.com/s/1AbCdEfGhIjKlMnOpQrStUv");
    EXPECT_EQ(utf8ToGbk(text(first["title"])), "资料合集 百度网盘");

    // Plain text with --unique: today's three columns, the repeats gone, numbered without gaps.
    ChildResult plain = runCli(search("--unique"));
    ASSERT_EQ(plain.exitCode, 0u) << plain.err;
    std::vector<std::string> lines = splitText(utf8ToGbk(plain.out), "\n");
    ASSERT_EQ(lines.size(), rows.size() + 1);  // the rows, the count
    for (size_t i = 0; i < rows.size(); ++i) {
        std::vector<std::string> cells = splitText(lines[i], "\t");
        ASSERT_EQ(cells.size(), 3u) << lines[i];
        EXPECT_EQ(cells[0], std::to_string(i + 1));
    }
    EXPECT_EQ(lines[rows.size()], "资源数：" + std::to_string(rows.size()));
}

TEST_F(CliToday, CsvOpensInASpreadsheetAndTsvKeepsEachFieldInItsCell) {
    ChildResult csv = runCli(search("--format=csv --services=1"));
    ASSERT_EQ(csv.exitCode, 0u) << csv.err;
    const std::string header = "\xEF\xBB\xBFn,service,title,url,netdisk,share,code,state\r\n";
    ASSERT_EQ(csv.out.compare(0, header.size(), header), 0) << csv.out.substr(0, 80);
    std::vector<std::string> lines = splitText(csv.out.substr(header.size()), "\r\n");
    ASSERT_EQ(lines.size(), 11u);  // the Baidu rows
    EXPECT_EQ(lines[1], "2," + gbkToUtf8("百度网盘,电子书 资料") +
                            ",https://pan.baidu.com/s/1Xy9Zz8Ww7Vv6Uu5Tt4Ss3R?pwd=k3m9,baidu,Xy9Zz8Ww7Vv6Uu5Tt4Ss3R,k3m9,");
    EXPECT_EQ(lines[5].rfind("6,", 0), 0u);
    EXPECT_NE(lines[5].find(",,,,"), std::string::npos) << lines[5];  // a help page: no share

    ChildResult tsv = runCli(search("--format=tsv --services=10"));
    ASSERT_EQ(tsv.exitCode, 0u) << tsv.err;
    std::vector<std::string> rows = splitText(tsv.out, "\n");
    ASSERT_EQ(rows[0], "n\tservice\ttitle\turl\tnetdisk\tshare\tcode\tstate");
    ASSERT_EQ(rows.size(), 1u + 4);
    for (size_t i = 1; i <= 4; ++i) EXPECT_EQ(std::count(rows[i].begin(), rows[i].end(), '\t'), 7) << rows[i];
}

TEST_F(CliToday, FailuresNameTheServiceAndTheHostThatFailed) {
    EngineSimOptions o = sim.options();
    o.wallSites = {"aliyundrive.com"};
    sim.setOptions(o);
    ChildResult r = runCli(search("--services=2,3"));
    EXPECT_EQ(r.exitCode, 4u) << r.err;
    std::string err = utf8ToGbk(r.err);
    EXPECT_NE(err.find("阿里云盘 (aliyundrive.com): the engine asked for a verification"), std::string::npos) << err;
    EXPECT_EQ(err.find("alipan.com)"), std::string::npos) << err;
    // The rows of the host that answered are listed.
    EXPECT_NE(r.out.find("https://www.alipan.com/s/Qw3rTy7uI9o"), std::string::npos);

    ChildResult bad = runCli(search("--services=12"));
    EXPECT_EQ(bad.exitCode, 2u);
    EXPECT_NE(bad.err.find("from 1 to 11"), std::string::npos) << bad.err;
    ChildResult list = runCli(search("--netdisks=modern"));
    EXPECT_EQ(list.exitCode, 2u);
    ChildResult format = runCli(search("--format=xml"));
    EXPECT_EQ(format.exitCode, 2u);
}

}  // namespace
