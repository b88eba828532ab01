#include "download/utf16_bytes.h"

#include <algorithm>
#include <cstdint>

#include "text/codepage.h"

namespace ld {

namespace {

constexpr std::size_t kUnit = 2;

bool isHighSurrogate(const std::vector<std::uint8_t>& bytes, std::size_t unitIndex) {
    const auto unit =
        static_cast<std::uint16_t>(bytes[unitIndex * kUnit] | (bytes[unitIndex * kUnit + 1] << 8));
    return unit >= 0xD800 && unit <= 0xDBFF;
}

}  // namespace

ByteSet ansiToUtf16Bytes(const Text& text) {
    if (text.empty()) {
        return {};
    }
    ByteSet bytes = gbkToUtf16(text);
    bytes.bytes().insert(bytes.bytes().end(), kUnit, 0);
    return bytes;
}

Text utf16BytesToAnsi(const ByteSet& bytes) {
    const auto& all = bytes.bytes();
    std::size_t units = all.size() / kUnit;
    for (std::size_t i = 0; i < units; ++i) {
        if (all[i * kUnit] == 0 && all[i * kUnit + 1] == 0) {
            units = i;
            break;
        }
    }
    if (units == 0) {
        return {};
    }
    const auto first = all.begin();
    return utf16ToGbk(ByteSet(std::vector<std::uint8_t>(first, first + units * kUnit)));
}

ByteSet utf16FieldBytes(const Text& text, int fieldSize) {
    ByteSet bytes = ansiToUtf16Bytes(text);
    if (bytes.empty()) {
        // A lone terminator, so writing an empty text clears what was there.
        bytes.bytes().assign(std::min<std::size_t>(kUnit, std::max(fieldSize, 0)), 0);
        return bytes;
    }
    return fitUtf16ToField(std::move(bytes), fieldSize);
}

ByteSet fitUtf16ToField(ByteSet bytes, int fieldSize) {
    if (fieldSize < 0 || bytes.length() <= fieldSize) {
        return bytes;
    }
    auto& all = bytes.bytes();
    // Room for the text's units in front of the terminating zero unit.
    const std::size_t fieldUnits = static_cast<std::size_t>(fieldSize) / kUnit;
    std::size_t keptUnits = fieldUnits == 0 ? 0 : fieldUnits - 1;
    if (keptUnits > 0 && isHighSurrogate(all, keptUnits - 1)) {
        --keptUnits;  // its low half would be cut off
    }
    all.resize(keptUnits * kUnit);
    all.resize(static_cast<std::size_t>(fieldSize), 0);
    return bytes;
}

}  // namespace ld
