// Slicing, searching, replacing, splitting and trimming of Text. Positions are
// 1-based byte positions; searches walk the Text one character at a time so a
// match never starts on the trailing byte of a two-byte character.
#include "text/text_ops.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "text/gbk_walk.h"

namespace ld {

namespace {

using detail::charWidth;
using detail::matchesAt;

// The bytes of the character at at, clamped to the end of the Text (a lead
// byte at the very end stands alone).
std::string_view charAt(std::string_view bytes, std::size_t at) {
    return bytes.substr(at, std::min(charWidth(bytes, at), bytes.size() - at));
}

// Forward walk over bytes[from, rangeEnd): offset of the first (or last)
// occurrence of sought that fits wholly in the range, or npos.
std::size_t walkFind(std::string_view bytes, std::size_t from, std::size_t rangeEnd,
                     std::string_view sought, bool caseInsensitive, bool wantLast) {
    std::size_t found = std::string_view::npos;
    for (std::size_t at = from; at < rangeEnd && sought.size() <= rangeEnd - at;
         at += charWidth(bytes, at)) {
        if (matchesAt(bytes, at, sought, caseInsensitive)) {
            if (!wantLast) {
                return at;
            }
            found = at;
        }
    }
    return found;
}

int toPosition(std::size_t offset) {
    return offset == std::string_view::npos ? -1 : static_cast<int>(offset) + 1;
}

// A start below 1 counts as 1; returns the 0-based offset.
std::size_t startOffset(int start) {
    return start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
}

}  // namespace

int textLength(const Text& text) {
    return text.length();
}

Text concatTexts(std::initializer_list<Text> parts) {
    std::string joined;
    std::size_t total = 0;
    for (const Text& part : parts) {
        total += part.bytes().size();
    }
    joined.reserve(total);
    for (const Text& part : parts) {
        joined += part.bytes();
    }
    return Text(std::move(joined));
}

int compareTexts(const Text& a, const Text& b) {
    const std::size_t common = std::min(a.bytes().size(), b.bytes().size());
    const int byBytes = common == 0 ? 0 : std::memcmp(a.c_str(), b.c_str(), common);
    if (byBytes != 0) {
        return byBytes < 0 ? -1 : 1;
    }
    if (a.bytes().size() == b.bytes().size()) {
        return 0;
    }
    return a.bytes().size() < b.bytes().size() ? -1 : 1;
}

Text leftText(const Text& text, int n) {
    if (n <= 0) {
        return {};
    }
    return Text(text.view().substr(0, static_cast<std::size_t>(n)));
}

Text rightText(const Text& text, int n) {
    if (n <= 0) {
        return {};
    }
    const std::size_t length = text.view().size();
    const std::size_t count = std::min(static_cast<std::size_t>(n), length);
    return Text(text.view().substr(length - count));
}

Text middleText(const Text& text, int start, int n) {
    const int length = text.length();
    if (start < 1 || start > length || n <= 0) {
        return {};
    }
    return Text(
        text.view().substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

int findText(const Text& text, const Text& sought, int start, bool caseInsensitive) {
    const std::string_view bytes = text.view();
    const std::size_t from = startOffset(start);
    if (from >= bytes.size()) {
        return -1;
    }
    if (sought.empty()) {
        return 1;
    }
    return toPosition(walkFind(bytes, from, bytes.size(), sought.view(), caseInsensitive, false));
}

int findTextBackward(const Text& text, const Text& sought, std::optional<int> start,
                     bool caseInsensitive) {
    const std::string_view bytes = text.view();
    std::size_t rangeEnd = bytes.size();
    if (start.has_value() && static_cast<std::int64_t>(*start) <= textLength(text)) {
        if (*start <= 1) {
            return -1;
        }
        rangeEnd = static_cast<std::size_t>(*start) - 1;
    }
    if (rangeEnd == 0) {
        return -1;
    }
    if (sought.empty()) {
        return 1;
    }
    return toPosition(walkFind(bytes, 0, rangeEnd, sought.view(), caseInsensitive, true));
}

Text replaceText(const Text& text, const Text& oldText, const Text& newText, int start,
                 std::optional<int> count, bool caseSensitive) {
    const std::string_view bytes = text.view();
    const std::string_view old = oldText.view();
    const std::size_t from = startOffset(start);
    if (bytes.empty() || old.empty() || from >= bytes.size() || count == 0) {
        return text;
    }
    // A supplied count is decreased per replacement and stops the replacing at
    // zero; a negative count therefore never stops it.
    const bool limited = count.has_value() && *count > 0;
    int remaining = limited ? *count : 0;
    std::string result(bytes.substr(0, from));
    result.reserve(bytes.size());
    std::size_t at = from;
    while (old.size() <= bytes.size() - at) {
        if (matchesAt(bytes, at, old, !caseSensitive)) {
            result += newText.view();
            at += old.size();
            if (limited && --remaining == 0) {
                break;
            }
        } else {
            const std::string_view character = charAt(bytes, at);
            result += character;
            at += character.size();
        }
    }
    result += bytes.substr(at);
    return Text(std::move(result));
}

TextArray splitText(const Text& text, const Text& separator, std::optional<int> maxCount) {
    const std::string_view bytes = text.view();
    const std::string_view sep = separator.view();
    TextArray parts;
    if (bytes.empty() || (maxCount.has_value() && *maxCount <= 0)) {
        return parts;
    }
    if (sep.empty()) {
        parts.push_back(text);
        return parts;
    }
    const auto full = [&] {
        return maxCount.has_value() && static_cast<int>(parts.size()) >= *maxCount;
    };
    std::size_t cut = 0;
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (sep.size() <= bytes.size() - at && matchesAt(bytes, at, sep, false)) {
            parts.emplace_back(bytes.substr(cut, at - cut));
            at += sep.size();
            cut = at;
            if (full()) {
                return parts;
            }
        } else {
            at += charAt(bytes, at).size();
        }
    }
    if (cut < bytes.size()) {
        parts.emplace_back(bytes.substr(cut));
    }
    return parts;
}

Text trimSpaces(const Text& text) {
    const std::string_view bytes = text.view();
    // Walk by characters so a trailing byte is never mistaken for a blank.
    std::size_t first = bytes.size();
    std::size_t end = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t blank = detail::blankWidthAt(bytes, at);
        const std::size_t width = blank != 0 ? blank : charAt(bytes, at).size();
        if (blank == 0) {
            first = std::min(first, at);
            end = at + width;
        }
        at += width;
    }
    if (first >= end) {
        return {};
    }
    return Text(bytes.substr(first, end - first));
}

Text removeAllSpaces(const Text& text) {
    const std::string_view bytes = text.view();
    std::string kept;
    kept.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        if (const std::size_t blank = detail::blankWidthAt(bytes, at); blank != 0) {
            at += blank;
            continue;
        }
        const std::string_view character = charAt(bytes, at);
        kept += character;
        at += character.size();
    }
    return Text(std::move(kept));
}

