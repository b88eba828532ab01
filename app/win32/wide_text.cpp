#include "app/win32/wide_text.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "text/codepage.h"

namespace ld::win32 {
namespace {

std::wstring wideOf(const ByteSet& utf16) {
    std::wstring wide(utf16.bytes().size() / 2, L'\0');
    for (std::size_t i = 0; i < wide.size(); ++i) {
        wide[i] = static_cast<wchar_t>(utf16.bytes()[2 * i] | (utf16.bytes()[2 * i + 1] << 8));
    }
    return wide;
}

ByteSet utf16Of(std::wstring_view wide) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(wide.size() * 2);
    for (const wchar_t unit : wide) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
    }
    return ByteSet(std::move(bytes));
}

}  // namespace

std::wstring toWide(const Text& text) {
    return wideOf(gbkToUtf16(text));
}

Text fromWide(std::wstring_view wide) {
    return utf16ToGbk(utf16Of(wide));
}

std::wstring wideFromUtf8(std::string_view utf8) {
    return wideOf(utf8ToUtf16(ByteSet::fromString(utf8)));
}

}  // namespace ld::win32
