// The terminal mode's entry point: `lecture-downloader list|download ...`.
//
// Runs on the process's main thread, before any other thread exists (it
// sets up the stop requests, on Linux blocking SIGINT, SIGTERM and SIGHUP for
// every thread it starts). Arguments are read as UTF-8 (app/terminal/
// command_arguments.h), output goes through StandardStreams. Never touches a
// display or a GUI toolkit. Returns the process's exit code; a course search
// interrupted while a request is still open ends the process itself with 130.
#pragma once

namespace ld {

int runTerminal(int argc, char** argv);

// True when the arguments ask for the terminal mode (argv[1] is a command).
bool wantsTerminal(int argc, char** argv);

}  // namespace ld
