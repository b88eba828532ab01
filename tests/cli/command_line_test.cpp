// Reading the command line, and the README's list of options against --help.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"

namespace ld {
namespace {

CommandLine parse(const std::vector<std::string_view>& arguments) {
    return parseCommandLine(arguments);
}

struct GoodCase {
    std::vector<std::string_view> arguments;
    CommandAction action;
    std::string folder;
};

TEST(CommandLine, EveryOptionIsReadWithItsFolder) {
    const std::vector<GoodCase> cases = {
        {{}, CommandAction::openWindow, ""},
        {{"-h"}, CommandAction::printHelp, ""},
        {{"--help"}, CommandAction::printHelp, ""},
        {{"--version"}, CommandAction::printVersion, ""},
        {{"--screenshots", "build/shots"}, CommandAction::screenshots, "build/shots"},
        {{"--demo-autopilot", "/tmp/演示"}, CommandAction::demoAutopilot, "/tmp/演示"},
        // A folder may look like an option; it is the value all the same.
        {{"--screenshots", "--help"}, CommandAction::screenshots, "--help"},
    };
    for (const GoodCase& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? std::string("(none)") : std::string(c.arguments[0]));
        const CommandLine line = parse(c.arguments);
        EXPECT_EQ(line.action, c.action) << line.error;
        EXPECT_EQ(line.folder, c.folder);
        EXPECT_EQ(line.error, "");
    }
}

struct BadCase {
    std::vector<std::string_view> arguments;
    std::string error;
};

TEST(CommandLine, AWrongCommandLineIsAUsageErrorWithItsReason) {
    const std::vector<BadCase> cases = {
        {{"--bogus"}, "未知选项 --bogus"},
        {{"-x"}, "未知选项 -x"},
        {{"--HELP"}, "未知选项 --HELP"},
        {{"--help=1"}, "未知选项 --help=1"},
        {{"-platform", "offscreen"}, "未知选项 -platform"},
        {{"list"}, "多余的参数 list"},
        {{"--version", "extra"}, "多余的参数 extra"},
        {{"--screenshots"}, "选项 --screenshots 需要一个文件夹"},
        {{"--screenshots", ""}, "选项 --screenshots 需要一个文件夹"},
        {{"--demo-autopilot"}, "选项 --demo-autopilot 需要一个文件夹"},
        {{"--help", "--version"}, "选项 --version 不能与其他选项同时使用"},
        {{"--screenshots", "a", "--screenshots", "b"}, "选项 --screenshots 不能与其他选项同时使用"},
        {{"--demo-autopilot", "a", "--screenshots", "b"},
         "选项 --screenshots 不能与其他选项同时使用"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.error);
        const CommandLine line = parse(c.arguments);
        EXPECT_EQ(line.action, CommandAction::usageError);
        EXPECT_EQ(line.error, c.error);
        EXPECT_EQ(line.folder, "");
    }
}

TEST(CommandLine, ArgcAndArgvSkipTheProgramName) {
    const char* argv[] = {"lecture-downloader", "--screenshots", "out", nullptr};
    const CommandLine line = parseCommandLine(3, argv);
    EXPECT_EQ(line.action, CommandAction::screenshots);
    EXPECT_EQ(line.folder, "out");
    const char* alone[] = {"--version", nullptr};  // argv[0] is never an option
    EXPECT_EQ(parseCommandLine(1, alone).action, CommandAction::openWindow);
}

TEST(CommandLine, HelpNamesEveryOptionTheProgramAccepts) {
    const std::string help = usageText();
    for (const std::string_view option :
         {"-h, --help", "--version", "--screenshots <文件夹>", "--demo-autopilot <文件夹>"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(help.back(), '\n');
}

// The fenced block under the README's "## Command line" heading.
std::string readmeOptionBlock() {
    std::ifstream in(LD_README, std::ios::binary);
    std::string line;
    bool inSection = false;
    bool inBlock = false;
    std::string block;
    while (std::getline(in, line)) {
        if (!inSection) {
            inSection = line == "## Command line";
            continue;
        }
        if (line.starts_with("```")) {
            if (inBlock) {
                return block;
            }
            inBlock = true;
            continue;
        }
        if (inBlock) {
            block += line + "\n";
        } else if (line.starts_with("## ")) {
            break;
        }
    }
    return "(no fenced block under \"## Command line\" in README.md)";
}

TEST(CommandLine, TheReadmeListsTheOptionsExactlyAsHelpPrintsThem) {
    EXPECT_EQ(readmeOptionBlock(), usageText());
}

}  // namespace
}  // namespace ld
