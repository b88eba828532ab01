// Our character table and UTF-8 reader held against ICU (Linux, where the
// terminal mode used ICU before; Windows has none): the same answer for every
// code point Unicode 15.0 assigns, and the same cuts for every sequence of up
// to three bytes and for four-byte sequences over the bytes that matter.
#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <array>
#include <cstdint>
#include <string>

#include "app/terminal/character_columns.h"
#include "app/terminal/utf8_character.h"

namespace ld {
namespace {

// ICU's rule, as the terminal mode had it.
int icuColumns(UChar32 codePoint) {
    if (codePoint == 0x200B || u_getCombiningClass(codePoint) != 0) {
        return 0;
    }
    const std::int8_t type = u_charType(codePoint);
    if (type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK || type == U_FORMAT_CHAR) {
        return 0;
    }
    const auto width =
        static_cast<UEastAsianWidth>(u_getIntPropertyValue(codePoint, UCHAR_EAST_ASIAN_WIDTH));
    return width == U_EA_WIDE || width == U_EA_FULLWIDTH ? 2 : 1;
}

bool assignedByUnicode15(UChar32 codePoint) {
    if (u_charType(codePoint) == U_UNASSIGNED) {
        return false;
    }
    UVersionInfo age{};
    u_charAge(codePoint, age);
    return age[0] < 15 || (age[0] == 15 && age[1] == 0);
}

TEST(UnicodeAgainstIcu, EveryAssignedCodePointTakesIcusColumns) {
    int compared = 0;
    int differing = 0;
    for (UChar32 codePoint = 0; codePoint <= 0x10FFFF; ++codePoint) {
        if (!assignedByUnicode15(codePoint)) {
            continue;
        }
        ++compared;
        const int ours = characterColumns(static_cast<char32_t>(codePoint));
        if (ours != icuColumns(codePoint) && ++differing <= 20) {
            ADD_FAILURE() << "U+" << std::hex << codePoint << ": " << ours << " columns, ICU "
                          << icuColumns(codePoint);
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(compared, 140'000);  // Unicode 15.0 assigns 149,186 characters
}

// Checks one sequence against U8_NEXT: the same first character, the same cut.
::testing::AssertionResult sameAsIcu(const std::string& bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::int32_t offset = 0;
    UChar32 icu = 0;
    U8_NEXT(data, offset, static_cast<std::int32_t>(bytes.size()), icu);
    const Utf8Character ours = utf8CharacterAt(bytes, 0);
    if (ours.next == static_cast<std::size_t>(offset) && ours.malformed == (icu < 0) &&
        (icu < 0 || ours.codePoint == static_cast<char32_t>(icu))) {
        return ::testing::AssertionSuccess();
    }
    std::string hex;
    for (const unsigned char byte : bytes) {
        hex += std::to_string(byte) + " ";
    }
    return ::testing::AssertionFailure()
           << "bytes " << hex << "ours next " << ours.next << " malformed " << ours.malformed
           << ", ICU next " << offset << " code point " << icu;
}

TEST(UnicodeAgainstIcu, EveryShortSequenceIsCutAsIcuCutsIt) {
    int differing = 0;
    std::string bytes;
    for (int first = 0; first < 256; ++first) {
        for (int length = 1; length <= 3; ++length) {
            const int tails = length == 1 ? 1 : length == 2 ? 256 : 65536;
            for (int tail = 0; tail < tails; ++tail) {
                bytes.assign(1, static_cast<char>(first));
                if (length >= 2) {
                    bytes += static_cast<char>(tail & 0xFF);
                }
                if (length == 3) {
                    bytes += static_cast<char>(tail >> 8);
                }
                if (!sameAsIcu(bytes) && ++differing <= 20) {
                    ADD_FAILURE() << sameAsIcu(bytes).message();
                }
            }
        }
    }
    // Four bytes: every lead from F0 on, trail bytes at and around each edge.
    constexpr std::array<int, 12> edges{0x00, 0x7F, 0x80, 0x81, 0x8F, 0x90,
                                        0x9F, 0xA0, 0xBF, 0xC0, 0xE0, 0xFF};
    for (int lead = 0xF0; lead < 256; ++lead) {
        for (const int second : edges) {
            for (const int third : edges) {
                for (const int fourth : edges) {
                    bytes = {static_cast<char>(lead), static_cast<char>(second),
                             static_cast<char>(third), static_cast<char>(fourth)};
                    if (!sameAsIcu(bytes) && ++differing <= 20) {
                        ADD_FAILURE() << sameAsIcu(bytes).message();
                    }
                }
            }
        }
    }
    EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace ld
