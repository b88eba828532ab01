// What the window program does on Windows when asked for a terminal command
// (list, download): it is a GUI program, which cmd and PowerShell do not wait
// for and whose output they do not show, so the commands belong to the
// console program beside it, lecture-downloader-cli.exe. The note saying so
// goes to standard error when the starter gave one (a pipe or a file, so a
// script is not held up by a box nobody sees), else into a message box.
//
// Main thread, before any other thread starts.
#pragma once

namespace ld {

// Whether the arguments ask for a terminal command.
bool asksForTerminalCommand(int argc, char** argv);

// Shows the note; returns the exit code of a usage error (2).
int pointToConsoleProgram();

}  // namespace ld
