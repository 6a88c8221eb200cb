// Task texts and query addresses on any bytes: a task made from a number and a host reads back
// as them, the keyword's encoding holds only the plain characters and escapes, the search makes
// one task per ticked service and per extra site.
#include "text/text.h"
#include "search/query.h"
#include "search/site_host.h"
#include "search/services.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int number = in.ConsumeIntegral<int>();
    const int offset = in.ConsumeIntegral<int>();
    const uint32_t tickedBits = in.ConsumeIntegral<uint32_t>();
    const bool extraTicked = in.ConsumeBool();
    const std::string host = in.ConsumeRandomLengthString(256);
    const std::string keyword = in.ConsumeRandomLengthString(256);
    const std::string option = in.ConsumeRandomLengthString(64);
    const std::string task = in.ConsumeRemainingBytesAsString();

    if (auto parsed = parseSearchTask(task)) hostFor(parsed->serviceNumber, parsed->extraHost);
    if (number >= 0) {
        auto parsed = parseSearchTask(makeSearchTask(number, host));
        FUZZ_CHECK(parsed && parsed->serviceNumber == number);
        auto hostPieces = splitText(host, TASK_SEPARATOR);
        FUZZ_CHECK(parsed->extraHost == (hostPieces.empty() ? std::string() : hostPieces[0]));
    }
    hostFor(number, host);

    std::string encoded = encodeKeyword(keyword);
    const std::string hex = "0123456789ABCDEF";
    for (size_t i = 0; i < encoded.size();) {
        char c = encoded[i];
        if (c == '%') {
            FUZZ_CHECK(i + 2 < encoded.size() && hex.find(encoded[i + 1]) != std::string::npos &&
                       hex.find(encoded[i + 2]) != std::string::npos);
            i += 3;
        } else {
            FUZZ_CHECK(c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                       (c >= 'a' && c <= 'z'));
            ++i;
        }
    }
    std::string url = buildQueryUrl(host, keyword, offset);
    FUZZ_CHECK(url.compare(0, 7, "http://") == 0);
    FUZZ_CHECK(endsWith(url, "&rn=50&ie=utf-8&rsv_page=1"));

    std::vector<bool> ticked(SERVICE_COUNT);
    size_t tickedCount = 0;
    for (int i = 0; i < SERVICE_COUNT; ++i) tickedCount += (ticked[size_t(i)] = (tickedBits >> i) & 1);
    auto tasks = searchTasks(ticked, extraTicked, task);
    size_t hosts = 0;
    for (const std::string& site : splitText(task, ";")) hosts += asciiSiteHost(site).has_value();
    FUZZ_CHECK(tasks.size() == tickedCount + (extraTicked ? hosts : 0));
    for (const std::string& t : tasks) {
        auto parsed = parseSearchTask(t);
        FUZZ_CHECK(parsed && parsed->serviceNumber >= 1 && parsed->serviceNumber != 23);
        buildQueryUrl(hostFor(parsed->serviceNumber, parsed->extraHost), keyword, 0);
    }

    const std::string engine = engineHost();
    applyEngineOption({"--engine=" + option});
    setEngineHost(engine);
    return 0;
}
