#include "app/qt/wav_image.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace ld {
namespace {

constexpr int kFormatPcm = 1;
constexpr int kFormatFloat = 3;
constexpr int kFormatExtensible = 0xFFFE;

std::uint32_t readLe(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
    }
    return value;
}

bool tagIs(std::span<const std::uint8_t> bytes, std::size_t at, std::string_view tag) {
    return std::memcmp(bytes.data() + at, tag.data(), 4) == 0;
}

}  // namespace

std::optional<WavImage> readWavImage(std::span<const std::uint8_t> image) {
    if (image.size() < 12 || !tagIs(image, 0, "RIFF") || !tagIs(image, 8, "WAVE")) {
        return std::nullopt;
    }
    WavImage wav;
    bool haveFormat = false;
    std::size_t at = 12;
    while (image.size() - at >= 8) {
        const std::size_t size = readLe(image, at + 4, 4);
        const std::size_t body = at + 8;
        const std::size_t available = image.size() - body;
        if (tagIs(image, at, "fmt ")) {
            if (size < 16 || size > available) {
                return std::nullopt;
            }
            int format = static_cast<int>(readLe(image, body, 2));
            if (format == kFormatExtensible && size >= 26) {
                format = static_cast<int>(readLe(image, body + 24, 2));  // sub-format GUID
            }
            if (format != kFormatPcm && format != kFormatFloat) {
                return std::nullopt;
            }
            wav.floatSamples = format == kFormatFloat;
            wav.channels = static_cast<int>(readLe(image, body + 2, 2));
            wav.sampleRate = static_cast<int>(readLe(image, body + 4, 4));
            wav.bitsPerSample = static_cast<int>(readLe(image, body + 14, 2));
            haveFormat = true;
        } else if (tagIs(image, at, "data")) {
            if (!haveFormat) {
                return std::nullopt;
            }
            wav.samples = image.subspan(body, std::min(size, available));
            if (wav.channels <= 0 || wav.sampleRate <= 0) {
                return std::nullopt;
            }
            return wav;
        }
        if (size > available) {
            return std::nullopt;
        }
        at = body + size + (size & 1);  // chunks are padded to an even length
        if (at > image.size()) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace ld
