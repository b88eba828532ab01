// The code page conversions' shared half: byte order, the zero that ends a
// Text, and the public operations. The conversions themselves are the
// system's (text/codepage_units.h).
#include "text/codepage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/codepage_units.h"

namespace ld {

namespace {

std::string_view beforeZero(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

std::u16string_view beforeZero(std::u16string_view units) {
    return units.substr(0, units.find(u'\0'));
}

std::u16string unitsFromLittleEndian(const ByteSet& utf16) {
    const auto& bytes = utf16.bytes();
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t unit = 0; unit < units.size(); ++unit) {
        units[unit] = static_cast<char16_t>(bytes[2 * unit] | (bytes[2 * unit + 1] << 8));
    }
    return units;
}

ByteSet unitsToLittleEndian(std::u16string_view units) {
    std::vector<std::uint8_t> bytes(units.size() * 2);
    for (std::size_t unit = 0; unit < units.size(); ++unit) {
        bytes[2 * unit] = static_cast<std::uint8_t>(units[unit] & 0xFF);
        bytes[2 * unit + 1] = static_cast<std::uint8_t>(units[unit] >> 8);
    }
    return ByteSet(std::move(bytes));
}

}  // namespace

ByteSet utf8ToUtf16(const ByteSet& utf8) {
    return unitsToLittleEndian(detail::utf8ToUnits(utf8.view()));
}

Text utf16ToGbk(const ByteSet& utf16) {
    return detail::unitsToGbk(beforeZero(unitsFromLittleEndian(utf16)));
}

Text utf8ToGbkText(const ByteSet& utf8) {
    return utf8ToGbk(utf8.view());
}

ByteSet gbkToUtf16(const Text& text) {
    return unitsToLittleEndian(detail::gbkToUnits(text.view()));
}

std::string gbkToUtf8(const Text& text) {
    return detail::unitsToUtf8(detail::gbkToUnits(text.view()));
}

Text utf8ToGbk(std::string_view utf8) {
    // The zero byte ends the Text whatever follows, so convert only what precedes it.
    return detail::unitsToGbk(detail::utf8ToUnits(beforeZero(utf8)));
}

}  // namespace ld
