// One download: its target files, its ranges, its connections and its state. Lives on the
// engine thread; callers see it only through its StatusBox.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/create_record.h"
#include "engine/curl_handles.h"
#include "engine/platform_file.h"
#include "engine/resume_metadata.h"
#include "engine/retry_policy.h"
#include "engine/segment_planner.h"
#include "engine/settings.h"
#include "engine/speed_meter.h"
#include "engine/target_claims.h"
#include "engine/target_name.h"
#include "engine/task_status.h"
#include "engine/transfer.h"

namespace ld::engine {

// What the engine lends its tasks.
struct EngineContext {
    MultiHandle& multi;
    const Settings& settings;
    TargetClaims& claims;
    int nextTransferId = 1;
};

class Task final : public TransferSink {
  public:
    using Clock = std::chrono::steady_clock;

    Task(TaskRequest request, std::shared_ptr<StatusBox> status, EngineContext& context);
    // Stops every transfer and keeps the partial data with what is needed to resume it.
    ~Task();
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;

    // XL_StartTask: starts, or resumes after pause().
    void start(Clock::time_point now);
    // XL_StopTask.
    void pause();
    // A newer task took over the same target: hand over the partial data and fail.
    void supersede();

    // Moves the task on after the multi handle ran: settles ended transfers, starts new
    // ones, finishes the file. Then publishes the status.
    void update(Clock::time_point now);
    // When update() needs to run again at the latest (a scheduled retry or the end of the
    // finishing hold).
    std::optional<Clock::time_point> nextWakeup() const;

    std::size_t onBody(Transfer& transfer, const char* data, std::size_t size) override;

  private:
    enum class Phase { Idle, Running, Paused, Finishing, Finished, Failed };
    static constexpr std::size_t kNoSegment = static_cast<std::size_t>(-1);

    bool openTarget();
    void loadOrResetProgress();
    std::string claimKey(const std::string& name) const;
    std::string chooseFinalName() const;

    void judge(Transfer& transfer);
    void acceptPartialAnswer(Transfer& transfer);
    void acceptWholeAnswer(Transfer& transfer);
    void judgeUnsatisfiable(Transfer& transfer);
    void restartFromZero(Clock::time_point now);
    bool useLength(std::int64_t total);

    void settle(Transfer& transfer, Clock::time_point now);
    void settleByResult(Transfer& transfer, Clock::time_point now);
    void retryLater(Transfer& transfer, int code, std::chrono::milliseconds retryAfter,
                    Clock::time_point now);
    void removeEndedTransfers(Clock::time_point now);
    void launchTransfers();
    bool launch(std::size_t segment, std::int64_t from, std::int64_t to, int id);
    int connectionLimit() const;
    void cancelAll();

    void fail(int code);
    void beginFinishing(Clock::time_point now);
    void finish();
    void closeTarget(bool keepPartial);
    void saveResumeData();
    void publish(Clock::time_point now, bool force);
    int currentState() const;
    TaskSnapshot snapshot(Clock::time_point now) const;

    TaskRequest request_;
    std::shared_ptr<StatusBox> status_;
    EngineContext& context_;
    const Settings& settings_;

    Phase phase_ = Phase::Idle;
    int failureCode_ = 0;
    bool prepared_ = false;

    PlatformFolder folder_;
    std::string folderKey_;
    std::string finalName_;
    std::string claimedKey_;
    PartialNames partialNames_;
    PlatformFile file_;
    bool fileCreated_ = false;

    RemoteIdentity remote_;
    SegmentPlanner planner_;
    std::vector<std::unique_ptr<Transfer>> transfers_;
    // An answer has been accepted since the last start, resume or restart; until then only
    // one request is out.
    bool confirmed_ = false;
    bool rangesRefused_ = false;
    int serverConnectionLimit_ = 0;

    RetryState retry_;
    SpeedMeter speed_;
    bool resumeDataDirty_ = false;
    Clock::time_point resumeDataSavedAt_{};
    Clock::time_point finishAt_{};
    Clock::time_point publishedAt_{};
    int publishedState_ = -1;
};

}  // namespace ld::engine
