// The status of one task as callers see it, shared between the engine thread, which
// publishes it, and the API, which reads it.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace ld::engine {

struct TaskSnapshot {
    std::int32_t state = 0;        // XLDL_STATE_*
    std::int32_t failureCode = 0;  // XLDL_FAIL_* or an HTTP status
    std::string fileName;          // final name, UTF-8
    std::int64_t totalBytes = 0;   // 0 until known
    std::int64_t doneBytes = 0;
    float progress = 0.0f;
    std::int32_t bytesPerSecond = 0;
    std::int32_t plannedConnections = 0;
    std::int32_t activeConnections = 0;
    bool fileCreated = false;
};

class StatusBox {
  public:
    explicit StatusBox(TaskSnapshot initial) : published_(std::move(initial)) {}

    // Engine thread.
    void publish(const TaskSnapshot& snapshot);
    // Engine thread: shows the task failed with `code` without building a new snapshot, for
    // when building one is what failed.
    void markFailed(std::int32_t code) noexcept;

    // API side: XL_StartTask / XL_StopTask were called; until the engine thread has acted on
    // it, queries already show the state the call leads to.
    void requestRun();
    void requestPause();

    TaskSnapshot read() const;

  private:
    enum class Request { None, Run, Pause };
    mutable std::mutex mutex_;
    TaskSnapshot published_;
    Request pending_ = Request::None;
};

}  // namespace ld::engine
