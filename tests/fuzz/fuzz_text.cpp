// The text primitives on any bytes: positions stay inside the text and name real matches,
// pieces join back into the text, cuts are pieces of it.
#include "text/text.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string what = in.ConsumeRandomLengthString(16);
    const std::string right = in.ConsumeRandomLengthString(16);
    const int start = in.ConsumeIntegralInRange<int>(-2, 300);
    const int length = in.ConsumeIntegralInRange<int>(-2, 300);
    const bool flag = in.ConsumeBool();
    const std::string text = in.ConsumeRemainingBytesAsString();

    int found = findText(text, what, start, flag);
    FUZZ_CHECK(found == -1 || (found >= 1 && size_t(found) <= text.size()));
    if (found > 0 && !flag) FUZZ_CHECK(text.compare(size_t(found - 1), what.size(), what) == 0);
    if (found > 0) FUZZ_CHECK(size_t(found - 1) + what.size() <= text.size());
    int last = findTextLast(text, what);
    FUZZ_CHECK(last == -1 || (last >= 1 && text.compare(size_t(last - 1), what.size(), what) == 0));
    if (!what.empty()) FUZZ_CHECK((findText(text, what) == -1) == (last == -1));

    std::vector<std::string> pieces = splitText(text, what);
    if (text.empty()) {
        FUZZ_CHECK(pieces.empty());
    } else if (what.empty()) {
        FUZZ_CHECK(pieces.size() == 1 && pieces[0] == text);
    } else {
        std::string joined = joinPieces(pieces, what);
        FUZZ_CHECK(joined == text || (endsWith(text, what) && joined + what == text));
    }

    std::string between = textBetween(text, what, right, start, flag);
    FUZZ_CHECK(between.empty() || text.find(between) != std::string::npos);
    std::string trimmed = trimSpaces(text);
    FUZZ_CHECK(text.find(trimmed) != std::string::npos);
    FUZZ_CHECK(removeSpaces(text).size() <= text.size());
    FUZZ_CHECK(trimSpaces(trimmed) == trimmed);
    FUZZ_CHECK(valueAfterColon(text).size() <= text.size());
    FUZZ_CHECK(asciiLower(text).size() == text.size());
    if (!what.empty()) FUZZ_CHECK(replaceAll(text, what, right).size() <= text.size() * (right.size() + 1) + 1);
    if (length <= int(text.size())) {
        int n = length < 0 ? 0 : length;
        FUZZ_CHECK(leftBytes(text, n) + rightBytes(text, int(text.size()) - n) == text);
    }
    std::string middle = midBytes(text, start, length);
    FUZZ_CHECK(middle.size() <= text.size() && text.find(middle) != std::string::npos);
    return 0;
}
