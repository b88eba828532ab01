// Readable GoogleTest output for Text and ByteSet: printable ASCII as is,
// every other byte as \xHH.
#pragma once

#include <cstdio>
#include <ostream>
#include <string_view>

#include "text/text.h"

namespace ld {

inline void printBytes(std::string_view bytes, std::ostream* os) {
    *os << '"';
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\' && byte != '"') {
            *os << c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            *os << escaped;
        }
    }
    *os << '"';
}

inline void PrintTo(const Text& text, std::ostream* os) {
    printBytes(text.view(), os);
}
inline void PrintTo(const ByteSet& bytes, std::ostream* os) {
    printBytes(bytes.view(), os);
}

}  // namespace ld
