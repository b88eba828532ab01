// Reading UTF-8 one character at a time, the way ICU's U8_NEXT does: a
// malformed sequence is one "character" of its longest valid beginning (the
// maximal subpart, one U+FFFD each), never more, so a stray byte cannot
// swallow the characters after it. Overlong forms, surrogates and values
// beyond U+10FFFF are malformed.
//
// A pure function; any thread.
#pragma once

#include <cstddef>
#include <string_view>

namespace ld {

struct Utf8Character {
    char32_t codePoint = 0;  // meaningless when malformed
    bool malformed = false;
    std::size_t next = 0;  // where the next character starts
};

// The character that starts at `offset` (< utf8.size()).
Utf8Character utf8CharacterAt(std::string_view utf8, std::size_t offset);

// The length of the text without the beginning of a character it ends in
// (one whose remaining bytes may still come), so text written in pieces is
// converted whole characters at a time.
std::size_t completeUtf8Length(std::string_view utf8);

}  // namespace ld
