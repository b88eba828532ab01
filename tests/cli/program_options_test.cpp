// The real program answers --help, --version and a wrong option on a machine
// without any display: Qt is never started for them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "app/command_line.h"

namespace ld {
namespace {

namespace fs = std::filesystem;

struct Answer {
    int exitCode = -1;
    std::string out;
    std::string errors;
};

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// Runs the program with the arguments (already quoted for the shell), with no
// display and no Qt platform chosen. Each test has its own output files, since
// tests run side by side.
Answer run(const std::string& arguments) {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const fs::path out = fs::path(LD_TEST_WORK_DIR) / (test + "-out.txt");
    const fs::path errors = fs::path(LD_TEST_WORK_DIR) / (test + "-err.txt");
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                                std::string(LD_PROGRAM) + "' " + arguments + " >'" + out.string() +
                                "' 2>'" + errors.string() + "' </dev/null";
    const int status = std::system(command.c_str());
    Answer answer;
    answer.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    answer.out = readAll(out);
    answer.errors = readAll(errors);
    return answer;
}

TEST(ProgramOptions, HelpAndVersionPrintOnStandardOutputAndExitZero) {
    for (const char* option : {"--help", "-h"}) {
        const Answer help = run(option);
        EXPECT_EQ(help.exitCode, 0) << option << help.errors;
        EXPECT_EQ(help.out, usageText()) << option;
        EXPECT_EQ(help.errors, "") << option;
    }
    const Answer version = run("--version");
    EXPECT_EQ(version.exitCode, 0) << version.errors;
    EXPECT_TRUE(
        std::regex_match(version.out, std::regex("lecture-downloader [0-9]+\\.[0-9]+\\.[0-9]+\n")))
        << version.out;
    EXPECT_EQ(version.errors, "");
}

TEST(ProgramOptions, AWrongOptionPrintsTheReasonAndUsageOnStandardErrorAndExitsTwo) {
    for (const char* arguments : {"--bogus", "--screenshots", "course 141", "--help --version"}) {
        const Answer wrong = run(arguments);
        EXPECT_EQ(wrong.exitCode, kUsageExitCode) << arguments;
        EXPECT_EQ(wrong.out, "") << arguments;
        EXPECT_TRUE(wrong.errors.starts_with("lecture-downloader: ")) << wrong.errors;
        EXPECT_TRUE(wrong.errors.ends_with("\n\n" + usageText())) << wrong.errors;
    }
    EXPECT_NE(run("--bogus").errors.find("未知选项 --bogus"), std::string::npos);
}

// The program itself needs no toolkit: Qt lives in the window module, which is
// loaded only for the window. A headless server without a display or Qt's
// platform plugins can run everything else.
TEST(ProgramOptions, TheProgramItselfLinksNoQt) {
    const fs::path listing = fs::path(LD_TEST_WORK_DIR) / "program-libraries.txt";
    const std::string command = "ldd '" + std::string(LD_PROGRAM) + "' >'" + listing.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string libraries = readAll(listing);
    EXPECT_NE(libraries.find("libc.so"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("libQt"), std::string::npos) << libraries;
}

}  // namespace
}  // namespace ld
