// The parts of a WAV file image (RIFF/WAVE, PCM or float samples) a player needs.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace ld {

struct WavImage {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    bool floatSamples = false;
    std::span<const std::uint8_t> samples;  // inside the image it was read from
};

// Reads the "fmt " and "data" chunks. Empty for anything else than an
// uncompressed RIFF/WAVE image, or when the chunks run past the end; a data
// chunk that claims more bytes than there are is cut to what is there.
std::optional<WavImage> readWavImage(std::span<const std::uint8_t> image);

}  // namespace ld
