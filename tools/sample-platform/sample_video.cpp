#include "tools/sample-platform/sample_video.h"

#include <algorithm>
#include <array>

namespace ld::sample {
namespace {

// An FLV file header (signature, version 1, audio and video, header size 9)
// followed by the first, empty "previous tag size".
constexpr std::array<unsigned char, 13> kFlvHeader{'F', 'L', 'V', 1, 5, 0, 0, 0, 9, 0, 0, 0, 0};

std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

std::uint64_t seedOf(std::string_view videoId) {
    std::uint64_t h = 0xCBF29CE484222325ULL;
    for (const char c : videoId) {
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
    }
    return h;
}

}  // namespace

void fillVideoBytes(std::string_view videoId, std::int64_t offset, std::span<char> out) {
    const std::uint64_t seed = seedOf(videoId);
    std::size_t done = 0;
    while (done < out.size()) {
        const auto position = static_cast<std::uint64_t>(offset) + done;
        if (position < kFlvHeader.size()) {
            out[done++] = static_cast<char>(kFlvHeader[position]);
            continue;
        }
        // Each 8-byte block is one mixed word of the seed and the block number.
        const std::uint64_t block = position / 8;
        const std::uint64_t word = mix(seed ^ (block * 0xD6E8FEB86659FD93ULL));
        for (auto byte = position % 8; byte < 8 && done < out.size(); ++byte) {
            out[done++] = static_cast<char>((word >> (8 * byte)) & 0xFF);
        }
    }
}

std::string videoBytes(std::string_view videoId, std::int64_t videoSize, std::int64_t offset,
                       std::int64_t length) {
    if (offset < 0 || offset >= videoSize) {
        return {};
    }
    const std::int64_t available = videoSize - offset;
    const std::int64_t count = length < 0 ? available : std::min(length, available);
    std::string bytes(static_cast<std::size_t>(count), '\0');
    fillVideoBytes(videoId, offset, bytes);
    return bytes;
}

void fillVersionedVideoBytes(std::string_view videoId, int version, std::int64_t offset,
                             std::span<char> out) {
    fillVideoBytes(videoId, offset, out);
    if (version != 0) {
        const auto mask = static_cast<char>(0x5A + version);
        for (char& c : out) {
            c = static_cast<char>(c ^ mask);
        }
    }
}

}  // namespace ld::sample
