// Byte-level helpers shared by the Text operations: the two-byte character
// walk of code page 936 and ASCII-only case folding (lower-casing comes from
// the shared ASCII helpers). Internal to ld_text.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "common/ascii.h"

namespace ld::detail {

using ld::asciiLower;

// A byte of 0x80 or above starts a two-byte character.
inline bool isLeadByte(char byte) noexcept {
    return static_cast<unsigned char>(byte) >= 0x80;
}

// Bytes the walk advances from position at: 2 on a lead byte, else 1.
inline std::size_t charWidth(std::string_view bytes, std::size_t at) noexcept {
    return isLeadByte(bytes[at]) ? 2 : 1;
}

inline char asciiUpper(char byte) noexcept {
    return (byte >= 'a' && byte <= 'z') ? static_cast<char>(byte - 'a' + 'A') : byte;
}

// Whether needle occurs in haystack at byte offset at (the caller guarantees
// at + needle.size() <= haystack.size()). Case-insensitive folds A-Z/a-z only.
inline bool matchesAt(std::string_view haystack, std::size_t at, std::string_view needle,
                      bool caseInsensitive) noexcept {
    if (!caseInsensitive) {
        return std::memcmp(haystack.data() + at, needle.data(), needle.size()) == 0;
    }
    for (std::size_t i = 0; i < needle.size(); ++i) {
        if (asciiLower(haystack[at + i]) != asciiLower(needle[i])) {
            return false;
        }
    }
    return true;
}

// The full-width blank of code page 936, A1 A1.
inline bool isFullWidthBlankAt(std::string_view bytes, std::size_t at) noexcept {
    return at + 1 < bytes.size() && static_cast<unsigned char>(bytes[at]) == 0xA1 &&
           static_cast<unsigned char>(bytes[at + 1]) == 0xA1;
}

// Width of the blank starting at at (1 for 0x20, 2 for A1 A1), or 0 when the
// character there is not a blank.
inline std::size_t blankWidthAt(std::string_view bytes, std::size_t at) noexcept {
    if (bytes[at] == ' ') {
        return 1;
    }
    return isFullWidthBlankAt(bytes, at) ? 2 : 0;
}

}  // namespace ld::detail
