#include "app/terminal/terminal_options.h"

#include <optional>

namespace ld {
namespace {

// The program that runs the commands (on Windows the console program beside
// the window program), named by the build.
constexpr std::string_view kProgram = LD_TERMINAL_PROGRAM;

constexpr std::string_view kListCommand = "list";
constexpr std::string_view kDownloadCommand = "download";

std::optional<TerminalCommand> commandNamed(std::string_view name) {
    if (name == kListCommand) {
        return TerminalCommand::list;
    }
    if (name == kDownloadCommand) {
        return TerminalCommand::download;
    }
    return std::nullopt;
}

ParsedTerminalArguments usageError(const std::string& problem) {
    ParsedTerminalArguments parsed;
    parsed.outcome = ParsedTerminalArguments::Outcome::usageError;
    parsed.text = std::string(kProgram) + ": " + problem + "\n" + terminalUsage();
    return parsed;
}

}  // namespace

bool isTerminalCommand(std::span<const std::string_view> arguments) {
    return !arguments.empty() && commandNamed(arguments.front()).has_value();
}

std::string_view terminalProgramName() {
    return kProgram;
}

std::string terminalUsage() {
    const std::string program(kProgram);
    return "用法: " + program + " list <课程地址> [--json]\n" + "      " + program +
           " download <课程地址> [--output 目录] [--json]\n"
           "\n"
           "  list       列出课程的每一讲及其播放地址（或“解析失败”）\n"
           "  download   列出后把有播放地址的每一讲依次下载到目录（默认当前目录）\n"
           "  --output, -o 目录   下载到的目录\n"
           "  --json     每个事件输出一行 JSON\n"
           "  --help, -h 显示本帮助\n"
           "\n"
           "退出码: 0 全部下载完毕; 1 有未下载的讲; 2 用法错误; 3 课程目录无法获取或为空; "
           "130 被中断\n";
}

ParsedTerminalArguments parseTerminalArguments(std::span<const std::string_view> arguments) {
    if (arguments.empty()) {
        return usageError("缺少命令 (list 或 download)");
    }
    const std::optional<TerminalCommand> command = commandNamed(arguments.front());
    if (!command) {
        return usageError("未知命令: " + std::string(arguments.front()));
    }
    ParsedTerminalArguments parsed;
    parsed.options.command = *command;
    bool haveAddress = false;
    bool optionsEnded = false;
    bool haveOutput = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const bool isOption = !optionsEnded && argument.size() > 1 && argument.front() == '-';
        if (isOption && argument == "--") {
            optionsEnded = true;
        } else if (isOption && (argument == "--help" || argument == "-h")) {
            parsed.outcome = ParsedTerminalArguments::Outcome::showHelp;
            parsed.text = terminalUsage();
            return parsed;
        } else if (isOption && argument == "--json") {
            parsed.options.json = true;
        } else if (isOption && *command == TerminalCommand::download &&
                   (argument == "--output" || argument == "-o" ||
                    argument.starts_with("--output="))) {
            if (haveOutput) {
                return usageError("--output 只能给一次");
            }
            std::string_view folder;
            if (argument.starts_with("--output=")) {
                folder = argument.substr(std::string_view("--output=").size());
            } else if (i + 1 < arguments.size()) {
                folder = arguments[++i];
            } else {
                return usageError(std::string(argument) + " 缺少目录");
            }
            if (folder.empty()) {
                return usageError("--output 的目录为空");
            }
            parsed.options.outputFolder = std::string(folder);
            haveOutput = true;
        } else if (isOption) {
            return usageError("未知选项: " + std::string(argument));
        } else if (haveAddress) {
            return usageError("多余的参数: " + std::string(argument));
        } else if (argument.empty()) {
            return usageError("课程地址为空");
        } else {
            parsed.options.courseAddress = std::string(argument);
            haveAddress = true;
        }
    }
    if (!haveAddress) {
        return usageError("缺少课程地址");
    }
    parsed.outcome = ParsedTerminalArguments::Outcome::run;
    return parsed;
}

}  // namespace ld
