#include "web/regex_object.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "text/codepage.h"
#include "text/text_ops.h"
#include "web/pcre2_handles.h"

namespace ld {

namespace {

// Work one match call may do before it gives up (PCRE2's own count of steps),
// and the time a whole search may take. Either stops a search; the matches
// found until then are kept. Real responses need a tiny fraction of both.
constexpr std::uint32_t kMatchLimit = 10'000'000;
constexpr std::uint32_t kDepthLimit = 1'000'000;
constexpr std::uint32_t kHeapLimitKiB = 64 * 1024;
constexpr std::chrono::seconds kSearchTimeBudget{2};
constexpr std::size_t kJitStackStart = 32 * 1024;
constexpr std::size_t kJitStackMax = 8 * 1024 * 1024;

// Perl/ECMAScript flavour: UTF-8 characters, \w ASCII only (no PCRE2_UCP),
// \uXXXX escapes, a backreference to an unset group matching empty, "$" at
// the very end unless multi-line, and no \C that could split a character.
constexpr std::uint32_t kBaseOptions = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF |
                                       PCRE2_DOLLAR_ENDONLY | PCRE2_NEVER_BACKSLASH_C;

std::size_t nextCharacter(std::string_view subject, std::size_t at) {
    ++at;
    while (at < subject.size() && (static_cast<unsigned char>(subject[at]) & 0xC0) == 0x80) {
        ++at;
    }
    return at;
}

}  // namespace

struct RegexObject::Engine {
    Text pattern;      // as the engine holds it, after the quote substitution
    pcre2::Code code;  // empty when the pattern did not compile
    bool global = true;
    int groupCount = 0;
};

// Byte offsets into the UTF-8 subject: for every match, one (begin, end)
// pair for the whole match and one per group, PCRE2_UNSET for an unset one.
struct RegexObject::MatchList {
    int groupCount = 0;
    std::vector<std::size_t> offsets;

    [[nodiscard]] std::size_t pairsPerMatch() const { return std::size_t(groupCount) + 1; }
    [[nodiscard]] int count() const {
        return static_cast<int>(offsets.size() / (2 * pairsPerMatch()));
    }
    // Offsets of group g (0 = whole match) of match m (0-based), or nullopt.
    [[nodiscard]] std::optional<std::pair<std::size_t, std::size_t>> range(int m, int g) const {
        const std::size_t at = (std::size_t(m) * pairsPerMatch() + std::size_t(g)) * 2;
        if (offsets[at] == PCRE2_UNSET) {
            return std::nullopt;
        }
        return std::pair{offsets[at], offsets[at + 1]};
    }
};

namespace {

pcre2::Code compilePattern(const std::string& patternUtf8, bool caseSensitive, bool multiLine) {
    const pcre2::CompileContext context(pcre2_compile_context_create(nullptr));
    if (!context) {
        return nullptr;
    }
    // Only a line feed ends a line: "." matches a CR.
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
    std::uint32_t options = kBaseOptions;
    if (!caseSensitive) {
        options |= PCRE2_CASELESS;
    }
    if (multiLine) {
        options |= PCRE2_MULTILINE;
    }
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2::Code code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(patternUtf8.data()),
                                   patternUtf8.size(), options, &error, &errorOffset,
                                   context.get()));
    if (code) {
        // Without JIT support the interpreter does the same work, slower.
        (void)pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);
    }
    return code;
}

int captureCount(const pcre2_code* code) {
    std::uint32_t count = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &count);
    return static_cast<int>(count);
}

