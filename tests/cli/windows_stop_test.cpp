// The console control handler on Windows, called as the system calls it (on
// a thread of its own): Wine delivers Ctrl+C (see windows_console_test.cpp)
// but neither Ctrl+Break nor a closed console window to it.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "app/terminal/console_control_windows.h"
#include "app/terminal/stop_signals.h"

namespace ld {
namespace {

TEST(WindowsStop, CtrlBreakIsAStopRequestAndOtherEventsAreNotOurs) {
    StopSignals stop;
    EXPECT_FALSE(stop.waitFor(std::chrono::milliseconds(0)));
    EXPECT_EQ(consoleControlHandler(CTRL_BREAK_EVENT), TRUE) << "handled: the process goes on";
    EXPECT_TRUE(stop.waitFor(std::chrono::milliseconds(0)));
    EXPECT_EQ(consoleControlHandler(0x1234), FALSE);
}

TEST(WindowsStop, AClosedConsoleHoldsTheProcessUntilTheSessionHasStopped) {
    std::optional<StopSignals> stop(std::in_place);
    std::atomic<bool> returned{false};
    BOOL answer = FALSE;
    // Windows ends the process as soon as the handler returns.
    std::thread system([&] {
        answer = consoleControlHandler(CTRL_CLOSE_EVENT);
        returned = true;
    });
    EXPECT_TRUE(stop->waitFor(std::chrono::seconds(30))) << "the session hears the request";
    EXPECT_FALSE(returned.load()) << "the handler let the process end before the session stopped";
    stop.reset();  // the current file paused, the engine shut down
    system.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(answer, TRUE);
}

}  // namespace
}  // namespace ld
