// The UTF-16 strings of the Win32 W calls as UTF-8, converted by the system
// (WideCharToMultiByte); unpaired surrogates become U+FFFD. Windows only;
// pure, any thread.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace ld {

inline std::string utf8FromWide(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int units = static_cast<int>(wide.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

}  // namespace ld
