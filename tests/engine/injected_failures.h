// Failures the guard tests inject into the engine library from outside: this
// test program replaces the global allocation functions and pthread_create,
// which the library (a shared object) then uses too. Each failure is armed for
// the calling thread only, or on purpose for the engine's own thread.
#pragma once

namespace ld::engine::testing {

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
