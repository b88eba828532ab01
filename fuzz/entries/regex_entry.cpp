// RegexObject over hostile subjects with the two patterns the program runs on
// server answers (the course catalogue and the play-info answer). Matches and
// groups are asked for by every number, in and out of range.
#include <string>

#include "course/course_texts.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/fuzz_input.h"
#include "text/codepage.h"
#include "web/regex_object.h"

namespace ld::fuzz {

namespace {

bool holdsLineFeed(const Text& text) {
    return text.view().find('\n') != std::string_view::npos;
}

void checkMatches(const RegexObject& regex, bool global, bool catalogue, int probe) {
    const int count = regex.matchCount();
    LD_FUZZ_CHECK(count >= 0);
    if (!global) {
        LD_FUZZ_CHECK(count <= 1);
    }
    if (count > 0) {
        LD_FUZZ_CHECK(regex.subMatchCount() == (catalogue ? 2 : 1));
    }
    for (int match = 1; match <= count; ++match) {
        const Text whole = regex.matchText(match);
        if (catalogue) {
            // (.*?) never crosses a line break.
            LD_FUZZ_CHECK(!holdsLineFeed(regex.subMatchText(match, 1)));
            LD_FUZZ_CHECK(!holdsLineFeed(regex.subMatchText(match, 2)));
        } else {
            LD_FUZZ_CHECK(!holdsLineFeed(whole));
        }
    }
    for (const int match : {-1, 0, count + 1, probe}) {
        if (match < 1 || match > count) {
            LD_FUZZ_CHECK(regex.matchText(match).empty());
            LD_FUZZ_CHECK(regex.subMatchText(match, 1).empty());
        }
    }
    for (const int group : {-1, 0, 3, probe}) {
        (void)regex.subMatchText(1, group);
    }
}

}  // namespace

void fuzzRegex(Bytes input) {
    FuzzInput in(input);
    const std::uint8_t flags = in.byte();
    const int probe = in.position(16);
    const Text replacement(in.piece());
    const Text subject(in.rest());

    const bool catalogue = (flags & 1) == 0;
    const Text pattern =
        gbk(catalogue ? course_text::kCataloguePattern : course_text::kPlayInfoPattern);
    const bool caseSensitive = (flags & 2) != 0;
    const bool multiLine = (flags & 4) == 0;
    const bool global = (flags & 8) == 0;

    RegexObject regex;
    LD_FUZZ_CHECK(regex.search(pattern, subject, caseSensitive, multiLine, global));
    checkMatches(regex, global, catalogue, probe);
    (void)regex.replace(replacement);

    // A copy answers the same questions the same way.
    const RegexObject copy = regex;
    LD_FUZZ_CHECK(copy.matchCount() == regex.matchCount());
    if (regex.matchCount() > 0) {
        LD_FUZZ_CHECK(copy.subMatchText(1, 1) == regex.subMatchText(1, 1));
    }

    // The replacement text doubles as a pattern of its own: an invalid one must
    // fail cleanly and leave no matches.
    RegexObject other;
    if (!other.search(replacement, subject, caseSensitive, multiLine, global, (flags & 16) != 0)) {
        LD_FUZZ_CHECK(other.matchCount() == 0);
    } else {
        LD_FUZZ_CHECK(other.matchCount() >= 0);
    }
}

}  // namespace ld::fuzz
