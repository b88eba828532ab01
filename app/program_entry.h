// The program's entry, free of Qt: runs the terminal mode's commands (list,
// download), answers --help, --version and wrong options itself, and hands
// the window (and the window's own options) to the window module. Runs on the
// main thread before any other thread exists.
#pragma once

namespace ld {

// main's work; returns the process's exit code.
int runProgram(int argc, char** argv);

}  // namespace ld
