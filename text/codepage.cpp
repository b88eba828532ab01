// Conversions between UTF-8, UTF-16 and code page 936 through ICU. The code
// page 936 side uses ICU's "windows-936" table with its fallback mappings, so
// it converts as Windows does (0x80 is the euro sign); a character the code
// page cannot hold becomes one '?' per UTF-16 code unit, as Windows' default
// character does. Every call opens its own converter, so threads never share one.
#include "text/codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <array>
#include <climits>
#include <string>
#include <string_view>

#include "text/icu_converter.h"

namespace ld {

namespace {

constexpr const char* kCodePage936 = "windows-936";
constexpr UChar32 kReplacementCharacter = 0xFFFD;

// From-Unicode callback: one '?' per UTF-16 code unit of a character the code
// page cannot hold (an unassigned character, or an unpaired surrogate).
void questionMarkPerUnit(const void* /*context*/, UConverterFromUnicodeArgs* args,
                         const UChar* /*codeUnits*/, int32_t length, UChar32 /*codePoint*/,
                         UConverterCallbackReason reason, UErrorCode* status) {
    if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR) {
        return;  // reset, close or clone: nothing to write
    }
    *status = U_ZERO_ERROR;
    for (int32_t unit = 0; unit < length && U_SUCCESS(*status); ++unit) {
        ucnv_cbFromUWriteBytes(args, "?", 1, 0, status);
    }
}

detail::IcuConverter openCodePage936() {
    detail::IcuConverter converter(kCodePage936);
    if (!converter) {
        return converter;
    }
    ucnv_setFallback(converter.get(), true);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(converter.get(), questionMarkPerUnit, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status)) {
        return {};
    }
    return converter;
}

// Whether code page 936 holds c (directly or by a fallback mapping).
bool codePageHolds(char16_t c) {
    detail::IcuConverter converter(kCodePage936);
    if (!converter) {
        return false;
    }
    ucnv_setFallback(converter.get(), true);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    char out[4];
    const UChar unit = c;
    ucnv_fromUChars(converter.get(), out, sizeof out, &unit, 1, &status);
    return U_SUCCESS(status);
}

// The combining marks whose precomposed results code page 936 can hold: the
// diacritics of the pinyin and Cyrillic letters (U+0300..U+036F) and the kana
// voicing marks. Checking only these keeps the scan cheap on long texts.
bool isComposableMark(char16_t unit) {
    return (unit >= 0x300 && unit <= 0x36F) || unit == 0x3099 || unit == 0x309A;
}

// Windows' composite check: a base character followed by a combining mark is
// written as the precomposed character when code page 936 holds that (e + U+0301
// becomes A8 A6); otherwise both stay and the mark becomes '?'. Empty result
// when nothing composes, so the common case copies nothing.
std::u16string composeHeldPairs(std::u16string_view units) {
    std::u16string composed;
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
    if (U_FAILURE(status)) {
        return composed;
    }
    std::size_t copied = 0;  // units[0, copied) are already in composed
    for (std::size_t at = 1; at < units.size(); ++at) {
        if (at - 1 < copied || !isComposableMark(units[at])) {
            continue;
        }
        const UChar32 pair = unorm2_composePair(nfc, units[at - 1], units[at]);
        if (pair < 0 || pair > 0xFFFF || !codePageHolds(static_cast<char16_t>(pair))) {
            continue;
        }
        composed.append(units.substr(copied, at - 1 - copied));
        composed.push_back(static_cast<char16_t>(pair));
        copied = at + 1;
    }
    if (copied != 0) {
        composed.append(units.substr(copied));
    }
    return composed;
}

bool fitsInt32(std::size_t size) {
    return size <= static_cast<std::size_t>(INT32_MAX / 4);
}

