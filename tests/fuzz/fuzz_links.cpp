// The share-link reader and the output rows on any address and any text: every link found is a
// share of a known netdisk whose id stands in the input, every code obeys its netdisk's
// alphabet and length, each share is listed once, and every jsonl row is valid JSON that reads
// back to the same share.
#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>

#include "links/row_output.h"
#include "links/share_link.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

bool isIdText(const std::string& s) {
    for (char c : s) {
        bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '-';
        if (!ok) return false;
    }
    return !s.empty();
}

void checkLink(const ShareLink& link, const std::string& input) {
    FUZZ_CHECK(link.netdisk != Netdisk::None);
    FUZZ_CHECK(isIdText(link.share));
    FUZZ_CHECK(input.find(link.share) != std::string::npos);
    FUZZ_CHECK(link.code.empty() || codeFits(link.netdisk, link.code));
}

// The row of a link as jsonl, tsv and csv: one line each, JSON that reads back.
void checkRow(const ShareLink& link, const std::string& title) {
    OutputRow row;
    row.n = 1;
    row.service = netdiskCaption(link.netdisk);
    row.title = title;
    row.url = link.url;
    row.share = link;
    std::string line = formatRow(RowFormat::Jsonl, row);
    FUZZ_CHECK(!line.empty() && line.find('\n') == line.size() - 1);
    nlohmann::json parsed = nlohmann::json::parse(line, nullptr, false);
    FUZZ_CHECK(!parsed.is_discarded() && parsed.is_object() && parsed.size() == 8);
    std::optional<OutputRow> back = rowFromJsonLine(line);
    FUZZ_CHECK(back.has_value() && back->share.has_value());
    FUZZ_CHECK(back->share->netdisk == link.netdisk && back->share->share == link.share && back->share->code == link.code);

    std::string tsv = formatRow(RowFormat::Tsv, row);
    FUZZ_CHECK(std::count(tsv.begin(), tsv.end(), '\t') == 7 && tsv.find('\n') == tsv.size() - 1);
    std::string csv = formatRow(RowFormat::Csv, row);
    // Outside quotes a csv row holds exactly its seven commas and its one line end.
    bool quoted = false;
    int commas = 0, breaks = 0;
    for (char c : csv) {
        if (c == '"') quoted = !quoted;
        if (!quoted && c == ',') ++commas;
        if (!quoted && c == '\n') ++breaks;
    }
    FUZZ_CHECK(!quoted && commas == 7 && breaks == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const Netdisk netdisk = ALL_NETDISKS[in.ConsumeIntegralInRange<size_t>(0, std::size(ALL_NETDISKS) - 1)];
    const std::string address = in.ConsumeRandomLengthString(256);
    const std::string text = in.ConsumeRemainingBytesAsString();

    if (std::optional<ShareLink> link = readShareLink(address)) {
        checkLink(*link, address);
        checkRow(*link, text.substr(0, 64));
        // The address with its code reads back as the same share with the same code.
        std::optional<ShareLink> again = readShareLink(linkWithCode(*link));
        FUZZ_CHECK(again.has_value() && again->netdisk == link->netdisk && again->share == link->share);
        FUZZ_CHECK(again->code == link->code);
    }

    std::vector<ShareLink> links = shareLinksInText(text);
    for (size_t i = 0; i < links.size(); ++i) {
        checkLink(links[i], text);
        FUZZ_CHECK(text.find(links[i].url) != std::string::npos);
        for (size_t j = 0; j < i; ++j)
            FUZZ_CHECK(links[j].netdisk != links[i].netdisk || links[j].share != links[i].share);
    }

    std::string code = codeInText(netdisk, text);
    FUZZ_CHECK(code.empty() || (codeFits(netdisk, code) && text.find(code) != std::string::npos));

    std::optional<ShareLink> hit = readHitShare(address, text.substr(0, text.size() / 2), text.substr(text.size() / 2));
    FUZZ_CHECK(hit.has_value() == readShareLink(address).has_value());
    if (hit) FUZZ_CHECK(hit->code.empty() || codeFits(hit->netdisk, hit->code));

    // Any post's bytes come out as GBK text the reader takes; ASCII comes out as it is.
    std::string post = postText(text);
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }) &&
        text.compare(0, 2, "\xFF\xFE") != 0)
        FUZZ_CHECK(post == text);
    for (const ShareLink& link : shareLinksInText(post)) checkLink(link, post);
    return 0;
}
