#include "app/program_entry.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/executable_path.h"
#include "app/window_module.h"
#include "download/shared_library.h"
#if defined(LD_TERMINAL_MODE)
#include "app/terminal/terminal_main.h"
#elif defined(_WIN32)
#include "app/console_program_notice.h"
#endif

namespace ld {
namespace {

// The exit code of a window that cannot be loaded, as a fatal stop's.
constexpr int kWindowMissingExitCode = 255;

int runWindow(int argc, char** argv) {
    const std::filesystem::path module = executablePath().parent_path() / kWindowModuleFileName;
    const std::optional<SharedLibrary> library = SharedLibrary::open(module);
    const auto entry =
        library ? reinterpret_cast<WindowModuleEntry>(library->symbol(kWindowModuleEntry))
                : nullptr;
    if (entry == nullptr) {
        std::fprintf(stderr, "lecture-downloader: 载入启动窗口失败 (%s)\n",
                     reinterpret_cast<const char*>(module.u8string().c_str()));
        return kWindowMissingExitCode;
    }
    return entry(argc, argv);
}

}  // namespace

int runProgram(int argc, char** argv) {
#if defined(SIGPIPE)
    // A write to a closed pipe or connection fails with an error instead of
    // ending the process: the terminal mode stops cleanly when its reader
    // has gone (`... | head`), and no transfer ends the program mid-file.
    // Done before any thread starts, for every thread.
    std::signal(SIGPIPE, SIG_IGN);
#endif
#if defined(LD_TERMINAL_MODE)
    // `lecture-downloader list|download ...` runs in the terminal.
    if (wantsTerminal(argc, argv)) {
        return runTerminal(argc, argv);
    }
#elif defined(_WIN32)
    // On Windows the terminal mode is the console program beside this one.
    if (asksForTerminalCommand(argc, argv)) {
        return pointToConsoleProgram();
    }
#endif
    const CommandLine commandLine = parseCommandLine(argc, argv);
    if (needsWindow(commandLine.action)) {
        return runWindow(argc, argv);
    }
    if (commandLine.action == CommandAction::usageError) {
        std::fprintf(stderr, "lecture-downloader: %s\n\n%s", commandLine.error.c_str(),
                     usageText().c_str());
        return kUsageExitCode;
    }
    std::fputs(commandLine.action == CommandAction::printHelp ? usageText().c_str()
                                                              : versionText().c_str(),
               stdout);
    return 0;
}

}  // namespace ld
