// Ctrl+C (SIGINT), SIGTERM and SIGHUP as requests to stop, received where the
// session can act on them instead of ending the process on the spot.
//
// Construct it on the main thread before any other thread starts: it blocks
// the signals there, so every thread started later inherits the block and
// the signals stay pending until waitFor takes them. Destruction is meant for
// the end of the process: it leaves the stop signals ignored (a second Ctrl+C
// pending or arriving later is dropped, never ends the process) and restores
// the previous mask. POSIX only.
#pragma once

#include <signal.h>

#include <chrono>

namespace ld {

class StopSignals {
  public:
    StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    ~StopSignals();

    // Sleeps up to `timeout` (zero: just looks); returns at once, true, when a
    // stop signal arrives or has arrived before.
    bool waitFor(std::chrono::milliseconds timeout);
    [[nodiscard]] bool received() const noexcept { return received_; }

  private:
    sigset_t stopSignals_{};
    sigset_t previousMask_{};
    bool received_ = false;
};

}  // namespace ld
