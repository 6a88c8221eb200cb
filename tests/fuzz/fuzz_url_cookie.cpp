// URL splitting and cookie merging on any bytes.
#include "http/cookies.h"
#include "text/text.h"
#include "http/url.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const bool domainOnly = in.ConsumeBool();
    const bool keepPort = in.ConsumeBool();
    std::string cookies = in.ConsumeRandomLengthString(512);
    std::string received = in.ConsumeRandomLengthString(512);
    const std::string url = in.ConsumeRemainingBytesAsString();

    std::string host = urlHost(url, domainOnly, keepPort);
    FUZZ_CHECK(host.find('/') == std::string::npos || findText(host, "/") == -1);
    urlPort(url);
    std::string path = urlPath(url);
    FUZZ_CHECK(!path.empty() && path[0] == '/');

    std::string merged = mergeCookies(cookies, received);
    FUZZ_CHECK(merged == cookies);
    FUZZ_CHECK(findText(received, " ") == -1);
    for (const std::string& item : splitText(merged, "; ")) FUZZ_CHECK(rightBytes(item, 8) != "=deleted");
    cookieName(url);
    std::string unique = joinUnique(url, ";");
    FUZZ_CHECK(unique.size() <= url.size());
    return 0;
}
