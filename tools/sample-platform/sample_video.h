// The bytes of a sample video: generated from the video identifier, so a test
// can compare a downloaded file without any stored copy. Any range can be made
// on its own, which lets the server answer range requests of large files
// without holding them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ld::sample {

// Writes the bytes [offset, offset + out.size()) of the video into out. Bytes
// past the video's end are not defined by the video; callers stay inside it.
void fillVideoBytes(std::string_view videoId, std::int64_t offset, std::span<char> out);

// The video's bytes as another version of the file holds them (version 0: the
// bytes of fillVideoBytes).
void fillVersionedVideoBytes(std::string_view videoId, int version, std::int64_t offset,
                             std::span<char> out);

// The bytes [offset, offset + length) of a video of the given size, cut at its end.
std::string videoBytes(std::string_view videoId, std::int64_t videoSize, std::int64_t offset = 0,
                       std::int64_t length = -1);

}  // namespace ld::sample
