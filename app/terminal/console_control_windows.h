// The console control handler StopSignals installs on Windows (Windows only),
// declared for the tests, which call it as the system does: on a thread of
// its own. Ctrl+C and Ctrl+Break set the stop request and return at once;
// a closed console, log-off and shut-down set it and return only once the
// StopSignals is destroyed (the session has paused its file and the engine has
// shut down), or after 20 s.
#pragma once

#include <windows.h>

namespace ld {

BOOL WINAPI consoleControlHandler(DWORD type);

}  // namespace ld