std::string_view beforeZero(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

std::u16string_view beforeZero(std::u16string_view units) {
    return units.substr(0, units.find(u'\0'));
}

// UTF-8 -> UTF-16; every malformed sequence becomes U+FFFD.
std::u16string utf8ToUnits(std::string_view utf8) {
    if (utf8.empty() || !fitsInt32(utf8.size())) {
        return {};
    }
    // Each input byte yields at most one code unit.
    std::u16string units(utf8.size(), u'\0');
    int32_t produced = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(units.data(), static_cast<int32_t>(units.size()), &produced, utf8.data(),
                         static_cast<int32_t>(utf8.size()), kReplacementCharacter, nullptr,
                         &status);
    if (U_FAILURE(status)) {
        return {};
    }
    units.resize(static_cast<std::size_t>(produced));
    return units;
}

std::string unitsToUtf8(std::u16string_view units) {
    if (units.empty() || !fitsInt32(units.size())) {
        return {};
    }
    std::string utf8(units.size() * 3, '\0');
    int32_t produced = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(utf8.data(), static_cast<int32_t>(utf8.size()), &produced, units.data(),
                       static_cast<int32_t>(units.size()), kReplacementCharacter, nullptr, &status);
    if (U_FAILURE(status)) {
        return {};
    }
    utf8.resize(static_cast<std::size_t>(produced));
    return utf8;
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

// UTF-16 -> code page 936, ended at the first zero unit.
Text unitsToGbk(std::u16string_view units) {
    units = beforeZero(units);
    if (units.empty() || !fitsInt32(units.size())) {
        return {};
    }
    const std::u16string composed = composeHeldPairs(units);
    if (!composed.empty()) {
        units = composed;
    }
    const detail::IcuConverter converter = openCodePage936();
    if (!converter) {
        return {};
    }
    // A code unit yields at most two bytes ('?' per unit for what cannot be held).
    std::string gbkBytes(units.size() * 2, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t produced =
        ucnv_fromUChars(converter.get(), gbkBytes.data(), static_cast<int32_t>(gbkBytes.size()),
                        units.data(), static_cast<int32_t>(units.size()), &status);
    if (U_FAILURE(status)) {
        return {};
    }
    gbkBytes.resize(static_cast<std::size_t>(produced));
    return Text(std::move(gbkBytes));
}

// Code page 936 -> UTF-16.
std::u16string gbkToUnits(std::string_view gbkBytes) {
    if (gbkBytes.empty() || !fitsInt32(gbkBytes.size())) {
        return {};
    }
    const detail::IcuConverter converter = openCodePage936();
    if (!converter) {
        return {};
    }
    // A byte yields at most one code unit; the retry only guards the assumption.
    std::u16string units(gbkBytes.size(), u'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t produced =
            ucnv_toUChars(converter.get(), units.data(), static_cast<int32_t>(units.size()),
                          gbkBytes.data(), static_cast<int32_t>(gbkBytes.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR && attempt == 0) {
            units.assign(static_cast<std::size_t>(produced), u'\0');
            continue;
        }
        if (U_FAILURE(status)) {
            return {};
        }
        units.resize(static_cast<std::size_t>(produced));
        return units;
    }
    return {};
}

// Long texts (a catalogue of tens of megabytes) are converted piece by
// piece, so that besides the input only the output is held whole: never the
// text as UTF-16, nor a second estimate-sized buffer.
constexpr std::size_t kPieceBytes = 64 * 1024;

bool isContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The length of the UTF-8 at `at` when it is a mark composeHeldPairs may join
// to the character before it (U+0300..U+036F, U+3099, U+309A), else 0.
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

// Appends the code page 936 bytes of `units` to `out`; `last` flushes the
// converter. False when the conversion fails.
bool appendGbk(UConverter* converter, std::u16string_view units, bool last, std::string& out) {
    std::array<char, 16 * 1024> buffer{};
    const UChar* source = units.data();
    const UChar* const sourceEnd = units.data() + units.size();
    UErrorCode status = U_ZERO_ERROR;
    do {
        status = U_ZERO_ERROR;
        char* target = buffer.data();
        ucnv_fromUnicode(converter, &target, buffer.data() + buffer.size(), &source, sourceEnd,
                         nullptr, last, &status);
        out.append(buffer.data(), static_cast<std::size_t>(target - buffer.data()));
    } while (status == U_BUFFER_OVERFLOW_ERROR);
    return U_SUCCESS(status);
}

// utf8 (already cut at its first zero byte) -> code page 936, piece by piece;
// the same bytes as unitsToGbk(utf8ToUnits(utf8)).
Text utf8ToGbkInPieces(std::string_view utf8) {
    if (utf8.empty() || !fitsInt32(utf8.size())) {
        return {};
    }
    const detail::IcuConverter converter = openCodePage936();
    if (!converter) {
        return {};
    }
    std::string gbkBytes;
    // A UTF-8 byte never yields more than one byte of code page 936 (a unit
    // takes two or more bytes whenever its character takes two).
    gbkBytes.reserve(utf8.size());
    for (std::size_t begin = 0; begin < utf8.size();) {
        const std::size_t end = utf8PieceEnd(utf8, begin);
        const std::u16string units = utf8ToUnits(utf8.substr(begin, end - begin));
        if (units.empty()) {
            return {};
        }
        const std::u16string composed = composeHeldPairs(units);
        if (!appendGbk(converter.get(), composed.empty() ? units : composed, end == utf8.size(),
                       gbkBytes)) {
            return {};
        }
        begin = end;
    }
    return Text(std::move(gbkBytes));
}

// Code page 936 -> UTF-8, piece by piece; the same bytes as
// unitsToUtf8(gbkToUnits(gbkBytes)). Code page 936 yields no surrogates, so
// no character is split between two pieces of UTF-16.
std::string gbkToUtf8InPieces(std::string_view gbkBytes) {
    if (gbkBytes.empty() || !fitsInt32(gbkBytes.size())) {
        return {};
    }
    const detail::IcuConverter converter = openCodePage936();
    if (!converter) {
        return {};
    }
    std::string utf8;
    // Two bytes of a character become three; plain ASCII stays one.
    utf8.reserve(gbkBytes.size() + gbkBytes.size() / 2);
    std::u16string units(kPieceBytes, u'\0');
    const char* source = gbkBytes.data();
    const char* const sourceEnd = gbkBytes.data() + gbkBytes.size();
    UErrorCode status = U_ZERO_ERROR;
    do {
        status = U_ZERO_ERROR;
        UChar* target = units.data();
        ucnv_toUnicode(converter.get(), &target, units.data() + units.size(), &source, sourceEnd,
                       nullptr, true, &status);
        if (U_FAILURE(status) && status != U_BUFFER_OVERFLOW_ERROR) {
            return {};
        }
        const std::string piece = unitsToUtf8(
            std::u16string_view(units.data(), static_cast<std::size_t>(target - units.data())));
        utf8 += piece;
    } while (status == U_BUFFER_OVERFLOW_ERROR);
    return utf8;
}

}  // namespace

ByteSet utf8ToUtf16(const ByteSet& utf8) {
    return unitsToLittleEndian(utf8ToUnits(utf8.view()));
}

Text utf16ToGbk(const ByteSet& utf16) {
    return unitsToGbk(unitsFromLittleEndian(utf16));
}

Text utf8ToGbkText(const ByteSet& utf8) {
    return utf8ToGbk(utf8.view());
}

ByteSet gbkToUtf16(const Text& text) {
    return unitsToLittleEndian(gbkToUnits(text.view()));
}

std::string gbkToUtf8(const Text& text) {
    return gbkToUtf8InPieces(text.view());
}

Text utf8ToGbk(std::string_view utf8) {
    // The zero byte ends the Text whatever follows, so convert only what precedes it.
    return utf8ToGbkInPieces(beforeZero(utf8));
}

}  // namespace ld
