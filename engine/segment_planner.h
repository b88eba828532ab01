// Which byte ranges of the file are on disk and which connection fetches which of the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace ld::engine {

// Bytes [begin, pos) are on disk; [pos, end) are still to fetch. `end` is kUnknownEnd while
// the server has not told the length. `owner` is the transfer working on the range, or
// kNoOwner. `resumed`: the range continues, at pos, data that an earlier answer brought
// (before a pause, a restart or a failure), so a server that gives no validators must
// first prove it still sends the same file there.
struct Segment {
    static constexpr std::int64_t kUnknownEnd = -1;
    static constexpr int kNoOwner = 0;

    std::int64_t begin = 0;
    std::int64_t pos = 0;
    std::int64_t end = kUnknownEnd;
    int owner = kNoOwner;
    bool resumed = false;

    bool finished() const { return end != kUnknownEnd && pos >= end; }
    // Bytes still to fetch; -1 when unknown.
    std::int64_t remaining() const { return end == kUnknownEnd ? -1 : end - pos; }
};

class SegmentPlanner {
  public:
    // One range covering the whole file, nothing on disk, worked on by `owner`. `total` may
    // be -1 (unknown).
    void reset(std::int64_t total, int owner = Segment::kNoOwner);
    // Takes ranges saved by an earlier run; false (and a fresh plan) when they do not tile
    // [0, total) in order or claim more than `onDisk` bytes of file.
    bool restore(std::vector<Segment> segments, std::int64_t total, std::int64_t onDisk);
    // The server told the length of a file planned with an unknown one. False when the data
    // already on disk is longer.
    bool setTotal(std::int64_t total);
    // The single open-ended range ended cleanly: its data is the whole file.
    void closeAtCurrentPosition();

    // Gives `owner` the first unfinished range nobody works on.
    std::optional<std::size_t> takeUnowned(int owner);
    // Where the request working on a range will have filled it; bytes before that are not
    // split off. Without one, a range may be split anywhere past its position.
    using BusyUntil = std::function<std::int64_t(const Segment&)>;
    // Splits the owned range with most bytes left past its request in two and gives the upper
    // half to `owner`, provided that half keeps at least `minimumPiece` bytes and the lower
    // one as many past the request.
    std::optional<std::size_t> splitLargest(int owner, std::int64_t minimumPiece,
                                            const BusyUntil& busyUntil = nullptr);
    // `owner` stopped working on its ranges.
    void release(int owner);
    void advance(std::size_t index, std::int64_t bytes) { segments_[index].pos += bytes; }
    // Every unfinished range resumes (the download starts again), or the one at `index` does
    // (its connection failed).
    void markResumed();
    void markResumed(std::size_t index) { segments_[index].resumed = true; }
    void markContinued(std::size_t index) { segments_[index].resumed = false; }
    // How many bytes, up to `most`, are on disk right before the range's position: its own,
    // or, at its very beginning, those of the finished range before it.
    std::int64_t heldBefore(std::size_t index, std::int64_t most) const;

    const Segment& at(std::size_t index) const { return segments_[index]; }
    const std::vector<Segment>& segments() const { return segments_; }
    // The ranges by position, as saved for a later resume.
    std::vector<Segment> orderedSegments() const;
    std::int64_t total() const { return total_; }
    std::int64_t doneBytes() const;
    // Every range is fetched and the length is known.
    bool complete() const;
    // Ranges that still need a connection.
    bool hasUnownedWork() const;

  private:
    std::vector<Segment> segments_;
    std::int64_t total_ = -1;
};

}  // namespace ld::engine
