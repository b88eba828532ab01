// Failures the guard tests inject into the engine library from outside: this
// test program replaces the global allocation functions and pthread_create,
// which the library (a shared object) then uses too. Each failure is armed for
// the calling thread only, so the engine's own thread is never disturbed.
#pragma once

namespace ld::engine::testing {

// The n-th allocation through operator new on this thread from now on throws
// std::bad_alloc (n >= 1); 0 disarms. Returns whether the last armed
// failure was reached.
void failAllocationNumber(int n);
bool allocationFailureReached();

// While set, pthread_create called on this thread fails with EAGAIN.
void setThreadCreationFails(bool fails);

}  // namespace ld::engine::testing
