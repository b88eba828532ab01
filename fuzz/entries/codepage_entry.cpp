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

bool isValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto lead = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        char32_t value = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            value = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            value = lead & 0x07;
        } else {
            return false;
        }
        if (i + extra >= s.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            value = (value << 6) | (next & 0x3F);
        }
        const char32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

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
