// How many columns one character takes on a terminal: two for East Asian Wide
// and Fullwidth characters, none for combining marks, enclosing marks, format
// characters (and U+200B), one for everything else. Our own table of Unicode
// 15.0, the same on every platform (Windows has no ICU); on Linux a test holds
// it against ICU for every code point.
//
// A pure function; any thread.
#pragma once

namespace ld {

// `codePoint` in 0..0x10FFFF; anything else takes one column.
int characterColumns(char32_t codePoint);

}  // namespace ld
