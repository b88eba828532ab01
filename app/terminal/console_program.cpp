#include "app/terminal/console_program.h"

#include <string>
#include <string_view>
#include <vector>

#include "app/command_arguments.h"
#include "app/command_line.h"
#include "app/terminal/standard_streams.h"
#include "app/terminal/terminal_main.h"
#include "app/terminal/terminal_options.h"

namespace ld {
namespace {

std::string consoleUsage() {
    return terminalUsage() +
           "\n"
           "不带命令时: --help 显示本帮助, --version 显示版本。\n"
           "窗口请运行同一文件夹中的 lecture-downloader.exe。\n";
}

// What is wrong with arguments that name no command.
std::string problemOf(const std::vector<std::string>& arguments, const CommandLine& commandLine) {
    if (arguments.empty()) {
        return "缺少命令 (list 或 download)";
    }
    if (commandLine.action == CommandAction::usageError) {
        return commandLine.error;
    }
    return arguments.front() + " 是窗口的选项，请交给 lecture-downloader.exe";
}

}  // namespace

int runConsoleProgram(int argc, char** argv) {
    if (wantsTerminal(argc, argv)) {
        return runTerminal(argc, argv);
    }
    const std::vector<std::string> arguments = commandArguments(argc, argv);
    const std::vector<std::string_view> views(arguments.begin(), arguments.end());
    const CommandLine commandLine = parseCommandLine(views);
    StandardStreams streams;
    if (commandLine.action == CommandAction::printHelp) {
        streams.out() << consoleUsage();
        return kExitAllDownloaded;
    }
    if (commandLine.action == CommandAction::printVersion) {
        streams.out() << versionText();
        return kExitAllDownloaded;
    }
    streams.errors() << terminalProgramName() << ": " << problemOf(arguments, commandLine) << "\n\n"
                     << consoleUsage();
    return kExitUsage;
}

}  // namespace ld
