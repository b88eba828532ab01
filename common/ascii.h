// ASCII helpers for protocol text (header names, URL schemes, markers): case
// folding of A-Z only, so UTF-8 and GBK bytes pass through untouched, and the
// trimming of HTTP's blanks. Pure functions, usable from any thread.
#pragma once

#include <cstddef>
#include <string_view>

namespace ld {

constexpr char asciiLower(char c) noexcept {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool equalsIgnoreCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

constexpr bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) noexcept {
    return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// The text without leading and trailing blanks, tabs, CRs and LFs.
constexpr std::string_view trimBlanks(std::string_view text) noexcept {
    constexpr std::string_view kBlanks = " \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace ld
