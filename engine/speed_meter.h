// Download speed over the last few seconds.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

namespace ld::engine {

class SpeedMeter {
  public:
    using Clock = std::chrono::steady_clock;

    explicit SpeedMeter(Clock::duration window = std::chrono::seconds(3)) : window_(window) {}

    void add(std::int64_t bytes) { total_ += bytes; }
    // Takes a reading; call regularly (readings closer than a tenth of a second are merged).
    void sample(Clock::time_point now);
    // Bytes per second between the oldest reading inside the window and now.
    std::int64_t bytesPerSecond(Clock::time_point now) const;
    // Forgets the history, e.g. on pause, so the speed reads 0 until data flows again.
    void reset();

  private:
    struct Reading {
        Clock::time_point at;
        std::int64_t total;
    };
    Clock::duration window_;
    std::int64_t total_ = 0;
    std::deque<Reading> readings_;
};

}  // namespace ld::engine
