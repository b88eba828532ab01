// RegexObject: the semantics the response patterns rely on.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "text/codepage.h"
#include "text/text_ops.h"
#include "web/regex_object.h"

namespace ld {
namespace {

// The pattern that picks (video identifier, title) out of a catalogue answer.
const char* const kCataloguePattern =
    R"re(ccVideoLink": "(.*?)"[\w\W]*?pcLow[\w\W]*?pcHigh[\w\W]*?name": "(.*?)",)re";

std::string catalogueEntry(const std::string& id, const std::string& title) {
    return "{\n  \"ccVideoLink\": \"" + id +
           "\",\n  \"pcLow\": \"l\",\n  \"pcHigh\": \"h\",\n"
           "  \"name\": \"" +
           title + "\",\n  \"order\": 1\n}";
}

TEST(RegexObject, UnsetGroupReadsAsEmpty) {
    RegexObject regex;
    EXPECT_TRUE(regex.search(Text("a(b)?c"), Text("ac")));
    EXPECT_EQ(regex.matchCount(), 1);
    EXPECT_EQ(regex.matchText(1), Text("ac"));
    EXPECT_EQ(regex.subMatchText(1, 1), Text());
    EXPECT_EQ(regex.subMatchCount(), 1);
}

TEST(RegexObject, CataloguePatternFindsOneMatchPerEntry) {
    const std::string answer = "[" + catalogueEntry("vid-1", "第一讲 导论") + ",\n" +
                               catalogueEntry("vid-2", "第二讲 \\\"方法\\\"") + "]";
    RegexObject regex;
    ASSERT_TRUE(regex.search(Text(kCataloguePattern), gbk(answer)));
    ASSERT_EQ(regex.matchCount(), 2);
    EXPECT_EQ(regex.subMatchText(1, 1), Text("vid-1"));
    EXPECT_EQ(regex.subMatchText(1, 2), gbk("第一讲 导论"));
    EXPECT_EQ(regex.subMatchText(2, 1), Text("vid-2"));
    EXPECT_EQ(regex.subMatchText(2, 2), gbk("第二讲 \\\"方法\\\""));
    EXPECT_EQ(regex.subMatchCount(), 2);
}

TEST(RegexObject, DotStopsAtLineFeedButNotAtCarriageReturn) {
    // The identifier's closing quote is on the next line: (.*?) may not reach
    // it, so the first entry cannot match from its own ccVideoLink.
    const std::string broken = "ccVideoLink\": \"torn\nvalue\", pcLow pcHigh name\": \"t\",";
    RegexObject regex;
    ASSERT_TRUE(regex.search(Text(kCataloguePattern), Text(broken)));
    EXPECT_EQ(regex.matchCount(), 0);

    ASSERT_TRUE(regex.search(Text("a.b"), Text("a\rb a\nb")));
    EXPECT_EQ(regex.matchCount(), 1);
    EXPECT_EQ(regex.matchText(1), Text("a\rb"));
    ASSERT_TRUE(regex.search(Text(R"(a[\w\W]b)"), Text("a\nb")));
    EXPECT_EQ(regex.matchCount(), 1);
}

TEST(RegexObject, OutOfRangeNumbersGiveEmptyText) {
    RegexObject regex;
    EXPECT_EQ(regex.matchCount(), 0);
    EXPECT_EQ(regex.matchText(1), Text());
    EXPECT_EQ(regex.patternText(), Text());
    ASSERT_TRUE(regex.search(Text("(\\d)(\\w)"), Text("1a 2b")));
    ASSERT_EQ(regex.matchCount(), 2);
    for (const auto& [match, group] : {std::pair{3, 1}, {1, 5}, {0, 1}, {1, 0}, {-1, -1}, {1, 3}}) {
        EXPECT_EQ(regex.subMatchText(match, group), Text()) << match << "," << group;
    }
    EXPECT_EQ(regex.matchText(0), Text());
    EXPECT_EQ(regex.matchText(3), Text());
    EXPECT_EQ(regex.subMatchText(2, 2), Text("b"));
}

TEST(RegexObject, SecondSearchDiscardsTheFirst) {
    RegexObject regex;
    ASSERT_TRUE(regex.search(Text("(x)(y)"), Text("xy xy xy")));
    ASSERT_EQ(regex.matchCount(), 3);
    ASSERT_TRUE(regex.search(Text("z"), Text("z")));
    EXPECT_EQ(regex.matchCount(), 1);
    EXPECT_EQ(regex.subMatchCount(), 0);
    EXPECT_EQ(regex.subMatchText(1, 1), Text());
    EXPECT_EQ(regex.matchText(2), Text());
    EXPECT_EQ(regex.patternText(), Text("z"));

    // An invalid pattern gives false and leaves nothing behind.
    EXPECT_FALSE(regex.search(Text("(unclosed"), Text("unclosed")));
    EXPECT_EQ(regex.matchCount(), 0);
    EXPECT_EQ(regex.matchText(1), Text());
    EXPECT_EQ(regex.replace(Text("r")), Text("unclosed"));
}

TEST(RegexObject, QuoteMarkerStandsForADoubleQuote) {
    const Text pattern = gbk("title=#引号(.*?)#引号");
    const Text subject(R"(<a title="Lecture One" href="x">)");
    RegexObject regex;
    ASSERT_TRUE(regex.search(pattern, subject, false, true, true, true));
    ASSERT_EQ(regex.matchCount(), 1);
    EXPECT_EQ(regex.subMatchText(1, 1), Text("Lecture One"));
    EXPECT_EQ(regex.patternText(), Text(R"re(title="(.*?)")re"));
    // Without the option the marker is literal text.
    ASSERT_TRUE(regex.search(pattern, subject));
    EXPECT_EQ(regex.matchCount(), 0);
}

TEST(RegexObject, OptionsControlCaseAndCount) {
    RegexObject regex;
    ASSERT_TRUE(regex.search(Text("ccvideolink"), Text("CCVIDEOLINK ccVideoLink")));
    EXPECT_EQ(regex.matchCount(), 2);
    ASSERT_TRUE(regex.search(Text("ccvideolink"), Text("CCVIDEOLINK ccvideolink"), true));
    EXPECT_EQ(regex.matchCount(), 1);
    ASSERT_TRUE(regex.search(Text("o"), Text("one two"), false, true, false));
    EXPECT_EQ(regex.matchCount(), 1);
    // \w is ASCII only; Chinese text is matched by what it is.
    ASSERT_TRUE(regex.search(Text(R"(\w+)"), gbk("ab中文cd")));
    EXPECT_EQ(regex.matchCount(), 2);
    ASSERT_TRUE(regex.search(gbk("超清 (\\d)"), gbk("标清 1 超清 2")));
    EXPECT_EQ(regex.subMatchText(1, 1), Text("2"));
    // Multi-line lets ^ match after a line feed.
    ASSERT_TRUE(regex.search(Text("^b"), Text("a\nb")));
    EXPECT_EQ(regex.matchCount(), 1);
    ASSERT_TRUE(regex.search(Text("^b"), Text("a\nb"), false, false));
    EXPECT_EQ(regex.matchCount(), 0);
}

TEST(RegexObject, GlobalSearchStepsPastEmptyMatches) {
    RegexObject regex;
    ASSERT_TRUE(regex.search(Text("a*"), Text("baaa")));
    ASSERT_EQ(regex.matchCount(), 3);
    EXPECT_EQ(regex.matchText(1), Text());
    EXPECT_EQ(regex.matchText(2), Text("aaa"));
    ASSERT_TRUE(regex.search(Text("x*"), gbk("中文")));
    EXPECT_EQ(regex.matchCount(), 3);
}

TEST(RegexObject, ReplaceExpandsGroupReferences) {
    struct Case {
        const char* pattern;
        const char* subject;
        bool global;
        const char* replacement;
        const char* result;
    };
    const Case cases[] = {
        {"(\\w)(\\d)", "a1 b2", true, "$2$1", "1a 2b"},
        {"(\\w)(\\d)", "a1 b2", false, "[$&]", "[a1] b2"},
        {"o", "foo", true, "$$", "f$$"},
        {"(o)", "foo", true, "$0$3$", "f$0$3$$0$3$"},
        {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", "abcdefghijk", true, "$11|$10|$1", "k|j|a"},
        {"(a)", "a", true, "$12", "a2"},
        {"(a)(x)?", "a", true, "<$2>", "<>"},
    };
    for (const Case& c : cases) {
        RegexObject regex;
        ASSERT_TRUE(regex.search(Text(c.pattern), Text(c.subject), false, true, c.global));
        EXPECT_EQ(regex.replace(Text(c.replacement)), Text(c.result)) << c.pattern;
    }
    RegexObject chinese;
    ASSERT_TRUE(chinese.search(gbk("第(.)讲"), gbk("第一讲，第二讲")));
    EXPECT_EQ(chinese.replace(gbk("[$1]")), gbk("[一]，[二]"));
    EXPECT_EQ(RegexObject().replace(Text("x")), Text());
}

TEST(RegexObject, CopiesShareResultsAndKeepTheirSubject) {
    RegexObject original;
    ASSERT_TRUE(original.search(Text("(b)"), Text("abc")));
    const RegexObject copy = original;
    ASSERT_TRUE(original.search(Text("z"), Text("xyz")));
    EXPECT_EQ(copy.matchCount(), 1);
    EXPECT_EQ(copy.subMatchText(1, 1), Text("b"));
    EXPECT_EQ(copy.replace(Text("-")), Text("a-c"));
    EXPECT_EQ(original.replace(Text("-")), Text("xy-"));
}

TEST(RegexObject, HostileSubjectEndsWithinTheMatchLimit) {
    // Many openings of the catalogue pattern and no closing ", after the
    // name: each start scans to the end. Without a limit this takes hours.
    std::string subject;
    const std::string unit = "ccVideoLink\": \"x\", pcLow, pcHigh, name\": \"y\"\n";
    while (subject.size() < 2 * 1024 * 1024) {
        subject += unit;
    }
    RegexObject regex;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(regex.search(Text(kCataloguePattern), Text(subject)));
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(regex.matchCount(), 0);
    EXPECT_LT(took, std::chrono::seconds(30));  // a hang guard, not a speed target

    // Matches found before the limit is reached are kept.
    const std::string good = "ccVideoLink\": \"ok\", pcLow, pcHigh, name\": \"fine\",\n";
    ASSERT_TRUE(regex.search(Text(kCataloguePattern), Text(good + subject)));
    EXPECT_EQ(regex.matchCount(), 1);
    EXPECT_EQ(regex.subMatchText(1, 2), Text("fine"));
}

}  // namespace
}  // namespace ld
