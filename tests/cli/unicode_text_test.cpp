// Reading UTF-8 a character at a time and the columns each character takes
// (our own table), on every platform. The Linux suite also holds both against
// ICU for every code point (unicode_icu_test.cpp).
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/terminal/character_columns.h"
#include "app/terminal/display_text.h"
#include "app/terminal/utf8_character.h"

namespace ld {
namespace {

// The text cut into characters: each one's bytes, or "!" plus its bytes when
// malformed.
std::vector<std::string> pieces(std::string_view utf8) {
    std::vector<std::string> out;
    for (std::size_t offset = 0; offset < utf8.size();) {
        const Utf8Character character = utf8CharacterAt(utf8, offset);
        EXPECT_GT(character.next, offset);
        const std::string bytes(utf8.substr(offset, character.next - offset));
        out.push_back(character.malformed ? "!" + bytes : bytes);
        offset = character.next;
    }
    return out;
}

using Pieces = std::vector<std::string>;

TEST(Utf8Character, WellFormedCharactersOfEveryLength) {
    const Utf8Character a = utf8CharacterAt("a", 0);
    EXPECT_EQ(a.codePoint, U'a');
    EXPECT_FALSE(a.malformed);
    EXPECT_EQ(utf8CharacterAt("é", 0).codePoint, U'é');
    EXPECT_EQ(utf8CharacterAt("讲", 0).codePoint, U'讲');
    EXPECT_EQ(utf8CharacterAt("\U0001F600", 0).codePoint, U'\U0001F600');
    EXPECT_EQ(utf8CharacterAt("\U0010FFFF", 0).codePoint, U'\U0010FFFF');
    EXPECT_EQ(pieces("第1讲"), (Pieces{"第", "1", "讲"}));
}

TEST(Utf8Character, MalformedSequencesAreTheirLongestValidBeginning) {
    // A stray trail byte, C0/C1 and F5..FF leads: one byte each.
    EXPECT_EQ(pieces("\x80"
                     "a\xC0\xAF\xF5\xFF"),
              (Pieces{"!\x80", "a", "!\xC0", "!\xAF", "!\xF5", "!\xFF"}));
    // Cut short by the end or by the next character: what was there is one.
    EXPECT_EQ(pieces("\xE8\xAE"), (Pieces{"!\xE8\xAE"}));
    EXPECT_EQ(pieces("\xF0\x9F\x98"
                     "a"),
              (Pieces{"!\xF0\x9F\x98", "a"}));
    // Overlong forms, surrogates, beyond U+10FFFF: the lead alone, then the
    // trail bytes one by one.
    EXPECT_EQ(pieces("\xE0\x80\xAF"), (Pieces{"!\xE0", "!\x80", "!\xAF"}));
    EXPECT_EQ(pieces("\xED\xA0\x80"), (Pieces{"!\xED", "!\xA0", "!\x80"}));
    EXPECT_EQ(pieces("\xF4\x90\x80\x80"), (Pieces{"!\xF4", "!\x90", "!\x80", "!\x80"}));
    EXPECT_EQ(pieces("\xF0\x8F\xBF\xBF"), (Pieces{"!\xF0", "!\x8F", "!\xBF", "!\xBF"}));
    // The highest of each edge is still fine.
    EXPECT_EQ(pieces("\xED\x9F\xBF\xEE\x80\x80"), (Pieces{"\xED\x9F\xBF", "\xEE\x80\x80"}));
}

TEST(Utf8Character, TextWrittenInPiecesHoldsBackOnlyACharacterCutShort) {
    EXPECT_EQ(completeUtf8Length(""), 0U);
    EXPECT_EQ(completeUtf8Length("ab"), 2U);
    EXPECT_EQ(completeUtf8Length("a讲"), 4U);
    EXPECT_EQ(completeUtf8Length("a\xE8"), 1U);
    EXPECT_EQ(completeUtf8Length("a\xE8\xAE"), 1U);
    EXPECT_EQ(completeUtf8Length("\xF0\x9F\x98"), 0U);
    // Already malformed: nothing to wait for.
    EXPECT_EQ(completeUtf8Length("a\x80"), 2U);
    EXPECT_EQ(completeUtf8Length("a\xE0\x80"), 3U);
    EXPECT_EQ(completeUtf8Length("a\xFF"), 2U);
    EXPECT_EQ(completeUtf8Length("\x80\x80\x80\x80"), 4U);
}

TEST(CharacterColumns, WideNarrowAndZeroWidthCharacters) {
    struct Case {
        char32_t codePoint;
        int columns;
    };
    const std::vector<Case> cases = {
        {U'a', 1},     {U'~', 1},     {0x00E9, 1},   // é
        {0x4E00, 2},   {0x8BB2, 2},   {0x9FFF, 2},   // CJK ideographs
        {0x3000, 2},   {0xFF1A, 2},   {0xFF08, 2},   // ideographic space, full-width ：（
        {0xFF61, 1},                                 // half-width 。
        {0x1100, 2},   {0x1160, 1},                  // Hangul leading / medial jamo
        {0xAC00, 2},   {0x3041, 2},                  // Hangul syllable, hiragana
        {0x1F600, 2},  {0x2614, 2},   {0x2615, 2},   // emoji presentation
        {0x20000, 2},  {0x2FFFD, 2},  {0x3FFFD, 2},  // planes 2 and 3, assigned or not
        {0x0301, 0},   {0x20DD, 0},   {0xFE0F, 0},   // combining, enclosing, selector
        {0x200B, 0},   {0x200D, 0},   {0x00AD, 0},   // zero-width space / joiner, soft hyphen
        {0xE0001, 0},  {0xE01EF, 0},                 // tags, supplementary selectors
        {0x10FFFF, 1}, {0x110000, 1}, {0xD800, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(characterColumns(c.codePoint), c.columns)
            << std::hex << static_cast<unsigned>(c.codePoint);
    }
    EXPECT_EQ(displayWidth("第8讲 期末复习：综合练习"), 24);
    EXPECT_EQ(displayWidth("\xE8\xAE"), 1);  // a cut character counts one column
}

}  // namespace
}  // namespace ld
