// Texts the result actions build: the export file's content, its path, the file-manager command
// and which addresses may be handed to the shell. No platform calls, so it can be tested anywhere.
#pragma once
#include <string>
#include <string_view>
#include <vector>

struct ResultRow {
    std::string title;    // column "名称"
    std::string address;  // column "地址"
};

inline constexpr const char EXPORT_ENTRY_GAP[] = "      ";  // six blanks between title and address
inline constexpr const char EXPORT_FILTERED_HEADING[] = "筛选后：\r\n\r\n";
inline constexpr const char EXPORT_FILE_SUFFIX[] = "资源列表.txt";
inline constexpr const char COUNT_PREFIX[] = "资源数：";

// Every result row, the heading, then every filtered row; each entry is title, six blanks,
// address and an empty line. Running numbers are not written.
std::string exportText(const std::vector<ResultRow>& results, const std::vector<ResultRow>& filtered);

// programDir (never ending in a backslash) + "\" + keyword + "资源列表.txt".
std::string exportPath(std::string_view programDir, std::string_view keyword);

// explorer /n,/select,"PATH" with every double backslash of the path reduced to one.
std::string explorerCommand(std::string_view exportPath);

// Only web addresses go to the shell: an address from a page could otherwise name a local
// program, a script or a file: URL.
bool isOpenableAddress(std::string_view address);

// "资源数：" followed by the number.
std::string countText(int rows);
