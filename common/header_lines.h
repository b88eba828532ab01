// Header lines as HTTP writes them: a block of lines separated by CR LF, each
// "Name: value". Views into the caller's text; pure functions, any thread.
#pragma once

#include <string_view>

#include "common/ascii.h"

namespace ld {

// Calls `visit(line)` for every line of a CR LF separated block, in order,
// empty lines included; a block without a final CR LF still ends a line.
template <typename Visit>
void forEachHeaderLine(std::string_view block, Visit&& visit) {
    while (!block.empty()) {
        const auto end = block.find("\r\n");
        visit(block.substr(0, end));
        block = end == std::string_view::npos ? std::string_view() : block.substr(end + 2);
    }
}

// One header line split at its first colon, both sides trimmed. A line
// without a colon has no value and `hasColon` false; its name is the whole
// line, trimmed.
struct HeaderField {
    std::string_view name;
    std::string_view value;
    bool hasColon = false;
};

constexpr HeaderField splitHeaderField(std::string_view line) noexcept {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) {
        return {trimBlanks(line), {}, false};
    }
    return {trimBlanks(line.substr(0, colon)), trimBlanks(line.substr(colon + 1)), true};
}

}  // namespace ld
