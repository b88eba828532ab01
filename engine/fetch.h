// The bytes of one download: which ranges are on disk, the transfers fetching the rest, how
// the server described the file, and the retry streak. Acts on the judgement of every
// answer and of every ended transfer. Engine thread only; owned by its task, which keeps the
// lifecycle (start, pause, finish) and is told through FetchOwner when the download fails.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/answer_judgement.h"
#include "engine/create_record.h"
#include "engine/curl_handles.h"
#include "engine/resume_metadata.h"
#include "engine/retry_policy.h"
#include "engine/segment_planner.h"
#include "engine/settings.h"
#include "engine/speed_meter.h"
#include "engine/target_claims.h"
#include "engine/target_file.h"
#include "engine/transfer.h"
#include "engine/transfer_set.h"

namespace ld::engine {

// What the engine lends its tasks.
struct EngineContext {
    MultiHandle& multi;
    const Settings& settings;
    TargetClaims& claims;
    RecordSaver& saver;
    int nextTransferId = 1;
};

class FetchOwner {
  public:
    // The download failed for good with 失败代码 `code`; every transfer is to stop.
    virtual void fail(int code) = 0;

  protected:
    ~FetchOwner() = default;
};

class Fetch {
  public:
    using Clock = std::chrono::steady_clock;

    // Every reference must outlive the fetch. Transfers report their bodies to `sink`,
    // which passes them to write() while the download runs.
    Fetch(const TaskRequest& request, EngineContext& context, TargetFile& target,
          TransferSink& sink, FetchOwner& owner);
    Fetch(const Fetch&) = delete;
    Fetch& operator=(const Fetch&) = delete;

    // Takes the ranges saved by an earlier run when `resume` and they fit the partial file;
    // otherwise starts from an empty file.
    void loadOrReset(bool resume);
    // What a later run needs to continue; resumeRecordSaved() once it is on disk.
    ResumeMetadata resumeRecord() const;
    bool resumeRecordStale() const { return resumeDataDirty_; }
    void resumeRecordSaved() { resumeDataDirty_ = false; }

    // The download (re)starts: a held connection carries on, anything else starts with one
    // request whose answer is checked before more connections open.
    void begin();
    // The download pauses: with ranges the transfers are dropped (a resume asks for the rest);
    // without them the connections are held so no data is lost.
    void hold(Clock::time_point now);
    // Cancels every transfer and drops it.
    void stop(Clock::time_point now);
    void cancelAll() { transfers_.cancelAll(); }
    // Destroys every transfer at once (the task goes away).
    void dropTransfers() { transfers_.clear(); }

    // Body bytes of a running download's transfer; returns how many were kept.
    std::size_t write(Transfer& transfer, const char* data, std::size_t size);
    // Times out stalled transfers, acts on every ended one and drops it.
    void settleEnded(Clock::time_point now);
    // Opens the transfers the plan allows, unless a retry is still waiting.
    void launchMore(Clock::time_point now);
    // Every byte is on disk, confirmed by the server, and no transfer is out.
    bool complete() const { return planner_.complete() && transfers_.empty() && confirmed_; }
    std::optional<Clock::time_point> retryAt() const { return retry_.retryAt(); }

    std::int64_t total() const { return planner_.total(); }
    std::int64_t doneBytes() const { return planner_.doneBytes(); }
    // Connections allowed now: one until an answer is confirmed.
    int connectionLimit() const;
    // Connections delivering data right now.
    int flowingConnections() const { return transfers_.flowing(); }
    void sampleSpeed(Clock::time_point now) { speed_.sample(now); }
    std::int64_t bytesPerSecond(Clock::time_point now) const { return speed_.bytesPerSecond(now); }

  private:
    static constexpr std::size_t kNoSegment = static_cast<std::size_t>(-1);

    // Bytes of a kept answer: those it repeats of the data held are compared with it
    // (compareHeld), the rest are written into its range (store). Each returns how many
    // bytes it took.
    std::size_t compareHeld(Transfer& transfer, const char* data, std::size_t size);
    std::size_t store(Transfer& transfer, const char* data, std::size_t size);
    void judge(Transfer& transfer);
    void keepRange(Transfer& transfer, const AnswerDecision& decision);
    void keepWhole(Transfer& transfer, const AnswerDecision& decision);
    bool adoptLength(std::int64_t total);
    // Removes the record, then empties the data file; false (and the task failed) when
    // either cannot be done.
    bool emptyDataFile();
    void restartFromZero(Clock::time_point now);

    void settle(Transfer& transfer, Clock::time_point now);
    void settleByResult(Transfer& transfer, Clock::time_point now);
    void retryLater(Transfer& transfer, int code, std::chrono::milliseconds retryAfter,
                    Clock::time_point now);
    void removeEndedTransfers(Clock::time_point now);
    // The part of its range a transfer fills: its segment, up to where its piece ends.
    Segment rangeOf(const Transfer& transfer) const;
    // Connections the file is planned for once ranges are confirmed.
    int plannedConnections() const;
    // The server gave an ETag or a Last-Modified to tell versions of the file apart.
    bool canTellVersions() const;
    void launchTransfers();
    // `held`: the first bytes asked for are on disk already and are to be compared.
    bool launch(std::size_t segment, std::int64_t from, std::int64_t to, std::int64_t held, int id);

    const TaskRequest& request_;
    EngineContext& context_;
    const Settings& settings_;
    TargetFile& target_;
    TransferSink& sink_;
    FetchOwner& owner_;

    RemoteIdentity remote_;
    SegmentPlanner planner_;
    TransferSet transfers_;
    // An answer has been accepted since the last start, resume or restart; until then only
    // one request is out.
    bool confirmed_ = false;
    bool rangesRefused_ = false;
    int serverConnectionLimit_ = 0;
    // Pieces that arrived whole since the last launch: that many connections are free for
    // the next piece at once.
    int pieceHandOffs_ = 0;
    RetryState retry_;
    SpeedMeter speed_;
    bool resumeDataDirty_ = false;
};

}  // namespace ld::engine
