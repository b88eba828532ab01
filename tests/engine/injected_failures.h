// Failures the guard tests inject into the engine library from outside: this
// test program replaces the global allocation functions, pthread_create and the
// file calls the engine makes, which the library (a shared object) and the
// engine's parts then use too. Allocation failures are armed for the calling
// thread only, or on purpose for the engine's own thread; the file-call hook sees
// every thread's calls.
#pragma once

#include <functional>

namespace ld::engine::testing {

// One file call on its way to the system.
struct FileCall {
    enum class Kind { Open, Write, Truncate, Rename, Unlink, Flush };
    Kind kind;
    int fd;            // Write, Truncate, Flush: the file; Open, Rename, Unlink: the folder
    const char* name;  // Open, Rename (from), Unlink: the name in the folder; else null
    const char* to;    // Rename: the new name; else null
    long long length;  // Truncate: the new length; Write: the offset
    long long size;    // Write: how many bytes
};

// Called on the calling thread before each call goes out (and not for calls the hook makes
// itself): 0 lets it go out, an errno value makes it fail with that value instead. The hook
// may block or end the process. An empty hook disarms.
using FileCallHook = std::function<int(const FileCall&)>;
void setFileCallHook(FileCallHook hook);

// The n-th allocation through operator new on this thread from now on throws
// std::bad_alloc (n >= 1); 0 disarms. Returns whether the last armed
// failure was reached.
void failAllocationNumber(int n);
bool allocationFailureReached();

// Takes the thread started last for the engine's own (call right after XL_Init).
void rememberEngineThread();
// The n-th allocation from now on on the engine's thread throws std::bad_alloc (n >= 1);
// 0 disarms. Returns whether the last armed failure there was reached.
void failEngineAllocationNumber(int n);
bool engineAllocationFailureReached();

// While set, pthread_create called on this thread fails with EAGAIN.
void setThreadCreationFails(bool fails);

}  // namespace ld::engine::testing
