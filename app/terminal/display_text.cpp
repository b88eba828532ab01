#include "app/terminal/display_text.h"

#include "app/terminal/character_columns.h"
#include "app/terminal/utf8_character.h"

namespace ld {
namespace {

int columnsOf(const Utf8Character& character) {
    return character.malformed ? 1 : characterColumns(character.codePoint);
}

bool isControl(const Utf8Character& character) {
    const char32_t codePoint = character.codePoint;
    return !character.malformed && (codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0));
}

}  // namespace

int displayWidth(std::string_view utf8) {
    int columns = 0;
    for (std::size_t offset = 0; offset < utf8.size();) {
        const Utf8Character character = utf8CharacterAt(utf8, offset);
        columns += columnsOf(character);
        offset = character.next;
    }
    return columns;
}

std::string fitToColumns(std::string_view utf8, int columns) {
    int used = 0;
    std::size_t end = 0;
    while (end < utf8.size()) {
        const Utf8Character character = utf8CharacterAt(utf8, end);
        const int width = columnsOf(character);
        if (used + width > columns) {
            break;
        }
        used += width;
        end = character.next;
    }
    return std::string(utf8.substr(0, end));
}

std::string printableText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t offset = 0; offset < utf8.size();) {
        const Utf8Character character = utf8CharacterAt(utf8, offset);
        if (isControl(character)) {
            out += ' ';
        } else if (character.malformed) {
            out += "\uFFFD";
        } else {
            out.append(utf8.substr(offset, character.next - offset));
        }
        offset = character.next;
    }
    return out;
}

}  // namespace ld
