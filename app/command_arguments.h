// The program's arguments after its name, as UTF-8.
//
// On Linux they are main's argv as given. On Windows main's argv holds the
// ANSI code page's bytes (a character that code page lacks is lost), so the
// command line is read again as UTF-16 (GetCommandLineW), split as the C
// runtime splits it (CommandLineToArgvW) and converted; argc and argv are
// used only when the system cannot tell. Pure apart from that; any thread.
#pragma once

#include <string>
#include <vector>

namespace ld {

std::vector<std::string> commandArguments(int argc, char** argv);

}  // namespace ld
