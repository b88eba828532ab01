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

enum class ValueRead { notThisOption, missing, read };

// An option with a value: "--name=value", "--name value" or "-x value". On
// `read`, `value` holds it and `i` has moved past what was taken.
ValueRead readValue(std::span<const std::string_view> arguments, std::size_t& i,
                    std::string_view longName, const char* shortName, std::string_view& value) {
    const std::string_view argument = arguments[i];
    if (argument.size() > longName.size() && argument.starts_with(longName) &&
        argument[longName.size()] == '=') {
        value = argument.substr(longName.size() + 1);
        return ValueRead::read;
    }
    if (argument != longName && (shortName == nullptr || argument != shortName)) {
        return ValueRead::notThisOption;
    }
    if (i + 1 >= arguments.size()) {
        return ValueRead::missing;
    }
    value = arguments[++i];
    return ValueRead::read;
}

// Each returns why the option cannot be taken, or empty.
std::string takeOutputFolder(ValueRead read, std::string_view folder, bool& given,
                             TerminalOptions& options) {
    if (given) {
        return "--output 只能给一次";
    }
    if (read == ValueRead::missing) {
        return "--output 缺少目录";
    }
    if (folder.empty()) {
        return "--output 的目录为空";
    }
    options.outputFolder = std::string(folder);
    given = true;
    return {};
}

std::string takeItems(ValueRead read, std::string_view list, bool& given,
                      TerminalOptions& options) {
    if (given) {
        return "--items 只能给一次";
    }
    if (read == ValueRead::missing) {
        return "--items 缺少讲次列表";
    }
    const std::optional<ItemSelection> items = ItemSelection::parse(list);
    if (!items) {
        return "--items 的讲次列表无法识别: " + std::string(list) + "（应如 1-3,7,10-）";
    }
    options.items = *items;
    given = true;
    return {};
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
    return "用法: " + program + " list <课程地址> [--items 列表] [--json]\n" + "      " + program +
           " download <课程地址> [--output 目录] [--items 列表] [--force] [--json]\n"
           "\n"
           "  list       列出课程的每一讲及其播放地址（或“解析失败”）\n"
           "  download   列出后把有播放地址的每一讲依次下载到目录（默认当前目录）；\n"
           "             目录中已完整的文件跳过（已存在，跳过）\n"
           "  --output, -o 目录   下载到的目录\n"
           "  --items 列表        只处理这些讲，编号同 list 的第一列，如 1-3,7,10-\n"
           "  --force    已完整的文件也重新下载\n"
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
    const bool downloading = *command == TerminalCommand::download;
    bool haveAddress = false;
    bool optionsEnded = false;
    bool haveOutput = false;
    bool haveItems = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const bool isOption = !optionsEnded && argument.size() > 1 && argument.front() == '-';
        std::string_view value;
        ValueRead read = ValueRead::notThisOption;
        if (isOption && argument == "--") {
            optionsEnded = true;
        } else if (isOption && (argument == "--help" || argument == "-h")) {
            parsed.outcome = ParsedTerminalArguments::Outcome::showHelp;
            parsed.text = terminalUsage();
            return parsed;
        } else if (isOption && argument == "--json") {
            parsed.options.json = true;
        } else if (isOption && downloading &&
                   (read = readValue(arguments, i, "--output", "-o", value)) !=
                       ValueRead::notThisOption) {
            if (const std::string problem =
                    takeOutputFolder(read, value, haveOutput, parsed.options);
                !problem.empty()) {
                return usageError(problem);
            }
        } else if (isOption && downloading && argument == "--force") {
            parsed.options.force = true;
        } else if (isOption && (read = readValue(arguments, i, "--items", nullptr, value)) !=
                                   ValueRead::notThisOption) {
            if (const std::string problem = takeItems(read, value, haveItems, parsed.options);
                !problem.empty()) {
                return usageError(problem);
            }
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
