// Start-up and the event loop of the program.
#pragma once

namespace ld {

// Runs the program and returns its exit code. The command line (see
// app/command_line.h) may instead print help or the version, render the
// window's pages into a folder, or run the demo without a user.
int runApplication(int argc, char** argv);

}  // namespace ld
