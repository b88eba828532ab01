#include "download/typed_fields.h"

#include <gtest/gtest.h>

#include <vector>

#include "download/utf16_bytes.h"
#include "text/codepage.h"

namespace ld {
namespace {

ByteSet bytes(std::vector<std::uint8_t> values) {
    return ByteSet(std::move(values));
}

TEST(TypedBytes, EncodeLittleEndian) {
    EXPECT_EQ(int32Bytes(-2), bytes({0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(int64Bytes(0x0102030405060708), bytes({8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(float32Bytes(1.0f), bytes({0x00, 0x00, 0x80, 0x3F}));
    EXPECT_EQ(booleanBytes(true), bytes({1}));
    EXPECT_EQ(booleanBytes(false), bytes({0}));
}

TEST(TypedBytes, DecodeGivesZeroWhenTooShort) {
    EXPECT_EQ(int32FromBytes(bytes({0xFE, 0xFF, 0xFF, 0xFF, 9})), -2);
    EXPECT_EQ(int32FromBytes(bytes({1, 2, 3})), 0);
    EXPECT_EQ(int64FromBytes(bytes({1, 2, 3, 4, 5, 6, 7})), 0);
    EXPECT_EQ(float32FromBytes(bytes({0x00, 0x00, 0x80, 0x3F})), 1.0f);
    EXPECT_EQ(float32FromBytes(ByteSet()), 0.0f);
}

TEST(TypedBytes, BooleanLooksAtTheFirstFourBytesOnly) {
    EXPECT_TRUE(booleanFromBytes(bytes({0, 0, 0, 1})));
    EXPECT_FALSE(booleanFromBytes(bytes({0, 0, 0, 0, 1})));
    EXPECT_TRUE(booleanFromBytes(bytes({2})));
    EXPECT_FALSE(booleanFromBytes(ByteSet()));
}

TEST(TypedFields, BooleanTrueInAFourByteFieldReadsAsInt32One) {
    NamedFieldRecord record;
    record.create();
    record.addField(Text("flag"), 4, bytes({0, 7, 7, 7}));
    ASSERT_TRUE(writeInt32(record, Text("flag"), 0));
    ASSERT_TRUE(writeBoolean(record, Text("flag"), true));
    EXPECT_EQ(readInt32(record, Text("flag")), 1);
    EXPECT_TRUE(readBoolean(record, Text("flag")));
}

TEST(TypedFields, MissingFieldsReadAsZeroAndRefuseWrites) {
    NamedFieldRecord record;
    record.create();
    EXPECT_EQ(readInt32(record, Text("x")), 0);
    EXPECT_EQ(readInt64(record, Text("x")), 0);
    EXPECT_EQ(readFloat32(record, Text("x")), 0.0f);
    EXPECT_FALSE(readBoolean(record, Text("x")));
    EXPECT_TRUE(readText(record, Text("x")).empty());
    EXPECT_FALSE(writeInt64(record, Text("x"), 1));
    EXPECT_FALSE(writeText(record, Text("x"), Text("a")));
}

TEST(Utf16Bytes, AddsATerminatorAndGivesNothingForEmptyText) {
    EXPECT_EQ(ansiToUtf16Bytes(Text("A")), bytes({'A', 0, 0, 0}));
    EXPECT_TRUE(ansiToUtf16Bytes(Text()).empty());
    EXPECT_EQ(ansiToUtf16Bytes(gbk("中")), bytes({0x2D, 0x4E, 0, 0}));
}

TEST(Utf16Bytes, ReadsUpToTheFirstZeroUnit) {
    EXPECT_EQ(utf16BytesToAnsi(bytes({'a', 0, 'b', 0, 0, 0, 'c', 0})), Text("ab"));
    EXPECT_EQ(utf16BytesToAnsi(bytes({'a', 0, 'b', 0})), Text("ab"));
    EXPECT_EQ(utf16BytesToAnsi(bytes({0x00, 0x4E, 'b', 0, 'c'})), gbk("一b"));  // odd byte ignored
    EXPECT_TRUE(utf16BytesToAnsi(ByteSet()).empty());
    EXPECT_EQ(utf16BytesToAnsi(ansiToUtf16Bytes(gbk("文件名.flv"))), gbk("文件名.flv"));
}

TEST(Utf16Bytes, FittingKeepsATerminatorAndNeverSplitsASurrogatePair) {
    // "ab" + U+1F600 (D83D DE00) + zero unit
    const ByteSet pair = bytes({'a', 0, 'b', 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0});
    EXPECT_EQ(fitUtf16ToField(pair, 10), pair);
    EXPECT_EQ(fitUtf16ToField(pair, 8), bytes({'a', 0, 'b', 0, 0, 0, 0, 0}));
    EXPECT_EQ(fitUtf16ToField(pair, 6), bytes({'a', 0, 'b', 0, 0, 0}));
    EXPECT_EQ(fitUtf16ToField(pair, 4), bytes({'a', 0, 0, 0}));
    EXPECT_EQ(fitUtf16ToField(pair, 2), bytes({0, 0}));
    EXPECT_EQ(fitUtf16ToField(pair, 0), ByteSet());
}

TEST(TypedFields, OverlongTextKeepsTheFieldTerminated) {
    NamedFieldRecord record;
    record.create();
    record.addField(Text("name"), 6);
    record.addField(Text("next"), 2, bytes({0x55, 0x55}));
    ASSERT_TRUE(writeText(record, Text("name"), Text("abcdef")));
    EXPECT_EQ(record.readField(Text("name")), bytes({'a', 0, 'b', 0, 0, 0}));
    EXPECT_EQ(readText(record, Text("name")), Text("ab"));
    EXPECT_EQ(record.readField(Text("next")), bytes({0x55, 0x55}));

    ASSERT_TRUE(writeText(record, Text("name"), Text()));
    EXPECT_TRUE(readText(record, Text("name")).empty());
}

}  // namespace
}  // namespace ld
