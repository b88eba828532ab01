// One download's lifecycle: commands (start, pause, hand-over), the target file, finishing
// with the rename, and the status callers see. The bytes themselves are fetched by its
// Fetch. Lives on the engine thread; callers see it only through its StatusBox.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>

#include "engine/create_record.h"
#include "engine/fetch.h"
#include "engine/settings.h"
#include "engine/target_claims.h"
#include "engine/target_file.h"
#include "engine/task_status.h"
#include "engine/transfer.h"

namespace ld::engine {

// Final and owned by the engine alone, never destroyed through one of its
// interfaces (whose destructors are protected for that reason).
// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor)
class Task final : public TransferSink, public TargetWriter, public FetchOwner {
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
    void supersede() override;

    // Moves the task on after the multi handle ran: settles ended transfers, starts new
    // ones, finishes the file. Then publishes the status.
    void update(Clock::time_point now);
    // When update() needs to run again at the latest (a scheduled retry or the end of the
    // finishing hold).
    std::optional<Clock::time_point> nextWakeup() const;

    std::size_t onBody(Transfer& transfer, const char* data, std::size_t size) override;

    // Something went wrong inside the engine while working on this task (an exception
    // reached the engine thread): fail it with XLDL_FAIL_INTERNAL. Never throws.
    void failInternal() noexcept;

  private:
    enum class Phase { Idle, Running, Paused, Finishing, Finished, Failed };

    bool openTarget();
    void fail(int code) override;
    void beginFinishing(Clock::time_point now);
    void finish();
    void closeTarget(bool keepPartial);
    void saveResumeData();
    void publish(Clock::time_point now, bool force);
    int currentState() const;
    TaskSnapshot snapshot(Clock::time_point now) const;

    TaskRequest request_;
    std::shared_ptr<StatusBox> status_;
    const Settings& settings_;

    Phase phase_ = Phase::Idle;
    int failureCode_ = 0;
    bool prepared_ = false;

    TargetFile target_;
    Fetch fetch_;

    Clock::time_point resumeDataSavedAt_{};
    Clock::time_point finishAt_{};
    Clock::time_point publishedAt_{};
    int publishedState_ = -1;
};

}  // namespace ld::engine
