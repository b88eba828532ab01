#include "app/terminal/stop_signals.h"

#include <pthread.h>

#include <cerrno>
#include <ctime>

namespace ld {

StopSignals::StopSignals() {
    sigemptyset(&stopSignals_);
    sigaddset(&stopSignals_, SIGINT);
    sigaddset(&stopSignals_, SIGTERM);
    // A closed SSH session hangs up: stop as cleanly as on Ctrl+C. (Under
    // nohup the signal is ignored and never arrives.)
    sigaddset(&stopSignals_, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals_, &previousMask_);
}

StopSignals::~StopSignals() {
    // A second Ctrl+C during the clean stop must not kill the process once
    // the signals are unblocked again.
    const timespec now{0, 0};
    while (sigtimedwait(&stopSignals_, nullptr, &now) > 0) {
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
