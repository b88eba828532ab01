#include "app/terminal/display_text.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>

namespace ld {
namespace {

// One character of the text: its code point (negative when malformed) and
// where the next one starts.
struct Character {
    UChar32 codePoint;
    std::int32_t next;
};

Character characterAt(std::string_view utf8, std::int32_t offset) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(utf8.data());
    const auto length = static_cast<std::int32_t>(utf8.size());
    UChar32 codePoint = 0;
    U8_NEXT(bytes, offset, length, codePoint);
    return {codePoint, offset};
}

int columnsOf(UChar32 codePoint) {
    if (codePoint < 0) {
        return 1;
    }
    if (codePoint == 0x200B || u_getCombiningClass(codePoint) != 0) {
        return 0;
    }
    const std::int8_t type = u_charType(codePoint);
    if (type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK || type == U_FORMAT_CHAR) {
        return 0;
    }
    const auto width =
        static_cast<UEastAsianWidth>(u_getIntPropertyValue(codePoint, UCHAR_EAST_ASIAN_WIDTH));
    return width == U_EA_WIDE || width == U_EA_FULLWIDTH ? 2 : 1;
}

bool isControl(UChar32 codePoint) {
    return (codePoint >= 0 && codePoint < 0x20) || (codePoint >= 0x7F && codePoint < 0xA0);
}

}  // namespace

int displayWidth(std::string_view utf8) {
    int columns = 0;
    for (std::int32_t offset = 0; offset < static_cast<std::int32_t>(utf8.size());) {
        const Character character = characterAt(utf8, offset);
        columns += columnsOf(character.codePoint);
        offset = character.next;
    }
    return columns;
}

std::string fitToColumns(std::string_view utf8, int columns) {
    int used = 0;
    std::int32_t end = 0;
    while (end < static_cast<std::int32_t>(utf8.size())) {
        const Character character = characterAt(utf8, end);
        const int width = columnsOf(character.codePoint);
        if (used + width > columns) {
            break;
        }
        used += width;
        end = character.next;
    }
    return std::string(utf8.substr(0, static_cast<std::size_t>(end)));
}

std::string printableText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::int32_t offset = 0; offset < static_cast<std::int32_t>(utf8.size());) {
        const Character character = characterAt(utf8, offset);
        if (isControl(character.codePoint)) {
            out += ' ';
        } else if (character.codePoint < 0) {
            out += "\uFFFD";
        } else {
            out.append(utf8.substr(static_cast<std::size_t>(offset),
                                   static_cast<std::size_t>(character.next - offset)));
        }
        offset = character.next;
    }
    return out;
}

}  // namespace ld
