// The rows the command line prints for hits and share links, in the formats other programs
// read: tab- or comma-separated with a header, or one JSON object a line. Room links/:
// platform-free; uses text/ and nlohmann-json.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "links/link_state.h"
#include "links/share_link.h"

struct OutputRow {
    int n = 0;
    std::string service;  // the service box's caption or the extra site's host (GBK)
    std::string title;    // GBK
    std::string url;      // GBK
    std::optional<ShareLink> share;  // when the address is a share link
    LinkState state = LinkState::Unchecked;
};

enum class RowFormat { Text, Tsv, Csv, Jsonl };

// "text", "tsv", "csv" or "jsonl"; false for any other name.
bool rowFormatByName(std::string_view name, RowFormat* format);

// What stands before the first row: csv a byte-order mark and the header, tsv the header,
// text and jsonl nothing. UTF-8.
std::string rowsHeader(RowFormat format);
// One row with its line end. Text is GBK (the caller writes it as its other texts); tsv, csv and
// jsonl are UTF-8.
std::string formatRow(RowFormat format, const OutputRow& row);

// A jsonl line read back (the link checker reads its input this way); nullopt when the line is
// no JSON object with a url. A share is taken when netdisk names a known netdisk and share is
// given; texts become GBK.
std::optional<OutputRow> rowFromJsonLine(std::string_view line);
