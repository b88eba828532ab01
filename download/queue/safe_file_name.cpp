#include "download/queue/safe_file_name.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "text/codepage.h"
#include "text/text_ops.h"

namespace ld {
namespace {

constexpr char16_t kReplacement = u'_';
constexpr std::u16string_view kExtension = u".flv";

bool isRefusedInName(char16_t unit) {
    if (unit < 0x20 || unit == 0x7F) {
        return true;
    }
    return std::u16string_view(u"\\/:*?\"<>|").find(unit) != std::u16string_view::npos;
}

bool isSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

std::u16string toUnits(const ByteSet& utf16le) {
    std::u16string units;
    const auto& bytes = utf16le.bytes();
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return units;
}

ByteSet toBytes(std::u16string_view units) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(units.size() * 2);
    for (const char16_t unit : units) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return ByteSet(std::move(bytes));
}

void dropTrailingDotsAndBlanks(std::u16string& name) {
    while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) {
        name.pop_back();
    }
}

char16_t asciiUpper(char16_t unit) {
    return (unit >= u'a' && unit <= u'z') ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

// Windows treats a device name as the device also when an extension follows
// ("nul.txt", "con .flv"), so the part before the first dot is what counts.
bool isReservedDeviceName(std::u16string_view name) {
    std::u16string stem(name.substr(0, name.find(u'.')));
    while (!stem.empty() && stem.back() == u' ') {
        stem.pop_back();
    }
    std::transform(stem.begin(), stem.end(), stem.begin(), asciiUpper);
    static constexpr std::array<std::u16string_view, 6> kFixed = {u"CON", u"PRN",    u"AUX",
                                                                  u"NUL", u"CONIN$", u"CONOUT$"};
    if (std::find(kFixed.begin(), kFixed.end(), stem) != kFixed.end()) {
        return true;
    }
    return stem.size() == 4 && (stem.starts_with(u"COM") || stem.starts_with(u"LPT")) &&
           stem[3] >= u'1' && stem[3] <= u'9';
}

// A name that starts with a dot is hidden by file managers and `ls`, and one
// that starts with a blank is easily mistaken: such leading characters become
// "_".
void replaceLeadingDotsAndBlanks(std::u16string& name) {
    for (char16_t& unit : name) {
        if (unit != u'.' && unit != u' ') {
            break;
        }
        unit = kReplacement;
    }
}

int utf8Length(char16_t unit) {
    return unit < 0x80 ? 1 : (unit < 0x800 ? 2 : 3);
}

// Keeps the longest prefix whose length with the suffix (extension, and a
// number before it) fits both limits. Every unit is a whole character here
// (code page 936 lies in the BMP and surrogates were replaced), so any prefix
// ends on a character boundary.
void cutToLimits(std::u16string& name, std::u16string_view suffix = kExtension) {
    int utf8Bytes = 0;
    for (const char16_t unit : suffix) {
        utf8Bytes += utf8Length(unit);
    }
    int utf16Units = static_cast<int>(suffix.size());
    std::size_t kept = 0;
    for (const char16_t unit : name) {
        const int cost = utf8Length(unit);
        if (utf8Bytes + cost > kMaxFileNameUtf8Bytes || utf16Units + 1 > kMaxFileNameUtf16Units) {
            break;
        }
        utf8Bytes += cost;
        utf16Units += 1;
        ++kept;
    }
    name.resize(kept);
}

}  // namespace

Text safeFileStem(const Text& title) {
    // One trip through UTF-16 and back turns bytes that are no character of
    // code page 936 into "?", which the next step replaces like any other
    // refused character; what remains converts both ways unchanged.
    std::u16string name = toUnits(gbkToUtf16(utf16ToGbk(gbkToUtf16(title))));
    for (char16_t& unit : name) {
        if (isRefusedInName(unit) || isSurrogate(unit)) {
            unit = kReplacement;
        }
    }
    dropTrailingDotsAndBlanks(name);
    cutToLimits(name);
    dropTrailingDotsAndBlanks(name);
    if (name.empty()) {
        return gbk("未命名");
    }
    replaceLeadingDotsAndBlanks(name);
    // Checked on the final name: cutting a long title can leave a device name
    // ("con" + 300 blanks + "x" becomes "con").
    if (isReservedDeviceName(name)) {
        name.insert(name.begin(), kReplacement);
        cutToLimits(name);
        dropTrailingDotsAndBlanks(name);
    }
    return utf16ToGbk(toBytes(name));
}

Text downloadFileName(const Text& title) {
    return concatTexts({safeFileStem(title), Text(".flv")});
}

Text numberedFileName(const Text& title, int number) {
    if (number <= 1) {
        return downloadFileName(title);
    }
    std::u16string suffix;
    for (const char c : " (" + std::to_string(number) + ")") {
        suffix.push_back(static_cast<char16_t>(c));
    }
    suffix += kExtension;
    std::u16string name = toUnits(gbkToUtf16(safeFileStem(title)));
    cutToLimits(name, suffix);
    return utf16ToGbk(toBytes(name + suffix));
}

}  // namespace ld
