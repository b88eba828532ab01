// Numbers read from and written as Text.
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <string>

#include "text/text_ops.h"

namespace ld {

namespace {

// Full-width forms narrowed to ASCII: the row A3 A1 .. A3 FE becomes 0x21 ..
// 0x7E and the full-width blank A1 A1 becomes 0x20. Other characters stay.
std::string narrowFullWidth(std::string_view bytes) {
    std::string narrow;
    narrow.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        if (lead < 0x80) {
            narrow += bytes[at++];
            continue;
        }
        if (at + 1 >= bytes.size()) {
            narrow += bytes[at++];
            break;
        }
        const auto trail = static_cast<unsigned char>(bytes[at + 1]);
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            narrow += static_cast<char>(trail - 0x80);
        } else if (lead == 0xA1 && trail == 0xA1) {
            narrow += ' ';
        } else {
            narrow += bytes.substr(at, 2);
        }
        at += 2;
    }
    return narrow;
}

bool isCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// atoi's reading: white space, an optional sign, digits up to the first
// non-digit. A value beyond int's range is clamped (atoi leaves it undefined).
int readLeadingInteger(std::string_view bytes) {
    std::size_t at = 0;
    while (at < bytes.size() && isCSpace(bytes[at])) {
        ++at;
    }
    bool negative = false;
    if (at < bytes.size() && (bytes[at] == '+' || bytes[at] == '-')) {
        negative = bytes[at] == '-';
        ++at;
    }
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    for (; at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9'; ++at) {
        magnitude = std::min(magnitude * 10 + (bytes[at] - '0'), limit);
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

template <typename... Args>
Text formatted(const char* format, Args... args) {
    char buffer[64];
    const int written = std::snprintf(buffer, sizeof buffer, format, args...);
    if (written <= 0) {
        return {};
    }
    return Text(std::string_view(buffer, std::min<std::size_t>(written, sizeof buffer - 1)));
}

}  // namespace

int toInteger(const Text& text) {
    return readLeadingInteger(narrowFullWidth(text.view()));
}

Text toText(std::int64_t value) {
    return formatted("%" PRId64, value);
}

Text toText(int value) {
    return formatted("%d", value);
}

Text toText(double value) {
    return formatted("%.13g", value);
}

Text toText(float value) {
    return formatted("%.6g", static_cast<double>(value));
}

Text toText(const Text& value) {
    return value;
}

Text toText(const ByteSet& value) {
    return bytesToText(value);
}

}  // namespace ld
