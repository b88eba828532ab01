// toInteger (full-width narrowing, then atoi's reading) and toText formats.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "tests/text/text_printers.h"
#include "text/codepage.h"
#include "text/text_ops.h"

namespace ld {
namespace {

TEST(TextNumbers, ToInteger) {
    struct Case {
        Text text;
        int expected;
    };
    const Case cases[] = {
        {"123", 123},
        {"  -42x", -42},
        {"+7", 7},
        {"\t\r\n 9", 9},
        {"12 34", 12},
        {"abc12", 0},
        {"", 0},
        {"-", 0},
        {gbk("８０８０"), 8080},
        {gbk("８0８"), 808},
        {gbk("　１２"), 12},
        {gbk("－５"), -5},
        {gbk("ａ１"), 0},
        {gbk("中1"), 0},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"99999999999999999999", INT_MAX},  // clamped instead of undefined
        {"-99999999999999999999", INT_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toInteger(c.text), c.expected) << c.text.bytes();
    }
}

TEST(TextNumbers, ToText) {
    EXPECT_EQ(toText(0), Text("0"));
    EXPECT_EQ(toText(-5), Text("-5"));
    EXPECT_EQ(toText(std::int64_t{INT64_MIN}), Text("-9223372036854775808"));
    EXPECT_EQ(toText(std::int64_t{26564}), Text("26564"));
    EXPECT_EQ(toText(3.0), Text("3"));
    EXPECT_EQ(toText(0.1), Text("0.1"));
    EXPECT_EQ(toText(1.0 / 3.0), Text("0.3333333333333"));
    EXPECT_EQ(toText(1e20), Text("1e+20"));
    EXPECT_EQ(toText(1.5f), Text("1.5"));
    EXPECT_EQ(toText(1.0f / 3.0f), Text("0.333333"));
    EXPECT_EQ(toText(Text("abc")), Text("abc"));
    EXPECT_EQ(toText(ByteSet::fromString(std::string_view("ab\0cd", 5))), Text("ab"));
}

}  // namespace
}  // namespace ld
