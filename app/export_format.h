// Texts the result actions build: the export file's content, its path, the file-manager command
// and which addresses may be handed to the shell. No platform calls, so it can be tested anywhere.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct ResultRow {
    ResultRow(std::string title = {}, std::string address = {}, std::string code = {}, std::string state = {})
        : title(std::move(title)), address(std::move(address)), code(std::move(code)), state(std::move(state)) {}
    std::string title;    // column "名称"
    std::string address;  // column "地址"
    std::string code;     // column "提取码" of today's list; "" when none is known or shown
    std::string state;    // column "状态" of today's list; "" when unchecked or not shown
};

inline constexpr const char EXPORT_ENTRY_GAP[] = "      ";  // six blanks between title and address
inline constexpr const char EXPORT_FILTERED_HEADING[] = "筛选后：\r\n\r\n";
inline constexpr const char EXPORT_FILE_SUFFIX[] = "资源列表.txt";
inline constexpr const char COUNT_PREFIX[] = "资源数：";
inline constexpr const char EXPORT_CODE_LABEL[] = "提取码: ";
inline constexpr const char EXPORT_STATE_LABEL[] = "状态: ";

// Every result row, the heading, then every filtered row; each entry is title, six blanks,
// address and an empty line. Running numbers are not written. An entry with a known code or
// state (today's list) goes on after the address: six blanks and "提取码: CODE", six blanks and
// "状态: STATE", each only when known.
std::string exportText(const std::vector<ResultRow>& results, const std::vector<ResultRow>& filtered);

// The export file's name: the keyword, then "资源列表.txt". A keyword is free text, so what
// Windows refuses or reads otherwise in a file name becomes "_" in the name (the keyword itself
// is left alone everywhere else): the characters \ / : * ? " < > | and control characters,
// a device name (CON, NUL, COM1, ...) that would stand before the name's first dot, and a dot
// or blank at the keyword's end. "a:b" would otherwise name a hidden stream of a file "a", and
// "..\x" a file outside the program's folder.
std::wstring exportFileName(std::wstring_view keyword);

// programDir (never ending in a backslash) + "\" + exportFileName(keyword). Wide from end to
// end: a folder whose name GBK cannot hold still names itself.
std::wstring exportPath(std::wstring_view programDir, std::wstring_view keyword);

// explorer /n,/select,"PATH" with every double backslash of the path reduced to one.
std::wstring explorerCommand(std::wstring_view exportPath);

// Only web addresses go to the shell: an address from a page could otherwise name a local
// program, a script or a file: URL.
bool isOpenableAddress(std::string_view address);

// "资源数：" followed by the number.
std::string countText(int rows);
