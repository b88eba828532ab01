// commandArguments on Windows: the UTF-16 command line, split by the system.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <memory>
#include <string_view>

#include "app/command_arguments.h"
#include "app/utf8_from_wide.h"

namespace ld {
namespace {

struct LocalRelease {
    void operator()(LPWSTR* memory) const noexcept { LocalFree(memory); }
};

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
