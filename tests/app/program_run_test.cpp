// Runs the real program as a child process, with a copy of it in a folder of
// its own next to a stand-in engine library, and watches what it does from
// start to close: the engine calls, the fatal stop and the exit code.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

#include "app/fatal_stop_text.h"
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

std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

struct ProgramOutcome {
    int exitCode = -1;
    std::string errors;  // what the program wrote to standard error
    std::string calls;   // what the engine stand-in logged
};

class ProgramRun : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::path(LD_TEST_WORK_DIR) / (std::string("run-") + test->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        folder_ = fs::canonical(folder_);
        const fs::path program = folder_ / fs::path(LD_PROGRAM).filename();
        std::error_code linked;
        fs::create_hard_link(LD_PROGRAM, program, linked);
        if (linked) {
            fs::copy_file(LD_PROGRAM, program);
        }
        program_ = program;
        fs::create_symlink(LD_WINDOW_MODULE, folder_ / fs::path(LD_WINDOW_MODULE).filename());
    }
    void TearDown() override { fs::remove_all(folder_); }

    // Puts `library` beside the program under the engine library's name.
    void installEngine(const fs::path& library) {
        fs::create_symlink(library, folder_ / "libxldl.so");
    }

    // Starts the program from another folder; it closes its window after
    // `closeAfterMs` unless a fatal stop ends it first.
    ProgramOutcome start(int closeAfterMs = 300) const {
        const fs::path log = folder_ / "calls.log";
        const fs::path errors = folder_ / "stderr.txt";
        const std::string command =
            "cd / && QT_QPA_PLATFORM=offscreen LD_TEST_NO_DIALOGS=1 LD_TEST_CLOSE_AFTER_MS=" +
            std::to_string(closeAfterMs) + " XLDL_TEST_DOUBLE_LOG=" + quoted(log) + " " +
            quoted(program_) + " 2>" + quoted(errors);
        const int status = std::system(command.c_str());
        ProgramOutcome result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
        result.errors = readAll(errors);
        result.calls = readAll(log);
        return result;
    }

    static std::string fatalText(const std::string& utf8Message) {
        return gbkToUtf8(fatalStopText(gbk(utf8Message)));
    }

    fs::path folder_;
    fs::path program_;
};

TEST_F(ProgramRun, InitialisesTheEngineInItsOwnFolderAndShutsItDownOnClose) {
    installEngine(XLDL_TEST_DOUBLE);
    const ProgramOutcome run = start();
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.calls, "XL_Init " + folder_.string() + "\nXL_UnInit\n");
    EXPECT_EQ(run.errors.find("运行时出错"), std::string::npos) << run.errors;
}

TEST_F(ProgramRun, AMissingEngineLibraryIsAFatalStop) {
    const ProgramOutcome run = start();
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_NE(run.errors.find(fatalText("无法找到指定DLL库文件“libxldl.so”中的输出命令“XL_Init”")),
              std::string::npos)
        << run.errors;
    EXPECT_EQ(run.calls, "");
}

TEST_F(ProgramRun, AMissingEngineFunctionIsAFatalStopAtItsFirstCall) {
    installEngine(XLDL_TEST_DOUBLE_NO_INIT);
    ProgramOutcome run = start();
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_NE(run.errors.find(fatalText("无法找到指定DLL库文件“libxldl.so”中的输出命令“XL_Init”")),
              std::string::npos)
        << run.errors;
    EXPECT_EQ(run.calls, "");

    fs::remove(folder_ / "libxldl.so");
    installEngine(XLDL_TEST_DOUBLE_NO_UNINIT);
    run = start();
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_NE(
        run.errors.find(fatalText("无法找到指定DLL库文件“libxldl.so”中的输出命令“XL_UnInit”")),
        std::string::npos)
        << run.errors;
    EXPECT_EQ(run.calls, "XL_Init " + folder_.string() + "\n");
}

TEST_F(ProgramRun, AMissingWindowModuleStopsWithTheWindowLoadFailure) {
    installEngine(XLDL_TEST_DOUBLE);
    fs::remove(folder_ / fs::path(LD_WINDOW_MODULE).filename());
    const ProgramOutcome run = start();
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_NE(run.errors.find("载入启动窗口失败"), std::string::npos) << run.errors;
    EXPECT_EQ(run.calls, "");  // nothing of the program ran
}

}  // namespace
}  // namespace ld
