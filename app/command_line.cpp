#include "app/command_line.h"

#include <vector>

namespace ld {
namespace {

struct OptionEntry {
    std::string_view name;
    CommandAction action;
    bool takesFolder;
};

constexpr OptionEntry kOptions[] = {
    {"-h", CommandAction::printHelp, false},
    {"--help", CommandAction::printHelp, false},
    {"--version", CommandAction::printVersion, false},
    {"--screenshots", CommandAction::screenshots, true},
    {"--demo-autopilot", CommandAction::demoAutopilot, true},
};

const OptionEntry* findOption(std::string_view name) {
    for (const OptionEntry& option : kOptions) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

CommandLine usageError(std::string reason) {
    return CommandLine{CommandAction::usageError, {}, std::move(reason)};
}

}  // namespace

CommandLine parseCommandLine(std::span<const std::string_view> arguments) {
    CommandLine result;
    bool chosen = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const OptionEntry* option = findOption(argument);
        if (option == nullptr) {
            if (argument.starts_with('-')) {
                return usageError("未知选项 " + std::string(argument));
            }
            return usageError("多余的参数 " + std::string(argument));
        }
        if (chosen) {
            return usageError("选项 " + std::string(argument) + " 不能与其他选项同时使用");
        }
        chosen = true;
        result.action = option->action;
        if (option->takesFolder) {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                return usageError("选项 " + std::string(argument) + " 需要一个文件夹");
            }
            result.folder = std::string(arguments[++i]);
        }
    }
    return result;
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
    std::vector<std::string_view> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return parseCommandLine(arguments);
}

std::string usageText() {
    return "用法: lecture-downloader [选项]\n"
           "      lecture-downloader list <课程地址> [--items 列表] [--json]\n"
           "      lecture-downloader download <课程地址> [--output 目录] [--items 列表]\n"
           "                                 [--force] [--json]\n"
           "不带参数时打开主窗口。list 与 download 在终端中运行，不需要显示器，\n"
           "详见 lecture-downloader list --help 或 man lecture-downloader。\n"
           "\n"
           "选项:\n"
           "  -h, --help\n"
           "      显示本说明后退出。\n"
           "  --version\n"
           "      显示版本号后退出。\n"
           "  --screenshots <文件夹>\n"
           "      不打开窗口，把三个页面各画成一张 PNG 图片存入该文件夹后退出。\n"
           "  --demo-autopilot <文件夹>\n"
           "      演示：程序自己在窗口中搜索默认课程、加入下载列表并下载全部视频，\n"
           "      在标准输出报告每一步，把每一步的图片存入该文件夹，\n"
           "      视频存入其中的 downloads 文件夹；全部完成时退出码为 0，否则为 1。\n";
}

std::string versionText() {
    return std::string("lecture-downloader ") + LD_PROGRAM_VERSION + "\n";
}

}  // namespace ld
