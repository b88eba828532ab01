// The console program's entry (lecture-downloader-cli.exe on Windows, where
// the window program is a GUI program without a console): the terminal
// commands list and download, and --help and --version. Anything else (no
// command, or one of the window's options) is a usage error that says to
// use the window program for the window.
//
// Runs on the process's main thread before any other thread exists; returns
// the process's exit code (as runTerminal does for the commands).
#pragma once

namespace ld {

int runConsoleProgram(int argc, char** argv);

}  // namespace ld
