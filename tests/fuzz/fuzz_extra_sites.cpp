// url.txt as any bytes: read as text (GBK, or UTF-8 converted), checked as the settings window
// checks it, and searched: every extra site becomes a task whose address can be built.
#include "app/extra_sites.h"
#include "text/text.h"
#include "search/query.h"
#include "search/site_host.h"
#include "search/services.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string text = extraSitesFromBytes(bytes);
    FUZZ_CHECK(text.find('\0') == std::string::npos);
    const std::string head = bytes.substr(0, bytes.find('\0'));
    const bool utf16 = bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0;
    bool ascii = true;
    for (unsigned char c : head) ascii = ascii && c < 0x80;
    if (ascii) FUZZ_CHECK(text == head);
    if (!utf16 && !isUtf8(head) && head.compare(0, 3, "\xEF\xBB\xBF") != 0) FUZZ_CHECK(text == head);

    checkExtraSites(text);
    // Only the items that are host names become tasks, each keeping its item's number, and no
    // byte below 0x21 ever reaches an address from a site text.
    auto tasks = searchTasks(std::vector<bool>(SERVICE_COUNT), true, text);
    std::vector<std::string> items = splitText(text, ";");
    size_t next = 0;
    for (const std::string& task : tasks) {
        auto parsed = parseSearchTask(task);
        FUZZ_CHECK(parsed && parsed->serviceNumber >= FIRST_EXTRA_SERVICE);
        size_t item = size_t(parsed->serviceNumber - FIRST_EXTRA_SERVICE);
        FUZZ_CHECK(item >= next && item < items.size());
        FUZZ_CHECK(asciiSiteHost(items[item]) == parsed->extraHost);
        next = item + 1;
        std::string url = buildQueryUrl(hostFor(parsed->serviceNumber, parsed->extraHost), "k", 50);
        for (unsigned char c : url) FUZZ_CHECK(c >= 0x21);
    }
    FUZZ_CHECK(rejectedSites(text).size() + tasks.size() == items.size());
    return 0;
}
