// Upper case for comparing file names: every letter the system knows, not only ASCII.
#include "text/upper_case.h"

#include <gtest/gtest.h>

#include "text/codepage.h"

namespace ld {
namespace {

TEST(UpperCaseForComparison, LettersOfEveryScriptMeetTheirCapitals) {
    // Latin, Greek and Cyrillic letters of code page 936; é's capital is not in it,
    // but the key is Unicode, so it still holds É.
    EXPECT_EQ(upperCaseForComparison(gbk("Ab é")), u"AB \u00C9");
    EXPECT_EQ(upperCaseForComparison(gbk("αβ жя")), upperCaseForComparison(gbk("ΑΒ ЖЯ")));
    EXPECT_EQ(upperCaseForComparison(gbk("жя")), u"\u0416\u042F");
    // Chinese text, digits and signs stay as they are; different letters stay different.
    EXPECT_EQ(upperCaseForComparison(gbk("第1讲_（上）")), u"第1讲_（上）");
    EXPECT_NE(upperCaseForComparison(gbk("a")), upperCaseForComparison(gbk("b")));
    EXPECT_TRUE(upperCaseForComparison(Text()).empty());
}

}  // namespace
}  // namespace ld
