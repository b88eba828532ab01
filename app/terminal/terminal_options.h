// The terminal commands' arguments: `list <address> [--items LIST] [--json]`
// and `download <address> [--output DIR] [--items LIST] [--force] [--json]`,
// each with --help.
//
// A pure function of the argument list: no I/O, no state, any thread. Usage
// errors come back as a message for standard error, never as an exception.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "app/terminal/item_selection.h"

namespace ld {

enum class TerminalCommand {
    list,      // list the lectures and their play addresses
    download,  // list, then download every lecture that has a play address
};

struct TerminalOptions {
    TerminalCommand command = TerminalCommand::list;
    std::string courseAddress;
    std::string outputFolder;  // empty: the current folder
    ItemSelection items;       // --items: the lectures to list or download
    bool force = false;        // --force: download complete files again
    bool json = false;
};

struct ParsedTerminalArguments {
    enum class Outcome {
        run,         // `options` is complete
        showHelp,    // print `text` on standard output, exit 0
        usageError,  // print `text` on standard error, exit 2
    };
    Outcome outcome = Outcome::usageError;
    TerminalOptions options;
    std::string text;
};

// Exit codes of the terminal commands.
inline constexpr int kExitAllDownloaded = 0;
inline constexpr int kExitSomeNotDownloaded = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCatalogueUnavailable = 3;
inline constexpr int kExitInterrupted = 130;

// True when the first argument after the program's name names a terminal
// command, so the program runs in the terminal instead of opening its window.
bool isTerminalCommand(std::span<const std::string_view> arguments);

// Parses the arguments after the program's name, the command first.
ParsedTerminalArguments parseTerminalArguments(std::span<const std::string_view> arguments);

// The usage of both commands, for --help and after a usage error.
std::string terminalUsage();

// The name of the program that runs the commands, for its messages
// ("lecture-downloader", on Windows "lecture-downloader-cli").
std::string_view terminalProgramName();

}  // namespace ld
