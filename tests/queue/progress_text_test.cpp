#include "download/queue/progress_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "text/codepage.h"

namespace ld {
namespace {

struct SizeCase {
    std::int64_t bytes;
    const char* expected;
};

void PrintTo(const SizeCase& c, std::ostream* out) {
    *out << c.bytes;
}

class FileSizeTextTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FileSizeTextTest, FormatsWithTwoDecimalsAndUnit) {
    EXPECT_EQ(fileSizeText(GetParam().bytes), Text(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Edges, FileSizeTextTest,
    ::testing::Values(SizeCase{0, "0.00MB"}, SizeCase{1572864, "1.50MB"},
                      // One byte below 1 GiB rounds up to 1024.00 but stays in MB.
                      SizeCase{1073741823, "1024.00MB"}, SizeCase{1073741824, "1.00GB"},
                      SizeCase{1610612736, "1.50GB"},
                      // Half a hundredth rounds up, just below it rounds down.
                      SizeCase{5243, "0.01MB"}, SizeCase{5242, "0.00MB"},
                      SizeCase{1048576 + 10486, "1.01MB"}, SizeCase{104857600, "100.00MB"},
                      SizeCase{INT64_C(1099511627776), "1024.00GB"},
                      SizeCase{INT64_MAX, "8589934592.00GB"},
                      // A nonsense negative size from the engine still reads sensibly.
                      SizeCase{-1572864, "-1.50MB"}, SizeCase{-1, "0.00MB"}));

struct SpeedCase {
    std::int32_t speed;
    std::int32_t usable;
    std::int32_t total;
    const char* expectedUtf8;
};

void PrintTo(const SpeedCase& c, std::ostream* out) {
    *out << c.speed << ' ' << c.usable << '/' << c.total;
}

class SpeedLineTextTest : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(SpeedLineTextTest, ShowsWholeUnitsAndSources) {
    const SpeedCase& c = GetParam();
    EXPECT_EQ(gbkToUtf8(speedLineText(c.speed, c.usable, c.total)), std::string(c.expectedUtf8));
}

INSTANTIATE_TEST_SUITE_P(
    Edges, SpeedLineTextTest,
    ::testing::Values(SpeedCase{0, 0, 0, "当前速度：0KB    可用资源数：0/0"},
                      SpeedCase{524288, 3, 5, "当前速度：512KB    可用资源数：3/5"},
                      SpeedCase{1023, 1, 1, "当前速度：0KB    可用资源数：1/1"},
                      SpeedCase{1048575, 1, 1, "当前速度：1023KB    可用资源数：1/1"},
                      SpeedCase{1048576, 1, 2, "当前速度：1MB    可用资源数：1/2"},
                      SpeedCase{2097151, 0, 1, "当前速度：1MB    可用资源数：0/1"},
                      SpeedCase{INT32_MAX, 12, 34, "当前速度：2047MB    可用资源数：12/34"},
                      SpeedCase{-2048, -1, 0, "当前速度：-2KB    可用资源数：-1/0"}));

TEST(ProgressPercentText, RoundsDownSoOnlyACompleteFileReadsAHundred) {
    EXPECT_EQ(progressPercentText(0, 100), Text("0%"));
    EXPECT_EQ(progressPercentText(37, 100), Text("37%"));
    EXPECT_EQ(progressPercentText(999, 1000), Text("99%"));
    EXPECT_EQ(progressPercentText(1000, 1000), Text("100%"));
    EXPECT_EQ(progressPercentText(48LL * 1073741824 - 1, 48LL * 1073741824), Text("99%"));
    // Sizes far beyond 2^63 / 100 bytes do not overflow.
    EXPECT_EQ(progressPercentText(INT64_MAX - 1, INT64_MAX), Text("99%"));
    EXPECT_EQ(progressPercentText(INT64_MAX / 4, INT64_MAX), Text("25%"));
    // Unknown size: nothing to show; more than the size (a grown file): 100%.
    EXPECT_EQ(progressPercentText(10, 0), Text());
    EXPECT_EQ(progressPercentText(10, -1), Text());
    EXPECT_EQ(progressPercentText(150, 100), Text("100%"));
}

}  // namespace
}  // namespace ld
