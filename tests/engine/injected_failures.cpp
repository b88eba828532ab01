#include "tests/engine/injected_failures.h"

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <new>

namespace ld::engine::testing {
namespace {

thread_local int allocationsUntilFailure = 0;
thread_local bool failureReached = false;
thread_local bool threadCreationFails = false;

// The thread started last, the engine's thread, and the failure armed for it from another
// thread. A test harness that replaces the allocation functions has no other place for them.
std::atomic<pthread_t> lastThread{};  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
std::atomic<pthread_t>
    engineThread{};  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
std::atomic<int> engineAllocationsUntilFailure{0};  // NOLINT
std::atomic<bool> engineFailureReached{false};      // NOLINT

// Whether this allocation is the one armed to fail.
bool armedFailure() {
    if (allocationsUntilFailure > 0 && --allocationsUntilFailure == 0) {
        failureReached = true;
        return true;
    }
    if (engineAllocationsUntilFailure.load() > 0 &&
        pthread_equal(pthread_self(), engineThread.load()) != 0 &&
        engineAllocationsUntilFailure.fetch_sub(1) == 1) {
        engineFailureReached = true;
        return true;
    }
    return false;
}

void* allocate(std::size_t size) {
    if (armedFailure()) {
        throw std::bad_alloc();
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    if (armedFailure()) {
        throw std::bad_alloc();
    }
    const auto align = static_cast<std::size_t>(alignment);
    void* block = std::aligned_alloc(align, ((size == 0 ? 1 : size) + align - 1) / align * align);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

}  // namespace

void failAllocationNumber(int n) {
    allocationsUntilFailure = n;
    failureReached = false;
}

bool allocationFailureReached() {
    return failureReached;
}

void rememberEngineThread() {
    engineThread = lastThread.load();
}

void failEngineAllocationNumber(int n) {
    engineFailureReached = false;
    engineAllocationsUntilFailure = n;
}

bool engineAllocationFailureReached() {
    return engineFailureReached.load();
}

void setThreadCreationFails(bool fails) {
    threadCreationFails = fails;
}

}  // namespace ld::engine::testing

using ld::engine::testing::allocate;
using ld::engine::testing::allocateAligned;

// Every form of the global allocation functions, so each pair stays matched.
void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    try {
        return allocateAligned(size, alignment);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    try {
        return allocateAligned(size, alignment);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(block);
}

// std::thread starts its thread here; the real function is the next one in
// the lookup order (libc's, or a sanitizer's wrapper of it).
extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*entry)(void*), void* argument) {
    if (ld::engine::testing::threadCreationFails) {
        return EAGAIN;
    }
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto real = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    const int result = real(thread, attributes, entry, argument);
    if (result == 0) {
        ld::engine::testing::lastThread = *thread;
    }
    return result;
}
