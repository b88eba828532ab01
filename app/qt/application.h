// Start-up and the event loop of the program.
#pragma once

namespace ld {

// Runs the program and returns its exit code. With "--screenshots <folder>"
// it renders the window's pages into that folder instead and ends.
int runApplication(int argc, char** argv);

}  // namespace ld
