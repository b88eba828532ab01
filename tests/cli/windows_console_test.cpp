// The terminal mode's console on Windows (run under Wine on a display of its
// own, where a console of the test's own can be made): text reaches the
// console as characters whatever its code page, Ctrl+C is a stop request
// that does not end the process, and the console program downloads a course
// of the sample platform with its lines on that console.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "app/terminal/output_handle_windows.h"
#include "app/terminal/stop_signals.h"
#include "tools/demo-check/demo_check.h"
#include "tools/sample-platform/sample_platform.h"

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

// The whole screen buffer, one line per row with its trailing blanks cut.
std::wstring consoleScreen(HANDLE console) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(console, &info) == FALSE) {
        return L"(no screen buffer)";
    }
    std::wstring screen;
    std::wstring row(static_cast<std::size_t>(info.dwSize.X), L' ');
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
        DWORD read = 0;
        ReadConsoleOutputCharacterW(console, row.data(), static_cast<DWORD>(row.size()),
                                    COORD{0, y}, &read);
        std::wstring line = row.substr(0, read);
        line.erase(line.find_last_not_of(L' ') + 1);
        screen += line + L"\n";
    }
    return screen;
}

std::string utf8Of(const std::wstring& wide) {
    const int size = static_cast<int>(wide.size());
    std::string utf8(static_cast<std::size_t>(size) * 3, '\0');
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(),
                                          static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(bytes > 0 ? bytes : 0));
    return utf8;
}

std::wstring wideOf(const std::string& utf8) {
    const int size = static_cast<int>(utf8.size());
    std::wstring wide(utf8.size(), L'\0');
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), size);
    wide.resize(static_cast<std::size_t>(units > 0 ? units : 0));
    return wide;
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

TEST_F(WindowsConsole, TheLiveLineIsRedrawnInPlaceWithoutTheConsolesEscapeSequences) {
    OutputHandleBuffer buffer(console_.get());
    std::ostream out(&buffer);
    out << "[1/5] 第1讲 线性表  12%" << std::flush;
    // "\r" and erase to the line's end, the sequence cut between two writes.
    out << "\r\x1b[" << std::flush;
    out << "K[1/5] 9%" << std::flush;
    EXPECT_EQ(consoleLineBeforeCursor(console_.get()), L"[1/5] 9%");
    EXPECT_EQ(consoleScreen(console_.get()), L"[1/5] 9%\n") << "nothing of the longer line is left";
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

TEST_F(WindowsConsole, TheConsoleProgramDownloadsWithItsLinesOnTheConsole) {
    sample::SamplePlatform platform;
    platform.start();
    SetEnvironmentVariableW(L"http_proxy", wideOf(platform.address()).c_str());
    SetEnvironmentVariableW(L"no_proxy", nullptr);
    SetConsoleOutputCP(437);
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / L"控制台中下载";
    std::filesystem::remove_all(folder);

    // The program on this console, as cmd starts it.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const UniqueHandle output(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                          OPEN_EXISTING, 0, nullptr));
    const UniqueHandle input(CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                         OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = output.get();
    startup.hStdError = output.get();
    const std::filesystem::path program = LD_CONSOLE_PROGRAM;
    std::wstring command = L"\"" + program.native() +
                           L"\" download \"http://www.course.example/#/mid/guide?courseId=142\" "
                           L"--output \"" +
                           folder.native() + L"\"";
    PROCESS_INFORMATION process{};
    ASSERT_NE(CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             nullptr, &startup, &process),
              FALSE);
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
    DWORD exitCode = 1000;
    if (WaitForSingleObject(process.hProcess, 120'000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &exitCode);
    } else {
        TerminateProcess(process.hProcess, 1001);
    }
    const std::wstring screen = consoleScreen(console_.get());
    EXPECT_EQ(exitCode, 0U) << utf8Of(screen);
    EXPECT_NE(screen.find(L"\n[5/5] 第5讲 查找与排序  下载完毕  0.20MB  第5讲 查找与排序.flv\n"),
              std::wstring::npos)
        << utf8Of(screen);
    EXPECT_NE(screen.find(L"\n[3/5] 第3讲 树  下载完毕  0.20MB  第3讲 树.flv\n"),
              std::wstring::npos)
        << utf8Of(screen);
    EXPECT_NE(screen.find(L"下载完毕 5 讲，未下载 0 讲"), std::wstring::npos) << utf8Of(screen);
    // The live line was redrawn with the console calls: no control sequence
    // reached the screen, nothing of a longer line before is left.
    EXPECT_EQ(screen.find(L"[K"), std::wstring::npos) << utf8Of(screen);
    EXPECT_EQ(screen.find(L'\x1b'), std::wstring::npos) << utf8Of(screen);
    const std::vector<std::string> problems = sample::demoProblems({"142", folder, folder, {}});
    EXPECT_TRUE(problems.empty()) << problems.front();
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace ld
