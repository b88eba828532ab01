#include "engine/stall_detector.h"

namespace ld::engine {

void StallDetector::restart(Clock::time_point now) {
    readings_.clear();
    readings_.push_back({now, total_});
}

bool StallDetector::stalled(Clock::time_point now) {
    if (now - readings_.back().at >= std::chrono::milliseconds(200)) {
        readings_.push_back({now, total_});
    }
    // Keep the newest reading that is at least a window old, and everything after it.
    while (readings_.size() > 1 && now - readings_[1].at >= window_) {
        readings_.pop_front();
    }
    const Reading& oldest = readings_.front();
    if (now - oldest.at < window_) {
        return false;
    }
    const double seconds = std::chrono::duration<double>(now - oldest.at).count();
    return static_cast<double>(total_ - oldest.total) <
           seconds * static_cast<double>(bytesPerSecond_);
}

}  // namespace ld::engine
