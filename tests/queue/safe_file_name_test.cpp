#include "download/queue/safe_file_name.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "text/codepage.h"
#include "text/text_ops.h"

namespace ld {
namespace {

std::string nameFor(const std::string& utf8Title) {
    return gbkToUtf8(downloadFileName(gbk(utf8Title)));
}

struct NameCase {
    const char* titleUtf8;
    const char* fileNameUtf8;
};

// Names the case by its title, control characters spelled out.
void PrintTo(const NameCase& c, std::ostream* out) {
    *out << '"';
    for (const char* at = c.titleUtf8; *at != '\0'; ++at) {
        const auto byte = static_cast<unsigned char>(*at);
        if (byte < 0x20 || byte == 0x7F) {
            *out << "\\x" << std::hex << static_cast<int>(byte) << std::dec;
        } else {
            *out << *at;
        }
    }
    *out << '"';
}

class DownloadFileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(DownloadFileNameTest, MakesOneSafeName) {
    EXPECT_EQ(nameFor(GetParam().titleUtf8), std::string(GetParam().fileNameUtf8));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DownloadFileNameTest,
    ::testing::Values(NameCase{"第1讲 绪论", "第1讲 绪论.flv"},
                      // Every character a file system refuses becomes "_".
                      NameCase{R"(a\b/c:d*e?f"g<h>i|j)", "a_b_c_d_e_f_g_h_i_j.flv"},
                      NameCase{"tab\there\x01\x1f\x7f", "tab_here___.flv"},
                      // A hostile title cannot climb out of the folder.
                      NameCase{"../../etc/x", "___.._etc_x.flv"}, NameCase{"..", "未命名.flv"},
                      NameCase{".", "未命名.flv"}, NameCase{"/", "_.flv"},
                      // Trailing dots and blanks go; leading ones become "_", so
                      // no name is hidden.
                      NameCase{"  讲义. . ", "__讲义.flv"}, NameCase{"", "未命名.flv"},
                      NameCase{" ... ", "未命名.flv"}, NameCase{"...", "未命名.flv"},
                      NameCase{".隐藏", "_隐藏.flv"}, NameCase{". .x.y", "___x.y.flv"},
                      // Device names, in any case and also before an extension.
                      NameCase{"CON", "_CON.flv"}, NameCase{"con", "_con.flv"},
                      NameCase{"Nul.txt", "_Nul.txt.flv"}, NameCase{"aux .mp4", "_aux .mp4.flv"},
                      NameCase{"COM1", "_COM1.flv"}, NameCase{"lpt9", "_lpt9.flv"},
                      NameCase{"PRN.", "_PRN.flv"}, NameCase{"COM0", "COM0.flv"},
                      NameCase{"LPT10", "LPT10.flv"}, NameCase{"CONSOLE", "CONSOLE.flv"},
                      NameCase{"xCON", "xCON.flv"}));

// Two-byte characters whose second byte is the code of "\" or "|" must stay
// intact: only whole characters are examined.
TEST(DownloadFileNameTest, KeepsTwoByteCharactersWithSeparatorLikeTrailByte) {
    const Text trail5C(std::string("\x81\x5C", 2));  // trail byte is the code of "\"
    const Text trail7C(std::string("\x81\x7C", 2));  // trail byte is the code of "|"
    EXPECT_EQ(downloadFileName(trail5C), concatTexts({trail5C, Text(".flv")}));
    EXPECT_EQ(downloadFileName(trail7C), concatTexts({trail7C, Text(".flv")}));
}

TEST(DownloadFileNameTest, InvalidBytesBecomeReplacementNotGarbage) {
    // A lone lead byte at the end is not a character of code page 936.
    const Text name = downloadFileName(Text(std::string("ab\x81", 3)));
    const std::string utf8 = gbkToUtf8(name);
    EXPECT_EQ(utf8.substr(0, 2), "ab");
    EXPECT_EQ(utf8.find_first_of("\\/:*?\"<>|"), std::string::npos) << utf8;
}

std::size_t utf16Units(const Text& text) {
    return gbkToUtf16(text).bytes().size() / 2;
}

TEST(DownloadFileNameTest, LongTitlesAreCutToFitTheFileSystem) {
    // Chinese characters take 3 bytes of UTF-8: 84 of them fill 252 bytes, and
    // ".flv" leaves room for none beyond 83 (249 + 4 = 253 <= 255).
    std::string chinese;
    for (int i = 0; i < 300; ++i) {
        chinese += "讲";
    }
    const Text cutChinese = downloadFileName(gbk(chinese));
    EXPECT_EQ(gbkToUtf8(cutChinese).size(), 83U * 3 + 4);
    EXPECT_LE(gbkToUtf8(cutChinese).size(), 255U);

    // ASCII: 251 characters + ".flv" = 255 exactly.
    const Text cutAscii = downloadFileName(Text(std::string(400, 'a')));
    EXPECT_EQ(cutAscii.length(), 255);
    EXPECT_LE(utf16Units(cutAscii), 259U);  // fits the engine's 260-unit field

    // Exactly at the limit nothing is cut.
    const std::string fits(251, 'b');
    EXPECT_EQ(downloadFileName(Text(fits)), Text(fits + ".flv"));

    // Mixed widths: the cut never splits a character.
    std::string mixed;
    for (int i = 0; i < 200; ++i) {
        mixed += "a讲";
    }
    const std::string cutMixed = gbkToUtf8(downloadFileName(gbk(mixed)));
    EXPECT_LE(cutMixed.size(), 255U);
    EXPECT_GT(cutMixed.size(), 250U);
    EXPECT_EQ(gbk(cutMixed).length() > 0, true);
    EXPECT_EQ(gbkToUtf8(gbk(cutMixed)), cutMixed);  // still well-formed
}

TEST(DownloadFileNameTest, ACutThatEndsInDotsDropsThem) {
    const std::string title = std::string(250, 'x') + "....tail";
    EXPECT_EQ(nameFor(title), std::string(250, 'x') + ".flv");
    EXPECT_EQ(nameFor(std::string(300, '.') + "x"), "未命名.flv");
}

TEST(DownloadFileNameTest, NumberedNamesKeepWithinTheLimits) {
    EXPECT_EQ(gbkToUtf8(numberedFileName(gbk("a/b"), 1)), "a_b.flv");
    EXPECT_EQ(gbkToUtf8(numberedFileName(gbk("a/b"), 2)), "a_b (2).flv");
    EXPECT_EQ(gbkToUtf8(numberedFileName(gbk(".隐藏"), 12)), "_隐藏 (12).flv");
    // A stem at the limit is cut further to make room for the number.
    const std::string longest = gbkToUtf8(numberedFileName(gbk(std::string(300, 'x')), 3));
    EXPECT_EQ(longest, std::string(255 - 8, 'x') + " (3).flv");
    const std::string wide = gbkToUtf8(numberedFileName(
        gbk(std::string(90, 'a') + "讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲"
                                   "讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲讲"),
        2));
    EXPECT_LE(wide.size(), 255U);
    EXPECT_TRUE(wide.ends_with(" (2).flv"));
}

TEST(DownloadFileNameTest, StemHasNoExtension) {
    EXPECT_EQ(gbkToUtf8(safeFileStem(gbk("a:b"))), "a_b");
}

}  // namespace
}  // namespace ld
