#include "app/terminal/utf8_character.h"

#include <cstdint>

namespace ld {

Utf8Character utf8CharacterAt(std::string_view utf8, std::size_t offset) {
    const auto byteAt = [&](std::size_t at) { return static_cast<std::uint8_t>(utf8[at]); };
    const std::uint8_t lead = byteAt(offset++);
    if (lead < 0x80) {
        return {lead, false, offset};
    }
    int trailing = 0;
    char32_t codePoint = 0;
    // The range the first trail byte must fall in; it excludes overlong
    // forms (E0, F0), surrogates (ED) and values beyond U+10FFFF (F4).
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trailing = 1;
        codePoint = lead & 0x1FU;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trailing = 2;
        codePoint = lead & 0x0FU;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trailing = 3;
        codePoint = lead & 0x07U;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return {0, true, offset};  // a trail byte, C0, C1 or F5..FF
    }
    for (int i = 0; i < trailing; ++i) {
        if (offset == utf8.size() || byteAt(offset) < low || byteAt(offset) > high) {
            return {0, true, offset};
        }
        codePoint = (codePoint << 6U) | (byteAt(offset++) & 0x3FU);
        low = 0x80;
        high = 0xBF;
    }
    return {codePoint, false, offset};
}

std::size_t completeUtf8Length(std::string_view utf8) {
    // A character is at most four bytes: its start is among the last three.
    const std::size_t from = utf8.size() > 3 ? utf8.size() - 3 : 0;
    for (std::size_t start = utf8.size(); start > from;) {
        --start;
        const auto byte = static_cast<std::uint8_t>(utf8[start]);
        if ((byte & 0xC0U) == 0x80) {
            continue;  // a trail byte: its lead is further back
        }
        const Utf8Character character = utf8CharacterAt(utf8, start);
        const bool cutShort =
            character.malformed && character.next == utf8.size() && byte >= 0xC2 && byte <= 0xF4;
        return cutShort ? start : utf8.size();
    }
    return utf8.size();
}

}  // namespace ld
