#include "app/terminal/recent_speed.h"

namespace ld {
namespace {

// Samples closer than this to the last one kept add nothing but memory.
constexpr std::chrono::milliseconds kSampleSpacing{50};
constexpr std::chrono::milliseconds kShortestSpan{100};

}  // namespace

void RecentSpeed::note(Clock::time_point at, std::int64_t bytesDone) {
    if (!samples_.empty() && bytesDone < samples_.back().bytes) {
        samples_.clear();
    }
    if (samples_.size() >= 2 && at - samples_[samples_.size() - 2].at < kSampleSpacing) {
        samples_.back() = {at, bytesDone};  // the newest sample moves on
    } else {
        samples_.push_back({at, bytesDone});
    }
    // Keep one sample at or before the window's start, so the window is whole.
    while (samples_.size() >= 2 && samples_[1].at <= at - kWindow) {
        samples_.pop_front();
    }
}

std::int64_t RecentSpeed::bytesPerSecond() const {
    if (samples_.size() < 2) {
        return 0;
    }
    const Sample& first = samples_.front();
    const Sample& last = samples_.back();
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(last.at - first.at);
    if (span < kShortestSpan) {
        return 0;
    }
    const long double perSecond = static_cast<long double>(last.bytes - first.bytes) * 1e6L /
                                  static_cast<long double>(span.count());
    return static_cast<std::int64_t>(perSecond);
}

}  // namespace ld
