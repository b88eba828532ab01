// Reading WAV images, and playing one where no sound can be heard.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/qt/sound_player.h"
#include "app/qt/wav_image.h"

namespace ld {
namespace {

void put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// A four-letter chunk name, appended byte by byte.
void tag(std::vector<std::uint8_t>& out, std::string_view name) {
    for (const char c : name) {
        out.push_back(static_cast<std::uint8_t>(c));
    }
}

// A RIFF/WAVE image with an optional odd-sized chunk before "data".
std::vector<std::uint8_t> wav(int format, int bits, std::uint32_t dataSize, int dataBytes,
                              bool oddChunk = false) {
    std::vector<std::uint8_t> out;
    tag(out, "RIFF");
    put(out, 0, 4);  // players do not trust it; neither do we
    tag(out, "WAVE");
    tag(out, "fmt ");
    put(out, 16, 4);
    put(out, static_cast<std::uint32_t>(format), 2);
    put(out, 2, 2);      // channels
    put(out, 22050, 4);  // sample rate
    put(out, 22050 * 2 * static_cast<std::uint32_t>(bits) / 8, 4);
    put(out, 2 * static_cast<std::uint32_t>(bits) / 8, 2);
    put(out, static_cast<std::uint32_t>(bits), 2);
    if (oddChunk) {
        tag(out, "LIST");
        put(out, 3, 4);
        out.insert(out.end(), {'a', 'b', 'c', 0});  // padded to even length
    }
    tag(out, "data");
    put(out, dataSize, 4);
    out.insert(out.end(), static_cast<std::size_t>(dataBytes), std::uint8_t{0x11});
    return out;
}

std::vector<std::uint8_t> cut(std::vector<std::uint8_t> image, std::size_t size) {
    image.resize(size);
    return image;
}

TEST(WavImage, ReadsPcmAndFloatImages) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> image;
        bool valid;
        std::size_t samples;
    };
    const std::vector<Case> cases = {
        {"16-bit PCM", wav(1, 16, 8, 8), true, 8},
        {"float", wav(3, 32, 8, 8), true, 8},
        {"odd chunk before data", wav(1, 16, 4, 4, true), true, 4},
        {"data shorter than declared", wav(1, 16, 1000, 6), true, 6},
        {"compressed", wav(2, 4, 8, 8), false, 0},
        {"not RIFF", std::vector<std::uint8_t>(44, 0), false, 0},
        {"empty", {}, false, 0},
        {"cut inside fmt", cut(wav(1, 16, 8, 8), 30), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto read = readWavImage(c.image);
        ASSERT_EQ(read.has_value(), c.valid);
        if (read) {
            EXPECT_EQ(read->channels, 2);
            EXPECT_EQ(read->sampleRate, 22050);
            EXPECT_EQ(read->samples.size(), c.samples);
        }
    }
}

TEST(SoundPlayer, PlayingTwiceAndGarbageIsHarmless) {
    SoundPlayer player;
    const auto sound = wav(1, 16, 4000, 4000);
    player.play(sound);  // silent where there is no audio output
    player.play(sound);  // stops the first one
    EXPECT_FALSE(player.play(std::vector<std::uint8_t>(10, 0)));
    player.stop();
}

}  // namespace
}  // namespace ld
