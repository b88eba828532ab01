#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/console_program_notice.h"
#include "app/terminal/terminal_options.h"

namespace ld {
namespace {

constexpr std::string_view kNote =
    "lecture-downloader.exe 是窗口程序，不在命令行中运行 list 与 download。\n"
    "请在 cmd 或 PowerShell 中运行同一文件夹中的 lecture-downloader-cli.exe，例如：\n"
    "  lecture-downloader-cli.exe download <课程地址> --output 目录\n";

constexpr std::wstring_view kNoteWide =
    L"lecture-downloader.exe 是窗口程序，不在命令行中运行 list 与 download。\n"
    L"请在 cmd 或 PowerShell 中运行同一文件夹中的 lecture-downloader-cli.exe，例如：\n"
    L"  lecture-downloader-cli.exe download <课程地址> --output 目录";

bool writeToStandardError() {
    const HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
    if (errors == nullptr || errors == INVALID_HANDLE_VALUE ||
        GetFileType(errors) == FILE_TYPE_UNKNOWN) {
        return false;
    }
    DWORD written = 0;
    return WriteFile(errors, kNote.data(), static_cast<DWORD>(kNote.size()), &written, nullptr) !=
           FALSE;
}

}  // namespace

bool asksForTerminalCommand(int argc, char** argv) {
    std::vector<std::string_view> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return isTerminalCommand(arguments);
}

int pointToConsoleProgram() {
    if (!writeToStandardError()) {
        MessageBoxW(nullptr, std::wstring(kNoteWide).c_str(), L"信息：",
                    MB_OK | MB_ICONINFORMATION);
    }
    return kExitUsage;
}

}  // namespace ld
