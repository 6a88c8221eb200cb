// The page reader on any bytes: blocks are trimmed and never empty, every share found is a
// share of a known netdisk, once, with a code of letters and digits; a page read in any declared
// charset comes out as well-formed GBK, and an ASCII page as itself.
#include <set>

#include "links/page_text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

bool wellFormedGbk(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c == 0x80 || c == 0xFF || i + 1 >= text.size()) return false;
        unsigned char t = static_cast<unsigned char>(text[i + 1]);
        if (t < 0x40 || t == 0x7F || t == 0xFF) return false;
        i += 2;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string contentType = in.ConsumeRandomLengthString(40);
    const std::string page = in.ConsumeRemainingBytesAsString();

    for (const PageBlock& block : pageBlocks(page)) {
        FUZZ_CHECK(!block.text.empty());
        FUZZ_CHECK(block.text.front() != ' ' && block.text.back() != ' ');
        FUZZ_CHECK(block.text.front() != '\n' && block.text.back() != '\n');
    }

    std::set<std::pair<int, std::string>> seen;
    for (const PageShare& share : sharesInPage(page)) {
        FUZZ_CHECK(share.link.netdisk != Netdisk::None);
        FUZZ_CHECK(!share.link.share.empty());
        FUZZ_CHECK(seen.insert({int(share.link.netdisk), share.link.share}).second);
        for (char c : share.link.code) FUZZ_CHECK((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
        if (!share.name.empty()) FUZZ_CHECK(namesFile(share.name));
    }

    std::string gbk = pageToGbk(page, contentType);
    FUZZ_CHECK(gbk.find('\0') == std::string::npos);
    bool ascii = true;
    for (unsigned char c : page) ascii = ascii && c < 0x80 && c != 0;
    if (ascii) FUZZ_CHECK(gbk == page);
    // Read as GBK: every character whole, whatever bytes came.
    if (charsetOfLabel(contentType) == PageCharset::Gbk && page.compare(0, 3, "\xEF\xBB\xBF") != 0)
        FUZZ_CHECK(wellFormedGbk(gbk));
    return 0;
}
