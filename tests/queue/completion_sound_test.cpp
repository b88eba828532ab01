#include "download/queue/completion_sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace ld {
namespace {

std::uint32_t readLittleEndian(std::span<const std::uint8_t> bytes, std::size_t at,
                               std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
    }
    return value;
}

std::string fourCc(std::span<const std::uint8_t> bytes, std::size_t at) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(at),
            bytes.begin() + static_cast<std::ptrdiff_t>(at + 4)};
}

TEST(CompletionSoundTest, IsAWholeEightBitMonoWavImage) {
    const auto image = completionSound();
    ASSERT_EQ(image.size(), 24637U);
    EXPECT_EQ(fourCc(image, 0), "RIFF");
    EXPECT_EQ(readLittleEndian(image, 4, 4), 24637U - 8);
    EXPECT_EQ(fourCc(image, 8), "WAVE");
    EXPECT_EQ(fourCc(image, 12), "fmt ");
    EXPECT_EQ(readLittleEndian(image, 16, 4), 16U);
    EXPECT_EQ(readLittleEndian(image, 20, 2), 1U);      // PCM
    EXPECT_EQ(readLittleEndian(image, 22, 2), 1U);      // mono
    EXPECT_EQ(readLittleEndian(image, 24, 4), 22050U);  // samples per second
    EXPECT_EQ(readLittleEndian(image, 28, 4), 22050U);  // bytes per second
    EXPECT_EQ(readLittleEndian(image, 32, 2), 1U);      // block align
    EXPECT_EQ(readLittleEndian(image, 34, 2), 8U);      // bits per sample
    EXPECT_EQ(fourCc(image, 36), "data");
    EXPECT_EQ(readLittleEndian(image, 40, 4), 24593U);
}

TEST(CompletionSoundTest, IsAudibleWithoutClippingAndEndsInSilence) {
    const auto samples = completionSound().subspan(44);
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    EXPECT_LT(*low, 100);  // clearly audible
    EXPECT_GT(*high, 156);
    EXPECT_GT(*low, 0);  // never clipped
    EXPECT_LT(*high, 255);
    EXPECT_EQ(samples.front(), 128);  // starts and ends at the mid level: no click
    EXPECT_EQ(samples.back(), 128);
}

}  // namespace
}  // namespace ld
