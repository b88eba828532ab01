// The code page conversions on Windows: the system's own MultiByteToWideChar
// and WideCharToMultiByte for code pages 65001 (UTF-8) and 936, as every
// Windows program converts. Flags: none toward UTF-16 (a malformed sequence
// becomes U+FFFD), the composite check toward code page 936 (whose default
// character '?' stands for what the code page cannot hold). The tables are the
// system's: where they differ from ICU's the tests say so.
#include <windows.h>

#include <string>
#include <string_view>

#include "text/codepage_units.h"

namespace ld::detail {

namespace {

constexpr UINT kCodePage936 = 936;

// MultiByteToWideChar twice: the size, then the units.
std::u16string toUnits(UINT codePage, std::string_view bytes) {
    if (bytes.empty() || !fitsConverterCount(bytes.size())) {
        return {};
    }
    const int inputSize = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(codePage, 0, bytes.data(), inputSize, nullptr, 0);
    if (size <= 0) {
        return {};
    }
    std::wstring units(static_cast<std::size_t>(size), L'\0');
    const int written =
        MultiByteToWideChar(codePage, 0, bytes.data(), inputSize, units.data(), size);
    return std::u16string(units.begin(), units.begin() + (written > 0 ? written : 0));
}

// WideCharToMultiByte twice: the size, then the bytes.
std::string fromUnits(UINT codePage, DWORD flags, std::u16string_view units) {
    if (units.empty() || !fitsConverterCount(units.size())) {
        return {};
    }
    const std::wstring wide(units.begin(), units.end());
    const int inputSize = static_cast<int>(wide.size());
    const int size =
        WideCharToMultiByte(codePage, flags, wide.data(), inputSize, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    const int written = WideCharToMultiByte(codePage, flags, wide.data(), inputSize, bytes.data(),
                                            size, nullptr, nullptr);
    bytes.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return bytes;
}

}  // namespace

std::u16string utf8ToUnits(std::string_view utf8) {
    return toUnits(CP_UTF8, utf8);
}

std::string unitsToUtf8(std::u16string_view units) {
    return fromUnits(CP_UTF8, 0, units);
}

Text unitsToGbk(std::u16string_view units) {
    return Text(fromUnits(kCodePage936, WC_COMPOSITECHECK, units));
}

std::u16string gbkToUnits(std::string_view gbkBytes) {
    return toUnits(kCodePage936, gbkBytes);
}

}  // namespace ld::detail
