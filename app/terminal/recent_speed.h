// The speed of one file as the terminal shows it: the bytes that arrived in
// the last few seconds, per second, from samples of the byte count taken as
// the session polls. A steady rate reads steady (a piece that arrives at once
// moves the figure by its share of the window only), and the first seconds
// are measured over the time since the file started.
//
// Plain value; one thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

namespace ld {

class RecentSpeed {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kWindow{4000};

    // Forgets the samples: a new file starts.
    void restart() { samples_.clear(); }
    // The file had `bytesDone` bytes at `at`. A count that goes back (the
    // file started over) starts the measurement afresh.
    void note(Clock::time_point at, std::int64_t bytesDone);
    // 0 until the samples span a tenth of a second.
    [[nodiscard]] std::int64_t bytesPerSecond() const;

  private:
    struct Sample {
        Clock::time_point at;
        std::int64_t bytes;
    };
    std::deque<Sample> samples_;
};

}  // namespace ld
