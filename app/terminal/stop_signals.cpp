#include "app/terminal/stop_signals.h"

#include <pthread.h>

#include <array>
#include <cerrno>
#include <ctime>

namespace ld {
namespace {

// A closed SSH session hangs up: stop as cleanly as on Ctrl+C. (Under nohup
// SIGHUP is ignored and never arrives.)
constexpr std::array<int, 3> kStopSignals{SIGINT, SIGTERM, SIGHUP};

}  // namespace

StopSignals::StopSignals() {
    sigemptyset(&stopSignals_);
    for (const int stopSignal : kStopSignals) {
        sigaddset(&stopSignals_, stopSignal);
    }
    pthread_sigmask(SIG_BLOCK, &stopSignals_, &previousMask_);
}

StopSignals::~StopSignals() {
    // A second Ctrl+C during the clean stop, or one that arrives while the
    // process ends (the sanitizers' leak check runs after main returns), must
    // not kill it once the signals are unblocked again: from here on they are
    // ignored. Ignoring a signal also drops it when it is pending.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (const int stopSignal : kStopSignals) {
        sigaction(stopSignal, &ignore, nullptr);
    }
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

bool StopSignals::waitFor(std::chrono::milliseconds timeout) {
    if (received_) {
        return true;
    }
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
            until - std::chrono::steady_clock::now());
        const auto nanoseconds = left.count() > 0 ? left.count() : 0;
        const timespec wait{static_cast<time_t>(nanoseconds / 1'000'000'000),
                            static_cast<long>(nanoseconds % 1'000'000'000)};
        if (sigtimedwait(&stopSignals_, nullptr, &wait) > 0) {
            received_ = true;
            return true;
        }
        // EAGAIN: the time is up. EINTR: another signal's handler ran; wait on.
        if (errno != EINTR || nanoseconds == 0) {
            return false;
        }
    }
}

}  // namespace ld
