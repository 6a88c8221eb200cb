// Output rows as text, tsv, csv and jsonl. Room links/: platform-free.
#include "links/row_output.h"

#include <nlohmann/json.hpp>

#include "text/encoding.h"
#include "text/text.h"

namespace {

using Json = nlohmann::ordered_json;

const char* const KEYS[] = {"n", "service", "title", "url", "netdisk", "share", "code", "state"};

// The eight fields as UTF-8; null ones marked.
struct Fields {
    std::string value[8];
    bool null[8] = {};
};

Fields fieldsOf(const OutputRow& row) {
    Fields f;
    f.value[0] = std::to_string(row.n);
    f.value[1] = gbkToUtf8(row.service);
    f.value[2] = gbkToUtf8(row.title);
    f.value[3] = gbkToUtf8(row.url);
    if (row.share && row.share->netdisk != Netdisk::None) {
        f.value[4] = netdiskKey(row.share->netdisk);
        f.value[5] = gbkToUtf8(row.share->share);
        f.value[6] = gbkToUtf8(row.share->code);
        f.null[6] = row.share->code.empty();
    } else {
        f.null[4] = f.null[5] = f.null[6] = true;
    }
    f.value[7] = linkStateKey(row.state);
    f.null[7] = row.state == LinkState::Unchecked;
    return f;
}

// RFC 4180: a field holding a comma, a quote or a line break is quoted, its quotes doubled.
std::string csvField(const std::string& value) {
    if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
    return "\"" + replaceAll(value, "\"", "\"\"") + "\"";
}

// A tab-separated field keeps to its cell: every control character becomes a blank.
std::string tsvField(std::string value) {
    for (char& c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    return value;
}

std::string oneLineGbk(std::string value) {
    for (char& c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    return value;
}

std::string stringOf(const Json& object, const char* key) {
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

bool rowFormatByName(std::string_view name, RowFormat* format) {
    if (name == "text") {
        *format = RowFormat::Text;
    } else if (name == "tsv") {
        *format = RowFormat::Tsv;
    } else if (name == "csv") {
        *format = RowFormat::Csv;
    } else if (name == "jsonl") {
        *format = RowFormat::Jsonl;
    } else {
        return false;
    }
    return true;
}

std::string rowsHeader(RowFormat format) {
    if (format != RowFormat::Csv && format != RowFormat::Tsv) return {};
    std::string line = format == RowFormat::Csv ? "\xEF\xBB\xBF" : "";
    for (size_t i = 0; i < 8; ++i) line += std::string(i ? (format == RowFormat::Csv ? "," : "\t") : "") + KEYS[i];
    return line + (format == RowFormat::Csv ? "\r\n" : "\n");
}

std::string formatRow(RowFormat format, const OutputRow& row) {
    if (format == RowFormat::Text) {
        // "3  百度网盘  https://...  提取码: abcd  title"
        std::string line = std::to_string(row.n) + "\t" + oneLineGbk(row.service) + "\t" + oneLineGbk(row.url);
        if (row.share && !row.share->code.empty()) line += "\t提取码: " + row.share->code;
        if (row.state != LinkState::Unchecked) line += std::string("\t") + linkStateCaption(row.state);
        if (!row.title.empty()) line += "\t" + oneLineGbk(row.title);
        return line + "\n";
    }
    Fields f = fieldsOf(row);
    if (format == RowFormat::Jsonl) {
        Json object = Json::object();
        object["n"] = row.n;
        for (size_t i = 1; i < 8; ++i) {
            if (f.null[i]) {
                object[KEYS[i]] = nullptr;
            } else {
                object[KEYS[i]] = f.value[i];
            }
        }
        // A byte the converter could not make UTF-8 becomes U+FFFD instead of stopping the output.
        return object.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
    }
    std::string line;
    for (size_t i = 0; i < 8; ++i) {
        if (i) line += format == RowFormat::Csv ? "," : "\t";
        line += format == RowFormat::Csv ? csvField(f.value[i]) : tsvField(f.value[i]);
    }
    return line + (format == RowFormat::Csv ? "\r\n" : "\n");
}

std::optional<OutputRow> rowFromJsonLine(std::string_view line) {
    Json object = Json::parse(line.begin(), line.end(), nullptr, false);
    if (object.is_discarded() || !object.is_object()) return std::nullopt;
    auto url = object.find("url");
    if (url == object.end() || !url->is_string()) return std::nullopt;
    OutputRow row;
    auto n = object.find("n");
    if (n != object.end() && n->is_number_integer()) row.n = n->get<int>();
    row.service = utf8ToGbk(stringOf(object, "service"));
    row.title = utf8ToGbk(stringOf(object, "title"));
    row.url = utf8ToGbk(url->get<std::string>());
    Netdisk netdisk = netdiskByKey(stringOf(object, "netdisk"));
    std::string share = stringOf(object, "share");
    if (netdisk != Netdisk::None && !share.empty()) {
        ShareLink link;
        link.netdisk = netdisk;
        link.url = row.url;
        link.share = utf8ToGbk(share);
        link.code = utf8ToGbk(stringOf(object, "code"));
        row.share = link;
    }
    row.state = linkStateByKey(stringOf(object, "state"));
    return row;
}
