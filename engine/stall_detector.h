// Notices a connection that delivers less than a minimum rate over a whole window of time,
// counted from the moment its request went out (so a server that never answers stalls too).
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

namespace ld::engine {

class StallDetector {
  public:
    using Clock = std::chrono::steady_clock;

    StallDetector(Clock::duration window, std::int64_t bytesPerSecond, Clock::time_point start)
        : window_(window), bytesPerSecond_(bytesPerSecond) {
        restart(start);
    }

    void add(std::int64_t bytes) { total_ += bytes; }
    // Starts a new window, e.g. when a held connection is released again.
    void restart(Clock::time_point now);
    // True when fewer than window × rate bytes arrived during the last window.
    bool stalled(Clock::time_point now);

  private:
    struct Reading {
        Clock::time_point at;
        std::int64_t total;
    };
    Clock::duration window_;
    std::int64_t bytesPerSecond_;
    std::int64_t total_ = 0;
    std::deque<Reading> readings_;
};

}  // namespace ld::engine
