// Ends the process at once with an exit code, as the system ends a process
// whose threads still run: no static destructor, no DLL detach routine, no
// exit routine. Workers may still be inside a call on the window, and the
// engine library's threads may still run; nothing they could reach is torn
// down under them. Buffered C streams are flushed first.
#pragma once

namespace ld::win32 {

[[noreturn]] void endProcess(int exitCode);

}  // namespace ld::win32
