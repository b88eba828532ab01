// Code page 936 conversions as Windows makes them: the euro at 0x80, '?' per
// UTF-16 unit for what the code page cannot hold, U+FFFD for malformed UTF-8,
// a zero ending the Text.
#include "text/codepage.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/text/text_printers.h"

namespace ld {
namespace {

using namespace std::string_view_literals;

ByteSet bytes(std::string_view raw) {
    return ByteSet::fromString(raw);
}
Text T(std::string_view raw) {
    return Text(raw);
}

TEST(CodePage936, Utf8ToGbkTable) {
    struct Case {
        std::string_view utf8;
        std::string_view gbkBytes;
    };
    const Case cases[] = {
        {"", ""},
        {"plain ascii", "plain ascii"},
        {"中文", "\xD6\xD0\xCE\xC4"},
        {"\xE2\x82\xAC", "\x80"},      // U+20AC, the euro sign
        {"\xC3\xA9", "\xA8\xA6"},      // U+00E9
        {"\xE3\x80\x80", "\xA1\xA1"},  // U+3000, the full-width blank
        {"a\xF0\x9F\x98\x80"
         "b",
         "a??b"},                               // U+1F600: two UTF-16 units
        {"\xD7\x90", "?"},                      // Hebrew alef: not in the code page
        {std::string_view("ab\0cd", 5), "ab"},  // a zero ends the Text
        {std::string_view("\0ab", 3), ""},
        {"a\xE4\xB8"
         "b",
         "a?b"},  // truncated sequence -> U+FFFD -> ?
        {"a\xFF"
         "b",
         "a?b"},                                   // invalid byte
        {"\xC0\x80", "??"},                        // overlong zero is no zero
        {"e\xCC\x81", "\xA8\xA6"},                 // e + combining acute composes to U+00E9
        {"a\xCC\x88", "a?"},                       // a + diaeresis: U+00E4 is not held
        {"\xD0\xB8\xCC\x86", "\xA7\xDB"},          // Cyrillic и + breve: й
        {"\xE3\x81\x8B\xE3\x82\x99", "\xA4\xAC"},  // か + voiced mark: が
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8ToGbkText(bytes(c.utf8)), T(c.gbkBytes)) << "utf8 of size " << c.utf8.size();
        EXPECT_EQ(utf8ToGbk(c.utf8), T(c.gbkBytes));
    }
}

TEST(CodePage936, Utf16Steps) {
    EXPECT_EQ(utf8ToUtf16(bytes("A中")), bytes("\x41\x00\x2D\x4E"sv));
    EXPECT_EQ(utf8ToUtf16(bytes("a\xFF")), bytes(std::string_view("a\0\xFD\xFF", 4)));
    EXPECT_EQ(utf8ToUtf16(bytes("\xF0\x9F\x98\x80")), bytes("\x3D\xD8\x00\xDE"sv));
    EXPECT_TRUE(utf8ToUtf16(ByteSet()).empty());

    EXPECT_EQ(utf16ToGbk(bytes("\xAC\x20")), T("\x80"));
    EXPECT_EQ(utf16ToGbk(bytes("\x3D\xD8\x00\xDE"sv)), T("??"));
    EXPECT_EQ(utf16ToGbk(bytes(std::string_view("\x3D\xD8x\0", 4))), T("?x"));  // lone surrogate
    EXPECT_EQ(utf16ToGbk(bytes(std::string_view("a\0\0\0b\0", 6))), T("a"));    // zero unit
    EXPECT_EQ(utf16ToGbk(bytes(std::string_view("a\0b", 3))), T("a"));          // odd byte ignored
    EXPECT_TRUE(utf16ToGbk(ByteSet()).empty());
}

TEST(CodePage936, GbkToUnicode) {
    EXPECT_EQ(gbkToUtf16(T("\x80")), bytes("\xAC\x20"));
    EXPECT_EQ(gbkToUtf8(T("\x80")), "\xE2\x82\xAC");
    EXPECT_EQ(gbkToUtf8(T("\xA8\xA6")), "\xC3\xA9");
    // A lead byte without its pair: ICU's table gives U+FFFD, the system's own on
    // Windows (as Wine has it) a question mark.
#if defined(_WIN32)
    EXPECT_EQ(gbkToUtf8(T("a\x81")), "a?");
#else
    EXPECT_EQ(gbkToUtf8(T("a\x81")), "a\xEF\xBF\xBD");
#endif
    EXPECT_TRUE(gbkToUtf16(Text()).empty());
    EXPECT_TRUE(gbkToUtf8(Text()).empty());
}

TEST(CodePage936, ChineseTitleRoundTrip) {
    const std::string title = "第3讲 课程介绍（上）——“概述”·€";
    const Text inGbk = utf8ToGbkText(bytes(title));
    EXPECT_EQ(inGbk.bytes().substr(0, 2), "\xB5\xDA");  // 第
    EXPECT_EQ(inGbk.length(), 35);
    EXPECT_EQ(gbkToUtf8(inGbk), title);
    EXPECT_EQ(utf16ToGbk(gbkToUtf16(inGbk)), inGbk);
}

// Long texts are converted piece by piece; the result must be the one the
// whole text gives, wherever a character, a surrogate pair, a malformed byte
// or a mark that composes with the character before it falls.
TEST(CodePage936, LongTextsConvertAsAWhole) {
    constexpr std::size_t kPiece = 64 * 1024;
    std::string utf8;
    // Fills with `filler` up to `before` bytes short of a multiple of 64 KiB.
    const auto padTo = [&utf8](std::size_t before, char filler) {
        std::size_t to = (utf8.size() / kPiece + 1) * kPiece - before;
        if (to <= utf8.size()) {
            to += kPiece;
        }
        utf8.append(to - utf8.size(), filler);
    };
    for (std::size_t before = 0; before < 5; ++before) {
        padTo(before, 'a');
        utf8 += before % 2 == 0 ? "e\xCC\x81" : "\xE3\x81\x8B\xE3\x82\x99";  // é, が
        padTo(before, 'b');
        utf8 += "\xF0\x9F\x98\x80\xE4\xB8\xAD\xFF";  // U+1F600, 中, a malformed byte
    }
    utf8 += "e";
    for (int mark = 0; mark < 40000; ++mark) {
        utf8 += "\xCC\x81";  // a run of marks longer than a piece
    }
    for (int i = 0; i < 20000; ++i) {
        utf8 += "第讲 title € ";
    }
    const Text whole = utf16ToGbk(utf8ToUtf16(bytes(utf8)));
    ASSERT_GT(whole.length(), 0);
    EXPECT_TRUE(utf8ToGbkText(bytes(utf8)) == whole);
    EXPECT_TRUE(utf8ToGbk(utf8) == whole);

    const std::vector<std::string_view> parts{"plain ", "\xD6\xD0\xCE\xC4", "\x80", "\xA8\xA6"};
    std::vector<std::string> partsInUtf8;
    for (const std::string_view part : parts) {
        partsInUtf8.push_back(gbkToUtf8(T(part)));
    }
    std::string gbkText;
    std::string expected;
    for (std::size_t i = 0; i < 40000; ++i) {
        gbkText += parts[i % parts.size()];
        expected += partsInUtf8[i % parts.size()];
    }
    gbkText += "\x81";  // a lead byte without its pair at the very end
    expected += gbkToUtf8(T("\x81"));
    EXPECT_TRUE(gbkToUtf8(T(gbkText)) == expected);
}

TEST(CodePage936, ThreadsConvertAtOnce) {
    const std::string body = "标题 title €";
    const Text expected = utf8ToGbk(body);
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (std::size_t t = 0; t < mismatches.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                if (utf8ToGbk(body) != expected || gbkToUtf8(expected) != body) {
                    ++mismatches[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace ld
