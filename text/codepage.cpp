// The code page conversions' shared half: byte order, the zero that ends a
// Text, the public operations, and the piecewise conversion of long texts.
// The conversions themselves are the system's (text/codepage_units.h).
#include "text/codepage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/codepage_units.h"
#include "text/gbk_walk.h"

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

// Long texts (a catalogue of tens of megabytes) are converted piece by
// piece, so that besides the input only the output is held whole: never the
// text as UTF-16, nor a second estimate-sized buffer.
constexpr std::size_t kPieceBytes = 64 * 1024;

bool isContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The length of the UTF-8 at `at` when it is a mark the composite check may
// join to the character before it (U+0300..U+036F, U+3099, U+309A), else 0.
std::size_t composableMarkLength(std::string_view utf8, std::size_t at) {
    const auto byte = [&utf8](std::size_t i) {
        return i < utf8.size() ? static_cast<unsigned char>(utf8[i]) : 0U;
    };
    const unsigned first = byte(at);
    const unsigned second = byte(at + 1);
    if ((first == 0xCC && second >= 0x80 && second <= 0xBF) ||
        (first == 0xCD && second >= 0x80 && second <= 0xAF)) {
        return 2;
    }
    if (first == 0xE3 && second == 0x82 && (byte(at + 2) == 0x99 || byte(at + 2) == 0x9A)) {
        return 3;
    }
    return 0;
}

// Where the UTF-8 piece that starts at `begin` ends: about kPieceBytes on,
// never inside a character (a malformed run aside) and never just before a
// mark that composes with the character before it, so that each piece
// converts exactly as the whole text would.
std::size_t utf8PieceEnd(std::string_view utf8, std::size_t begin) {
    std::size_t end = begin + kPieceBytes;
    if (end >= utf8.size()) {
        return utf8.size();
    }
    for (int back = 0; back < 3 && isContinuationByte(utf8[end]); ++back) {
        --end;
    }
    while (end < utf8.size()) {
        const std::size_t mark = composableMarkLength(utf8, end);
        if (mark == 0) {
            break;
        }
        end += mark;
    }
    return end;
}

// Where the code page 936 piece that starts at `begin` ends: about
// kPieceBytes on, never between the two bytes of a character.
std::size_t gbkPieceEnd(std::string_view gbk, std::size_t begin) {
    std::size_t end = begin;
    while (end < gbk.size() && end - begin < kPieceBytes) {
        end += detail::charWidth(gbk, end);
    }
    return end < gbk.size() ? end : gbk.size();
}

// UTF-8 -> code page 936, piece by piece; the same bytes as converting the
// whole text at once.
Text utf8ToGbkInPieces(std::string_view utf8) {
    if (utf8.size() <= kPieceBytes) {
        return detail::unitsToGbk(detail::utf8ToUnits(utf8));
    }
    std::string gbk;
    // Three UTF-8 bytes of a Chinese character become two; ASCII stays one.
    gbk.reserve(utf8.size());
    for (std::size_t begin = 0; begin < utf8.size();) {
        const std::size_t end = utf8PieceEnd(utf8, begin);
        gbk += detail::unitsToGbk(detail::utf8ToUnits(utf8.substr(begin, end - begin))).view();
        begin = end;
    }
    return Text(std::move(gbk));
}

// Code page 936 -> UTF-8, piece by piece; the same bytes as converting the
// whole text at once (code page 936 yields no surrogates to split).
std::string gbkToUtf8InPieces(std::string_view gbk) {
    if (gbk.size() <= kPieceBytes) {
        return detail::unitsToUtf8(detail::gbkToUnits(gbk));
    }
    std::string utf8;
    // Two bytes of a character become three; plain ASCII stays one.
    utf8.reserve(gbk.size() + gbk.size() / 2);
    for (std::size_t begin = 0; begin < gbk.size();) {
        const std::size_t end = gbkPieceEnd(gbk, begin);
        utf8 += detail::unitsToUtf8(detail::gbkToUnits(gbk.substr(begin, end - begin)));
        begin = end;
    }
    return utf8;
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
    return gbkToUtf8InPieces(text.view());
}

Text utf8ToGbk(std::string_view utf8) {
    // The zero byte ends the Text whatever follows, so convert only what precedes it.
    return utf8ToGbkInPieces(beforeZero(utf8));
}

}  // namespace ld
