// The program's command line. Read before anything else starts, so the
// answers to --help, --version and a wrong option need no display.
//
// Pure functions over the arguments: no I/O, no Qt, safe on any thread. A
// wrong command line is not an exception but the action usageError, with a
// one-line reason.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace ld {

enum class CommandAction {
    openWindow,     // no options: the main window
    printHelp,      // -h, --help: usageText() on standard output, exit code 0
    printVersion,   // --version: versionText() on standard output, exit code 0
    screenshots,    // --screenshots <folder>: the pages as pictures, then end
    demoAutopilot,  // --demo-autopilot <folder>: the demo flow without a user
    usageError,     // anything else: the reason and usageText() on standard error, exit code 2
};

struct CommandLine {
    CommandAction action = CommandAction::openWindow;
    std::string folder;  // the <folder> of screenshots and demoAutopilot
    std::string error;   // usageError only: what is wrong, one line without a line break
};

// Whether the action is the window's (openWindow, screenshots, demoAutopilot),
// carried out by the window module; the others the program answers itself.
constexpr bool needsWindow(CommandAction action) noexcept {
    return action == CommandAction::openWindow || action == CommandAction::screenshots ||
           action == CommandAction::demoAutopilot;
}

// The exit code of a wrong command line.
inline constexpr int kUsageExitCode = 2;

// Reads the arguments after the program name. Every option may appear once,
// and only one of them; options that take a folder need a non-empty one.
CommandLine parseCommandLine(std::span<const std::string_view> arguments);
// The same for main's argc and argv (argv[0] is the program name).
CommandLine parseCommandLine(int argc, const char* const* argv);

// What --help prints, UTF-8, ending in a line break.
std::string usageText();
// What --version prints: "lecture-downloader <version>" and a line break.
std::string versionText();

}  // namespace ld
