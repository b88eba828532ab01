// Every Text and ByteSet operation on arbitrary bytes with arbitrary positions
// and counts: nothing may crash, and the results must stay inside their input.
#include <cstring>
#include <string_view>

#include "fuzz/fuzz_entries.h"
#include "fuzz/fuzz_input.h"
#include "text/text_ops.h"

namespace ld::fuzz {

namespace {

bool isPartOf(const Text& part, const Text& whole) {
    return whole.view().find(part.view()) != std::string_view::npos;
}

void checkSearches(const Text& text, const Text& sought, int start, bool caseInsensitive) {
    const int forward = findText(text, sought, start, caseInsensitive);
    LD_FUZZ_CHECK(forward == -1 || (forward >= 1 && forward <= text.length()));
    if (forward != -1) {
        // An empty sought Text is found at 1 wherever the walk starts.
        LD_FUZZ_CHECK(forward >= start || sought.empty());
        LD_FUZZ_CHECK(forward - 1 + sought.length() <= text.length());
        if (!caseInsensitive) {
            LD_FUZZ_CHECK(text.view().substr(forward - 1, sought.view().size()) == sought.view());
        }
    }
    const int backward = findTextBackward(text, sought, start, caseInsensitive);
    LD_FUZZ_CHECK(backward == -1 || (backward >= 1 && backward <= text.length()));
    if (backward != -1) {
        LD_FUZZ_CHECK(backward - 1 + sought.length() <= text.length());
        if (!caseInsensitive) {
            LD_FUZZ_CHECK(text.view().substr(backward - 1, sought.view().size()) == sought.view());
        }
    }
    const int last = findTextBackward(text, sought, std::nullopt, caseInsensitive);
    LD_FUZZ_CHECK(last == -1 || (last >= 1 && last - 1 + sought.length() <= text.length()));
}

void checkSlices(const Text& text, int n, int start) {
    const Text left = leftText(text, n);
    LD_FUZZ_CHECK(text.view().starts_with(left.view()));
    LD_FUZZ_CHECK(left.length() <= std::max(n, 0));
    const Text right = rightText(text, n);
    LD_FUZZ_CHECK(text.view().ends_with(right.view()));
    LD_FUZZ_CHECK(right.length() <= std::max(n, 0));
    const Text middle = middleText(text, start, n);
    LD_FUZZ_CHECK(isPartOf(middle, text));
    LD_FUZZ_CHECK(middle.length() <= std::max(n, 0));
}

void checkEdits(const Text& text, const Text& a, const Text& b, int start, int count, bool flag) {
    const Text replaced = replaceText(text, a, b, start, count, flag);
    const Text replacedAll = replaceText(text, a, b, start, std::nullopt, flag);
    if (a.empty()) {
        LD_FUZZ_CHECK(replacedAll == text);
    }
    (void)replaced;

    for (const Text& part : splitText(text, a, count)) {
        LD_FUZZ_CHECK(isPartOf(part, text));
    }
    for (const Text& part : splitText(text)) {
        LD_FUZZ_CHECK(isPartOf(part, text));
    }
    const Text between = textBetween(text, a, b, start, flag);
    LD_FUZZ_CHECK(isPartOf(between, text));

    LD_FUZZ_CHECK(isPartOf(trimSpaces(text), text));
    LD_FUZZ_CHECK(removeAllSpaces(text).length() <= text.length());
    LD_FUZZ_CHECK(toLowerText(text).length() == text.length());
    LD_FUZZ_CHECK(toUpperText(text).length() == text.length());
    LD_FUZZ_CHECK(compareTexts(text, a) == -compareTexts(a, text));
    LD_FUZZ_CHECK(compareTexts(text, text) == 0);
    LD_FUZZ_CHECK(concatTexts({text, a, b}).length() == text.length() + a.length() + b.length());
}

void checkNumbers(const Text& text, std::int32_t value) {
    (void)toInteger(text);
    LD_FUZZ_CHECK(toInteger(toText(value)) == value);
    (void)toText(static_cast<std::int64_t>(value) * 65537);
    double real = 0;
    float single = 0;
    std::memcpy(&real, text.c_str(), std::min<std::size_t>(sizeof real, text.bytes().size()));
    std::memcpy(&single, text.c_str(), std::min<std::size_t>(sizeof single, text.bytes().size()));
    LD_FUZZ_CHECK(!holdsZeroByte(toText(real).view()));
    LD_FUZZ_CHECK(!holdsZeroByte(toText(single).view()));
}

void checkBytes(const std::string& raw, int n) {
    const ByteSet bytes = ByteSet::fromString(raw);
    LD_FUZZ_CHECK(bytes.length() == static_cast<int>(raw.size()));
    const ByteSet left = leftBytes(bytes, n);
    LD_FUZZ_CHECK(left.length() <= std::max(n, 0) && bytes.view().starts_with(left.view()));
    LD_FUZZ_CHECK(zeroBytes(n).length() == std::max(n, 0));
    LD_FUZZ_CHECK(compareBytes(bytes, concatBytes({left, ByteSet()})) == (left == bytes));
    const Text text = bytesToText(bytes);
    LD_FUZZ_CHECK(raw.starts_with(text.view()));
    LD_FUZZ_CHECK(textToBytes(text).view() == text.view());
    (void)toText(bytes);
}

}  // namespace

void fuzzTextOps(Bytes input) {
    FuzzInput in(input);
    const int n = in.position(64);
    const int start = in.position(64);
    const int count = in.position(8);
    const std::uint8_t flags = in.byte();
    const std::int32_t number = in.int32();
    const Text a(in.piece());
    const Text b(in.piece());
    const std::string raw = in.rest();
    const Text text(raw);

    checkSearches(text, a, start, (flags & 1) != 0);
    checkSearches(text, b, n, (flags & 2) != 0);
    checkSlices(text, n, start);
    checkEdits(text, a, b, start, count, (flags & 4) != 0);
    checkNumbers(text, number);
    checkBytes(raw, n);
    LD_FUZZ_CHECK(blankText(n).length() == std::max(n, 0));
    (void)toText(text);
}

}  // namespace ld::fuzz
