// quorrel-cli links run as its own process over posts in temporary files and on standard input:
// the rows in each format, the encodings it reads, and its exit status.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "tests/app/temp_folder.h"
#include "tests/http/child_output.h"
#include "text/encoding.h"

namespace {

std::wstring cliPath() {
    return besideTestProgram(QUORREL_CLI_RELATIVE);
}

// Runs the command with `stdinFile` ("" for none) as its standard input.
ChildResult runLinks(const std::vector<std::wstring>& args, const std::wstring& stdinFile = {}) {
    std::wstring line = L"\"" + cliPath() + L"\" links";
    for (const std::wstring& a : args) line += L" \"" + a + L"\"";
    return runChild(line, 30000, stdinFile);
}

std::wstring writeFile(const std::wstring& folder, const wchar_t* name, const std::string& bytes) {
    std::wstring path = folder + L"\\" + name;
    EXPECT_TRUE(writeBytes(path, bytes)) << "cannot write the post";
    return path;
}

std::vector<nlohmann::json> jsonLines(const std::string& out) {
    std::vector<nlohmann::json> rows;
    size_t at = 0;
    while (at < out.size()) {
        size_t end = out.find('\n', at);
        rows.push_back(nlohmann::json::parse(out.substr(at, end - at)));
        at = end == std::string::npos ? out.size() : end + 1;
    }
    return rows;
}

// A post of several netdisks as people write them (GBK literals here; written as UTF-8 below).
const std::string POST =
    "【合集】纪录片 4K\r\n"
    "百度：<a href=\"https://pan.baidu.com/s/1AbCdEfGhIj\">https://pan.baidu.com/s/1AbCdEfGhIj</a> 提取码：k2k2\r\n"
    "夸克：https://pan.quark.cn/s/39749e1fb630\r\n提取码：QTjz\r\n"
    "天翼：https://cloud.189.cn/t/IB3ieymQJ7re（访问码：uf34）\r\n"
    "阿里：https://www.alipan.com/s/Ab3dE5gH7jK\r\n"
    "解压密码：www1\r\n"
    "再发一次百度 https://pan.baidu.com/share/init?surl=AbCdEfGhIj&pwd=k2k2\r\n";

}  // namespace

TEST(CliLinks, JsonlOfAUtf8PostEachShareOnceWithItsCode) {
    std::wstring folder = newTempFolder(L"quorrel-links-");
    std::wstring post = writeFile(folder, L"post.txt", "\xEF\xBB\xBF" + gbkToUtf8(POST));
    ChildResult r = runLinks({L"--format=jsonl", post});
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    std::vector<nlohmann::json> rows = jsonLines(r.out);
    ASSERT_EQ(rows.size(), 4u) << r.out;
    const char* shares[] = {"AbCdEfGhIj", "39749e1fb630", "IB3ieymQJ7re", "Ab3dE5gH7jK"};
    const char* netdisks[] = {"baidu", "quark", "tianyi", "aliyun"};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i]["n"], int(i + 1));
        EXPECT_EQ(rows[i]["netdisk"], netdisks[i]);
        EXPECT_EQ(rows[i]["share"], shares[i]);
        EXPECT_TRUE(rows[i]["state"].is_null());
    }
    EXPECT_EQ(rows[0]["code"], "k2k2");
    EXPECT_EQ(rows[1]["code"], "QTjz");
    EXPECT_EQ(rows[2]["code"], "uf34");
    EXPECT_TRUE(rows[3]["code"].is_null());  // 解压密码 is no share's code
    EXPECT_EQ(rows[0]["service"], gbkToUtf8("百度网盘"));
    EXPECT_EQ(rows[0]["url"], "https://pan.baidu.com/s/1AbCdEfGhIj");
}