// Every match from left to right (only the first unless global); each search
// resumes where the previous match ended and steps one character past an
// empty match. Stops early, keeping what it found, at the match limit.
RegexObject::MatchList collectMatches(const pcre2_code* code, int groupCount, bool global,
                                      std::string_view subject) {
    RegexObject::MatchList list;
    list.groupCount = groupCount;
    const pcre2::MatchData data(pcre2_match_data_create_from_pattern(code, nullptr));
    const pcre2::MatchContext context(pcre2_match_context_create(nullptr));
    if (!data || !context) {
        return list;
    }
    pcre2_set_match_limit(context.get(), kMatchLimit);
    pcre2_set_depth_limit(context.get(), kDepthLimit);
    pcre2_set_heap_limit(context.get(), kHeapLimitKiB);
    const pcre2::JitStack jitStack(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
    if (jitStack) {
        pcre2_jit_stack_assign(context.get(), nullptr, jitStack.get());
    }

    const auto deadline = std::chrono::steady_clock::now() + kSearchTimeBudget;
    const auto* bytes = reinterpret_cast<PCRE2_SPTR>(subject.data());
    const std::size_t pairs = list.pairsPerMatch();
    std::size_t start = 0;
    // The subject's UTF-8 is checked by the first call only.
    std::uint32_t options = 0;
    while (start <= subject.size()) {
        const int found =
            pcre2_match(code, bytes, subject.size(), start, options, data.get(), context.get());
        options = PCRE2_NO_UTF_CHECK;
        if (found <= 0) {
            break;  // no further match, the match limit, or an error
        }
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
        for (std::size_t pair = 0; pair < pairs; ++pair) {
            const bool set = pair < std::size_t(found) && ovector[2 * pair] != PCRE2_UNSET;
            list.offsets.push_back(set ? ovector[2 * pair] : PCRE2_UNSET);
            list.offsets.push_back(set ? ovector[2 * pair + 1] : PCRE2_UNSET);
        }
        if (!global) {
            break;
        }
        const std::size_t begin = ovector[0];
        const std::size_t end = ovector[1];
        if (end > begin) {
            start = end;
        } else if (end >= subject.size()) {
            break;
        } else {
            start = nextCharacter(subject, end);
        }
        if (std::chrono::steady_clock::now() > deadline) {
            break;
        }
    }
    return list;
}

// The replacement for one match: $1..$99 (two digits when that group
// exists), $& for the whole match, $$ for "$"; anything else stays literal.
void appendExpanded(std::string& out, std::string_view replacement, std::string_view subject,
                    const RegexObject::MatchList& list, int match) {
    const auto appendGroup = [&](int group) {
        if (const auto range = list.range(match, group)) {
            out.append(subject.substr(range->first, range->second - range->first));
        }
    };
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t i = 0; i < replacement.size(); ++i) {
        const char c = replacement[i];
        if (c != '$' || i + 1 >= replacement.size()) {
            out.push_back(c);
            continue;
        }
        const char next = replacement[i + 1];
        if (next == '$') {
            out.push_back('$');
            ++i;
        } else if (next == '&') {
            appendGroup(0);
            ++i;
        } else if (isDigit(next)) {
            const int one = next - '0';
            const bool hasSecond = i + 2 < replacement.size() && isDigit(replacement[i + 2]);
            const int two = hasSecond ? one * 10 + (replacement[i + 2] - '0') : -1;
            if (two >= 1 && two <= list.groupCount) {
                appendGroup(two);
                i += 2;
            } else if (one >= 1 && one <= list.groupCount) {
                appendGroup(one);
                ++i;
            } else {
                out.push_back(c);
            }
        } else {
            out.push_back(c);
        }
    }
}

}  // namespace

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(const RegexObject& other) = default;
RegexObject& RegexObject::operator=(const RegexObject& other) = default;
RegexObject::RegexObject(RegexObject&&) noexcept = default;
RegexObject& RegexObject::operator=(RegexObject&&) noexcept = default;

bool RegexObject::search(const Text& pattern, const Text& subject, bool caseSensitive,
                         bool multiLine, bool global, bool quoteMarker) {
    engine_.reset();
    matches_.reset();
    subjectUtf8_.clear();

    auto engine = std::make_shared<Engine>();
    engine->pattern = quoteMarker
                          ? replaceText(pattern, gbk("#引号"), Text("\""), 1, std::nullopt, true)
                          : pattern;
    engine->global = global;
    engine->code = compilePattern(gbkToUtf8(engine->pattern), caseSensitive, multiLine);
    subjectUtf8_ = gbkToUtf8(subject);
    if (!engine->code) {
        engine_ = std::move(engine);
        return false;
    }
    engine->groupCount = captureCount(engine->code.get());
    matches_ = std::make_shared<const MatchList>(
        collectMatches(engine->code.get(), engine->groupCount, global, subjectUtf8_));
    engine_ = std::move(engine);
    return true;
}

int RegexObject::matchCount() const {
    return matches_ ? matches_->count() : 0;
}

Text RegexObject::matchText(int match) const {
    return capturedText(match, 0);
}

Text RegexObject::subMatchText(int match, int group) const {
    return group < 1 ? Text() : capturedText(match, group);
}

Text RegexObject::capturedText(int match, int group) const {
    if (!matches_ || match < 1 || match > matches_->count() || group > matches_->groupCount) {
        return Text();
    }
    const auto range = matches_->range(match - 1, group);
    if (!range) {
        return Text();
    }
    return utf8ToGbk(
        std::string_view(subjectUtf8_).substr(range->first, range->second - range->first));
}

int RegexObject::subMatchCount() const {
    return matchCount() > 0 ? matches_->groupCount : 0;
}

Text RegexObject::patternText() const {
    return engine_ ? engine_->pattern : Text();
}

Text RegexObject::replace(const Text& replacement) const {
    if (!matches_) {
        return utf8ToGbk(subjectUtf8_);
    }
    const std::string replacementUtf8 = gbkToUtf8(replacement);
    const std::string_view subject = subjectUtf8_;
    std::string out;
    std::size_t copied = 0;
    for (int match = 0; match < matches_->count(); ++match) {
        const auto range = matches_->range(match, 0);
        out.append(subject.substr(copied, range->first - copied));
        appendExpanded(out, replacementUtf8, subject, *matches_, match);
        copied = range->second;
    }
    out.append(subject.substr(copied));
    return utf8ToGbk(out);
}

}  // namespace ld
