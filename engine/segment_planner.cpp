#include "engine/segment_planner.h"

#include <algorithm>

namespace ld::engine {

void SegmentPlanner::reset(std::int64_t total, int owner) {
    total_ = total < 0 ? -1 : total;
    segments_.assign(1, Segment{0, 0, total_ < 0 ? Segment::kUnknownEnd : total_, owner});
}

bool SegmentPlanner::restore(std::vector<Segment> segments, std::int64_t total,
                             std::int64_t onDisk) {
    std::sort(segments.begin(), segments.end(),
              [](const Segment& a, const Segment& b) { return a.begin < b.begin; });
    std::int64_t expectedBegin = 0;
    bool consistent = !segments.empty();
    for (std::size_t i = 0; consistent && i < segments.size(); ++i) {
        Segment& s = segments[i];
        s.owner = Segment::kNoOwner;
        const bool last = i + 1 == segments.size();
        const bool endOk = s.end == Segment::kUnknownEnd ? (last && total < 0)
                                                         : (s.end >= s.begin && s.pos <= s.end);
        consistent = s.begin == expectedBegin && s.pos >= s.begin && endOk && s.pos <= onDisk;
        expectedBegin = s.end;
    }
    if (consistent && total >= 0) {
        consistent = expectedBegin == total;
    }
    if (!consistent) {
        reset(-1);
        return false;
    }
    segments_ = std::move(segments);
    total_ = total < 0 ? -1 : total;
    return true;
}

bool SegmentPlanner::setTotal(std::int64_t total) {
    if (total_ >= 0) {
        return total_ == total;
    }
    Segment& last = segments_.back();
    if (total < last.pos || total < last.begin) {
        return false;
    }
    last.end = total;
    total_ = total;
    return true;
}

void SegmentPlanner::closeAtCurrentPosition() {
    Segment& last = segments_.back();
    last.end = last.pos;
    total_ = last.pos;
}

std::optional<std::size_t> SegmentPlanner::takeUnowned(int owner) {
    for (std::size_t i = 0; i < segments_.size(); ++i) {
        Segment& s = segments_[i];
        if (s.owner == Segment::kNoOwner && !s.finished()) {
            s.owner = owner;
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> SegmentPlanner::splitLargest(int owner, std::int64_t minimumPiece,
                                                        const BusyUntil& busyUntil) {
    // Bytes of a range free to split off: those past what its request will fill.
    const auto freeFrom = [&busyUntil](const Segment& s) {
        return busyUntil ? std::clamp(busyUntil(s), s.pos, s.end) : s.pos;
    };
    std::optional<std::size_t> largest;
    std::int64_t largestFree = 0;
    for (std::size_t i = 0; i < segments_.size(); ++i) {
        const Segment& s = segments_[i];
        if (s.owner == Segment::kNoOwner || s.end == Segment::kUnknownEnd) {
            continue;
        }
        const std::int64_t free = s.end - freeFrom(s);
        if (free >= 2 * minimumPiece && free > largestFree) {
            largest = i;
            largestFree = free;
        }
    }
    if (!largest) {
        return std::nullopt;
    }
    Segment& source = segments_[*largest];
    const std::int64_t middle = freeFrom(source) + largestFree / 2;
    const Segment upper{middle, middle, source.end, owner};
    source.end = middle;
    // Appended, so the indices transfers hold stay valid; orderedSegments() sorts.
    segments_.push_back(upper);
    return segments_.size() - 1;
}

void SegmentPlanner::markResumed() {
    for (Segment& s : segments_) {
        s.resumed = !s.finished();
    }
}

std::int64_t SegmentPlanner::heldBefore(std::size_t index, std::int64_t most) const {
    const Segment& s = segments_[index];
    if (s.pos > s.begin) {
        return std::min(most, s.pos - s.begin);
    }
    for (const Segment& before : segments_) {
        if (before.end == s.begin && before.begin < s.begin && before.finished()) {
            return std::min(most, before.end - before.begin);
        }
    }
    return 0;
}

void SegmentPlanner::release(int owner) {
    for (Segment& s : segments_) {
        if (s.owner == owner) {
            s.owner = Segment::kNoOwner;
        }
    }
}

std::vector<Segment> SegmentPlanner::orderedSegments() const {
    std::vector<Segment> ordered = segments_;
    std::sort(ordered.begin(), ordered.end(),
              [](const Segment& a, const Segment& b) { return a.begin < b.begin; });
    return ordered;
}

std::int64_t SegmentPlanner::doneBytes() const {
    std::int64_t done = 0;
    for (const Segment& s : segments_) {
        done += s.pos - s.begin;
    }
    return done;
}

bool SegmentPlanner::complete() const {
    return total_ >= 0 && std::all_of(segments_.begin(), segments_.end(),
                                      [](const Segment& s) { return s.finished(); });
}

bool SegmentPlanner::hasUnownedWork() const {
    return std::any_of(segments_.begin(), segments_.end(), [](const Segment& s) {
        return s.owner == Segment::kNoOwner && !s.finished();
    });
}

}  // namespace ld::engine
