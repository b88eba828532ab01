// Which failures are worth another try, and when that try may start.
#pragma once

#include <chrono>
#include <optional>

#include <curl/curl.h>

#include "engine/settings.h"

namespace ld::engine {

struct FailureClass {
    bool transient;  // worth another try
    int code;        // 失败代码 to report if the task gives up on it
};

// A transfer that ended with a libcurl error.
FailureClass classifyCurlResult(CURLcode result);
// A final answer that is not a success: 408, 429 and 5xx are transient, every other status
// fails the task at once.
FailureClass classifyHttpStatus(long status);

// The failure streak of one task: tries are counted from the last time data arrived, and
// each try waits twice as long as the one before (or as long as the server asked).
class RetryState {
  public:
    using Clock = std::chrono::steady_clock;

    explicit RetryState(const Settings& settings) : settings_(settings) {}

    enum class Outcome {
        Scheduled,  // a new try starts at retryAt()
        Joined,     // a try is already scheduled; this failure waits for it
        GiveUp,     // no tries left
    };
    Outcome noteFailure(Clock::time_point now, std::chrono::milliseconds retryAfter);
    // Data arrived: the streak is over.
    void noteProgress();
    // A restart that must not wait (the file changed); counts as a try.
    Outcome noteImmediateRetry(Clock::time_point now);
    // Forget any scheduled try and the streak (the user paused or resumed).
    void clear();

    bool waiting(Clock::time_point now) const { return retryAt_ && now < *retryAt_; }
    std::optional<Clock::time_point> retryAt() const { return retryAt_; }
    int failures() const { return failures_; }

  private:
    Outcome schedule(Clock::time_point now, Clock::duration delay);

    Settings settings_;
    int failures_ = 0;
    std::optional<Clock::time_point> streakStart_;
    std::optional<Clock::time_point> retryAt_;
};

}  // namespace ld::engine
