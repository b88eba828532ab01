// Plays a WAV image from memory in the background, one sound at a time.
// Without an audio output, or for a format the output cannot take, it stays
// silent. Lives on the window's thread.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <span>

class QAudioSink;
class QBuffer;

namespace ld {

class SoundPlayer {
  public:
    SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;
    ~SoundPlayer();

    // Stops what is playing and starts `wavImage` (copied); returns at once.
    // False when nothing could be started.
    bool play(std::span<const std::uint8_t> wavImage);
    void stop();

  private:
    QByteArray samples_;
    std::unique_ptr<QBuffer> source_;
    std::unique_ptr<QAudioSink> sink_;  // reads source_, so it goes first
};

}  // namespace ld
