// Start-up and the message loop of the window program on Windows: the same
// steps as the Qt application's (app/qt/application.h), with the Win32 window.
// Runs on the thread that calls it, which becomes the window's thread.
#pragma once

namespace ld::win32 {

// Runs the window program and ends the process with its exit code. The
// command line (see app/command_line.h) may instead render the window's pages
// into a folder, or run the demo without a user; it is read from the system
// (GetCommandLineW), so folder names outside the ANSI code page arrive whole.
int runApplication();

}  // namespace ld::win32
