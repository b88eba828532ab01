// The per-system half of the code page conversions (text/codepage.h): UTF-8
// and code page 936 to and from UTF-16 code units. codepage_icu.cpp builds
// them on ICU, codepage_windows.cpp on the system's own MultiByteToWideChar
// and WideCharToMultiByte. Inputs hold no zero byte or unit (the caller cuts
// there); failure, empty input or input beyond 512 MB gives empty output.
// Stateless; safe from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/text.h"

namespace ld::detail {

// UTF-8 -> UTF-16; a malformed sequence becomes U+FFFD.
std::u16string utf8ToUnits(std::string_view utf8);
// UTF-16 -> UTF-8; an unpaired surrogate becomes U+FFFD.
std::string unitsToUtf8(std::u16string_view units);
// UTF-16 -> code page 936 with the composite check; what the code page cannot
// hold becomes '?'.
Text unitsToGbk(std::u16string_view units);
// Code page 936 -> UTF-16.
std::u16string gbkToUnits(std::string_view gbkBytes);

// Whether a size can be handed to the converters' 32-bit counts (with room
// for four output units per input unit).
inline bool fitsConverterCount(std::size_t size) {
    return size <= static_cast<std::size_t>(INT32_MAX / 4);
}

}  // namespace ld::detail
