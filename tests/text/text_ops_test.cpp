// Edge behaviour of the Text operations: 1-based positions, out-of-range
// arguments and the two-byte character walk of code page 936.
#include "text/text_ops.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "tests/text/text_printers.h"
#include "text/codepage.h"

namespace ld {
namespace {

// A two-byte character whose trailing byte is a backslash (0x5C) and one whose
// trailing byte is 'A' (0x41): a byte-wise search would match inside them.
const std::string kTrailBackslash = "\x81\x5C";
const std::string kTrailA = "\xB0\x41";

Text T(const std::string& bytes) {
    return Text(std::string_view(bytes));
}

TEST(TextSlices, LeftRightMiddle) {
    EXPECT_EQ(leftText("abc", 2), Text("ab"));
    EXPECT_EQ(leftText("abc", 5), Text("abc"));
    EXPECT_EQ(leftText("abc", 0), Text());
    EXPECT_EQ(leftText("abc", -2), Text());
    EXPECT_EQ(leftText("", -2), Text());
    EXPECT_EQ(rightText("abc", 2), Text("bc"));
    EXPECT_EQ(rightText("abc", 9), Text("abc"));
    EXPECT_EQ(rightText("abc", -1), Text());

    struct Case {
        int start;
        int n;
        const char* expected;
    };
    for (const Case& c :
         {Case{5, 10, "e"}, Case{6, 1, ""}, Case{0, 3, ""}, Case{-1, 3, ""}, Case{2, 3, "bcd"},
          Case{1, 0, ""}, Case{1, -4, ""}, Case{1, 5, "abcde"}}) {
        EXPECT_EQ(middleText("abcde", c.start, c.n), Text(c.expected))
            << "start " << c.start << " n " << c.n;
    }
}

TEST(TextCompare, UnsignedByteOrderAndConcat) {
    EXPECT_EQ(compareTexts("a", "b"), -1);
    EXPECT_EQ(compareTexts("b", "a"), 1);
    EXPECT_EQ(compareTexts("", ""), 0);
    EXPECT_EQ(compareTexts("ab", "a"), 1);
    EXPECT_EQ(compareTexts("A", "a"), -1);
    EXPECT_EQ(compareTexts("\x80", "a"), 1);  // bytes compare unsigned
    EXPECT_EQ(concatTexts({"a", "", "bc"}), Text("abc"));
    EXPECT_EQ(concatTexts({}), Text());
    EXPECT_EQ(textLength(gbk("中文")), 4);
}

struct FindCase {
    std::string text;
    std::string sought;
    int start;
    bool caseInsensitive;
    int expected;
};

TEST(TextFind, Forward) {
    const FindCase cases[] = {
        {"", ":", 1, false, -1},
        {"abc", "", 1, false, 1},
        {"abc", "", 3, false, 1},  // an empty sought Text gives 1, not start
        {"abc", "", 4, false, -1},
        {"abcabc", "c", 1, false, 3},
        {"abcabc", "c", 4, false, 6},
        {"abcabc", "c", 0, false, 3},
        {"abcabc", "c", -5, false, 3},
        {"abcabc", "c", 7, false, -1},
        {"abc", "bcd", 1, false, -1},
        {"ABC", "b", 1, false, -1},
        {"ABC", "b", 1, true, 2},
        {kTrailBackslash + "x\\", "\\", 1, false, 4},
        {kTrailBackslash, "\\", 1, false, -1},
        {kTrailBackslash + "\\", "\\", 2, false, 2},  // a start inside the pair walks from there
        {kTrailA + "a", "a", 1, true, 3},
        {"x" + kTrailA + "A", "A", 1, false, 4},
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(findText(T(c.text), T(c.sought), c.start, c.caseInsensitive), c.expected)
            << "'" << c.text << "' / '" << c.sought << "' from " << c.start;
    }
}

TEST(TextFind, Backward) {
    struct Case {
        std::string text;
        std::string sought;
        std::optional<int> start;
        int expected;
    };
    const Case cases[] = {
        {"a:b:c", ":", std::nullopt, 4},
        {"a:b:c", ":", 5, 4},
        {"a:b:c", ":", 4, 2},
        {"a:b:c", ":", 2, -1},
        {"a:b:c", ":", 1, -1},
        {"a:b:c", ":", 0, -1},
        {"a:b:c", ":", -3, -1},
        {"a:b:c", "c", 5, -1},  // ends on the last byte: outside the first 4 bytes
        {"a:b:c", "c", std::nullopt, 5},
        {"a:b:c", "c", 6, 5},  // start past the end: the whole Text
        {"a:b:c", "b:c", 5, -1},
        {"a:b:c", "", std::nullopt, 1},
        {"", "", std::nullopt, -1},
        {"", "x", std::nullopt, -1},
        {"\\" + kTrailBackslash, "\\", std::nullopt, 1},
        {kTrailBackslash + "\\", "\\", std::nullopt, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(findTextBackward(T(c.text), T(c.sought), c.start), c.expected)
            << "'" << c.text << "' / '" << c.sought << "' before " << c.start.value_or(0);
    }
    EXPECT_EQ(findTextBackward("xAxa", "a", std::nullopt, true), 4);
    EXPECT_EQ(findTextBackward("xAxa", "a", 4, true), 2);
}

TEST(TextReplace, Table) {
    struct Case {
        std::string text;
        std::string old;
        std::string replacement;
        int start;
        std::optional<int> count;
        bool caseSensitive;
        std::string expected;
    };
    const Case cases[] = {
        {"a.b.c", ".", "-", 1, std::nullopt, true, "a-b-c"},
        {"aXbx", "x", "_", 1, std::nullopt, false, "a_b_"},
        {"aXbx", "x", "_", 1, std::nullopt, true, "aXb_"},
        {"a.b.c", ".", "-", 3, std::nullopt, true, "a.b-c"},
        {"a.b.c", ".", "-", 0, std::nullopt, true, "a-b-c"},
        {"a.b.c", ".", "-", 6, std::nullopt, true, "a.b.c"},
        {"a.b.c", ".", "-", 1, 1, true, "a-b.c"},
        {"a.b.c", ".", "-", 1, 0, true, "a.b.c"},
        {"a.b.c", ".", "-", 1, -1, true, "a-b-c"},
        {"a.b.c", "", "-", 1, std::nullopt, true, "a.b.c"},
        {"", ".", "-", 1, std::nullopt, true, ""},
        {"a b c", " ", "", 1, std::nullopt, true, "abc"},
        {"aaa", "aa", "b", 1, std::nullopt, true, "ba"},
        {"u?a=1&amp;key=2", "&amp;key=", "&key=", 1, std::nullopt, true, "u?a=1&key=2"},
        {kTrailBackslash + "\\", "\\", "/", 1, std::nullopt, true, kTrailBackslash + "/"},
        {"x\x81", "y", "z", 1, std::nullopt, true, "x\x81"},  // a lead byte at the very end
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            replaceText(T(c.text), T(c.old), T(c.replacement), c.start, c.count, c.caseSensitive),
            T(c.expected))
            << "'" << c.text << "' '" << c.old << "' -> '" << c.replacement << "'";
    }
}

TEST(TextSplit, Table) {
    struct Case {
        std::string text;
        std::string separator;
        std::optional<int> maxCount;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"a;b;", ";", std::nullopt, {"a", "b"}},
        {"a;;b", ";", std::nullopt, {"a", "", "b"}},
        {";a", ";", std::nullopt, {"", "a"}},
        {";;", ";", std::nullopt, {"", ""}},
        {"", ";", std::nullopt, {}},
        {"abc", "", std::nullopt, {"abc"}},
        {"a;b;c", ";", 2, {"a", "b"}},
        {"a;b", ";", 2, {"a", "b"}},
        {"a;b;c", ";", 1, {"a"}},
        {"a;b;c", ";", 0, {}},
        {"a<br>b<br>", "<br>", std::nullopt, {"a", "b"}},
        {"aXbxc", "x", std::nullopt, {"aXb", "c"}},
        {kTrailBackslash + "\\b", "\\", std::nullopt, {kTrailBackslash, "b"}},
    };
    for (const Case& c : cases) {
        TextArray expected;
        for (const std::string& part : c.expected) {
            expected.push_back(T(part));
        }
        EXPECT_EQ(splitText(T(c.text), T(c.separator), c.maxCount), expected)
            << "'" << c.text << "' at '" << c.separator << "'";
    }
    EXPECT_EQ(splitText("a,b"), (TextArray{"a", "b"}));
}

TEST(TextBlanks, TrimAndRemove) {
    EXPECT_EQ(trimSpaces(" \tab\r\n "), Text("\tab\r\n"));
    EXPECT_EQ(trimSpaces(gbk("　 a b　 ")), Text("a b"));
    EXPECT_EQ(trimSpaces(gbk(" 　 ")), Text());
    EXPECT_EQ(trimSpaces(""), Text());
    EXPECT_EQ(removeAllSpaces(gbk(" a　b c ")), Text("abc"));
    EXPECT_EQ(removeAllSpaces("a\tb\r\n"), Text("a\tb\r\n"));
    // 啊 (B0 A1) then A1 B0: the A1 A1 across the boundary is not a blank.
    EXPECT_EQ(removeAllSpaces(T("\xB0\xA1\xA1\xB0")), T("\xB0\xA1\xA1\xB0"));
    EXPECT_EQ(trimSpaces(T("\xB0\xA1\xA1\xB0")), T("\xB0\xA1\xA1\xB0"));
    EXPECT_EQ(blankText(3), Text("   "));
    EXPECT_EQ(blankText(0), Text());
    EXPECT_EQ(blankText(-1), Text());
}

TEST(TextCase, AsciiOnlyAndPairsUntouched) {
    EXPECT_EQ(toLowerText(T("AbZ" + kTrailA + "Q")), T("abz" + kTrailA + "q"));
    EXPECT_EQ(toUpperText(T("azM\xB0\x61"
                            "b")),
              T("AZM\xB0\x61"
                "B"));
}

TEST(TextBetween, MarkersAndQuotes) {
    const Text page(R"(<a href="x.flv" title="t">)");
    EXPECT_EQ(textBetween(page, gbk("href=#引号"), gbk("#引号")), Text("x.flv"));
    EXPECT_EQ(textBetween(page, gbk("title=#引号"), Text("\"")), Text("t"));
    EXPECT_EQ(textBetween(page, "absent=", gbk("#引号")), Text());
    EXPECT_EQ(textBetween(page, "href=", "absent"), Text());
    EXPECT_EQ(textBetween("ab", "a", "b"), Text());
    EXPECT_EQ(textBetween("XaY", "x", "y"), Text("a"));
    EXPECT_EQ(textBetween("XaY", "x", "y", 1, true), Text());
    EXPECT_EQ(textBetween("[1][2]", "[", "]", 2), Text("2"));
    EXPECT_EQ(textBetween("a[", "[", "]"), Text());
}

TEST(TextLimits, ExtremeArgumentsAreOrdinaryOutOfRange) {
    EXPECT_EQ(findText("abc", "a", INT_MIN), 1);
    EXPECT_EQ(findText("abc", "a", INT_MAX), -1);
    EXPECT_EQ(findTextBackward("abc", "a", INT_MIN), -1);
    EXPECT_EQ(findTextBackward("abc", "a", INT_MAX), 1);
    EXPECT_EQ(middleText("abc", INT_MAX, INT_MAX), Text());
    EXPECT_EQ(middleText("abc", 2, INT_MAX), Text("bc"));
    EXPECT_EQ(leftText("abc", INT_MAX), Text("abc"));
    EXPECT_EQ(rightText("abc", INT_MAX), Text("abc"));
    EXPECT_EQ(replaceText("a.b", ".", "-", INT_MIN, INT_MIN, true), Text("a-b"));
    EXPECT_EQ(splitText("a;b", ";", INT_MAX), (TextArray{"a", "b"}));
    EXPECT_EQ(textBetween("[x]", "[", "]", INT_MIN), Text("x"));
    EXPECT_TRUE(leftBytes(ByteSet::fromString("ab"), INT_MIN).empty());
}

TEST(ByteSets, Operations) {
    const ByteSet ab = ByteSet::fromString("ab");
    const ByteSet withZero = ByteSet::fromString(std::string_view("x\0y", 3));
    EXPECT_EQ(concatBytes({ab, ByteSet(), withZero}).view(), std::string_view("abx\0y", 5));
    EXPECT_TRUE(concatBytes({ByteSet(), ByteSet()}).empty());
    EXPECT_TRUE(compareBytes(ab, ByteSet::fromString("ab")));
    EXPECT_FALSE(compareBytes(ab, ByteSet::fromString("abc")));
    EXPECT_EQ(leftBytes(ab, 1).view(), "a");
    EXPECT_EQ(leftBytes(ab, 9).view(), "ab");
    EXPECT_TRUE(leftBytes(ab, -1).empty());
    EXPECT_EQ(zeroBytes(3).view(), std::string_view("\0\0\0", 3));
    EXPECT_TRUE(zeroBytes(0).empty());
    EXPECT_TRUE(zeroBytes(-5).empty());
    EXPECT_EQ(textToBytes("ab"), ab);
    EXPECT_EQ(bytesToText(withZero), Text("x"));
    EXPECT_EQ(bytesToText(ab), Text("ab"));
}

}  // namespace
}  // namespace ld
