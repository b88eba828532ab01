// Where the running program's executable lives, asked of the system (not of
// argv[0], which a shell or a link may have changed). Any thread; no state.
#pragma once

#include <filesystem>

namespace ld {

// The executable's full path; empty when the system cannot tell.
std::filesystem::path executablePath();

}  // namespace ld
