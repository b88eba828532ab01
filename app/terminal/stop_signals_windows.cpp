// StopSignals on Windows: a console control handler. The system calls it on a
// thread of its own; it only sets an event that waitFor waits on. For a
// closed console (and log-off, shut-down) the system ends the process as soon
// as the handler returns, so there it waits until the session has paused the
// current file and the engine has shut down (the StopSignals is destroyed).
#include <windows.h>

#include <memory>
#include <type_traits>

#include "app/terminal/console_control_windows.h"
#include "app/terminal/stop_signals.h"

namespace ld {
namespace {

// Longer than Windows gives a closing console (about 5 s, then it ends the
// process anyway); only a hung shutdown would reach it.
constexpr DWORD kHoldAtMostMilliseconds = 20'000;

struct HandleClose {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleClose>;

// Process-wide, as the handler is: it may run after the StopSignals is gone.
struct ConsoleStops {
    UniqueHandle requested{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle finished{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

ConsoleStops& consoleStops() {
    static ConsoleStops stops;
    return stops;
}

}  // namespace

BOOL WINAPI consoleControlHandler(DWORD type) {
    ConsoleStops& stops = consoleStops();
    switch (type) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            // Handled: the process goes on and stops cleanly. A second one
            // changes nothing.
            SetEvent(stops.requested.get());
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            SetEvent(stops.requested.get());
            WaitForSingleObject(stops.finished.get(), kHoldAtMostMilliseconds);
            return TRUE;
        default:
            return FALSE;
    }
}

struct StopSignals::Platform {};

StopSignals::StopSignals() : platform_(std::make_unique<Platform>()) {
    ConsoleStops& stops = consoleStops();  // made before the handler can run
    ResetEvent(stops.requested.get());
    ResetEvent(stops.finished.get());
    SetConsoleCtrlHandler(consoleControlHandler, TRUE);
}

StopSignals::~StopSignals() {
    // The handler stays: a later Ctrl+C is taken and ignored, and a console
    // closed from here on lets the process end at once.
    SetEvent(consoleStops().finished.get());
}

bool StopSignals::waitFor(std::chrono::milliseconds timeout) {
    if (received_) {
        return true;
    }
    const auto milliseconds = timeout.count() > 0 ? timeout.count() : 0;
    const DWORD wait = milliseconds < INFINITE ? static_cast<DWORD>(milliseconds) : INFINITE - 1;
    if (WaitForSingleObject(consoleStops().requested.get(), wait) == WAIT_OBJECT_0) {
        received_ = true;
    }
    return received_;
}

}  // namespace ld
