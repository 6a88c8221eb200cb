// The version resource of quorrel.exe and quorrel-cli.exe, read back through the same API that
// Explorer's Properties > Details uses, and quorrel-cli --version.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quorrel_version.h"
#include "tests/http/child_output.h"

namespace {

// Narrow literals are GBK (-fexec-charset), so code page 936.
std::wstring widen(const char* text) {
    int n = MultiByteToWideChar(936, 0, text, -1, nullptr, 0);
    std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(936, 0, text, -1, wide.data(), n);
    return wide;
}

// A path of the build (a Unix path under Wine) as Windows names it: /x/y -> Z:\x\y.
std::wstring windowsPath(const char* path) {
    std::wstring out = path[0] == '/' ? L"Z:" + widen(path) : widen(path);
    for (wchar_t& c : out) {
        if (c == L'/') c = L'\\';
    }
    return out;
}

class VersionInfo {
public:
    explicit VersionInfo(const std::wstring& path) {
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        if (size == 0) return;
        data_.resize(size);
        if (!GetFileVersionInfoW(path.c_str(), 0, size, data_.data())) data_.clear();
    }
    bool present() const { return !data_.empty(); }

    const VS_FIXEDFILEINFO* fixed() const {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(data_.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return nullptr;
        return static_cast<const VS_FIXEDFILEINFO*>(value);
    }

    // The languages and code pages the resource declares ("\VarFileInfo\Translation").
    std::vector<std::pair<WORD, WORD>> translations() const {
        std::vector<std::pair<WORD, WORD>> list;
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &value, &length)) return list;
        const WORD* words = static_cast<const WORD*>(value);
        for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) list.emplace_back(words[i], words[i + 1]);
        return list;
    }

    // A string of the block that the Translation entry names, as Explorer looks it up.
    std::wstring text(const wchar_t* name) const {
        auto list = translations();
        if (list.empty()) return L"<no translation>";
        wchar_t key[128];
        wsprintfW(key, L"\\StringFileInfo\\%04x%04x\\%s", list[0].first, list[0].second, name);
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(data_.data(), key, &value, &length) || length == 0) return L"<missing>";
        return std::wstring(static_cast<const wchar_t*>(value));
    }

private:
    std::vector<char> data_;
};

void expectVersionResource(const std::wstring& path, const wchar_t* originalName) {
    SCOPED_TRACE(testing::Message() << "file " << std::string(path.begin(), path.end()));
    VersionInfo info(path);
    ASSERT_TRUE(info.present()) << "no VS_VERSION_INFO resource";

    const VS_FIXEDFILEINFO* fixed = info.fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD ms = (QUORREL_VERSION_MAJOR << 16) | QUORREL_VERSION_MINOR;
    const DWORD ls = DWORD(QUORREL_VERSION_PATCH) << 16;
    EXPECT_EQ(fixed->dwFileVersionMS, ms);
    EXPECT_EQ(fixed->dwFileVersionLS, ls);
    EXPECT_EQ(fixed->dwProductVersionMS, ms);
    EXPECT_EQ(fixed->dwProductVersionLS, ls);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));

    auto translations = info.translations();
    ASSERT_EQ(translations.size(), 1u);
    EXPECT_EQ(translations[0].first, 0x0804);  // Simplified Chinese
    EXPECT_EQ(translations[0].second, 1200);   // UTF-16 texts

    const std::wstring version = widen(QUORREL_VERSION_STRING);
    EXPECT_EQ(info.text(L"ProductVersion"), version);
    EXPECT_EQ(info.text(L"FileVersion"), version);
    EXPECT_EQ(info.text(L"ProductName"), L"Quorrel");
    EXPECT_EQ(info.text(L"CompanyName"), widen(QUORREL_PUBLISHER));
    EXPECT_EQ(info.text(L"OriginalFilename"), originalName);
    std::wstring copyright = info.text(L"LegalCopyright");
    EXPECT_NE(copyright.find(L"Copyright"), std::wstring::npos) << "LegalCopyright";
    EXPECT_NE(copyright.find(widen(QUORREL_PUBLISHER)), std::wstring::npos) << "LegalCopyright";
    // The description starts with the product name; the Chinese rest must arrive as Chinese
    // (the resource script is UTF-8), not as the bytes of another code page.
    std::wstring description = info.text(L"FileDescription");
    EXPECT_EQ(description.rfind(L"Quorrel ", 0), 0u) << "FileDescription";
    bool chinese = false;
    for (wchar_t c : description) chinese |= c >= 0x4E00 && c <= 0x9FFF;
    EXPECT_TRUE(chinese) << "FileDescription has no Chinese characters";
}

TEST(VersionResource, QuorrelExe) { expectVersionResource(windowsPath(QUORREL_EXE), L"quorrel.exe"); }

TEST(VersionResource, QuorrelCliExe) { expectVersionResource(windowsPath(QUORREL_CLI_EXE), L"quorrel-cli.exe"); }

TEST(VersionResource, DescriptionsNameEachProgram) {
    EXPECT_NE(VersionInfo(windowsPath(QUORREL_EXE)).text(L"FileDescription"),
              VersionInfo(windowsPath(QUORREL_CLI_EXE)).text(L"FileDescription"));
}

TEST(CliVersion, PrintsTheBuildVersionAndSucceeds) {
    ChildResult result = runChild(L"\"" + windowsPath(QUORREL_CLI_EXE) + L"\" --version", 30000);
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(result.out, "quorrel-cli " QUORREL_VERSION_STRING "\n");
    EXPECT_EQ(result.err, "");
}

TEST(CliVersion, UsageMentionsIt) {
    ChildResult result = runChild(L"\"" + windowsPath(QUORREL_CLI_EXE) + L"\" --help", 30000);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_NE(result.err.find("--version"), std::string::npos) << result.err;
}

}  // namespace
