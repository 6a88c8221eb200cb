// The export text and the export file's name on any keyword and any rows: the name never holds
// a character Windows refuses or a device name before its first dot, and ends in the suffix.
#include "app/export_format.h"
#include "text/encoding.h"
#include "tests/fuzz/fuzz_check.h"

namespace {
bool isDevice(std::wstring stem) {
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (wchar_t& c : stem)
        if (c >= L'a' && c <= L'z') c = wchar_t(c - L'a' + L'A');
    for (const wchar_t* name : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (stem == name) return true;
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           ((stem[3] >= L'0' && stem[3] <= L'9') || stem[3] == 0xB9 || stem[3] == 0xB2 || stem[3] == 0xB3);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<ResultRow> results, filtered;
    size_t rows = in.ConsumeIntegralInRange<size_t>(0, 8);
    for (size_t i = 0; i < rows; ++i) {
        ResultRow row{in.ConsumeRandomLengthString(64), in.ConsumeRandomLengthString(64)};
        (in.ConsumeBool() ? results : filtered).push_back(row);
    }
    const std::string address = in.ConsumeRandomLengthString(128);
    const std::string keyword = in.ConsumeRemainingBytesAsString();

    std::string text = exportText(results, filtered);
    FUZZ_CHECK(text.find(EXPORT_FILTERED_HEADING) != std::string::npos);

    const std::wstring suffix = gbkToWide(EXPORT_FILE_SUFFIX);
    std::wstring bytesAsCharacters;  // reaches every control character and ASCII sign directly
    for (unsigned char c : keyword) bytesAsCharacters += wchar_t(c);
    for (const std::wstring& wideKeyword : {gbkToWide(keyword), bytesAsCharacters}) {
        std::wstring name = exportFileName(wideKeyword);
        FUZZ_CHECK(name.size() <= wideKeyword.size() + suffix.size());
        FUZZ_CHECK(name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0);
        for (wchar_t c : name) FUZZ_CHECK(c >= 0x20 && std::wstring_view(L"\\/:*?\"<>|").find(c) == std::wstring_view::npos);
        std::wstring stem = name.substr(0, name.size() - suffix.size());
        FUZZ_CHECK(stem.empty() || (stem.back() != L'.' && stem.back() != L' '));
        size_t dot = name.find(L'.');
        FUZZ_CHECK(!isDevice(name.substr(0, dot)));
        std::wstring path = exportPath(L"C:\\Quorrel", wideKeyword);
        FUZZ_CHECK(path == L"C:\\Quorrel\\" + name);
        std::wstring command = explorerCommand(path);
        FUZZ_CHECK(command == L"explorer /n,/select,\"" + path + L"\"");
    }
    if (isOpenableAddress(address))
        FUZZ_CHECK(address.size() >= 8 && (address[4] == ':' || address[5] == ':') && address.find('"') == std::string::npos);
    return 0;
}
