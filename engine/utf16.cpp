#include "engine/utf16.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace ld::engine {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool isHighSurrogate(std::uint16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(std::uint16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// Decodes one code point from UTF-8 at `i`, advancing it; malformed input yields U+FFFD and
// skips one byte.
char32_t decodeUtf8(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    // Lowest code point each sequence length may carry (shorter forms are overlong).
    static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    std::size_t length = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4;
        cp = b0 & 0x07;
    } else {
        ++i;
        return kReplacement;
    }
    if (i + length > s.size()) {
        ++i;
        return kReplacement;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += length;
    return cp;
}

}  // namespace

std::string utf16FieldToUtf8(const unsigned char* field, std::size_t fieldSize) {
    const std::size_t units = fieldSize / 2;
    auto unitAt = [field](std::size_t k) {
        return static_cast<std::uint16_t>(field[2 * k] | (field[2 * k + 1] << 8));
    };
    std::string out;
    for (std::size_t k = 0; k < units; ++k) {
        const std::uint16_t u = unitAt(k);
        if (u == 0) {
            break;
        }
        if (isHighSurrogate(u) && k + 1 < units && isLowSurrogate(unitAt(k + 1))) {
            const char32_t cp = 0x10000 + ((char32_t{u} - 0xD800) << 10) + (unitAt(k + 1) - 0xDC00);
            appendUtf8(out, cp);
            ++k;
        } else if (isHighSurrogate(u) || isLowSurrogate(u)) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

void utf8ToUtf16Field(std::string_view text, unsigned char* field, std::size_t fieldSize) {
    std::memset(field, 0, fieldSize);
    const std::size_t capacity = fieldSize / 2;  // units, the terminator included
    if (capacity == 0) {
        return;
    }
    std::vector<std::uint16_t> units;
    for (std::size_t i = 0; i < text.size();) {
        const char32_t cp = decodeUtf8(text, i);
        const std::size_t needed = cp >= 0x10000 ? 2 : 1;
        if (units.size() + needed > capacity - 1) {
            break;
        }
        if (cp >= 0x10000) {
            units.push_back(static_cast<std::uint16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            units.push_back(static_cast<std::uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<std::uint16_t>(cp));
        }
    }
    for (std::size_t k = 0; k < units.size(); ++k) {
        field[2 * k] = static_cast<unsigned char>(units[k] & 0xFF);
        field[2 * k + 1] = static_cast<unsigned char>(units[k] >> 8);
    }
}

}  // namespace ld::engine
