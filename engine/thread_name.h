// Names the calling thread, so that a debugger, `top -H` or /proc/<pid>/task/*/comm tell
// the engine's threads from the host program's. Best effort: a name the system refuses
// (too long, unsupported) leaves the thread unnamed. Any thread; no ownership.
#pragma once

#if defined(__linux__)
#include <pthread.h>
#endif

namespace ld::engine {

// At most 15 bytes on Linux; longer names are refused, not cut.
inline void nameThisThread(const char* name) {
#if defined(__linux__)
    pthread_setname_np(pthread_self(), name);
#else
    (void)name;
#endif
}

}  // namespace ld::engine
