// The chime played when a file has finished downloading: a complete WAV file
// image (RIFF/WAVE, PCM, mono, 22050 samples per second, 8 bits per sample,
// 24593 bytes of samples, about 1.1 seconds), built into the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ld {

inline constexpr std::size_t kCompletionSoundSampleBytes = 24593;
inline constexpr std::size_t kCompletionSoundBytes = 44 + kCompletionSoundSampleBytes;  // 24637
inline constexpr std::uint32_t kCompletionSoundSampleRate = 22050;

// The whole WAV image; the bytes live for the program's run.
std::span<const std::uint8_t, kCompletionSoundBytes> completionSound();

}  // namespace ld
