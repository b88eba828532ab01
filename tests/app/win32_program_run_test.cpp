// Runs the real Windows program as a child process, with a copy of it and its
// window module in a folder of their own next to a stand-in engine library,
// and watches what it does from start to close: the engine calls, the fatal
// stop, the exit code, and the pictures of --screenshots.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/fatal_stop_text.h"
#include "app/screenshot_files.h"
#include "text/codepage.h"

namespace ld {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string fatalText(const std::string& utf8Message) {
    return gbkToUtf8(fatalStopText(gbk(utf8Message)));
}

struct ProgramOutcome {
    DWORD exitCode = 0;
    std::string errors;  // what the program wrote to standard error
    std::string calls;   // what the engine stand-in logged
};

constexpr DWORD kFatalStopExitCode = static_cast<DWORD>(-1);
constexpr DWORD kWindowMissingExitCode = 255;

class Win32ProgramRun : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::temp_directory_path() / (std::string("win32-run-") + test->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        fs::copy_file(LD_PROGRAM, folder_ / "lecture-downloader.exe");
        fs::copy_file(LD_WINDOW_MODULE, folder_ / "lecture-downloader-window.dll");
    }
    void TearDown() override { fs::remove_all(folder_); }

    // Puts `library` beside the program under the engine library's name.
    void installEngine(const char* library) const {
        fs::copy_file(library, folder_ / "xldl.dll", fs::copy_options::overwrite_existing);
    }

    // Starts the program from another folder with `arguments`; it closes its
    // window after `closeAfterMs` unless a fatal stop ends it first.
    ProgramOutcome start(const std::wstring& arguments = L"", int closeAfterMs = 300) const {
        const fs::path errors = folder_ / "stderr.txt";
        const fs::path log = folder_ / "calls.log";
        SetEnvironmentVariableW(L"LD_TEST_NO_DIALOGS", L"1");
        SetEnvironmentVariableW(L"LD_TEST_CLOSE_AFTER_MS", std::to_wstring(closeAfterMs).c_str());
        SetEnvironmentVariableW(L"XLDL_TEST_DOUBLE_LOG", log.c_str());

        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        const HANDLE errorFile = CreateFileW(errors.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                             &inherit, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = errorFile;
        PROCESS_INFORMATION process{};
        const fs::path program = folder_ / "lecture-downloader.exe";
        std::wstring command = L"\"" + program.native() + L"\" " + arguments;
        ProgramOutcome result;
        result.exitCode = 1000;
        if (CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                           fs::temp_directory_path().c_str(), &startup, &process)) {
            if (WaitForSingleObject(process.hProcess, 60'000) == WAIT_OBJECT_0) {
                GetExitCodeProcess(process.hProcess, &result.exitCode);
            } else {
                TerminateProcess(process.hProcess, 1001);
            }
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        CloseHandle(errorFile);
        result.errors = readAll(errors);
        result.calls = readAll(log);
        // The stand-in writes its log in text mode: line breaks as CR LF.
        std::erase(result.calls, '\r');
        return result;
    }

    fs::path folder_;
};

TEST_F(Win32ProgramRun, InitialisesTheEngineInItsOwnFolderAndShutsItDownOnClose) {
    installEngine(XLDL_TEST_DOUBLE);
    const ProgramOutcome run = start();
    EXPECT_EQ(run.exitCode, 0u) << run.errors;
    EXPECT_EQ(run.calls, "XL_Init " + folder_.string() + "\nXL_UnInit\n");
    EXPECT_EQ(run.errors.find("运行时出错"), std::string::npos) << run.errors;
}

TEST_F(Win32ProgramRun, AMissingEngineLibraryIsAFatalStop) {
    const ProgramOutcome run = start();
    EXPECT_EQ(run.exitCode, kFatalStopExitCode);
    EXPECT_NE(run.errors.find(fatalText("无法找到指定DLL库文件“xldl.dll”中的输出命令“XL_Init”")),
              std::string::npos)
        << run.errors;
    EXPECT_EQ(run.calls, "");
}

TEST_F(Win32ProgramRun, AMissingEngineFunctionIsAFatalStopAtItsFirstCall) {
    installEngine(XLDL_TEST_DOUBLE_NO_UNINIT);
    const ProgramOutcome run = start();
    EXPECT_EQ(run.exitCode, kFatalStopExitCode);
    EXPECT_NE(run.errors.find(fatalText("无法找到指定DLL库文件“xldl.dll”中的输出命令“XL_UnInit”")),
              std::string::npos)
        << run.errors;
    EXPECT_EQ(run.calls, "XL_Init " + folder_.string() + "\n");
}

TEST_F(Win32ProgramRun, AMissingWindowModuleStopsWithTheWindowLoadFailure) {
    installEngine(XLDL_TEST_DOUBLE);
    fs::remove(folder_ / "lecture-downloader-window.dll");
    const ProgramOutcome run = start();
    EXPECT_EQ(run.exitCode, kWindowMissingExitCode);
    EXPECT_NE(run.errors.find("载入启动窗口失败"), std::string::npos) << run.errors;
    EXPECT_EQ(run.calls, "");  // nothing of the program ran
}

// The folder's name holds characters outside the system's ANSI code page: the
// window module reads the command line as the system keeps it (UTF-16).
TEST_F(Win32ProgramRun, ScreenshotsDrawTheThreePagesIntoTheFolderNamed) {
    const fs::path pictures = folder_ / L"页面图片";
    const ProgramOutcome run = start(L"--screenshots \"" + pictures.native() + L"\"");
    EXPECT_EQ(run.exitCode, 0u) << run.errors;
    for (const char* name : kScreenshotFiles) {
        SCOPED_TRACE(name);
        const std::string png = readAll(pictures / name);
        ASSERT_GT(png.size(), 1000u);  // more than one colour
        EXPECT_EQ(png.substr(1, 3), "PNG");
    }
    EXPECT_EQ(run.calls, "");  // pictures need no engine
}

}  // namespace
}  // namespace ld
