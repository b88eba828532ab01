// StopSignals on POSIX: the stop signals blocked in every thread and taken
// with sigtimedwait.
#include <pthread.h>
#include <signal.h>

#include <array>
#include <cerrno>
#include <ctime>

#include "app/terminal/stop_signals.h"

namespace ld {
namespace {

// A closed SSH session hangs up: stop as cleanly as on Ctrl+C. (Under nohup
// SIGHUP is ignored and never arrives.)
constexpr std::array<int, 3> kStopSignals{SIGINT, SIGTERM, SIGHUP};

}  // namespace

struct StopSignals::Platform {
    sigset_t stopSignals{};
    sigset_t previousMask{};
};

StopSignals::StopSignals() : platform_(std::make_unique<Platform>()) {
    sigemptyset(&platform_->stopSignals);
    for (const int stopSignal : kStopSignals) {
        sigaddset(&platform_->stopSignals, stopSignal);
    }
    pthread_sigmask(SIG_BLOCK, &platform_->stopSignals, &platform_->previousMask);
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
    pthread_sigmask(SIG_SETMASK, &platform_->previousMask, nullptr);
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
        if (sigtimedwait(&platform_->stopSignals, nullptr, &wait) > 0) {
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
