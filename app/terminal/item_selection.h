// Which lectures a command works on (--items): lecture numbers as the first
// column of `list` shows them, in a list such as "1-3,7,10-" (single numbers,
// closed ranges, and a range open to the end of the course), blanks around
// the items allowed. Without --items every lecture is chosen.
//
// Plain value, no I/O; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ld {

class ItemSelection {
  public:
    // Every lecture.
    ItemSelection() = default;

    // The selection the text names; nullopt when the text is malformed (empty,
    // an empty item, a number that is not a positive whole number, a range
    // that runs backwards).
    static std::optional<ItemSelection> parse(std::string_view text);

    [[nodiscard]] bool everything() const { return everything_; }
    [[nodiscard]] bool contains(int number) const;
    // Why the selection does not fit a course of `lectureCount` lectures
    // (numbered 1 to lectureCount): the first number it names that the course
    // lacks. Empty when it fits.
    [[nodiscard]] std::string problemFor(int lectureCount) const;

  private:
    struct Range {
        int first = 1;
        int last = 0;  // kOpenEnd: to the end of the course
    };
    static constexpr int kOpenEnd = -1;

    bool everything_ = true;
    std::vector<Range> ranges_;
};

}  // namespace ld
