// Conversions between the records' fixed UTF-16LE text fields and UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ld::engine {

// Reads the text of a fixed field of `fieldSize` bytes: up to the first zero unit, or to the
// end of the field when it has none. Never reads past the field. Unpaired surrogates become
// U+FFFD.
std::string utf16FieldToUtf8(const unsigned char* field, std::size_t fieldSize);

// Writes `text` into a field of `fieldSize` bytes as UTF-16LE followed by a zero unit; the
// text is cut at a character boundary when it does not fit. Invalid UTF-8 becomes U+FFFD.
void utf8ToUtf16Field(std::string_view text, unsigned char* field, std::size_t fieldSize);

}  // namespace ld::engine
