// commandArguments on Windows: the UTF-16 command line, split by the system.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <memory>
#include <string_view>

#include "app/terminal/command_arguments.h"

namespace ld {
namespace {

struct LocalRelease {
    void operator()(LPWSTR* memory) const noexcept { LocalFree(memory); }
};

std::string utf8FromWide(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), bytes, nullptr, nullptr);
    }
    return utf8;
}

std::vector<std::string> fromArgv(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return arguments;
}

}  // namespace

std::vector<std::string> commandArguments(int argc, char** argv) {
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalRelease> wide(CommandLineToArgvW(GetCommandLineW(), &count));
    if (!wide || count < 1) {
        return fromArgv(argc, argv);
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        arguments.push_back(utf8FromWide(wide.get()[i]));
    }
    return arguments;
}

}  // namespace ld
