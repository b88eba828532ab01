#include "engine/speed_meter.h"

namespace ld::engine {

void SpeedMeter::sample(Clock::time_point now) {
    if (!readings_.empty() && now - readings_.back().at < std::chrono::milliseconds(100)) {
        readings_.back().total = total_;
    } else {
        readings_.push_back({now, total_});
    }
    // Keep one reading older than the window so the span covers all of it.
    while (readings_.size() > 2 && now - readings_[1].at >= window_) {
        readings_.pop_front();
    }
}

std::int64_t SpeedMeter::bytesPerSecond(Clock::time_point now) const {
    if (readings_.empty()) {
        return 0;
    }
    const Reading& oldest = readings_.front();
    const auto span = std::chrono::duration<double>(now - oldest.at).count();
    if (span < 0.2) {
        return 0;
    }
    return static_cast<std::int64_t>(static_cast<double>(total_ - oldest.total) / span);
}

void SpeedMeter::reset() {
    readings_.clear();
}

}  // namespace ld::engine
