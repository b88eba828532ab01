// The code page conversions on arbitrary bytes: the results must be well formed
// (whole UTF-16 units, valid UTF-8, no zero byte inside a Text) and plain ASCII
// must survive the round trip unchanged.
#include <cstddef>
#include <string>
#include <string_view>

#include "fuzz/fuzz_entries.h"
#include "fuzz/fuzz_input.h"
#include "text/codepage.h"

namespace ld::fuzz {

namespace {

bool holdsZeroUnit(const ByteSet& utf16) {
    for (std::size_t i = 0; i + 1 < utf16.bytes().size(); i += 2) {
        if (utf16.bytes()[i] == 0 && utf16.bytes()[i + 1] == 0) {
            return true;
        }
    }
    return false;
}

bool isAscii(std::string_view s) {
    for (const char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace

void fuzzCodepage(Bytes input) {
    const std::string raw(reinterpret_cast<const char*>(input.data()), input.size());
    const ByteSet bytes = ByteSet::fromString(raw);

    const ByteSet utf16 = utf8ToUtf16(bytes);
    LD_FUZZ_CHECK(utf16.length() % 2 == 0);

    const Text fromUtf16 = utf16ToGbk(bytes);
    LD_FUZZ_CHECK(!holdsZeroByte(fromUtf16.view()));
    const Text fromUtf8 = utf8ToGbkText(bytes);
    LD_FUZZ_CHECK(!holdsZeroByte(fromUtf8.view()));
    LD_FUZZ_CHECK(utf8ToGbk(raw) == fromUtf8);

    const Text text(raw);
    const ByteSet units = gbkToUtf16(text);
    LD_FUZZ_CHECK(units.length() % 2 == 0);
    LD_FUZZ_CHECK(units.length() <= 2 * text.length());
    LD_FUZZ_CHECK(!holdsZeroUnit(units));
    const std::string utf8 = gbkToUtf8(text);
    LD_FUZZ_CHECK(isValidUtf8(utf8));
    LD_FUZZ_CHECK(!holdsZeroByte(utf8));

    if (isAscii(text.view())) {
        LD_FUZZ_CHECK(utf8 == text.bytes());
        LD_FUZZ_CHECK(utf8ToGbk(utf8) == text);
        LD_FUZZ_CHECK(utf16ToGbk(units) == text);
    }
    // Whatever came out of code page 936 goes back into it unchanged, except
    // where a character had no place in Unicode (U+FFFD, shown as "?").
    const Text back = utf8ToGbk(utf8);
    LD_FUZZ_CHECK(!holdsZeroByte(back.view()));
    if (utf8.find("\xEF\xBF\xBD") == std::string::npos) {
        LD_FUZZ_CHECK(gbkToUtf8(back) == utf8);
    }
}

}  // namespace ld::fuzz
