#include "app/export_format.h"

#include "http/text.h"

namespace {
void appendEntries(std::string& text, const std::vector<ResultRow>& rows) {
    for (const ResultRow& row : rows) {
        text += row.title;
        text += EXPORT_ENTRY_GAP;
        text += row.address;
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

std::string exportPath(std::string_view programDir, std::string_view keyword) {
    std::string path(programDir);
    path += "\\";
    path += keyword;
    path += EXPORT_FILE_SUFFIX;
    return path;
}

std::string explorerCommand(std::string_view exportPath) {
    // Double backslashes become one, left to right; a double-byte character is stepped over
    // whole, so its trail byte 0x5C never pairs with a following separator.
    std::string path;
    for (size_t i = 0; i < exportPath.size();) {
        unsigned char c = static_cast<unsigned char>(exportPath[i]);
        if (isLeadByte(c) && i + 1 < exportPath.size()) {
            path.append(exportPath.substr(i, 2));
            i += 2;
        } else if (c == '\\' && i + 1 < exportPath.size() && exportPath[i + 1] == '\\') {
            path += '\\';
            i += 2;
        } else {
            path += char(c);
            ++i;
        }
    }
    return "explorer /n,/select,\"" + path + "\"";
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
