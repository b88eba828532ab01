// Requests to stop, received where the session can act on them instead of
// ending the process on the spot: on Linux Ctrl+C (SIGINT), SIGTERM and
// SIGHUP; on Windows Ctrl+C, Ctrl+Break and the console window being closed
// (or the user logging off, the system shutting down).
//
// Construct it on the main thread before any other thread starts (on Linux it
// blocks the signals there, so every thread started later inherits the block
// and the signals stay pending until waitFor takes them). Destruction is meant
// for the end of the process, after the engine has shut down: from then on a
// stop request is ignored (a second Ctrl+C never ends the process). On
// Windows a closed console ends the process once the system's handler
// returns, so the handler holds it until this object is destroyed (Windows
// allows about five seconds).
#pragma once

#include <chrono>
#include <memory>

namespace ld {

class StopSignals {
  public:
    StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    ~StopSignals();

    // Sleeps up to `timeout` (zero: just looks); returns at once, true, when a
    // stop request arrives or has arrived before.
    bool waitFor(std::chrono::milliseconds timeout);
    [[nodiscard]] bool received() const noexcept { return received_; }

  private:
    struct Platform;  // the platform's own state (signal masks, events)
    std::unique_ptr<Platform> platform_;
    bool received_ = false;
};

}  // namespace ld