TEST(CliLinks, GbkFileAndStandardInputReadAlike) {
    std::wstring folder = newTempFolder(L"quorrel-links-");
    std::wstring gbkPost = writeFile(folder, L"gbk.txt", POST);
    std::wstring utf8Post = writeFile(folder, L"utf8.txt", gbkToUtf8(POST));
    ChildResult fromGbk = runLinks({L"--format=tsv", gbkPost});
    ChildResult fromStdin = runLinks({L"--format=tsv"}, utf8Post);
    ASSERT_EQ(fromGbk.exitCode, 0u) << fromGbk.err;
    ASSERT_EQ(fromStdin.exitCode, 0u) << fromStdin.err;
    // The title column names the file; apart from it the rows are the same.
    std::string expected = "n\tservice\ttitle\turl\tnetdisk\tshare\tcode\tstate\n";
    EXPECT_EQ(fromStdin.out.substr(0, expected.size()), expected);
    EXPECT_NE(fromStdin.out.find("\tbaidu\tAbCdEfGhIj\tk2k2\t\n"), std::string::npos) << fromStdin.out;
    EXPECT_NE(fromGbk.out.find("\tquark\t39749e1fb630\tQTjz\t\n"), std::string::npos) << fromGbk.out;
    auto lines = [](const std::string& s) { return std::count(s.begin(), s.end(), '\n'); };
    EXPECT_EQ(lines(fromGbk.out), 5);
    EXPECT_EQ(lines(fromStdin.out), 5);

    // The text form: one line a share, then the count; GBK bytes when asked.
    ChildResult text = runLinks({L"--gbk", gbkPost});
    ASSERT_EQ(text.exitCode, 0u);
    EXPECT_NE(text.out.find("1\t百度网盘\thttps://pan.baidu.com/s/1AbCdEfGhIj\t提取码: k2k2"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("链接数：4\n"), std::string::npos) << text.out;
}

TEST(CliLinks, CsvAcrossFilesFoldsSharesAndFillsCodes) {
    std::wstring folder = newTempFolder(L"quorrel-links-");
    std::wstring first = writeFile(folder, L"a.txt", "https://pan.quark.cn/s/39749e1fb630\nhttps://pan.baidu.com/s/1Zz9Yy8Xx7");
    std::wstring second =
        writeFile(folder, L"b.txt", gbkToUtf8("夸克 https://pan.quark.cn/s/39749e1fb630 提取码：QTjz, \"quoted\""));
    ChildResult r = runLinks({L"--format=csv", first, second});
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    std::string expected = "\xEF\xBB\xBFn,service,title,url,netdisk,share,code,state\r\n";
    ASSERT_EQ(r.out.substr(0, expected.size()), expected);
    // The first occurrence stays (named after the first file) and takes the later code.
    std::string quark = "1," + gbkToUtf8("夸克网盘") + ",";
    size_t row = r.out.find(quark);
    ASSERT_NE(row, std::string::npos) << r.out;
    EXPECT_NE(r.out.find(",https://pan.quark.cn/s/39749e1fb630,quark,39749e1fb630,QTjz,\r\n", row), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("2," + gbkToUtf8("百度网盘")), std::string::npos);
    EXPECT_EQ(r.out.find("3,"), std::string::npos);
}

TEST(CliLinks, UsageErrorsAndUnreadableFiles) {
    ChildResult r = runLinks({L"--format=xml"});
    EXPECT_EQ(r.exitCode, 2u);
    EXPECT_NE(r.err.find("--format"), std::string::npos);
    r = runLinks({L"--bogus"});
    EXPECT_EQ(r.exitCode, 2u);
    r = runLinks({L"--help"});
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_NE(r.err.find("usage: quorrel-cli links"), std::string::npos);

    // A missing file is named; the links of the readable one are still printed.
    std::wstring folder = newTempFolder(L"quorrel-links-");
    std::wstring good = writeFile(folder, L"ok.txt", "https://www.123pan.com/s/2785Vv-T4Ded?ZY4K");
    r = runLinks({L"--format=jsonl", folder + L"\\missing.txt", good});
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.err.find("missing.txt"), std::string::npos) << r.err;
    std::vector<nlohmann::json> rows = jsonLines(r.out);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["netdisk"], "123pan");
    EXPECT_EQ(rows[0]["code"], "ZY4K");

    // A text without links: no rows, still read.
    std::wstring none = writeFile(folder, L"none.txt", "no links here");
    r = runLinks({L"--format=jsonl", none});
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.out, "");
}
