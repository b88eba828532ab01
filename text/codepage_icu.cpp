// The code page conversions through ICU (every system but Windows). The code
// page 936 side uses ICU's "windows-936" table with its fallback mappings, so
// it converts as Windows does (0x80 is the euro sign); a character the code
// page cannot hold becomes one '?' per UTF-16 code unit, as Windows' default
// character does, and the composite check is done as Windows does it. Every
// call opens its own converter, so threads never share one.
#include "text/codepage_units.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <string>
#include <string_view>

#include "text/icu_converter.h"

namespace ld::detail {

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

IcuConverter openCodePage936() {
    IcuConverter converter(kCodePage936);
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
    IcuConverter converter(kCodePage936);
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

}  // namespace

std::u16string utf8ToUnits(std::string_view utf8) {
    if (utf8.empty() || !fitsConverterCount(utf8.size())) {
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
    if (units.empty() || !fitsConverterCount(units.size())) {
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

Text unitsToGbk(std::u16string_view units) {
    if (units.empty() || !fitsConverterCount(units.size())) {
        return {};
    }
    const std::u16string composed = composeHeldPairs(units);
    if (!composed.empty()) {
        units = composed;
    }
    const IcuConverter converter = openCodePage936();
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

std::u16string gbkToUnits(std::string_view gbkBytes) {
    if (gbkBytes.empty() || !fitsConverterCount(gbkBytes.size())) {
        return {};
    }
    const IcuConverter converter = openCodePage936();
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

}  // namespace ld::detail
