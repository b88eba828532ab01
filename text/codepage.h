// Conversions between UTF-8, UTF-16LE and code page 936 (GBK), matching what
// Windows' converters produce: byte 0x80 is the euro sign, ICU's fallback
// mappings are used, a character code page 936 cannot hold becomes one "?" per
// UTF-16 code unit (an unpaired surrogate likewise), a base letter followed by a
// combining mark becomes the precomposed character when the code page holds it,
// and malformed UTF-8 becomes U+FFFD first. A zero byte or unit ends a Text.
// Toward Unicode, a byte sequence that is not valid GBK becomes U+FFFD (a lone
// lead byte at the end becomes "?" with the Windows table, as Wine has it).
// The converters are the system's: Windows' own on Windows, ICU elsewhere.
// Failure (e.g. input beyond 512 MB) gives empty output. Safe to call from any
// thread (each call uses its own converter).
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

namespace ld {

// UTF-8 bytes -> UTF-16LE bytes (two per code unit, no terminator).
ByteSet utf8ToUtf16(const ByteSet& utf8);
// UTF-16LE bytes -> Text in code page 936, cut at the first zero.
Text utf16ToGbk(const ByteSet& utf16);
// utf16ToGbk(utf8ToUtf16(utf8)).
Text utf8ToGbkText(const ByteSet& utf8);

// Text <-> UTF-16LE bytes (no terminator).
ByteSet gbkToUtf16(const Text& text);
// Text -> UTF-8 (for the regex engine, the file system, Qt).
std::string gbkToUtf8(const Text& text);
// UTF-8 -> Text. Shorthand for utf8ToGbkText on a string.
Text utf8ToGbk(std::string_view utf8);

// Source literals are UTF-8; this turns one into a Text.
inline Text gbk(std::string_view utf8Literal) {
    return utf8ToGbk(utf8Literal);
}

}  // namespace ld
