#include "engine/http_response.h"

#include <charconv>
#include <string>

#include <curl/curl.h>

#include "common/header_lines.h"

namespace ld::engine {
namespace {

// A whole non-negative number, nothing else.
std::optional<std::int64_t> parseNumber(std::string_view s) {
    if (s.empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc{} || ptr != s.data() + s.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<ContentRange> parseContentRange(std::string_view value) {
    value = trimBlanks(value);
    constexpr std::string_view kUnit = "bytes ";
    if (!startsWithIgnoreCase(value, kUnit)) {
        return std::nullopt;
    }
    value = trimBlanks(value.substr(kUnit.size()));
    const auto slash = value.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view span = trimBlanks(value.substr(0, slash));
    const std::string_view totalText = trimBlanks(value.substr(slash + 1));
    ContentRange range;
    if (totalText != "*") {
        const auto total = parseNumber(totalText);
        if (!total) {
            return std::nullopt;
        }
        range.total = *total;
    }
    if (span == "*") {
        return range;
    }
    const auto dash = span.find('-');
    if (dash == std::string_view::npos) {
        return std::nullopt;
    }
    const auto first = parseNumber(span.substr(0, dash));
    const auto last = parseNumber(span.substr(dash + 1));
    if (!first || !last || *last < *first || (range.total >= 0 && *last >= range.total)) {
        return std::nullopt;
    }
    range.first = *first;
    range.last = *last;
    return range;
}

std::optional<std::chrono::milliseconds> parseRetryAfter(
    std::string_view value, std::chrono::system_clock::time_point now) {
    value = trimBlanks(value);
    if (const auto seconds = parseNumber(value)) {
        // A day is more than any task would wait; larger numbers are clamped.
        return std::chrono::seconds(std::min<std::int64_t>(*seconds, 86400));
    }
    const std::string text(value);
    const time_t when = curl_getdate(text.c_str(), nullptr);
    if (when == -1) {
        return std::nullopt;
    }
    const auto delay = std::chrono::system_clock::from_time_t(when) - now;
    if (delay <= std::chrono::system_clock::duration::zero()) {
        return std::chrono::milliseconds(0);
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(delay);
}

void ResponseHeaders::addLine(std::string_view line) {
    if (line.size() >= 5 && line.substr(0, 5) == "HTTP/") {
        *this = ResponseHeaders{};
        return;
    }
    const auto [name, value, hasColon] = splitHeaderField(line);
    if (!hasColon) {
        return;
    }
    if (equalsIgnoreCase(name, "Content-Range")) {
        contentRange_ = parseContentRange(value);
    } else if (equalsIgnoreCase(name, "ETag")) {
        etag_ = value;
    } else if (equalsIgnoreCase(name, "Last-Modified")) {
        lastModified_ = value;
    } else if (equalsIgnoreCase(name, "Retry-After")) {
        retryAfter_ = value;
    }
}

}  // namespace ld::engine