namespace {

template <typename Fold>
Text foldAsciiCase(const Text& text, Fold fold) {
    std::string folded(text.view());
    for (std::size_t at = 0; at < folded.size();) {
        if (detail::isLeadByte(folded[at])) {
            at += 2;
            continue;
        }
        folded[at] = fold(folded[at]);
        ++at;
    }
    return Text(std::move(folded));
}

}  // namespace

Text toLowerText(const Text& text) {
    return foldAsciiCase(text, detail::asciiLower);
}

Text toUpperText(const Text& text) {
    return foldAsciiCase(text, detail::asciiUpper);
}

Text blankText(int n) {
    if (n < 1) {
        return {};
    }
    return Text(std::string(static_cast<std::size_t>(n), ' '));
}

Text textBetween(const Text& text, const Text& leftMarker, const Text& rightMarker, int start,
                 bool caseSensitive) {
    // "#引号" in code page 936; callers write it for a double quote.
    static constexpr std::string_view kQuoteMarker = "#\xD2\xFD\xBA\xC5";
    const Text quoteMarker(kQuoteMarker);
    const Text quote("\"");
    const Text left = replaceText(leftMarker, quoteMarker, quote, 1, std::nullopt, true);
    const Text right = replaceText(rightMarker, quoteMarker, quote, 1, std::nullopt, true);

    int from = findText(text, left, start, !caseSensitive);
    if (from == -1) {
        return {};
    }
    from += left.length();
    const int to = findText(text, right, from, !caseSensitive);
    if (to == -1) {
        return {};
    }
    return middleText(text, from, to - from);
}

}  // namespace ld
