#include "download/named_field_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace ld {
namespace {

ByteSet bytes(std::vector<std::uint8_t> values) {
    return ByteSet(std::move(values));
}

std::vector<std::uint8_t> blockBytes(const NamedFieldRecord& record, int from, int count) {
    const std::uint8_t* first = record.recordAddress() + from;
    return {first, first + count};
}

TEST(NameChecksum, IsTheIeeeCrc32OfTheNameBytes) {
    EXPECT_EQ(nameChecksum(Text("123456789")), 0xCBF43926u);
    EXPECT_EQ(nameChecksum(Text()), 0u);
}

struct LayoutCase {
    int alignment;
    std::vector<int> sizes;
    std::vector<int> offsets;
    int recordSize;
    std::vector<int> fillPositions;
};

class FieldLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(FieldLayout, PlacesFieldsAtAlignedOffsetsWithFillBytesBetween) {
    const LayoutCase& layout = GetParam();
    NamedFieldRecord record;
    ASSERT_NE(record.create(layout.alignment), nullptr);
    for (std::size_t i = 0; i < layout.sizes.size(); ++i) {
        ASSERT_TRUE(
            record.addField(Text(std::string(1, static_cast<char>('a' + i))), layout.sizes[i]));
    }
    ASSERT_EQ(record.fields().size(), layout.offsets.size());
    for (std::size_t i = 0; i < layout.offsets.size(); ++i) {
        EXPECT_EQ(record.fields()[i].offset, layout.offsets[i]) << "field " << i;
        EXPECT_EQ(record.findField(record.fields()[i].name), static_cast<int>(i) + 1);
    }
    EXPECT_EQ(record.recordSize(), layout.recordSize);
    for (int position = 0; position < record.capacity(); ++position) {
        const bool fill =
            std::count(layout.fillPositions.begin(), layout.fillPositions.end(), position) != 0;
        EXPECT_EQ(record.recordAddress()[position], fill ? 0xCC : 0) << "byte " << position;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Alignments, FieldLayout,
    ::testing::Values(LayoutCase{1, {1, 4}, {0, 1}, 5, {}},
                      LayoutCase{4, {1, 4}, {0, 4}, 8, {1, 2, 3}},
                      LayoutCase{4, {1, 4, 6}, {0, 4, 8}, 16, {1, 2, 3, 14, 15}},
                      LayoutCase{0, {3, 2}, {0, 3}, 5, {}}));  // alignment 0 counts as 1

TEST(NamedFieldRecord, RefusesASecondFieldWithTheSameName) {
    NamedFieldRecord record;
    record.create();
    ASSERT_TRUE(record.addField(Text("a"), 4, bytes({1, 2, 3, 4})));
    EXPECT_FALSE(record.addField(Text("a"), 8, bytes({9})));
    EXPECT_EQ(record.recordSize(), 4);
    EXPECT_EQ(record.fields().size(), 1u);
    EXPECT_EQ(record.readField(Text("a")), bytes({1, 2, 3, 4}));
}

TEST(NamedFieldRecord, GrowsInStepsKeepingEarlierContentsAndZeroingNewBytes) {
    NamedFieldRecord record;
    ASSERT_NE(record.create(1, 0xCC, 8, 16), nullptr);
    ASSERT_TRUE(record.addField(Text("first"), 6, bytes({1, 2, 3, 4, 5, 6})));
    ASSERT_TRUE(record.addField(Text("second"), 20, bytes({7})));
    EXPECT_EQ(record.capacity(), 40);  // 8 + two steps of 16 hold 26 bytes
    ASSERT_TRUE(record.addField(Text("third"), 14));
    EXPECT_EQ(record.capacity(), 40);
    ASSERT_TRUE(record.addField(Text("fourth"), 1));
    EXPECT_EQ(record.capacity(), 56);
    EXPECT_EQ(record.recordSize(), 41);
    EXPECT_EQ(record.readField(Text("first")), bytes({1, 2, 3, 4, 5, 6}));
    std::vector<std::uint8_t> second(20, 0);
    second[0] = 7;
    EXPECT_EQ(record.readField(Text("second")).bytes(), second);
    const auto rest = blockBytes(record, 27, record.capacity() - 27);
    EXPECT_TRUE(std::all_of(rest.begin(), rest.end(), [](auto b) { return b == 0; }));
}

TEST(NamedFieldRecord, WritesOnlyTheFieldsOwnBytes) {
    NamedFieldRecord record;
    record.create();
    record.addField(Text("before"), 1);
    record.addField(Text("field"), 4, bytes({0xA1, 0xA2, 0xA3, 0xA4}));
    record.addField(Text("after"), 1);

    EXPECT_TRUE(record.writeField(Text("field"), bytes({1, 2})));
    EXPECT_EQ(record.readField(Text("field")), bytes({1, 2, 0xA3, 0xA4}));

    EXPECT_TRUE(record.writeField(Text("field"), bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10})));
    EXPECT_EQ(record.readField(Text("field")), bytes({1, 2, 3, 4}));
    EXPECT_EQ(blockBytes(record, 0, 6), (std::vector<std::uint8_t>{0, 1, 2, 3, 4, 0}));

    EXPECT_TRUE(record.writeField(Text("field"), ByteSet()));
    EXPECT_EQ(record.readField(Text("field")), bytes({1, 2, 3, 4}));

    EXPECT_FALSE(record.writeField(Text("missing"), bytes({1})));
    EXPECT_TRUE(record.readField(Text("missing")).empty());
}

TEST(NamedFieldRecord, CutsAnInitialValueLongerThanItsField) {
    NamedFieldRecord record;
    record.create();
    record.addField(Text("a"), 2, bytes({1, 2, 3}));
    record.addField(Text("b"), 2);
    EXPECT_EQ(blockBytes(record, 0, 5), (std::vector<std::uint8_t>{1, 2, 0, 0, 0}));
}

TEST(NamedFieldRecord, EmptyStateFindsNothingAndChangesNothing) {
    NamedFieldRecord record;
    EXPECT_EQ(record.recordAddress(), nullptr);
    EXPECT_EQ(record.recordSize(), 0);
    EXPECT_FALSE(record.addField(Text("a"), 4));
    EXPECT_FALSE(record.writeField(Text("a"), bytes({1})));

    record.create();
    record.addField(Text("a"), 4);
    record.release();
    EXPECT_EQ(record.recordAddress(), nullptr);
    EXPECT_EQ(record.recordSize(), 0);
    EXPECT_EQ(record.findField(Text("a")), 0);
    EXPECT_EQ(record.findField(Text()), 0);
    EXPECT_TRUE(record.readField(Text("a")).empty());
    EXPECT_FALSE(record.addField(Text("b"), 4));
}

TEST(NamedFieldRecord, CreateStartsANewEmptyLayout) {
    NamedFieldRecord record;
    record.create();
    record.addField(Text("a"), 4, bytes({1, 1, 1, 1}));
    ASSERT_NE(record.create(), nullptr);
    EXPECT_EQ(record.recordSize(), 0);
    EXPECT_EQ(record.findField(Text("a")), 0);
    ASSERT_TRUE(record.addField(Text("a"), 4));
    EXPECT_EQ(record.readField(Text("a")), bytes({0, 0, 0, 0}));
}

TEST(NamedFieldRecord, RefusesANegativeSizeOrCapacity) {
    NamedFieldRecord record;
    EXPECT_EQ(record.create(1, 0xCC, -1), nullptr);
    record.create();
    EXPECT_FALSE(record.addField(Text("a"), -4));
    EXPECT_EQ(record.recordSize(), 0);
}

}  // namespace
}  // namespace ld
