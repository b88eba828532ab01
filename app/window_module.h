// The window half of the program, kept in a module of its own so that the
// program itself loads no toolkit: the terminal mode, --help and --version run
// without Qt, a display or a platform plugin. The module sits beside the
// executable and is loaded only when the window is wanted.
#pragma once

namespace ld {

#if defined(_WIN32)
inline constexpr const char* kWindowModuleFileName = "lecture-downloader-window.dll";
#else
inline constexpr const char* kWindowModuleFileName = "lecture-downloader-window.so";
#endif

// The module's one entry: runs the window program with main's arguments and
// returns (or ends the process with) its exit code.
inline constexpr const char* kWindowModuleEntry = "ld_run_window";
using WindowModuleEntry = int (*)(int argc, char** argv);

}  // namespace ld
