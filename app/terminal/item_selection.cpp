#include "app/terminal/item_selection.h"

#include <charconv>

#include "common/ascii.h"

namespace ld {
namespace {

// A positive whole number written in digits only.
std::optional<int> lectureNumber(std::string_view digits) {
    if (digits.empty() || digits.front() < '0' || digits.front() > '9') {
        return std::nullopt;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value < 1) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<ItemSelection> ItemSelection::parse(std::string_view text) {
    ItemSelection selection;
    selection.everything_ = false;
    for (;;) {
        const auto comma = text.find(',');
        const std::string_view item = trimBlanks(text.substr(0, comma));
        const auto dash = item.find('-');
        Range range;
        if (dash == std::string_view::npos) {
            const std::optional<int> number = lectureNumber(item);
            if (!number) {
                return std::nullopt;
            }
            range = {*number, *number};
        } else {
            const std::optional<int> first = lectureNumber(trimBlanks(item.substr(0, dash)));
            const std::string_view rest = trimBlanks(item.substr(dash + 1));
            const std::optional<int> last = rest.empty() ? kOpenEnd : lectureNumber(rest);
            if (!first || !last || (*last != kOpenEnd && *last < *first)) {
                return std::nullopt;
            }
            range = {*first, *last};
        }
        selection.ranges_.push_back(range);
        if (comma == std::string_view::npos) {
            return selection;
        }
        text = text.substr(comma + 1);
    }
}

bool ItemSelection::contains(int number) const {
    if (everything_) {
        return true;
    }
    for (const Range& range : ranges_) {
        if (number >= range.first && (range.last == kOpenEnd || number <= range.last)) {
            return true;
        }
    }
    return false;
}

std::string ItemSelection::problemFor(int lectureCount) const {
    for (const Range& range : ranges_) {
        const int highest = range.last == kOpenEnd ? range.first : range.last;
        if (highest > lectureCount) {
            const int missing = range.first > lectureCount ? range.first : lectureCount + 1;
            return "课程中没有第 " + std::to_string(missing) + " 讲（共 " +
                   std::to_string(lectureCount) + " 讲）";
        }
    }
    return {};
}

}  // namespace ld
