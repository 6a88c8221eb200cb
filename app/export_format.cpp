#include "app/export_format.h"

#include "text/encoding.h"
#include "text/text.h"

namespace {
void appendEntries(std::string& text, const std::vector<ResultRow>& rows) {
    for (const ResultRow& row : rows) {
        text += row.title;
        text += EXPORT_ENTRY_GAP;
        text += row.address;
        if (!row.code.empty()) {
            text += EXPORT_ENTRY_GAP;
            text += EXPORT_CODE_LABEL + row.code;
        }
        if (!row.state.empty()) {
            text += EXPORT_ENTRY_GAP;
            text += EXPORT_STATE_LABEL + row.state;
        }
        text += "\r\n\r\n";
    }
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && asciiLower(text.substr(0, prefix.size())) == prefix;
}
}  // namespace

std::string exportText(const std::vector<ResultRow>& results, const std::vector<ResultRow>& filtered) {
    std::string text;
    appendEntries(text, results);
    text += EXPORT_FILTERED_HEADING;
    appendEntries(text, filtered);
    return text;
}

namespace {
bool forbiddenInName(wchar_t c) {
    return c < 0x20 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos;
}

wchar_t upperAscii(wchar_t c) {
    return c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c;
}

// CON, PRN, AUX, NUL, COM0-9, LPT0-9 (also with the superscript digits Windows counts),
// CONIN$, CONOUT$: any case, blanks after them ignored.
bool isDeviceName(std::wstring_view stem) {
    while (!stem.empty() && stem.back() == L' ') stem.remove_suffix(1);
    std::wstring upper;
    for (wchar_t c : stem) upper += upperAscii(c);
    if (upper == L"CON" || upper == L"PRN" || upper == L"AUX" || upper == L"NUL" || upper == L"CONIN$" ||
        upper == L"CONOUT$")
        return true;
    if (upper.size() != 4 || (upper.compare(0, 3, L"COM") != 0 && upper.compare(0, 3, L"LPT") != 0)) return false;
    wchar_t digit = upper[3];
    return (digit >= L'0' && digit <= L'9') || digit == 0x00B9 || digit == 0x00B2 || digit == 0x00B3;
}

const std::wstring& exportSuffix() {
    static const std::wstring suffix = gbkToWide(EXPORT_FILE_SUFFIX);
    return suffix;
}
}  // namespace

std::wstring exportFileName(std::wstring_view keyword) {
    std::wstring name;
    for (wchar_t c : keyword) name += forbiddenInName(c) ? L'_' : c;
    // A dot or blank at the keyword's end.
    for (size_t i = name.size(); i > 0 && (name[i - 1] == L'.' || name[i - 1] == L' '); --i) name[i - 1] = L'_';
    // The suffix holds no dot before ".txt", so only a keyword with a dot can put a device name
    // before the name's first dot.
    size_t dot = name.find(L'.');
    if (dot != std::wstring::npos && isDeviceName(std::wstring_view(name).substr(0, dot))) name.replace(0, dot, L"_");
    return name + exportSuffix();
}

std::wstring exportPath(std::wstring_view programDir, std::wstring_view keyword) {
    std::wstring path(programDir);
    path += L"\\";
    path += exportFileName(keyword);
    return path;
}

std::wstring explorerCommand(std::wstring_view exportPath) {
    // Double backslashes become one, left to right.
    std::wstring path;
    for (size_t i = 0; i < exportPath.size(); ++i) {
        path += exportPath[i];
        if (exportPath[i] == L'\\' && i + 1 < exportPath.size() && exportPath[i + 1] == L'\\') ++i;
    }
    return L"explorer /n,/select,\"" + path + L"\"";
}

bool isOpenableAddress(std::string_view address) {
    std::string_view rest;
    if (startsWithNoCase(address, "http://")) {
        rest = address.substr(7);
    } else if (startsWithNoCase(address, "https://")) {
        rest = address.substr(8);
    } else {
        return false;
    }
    // A host must follow; control characters and quotes never belong in an address handed on.
    if (rest.empty() || rest[0] == '/' || rest[0] == '\\') return false;
    for (unsigned char c : address) {
        if (c < 0x20 || c == 0x7F || c == '"') return false;
    }
    return true;
}

std::string countText(int rows) {
    return COUNT_PREFIX + std::to_string(rows);
}
