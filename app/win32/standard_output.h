// Lines for the user's terminal from a program without a console of its own
// (the window program is a GUI program). They go to the standard output the
// starter handed over when there is one (a pipe or a file: UTF-8 bytes, as
// written), else to the console of the process that started this one
// (attached on first use; written as UTF-16, so any console code page shows
// them), else nowhere. Safe from any thread; lines are written whole.
#pragma once

#include <string_view>

namespace ld::win32 {

void writeStandardOutput(std::string_view utf8);
void writeStandardError(std::string_view utf8);

}  // namespace ld::win32
