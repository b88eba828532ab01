// The terminal mode's console on Windows (run under Wine on a display of its
// own, where a console of the test's own can be made): text reaches the
// console as characters whatever its code page, and Ctrl+C is a stop request
// that does not end the process.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>

#include "app/terminal/output_handle_windows.h"
#include "app/terminal/stop_signals.h"

namespace ld {
namespace {

struct HandleClose {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleClose>;

// The text of the console's screen buffer on the cursor's line up to the cursor.
std::wstring consoleLineBeforeCursor(HANDLE console) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(console, &info) == FALSE) {
        return L"(no screen buffer)";
    }
    std::wstring text(static_cast<std::size_t>(info.dwCursorPosition.X), L'\0');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(console, text.data(), static_cast<DWORD>(text.size()),
                                COORD{0, info.dwCursorPosition.Y}, &read);
    text.resize(read);
    return text;
}

// A console of the test's own (the test runner gives none; without a display
// Wine makes one whose handles do not work).
class WindowsConsole : public ::testing::Test {
  protected:
    void SetUp() override {
        FreeConsole();
        if (AllocConsole() == FALSE) {
            GTEST_SKIP() << "no console can be made here";
        }
        console_.reset(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
        ASSERT_NE(console_.get(), INVALID_HANDLE_VALUE);
    }
    void TearDown() override {
        console_.reset();
        FreeConsole();
    }
    UniqueHandle console_;
};

TEST_F(WindowsConsole, TextReachesTheConsoleAsCharactersWhateverItsCodePage) {
    // A code page that holds none of these characters.
    SetConsoleOutputCP(437);
    OutputHandleBuffer buffer(console_.get());
    ASSERT_TRUE(buffer.isConsole());
    std::ostream out(&buffer);
    // A character cut in two by separate writes arrives whole.
    out << "第1讲 \xE4\xB8" << std::flush;
    out << "\x8B\xE8\xBD\xBD" << std::flush;
    EXPECT_TRUE(out.good());
    EXPECT_EQ(consoleLineBeforeCursor(console_.get()), L"第1讲 下载");
}

TEST_F(WindowsConsole, CtrlCIsAStopRequestAndASecondOneIsHarmless) {
    {
        StopSignals stop;
        EXPECT_FALSE(stop.waitFor(std::chrono::milliseconds(0)));
        ASSERT_NE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0), FALSE);
        EXPECT_TRUE(stop.waitFor(std::chrono::seconds(30)));
        EXPECT_TRUE(stop.received());
        ASSERT_NE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0), FALSE);
        EXPECT_TRUE(stop.waitFor(std::chrono::milliseconds(0)));
    }
    // After the stop, while the process ends: still taken, still harmless.
    ASSERT_NE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0), FALSE);
    // A later session still hears one (and this process is still here).
    StopSignals later;
    ASSERT_NE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0), FALSE);
    EXPECT_TRUE(later.waitFor(std::chrono::seconds(30)));
}

}  // namespace
}  // namespace ld
