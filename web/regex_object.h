// RegexObject: compiles one pattern, runs it over one subject, keeps the list
// of matches and answers questions about them by number (counting from 1).
//
// Pattern language: Perl/ECMAScript style as PCRE2 reads it. "." matches any
// character but a line feed (it does match CR), "[\w\W]" matches everything,
// "\w" is ASCII only. Texts go in and come out as GBK Text; matching works on
// characters. One instance per thread; nothing here throws.
#pragma once

#include <memory>
#include <string>

#include "text/text.h"

namespace ld {

class RegexObject {
  public:
    RegexObject();
    ~RegexObject();
    // A copy shares the compiled pattern and the match list of the original
    // and holds its own copy of the subject.
    RegexObject(const RegexObject& other);
    RegexObject& operator=(const RegexObject& other);
    RegexObject(RegexObject&&) noexcept;
    RegexObject& operator=(RegexObject&&) noexcept;

    // Discards the previous search, compiles the pattern and collects its
    // matches in the subject. With quoteMarker every "#引号" in the pattern
    // stands for a double quote. True when a match list was produced (also an
    // empty one); false for an invalid pattern, with no matches. When the
    // match limit is reached the matches found so far are kept.
    bool search(const Text& pattern, const Text& subject, bool caseSensitive = false,
                bool multiLine = true, bool global = true, bool quoteMarker = false);

    // Number of matches of the last search; 0 without a match list.
    [[nodiscard]] int matchCount() const;
    // Text of match n; empty when out of range.
    [[nodiscard]] Text matchText(int match) const;
    // Text that group g took in match n; empty when out of range or unset.
    [[nodiscard]] Text subMatchText(int match, int group) const;
    // Number of capture groups, read from the first match (0 without one).
    [[nodiscard]] int subMatchCount() const;
    // The pattern the current engine holds (after the quote substitution);
    // empty before the first search.
    [[nodiscard]] Text patternText() const;
    // The stored subject with the matches (all with global, else the first)
    // replaced. The replacement understands $1..$99, $& and $$.
    [[nodiscard]] Text replace(const Text& replacement) const;

    // The compiled pattern and the match list of one search; copies share them.
    struct Engine;
    struct MatchList;

  private:
    // Group g (0 = the whole match) of match n, both as the caller counts.
    [[nodiscard]] Text capturedText(int match, int group) const;

    std::shared_ptr<const Engine> engine_;
    std::shared_ptr<const MatchList> matches_;
    std::string subjectUtf8_;
};

}  // namespace ld
