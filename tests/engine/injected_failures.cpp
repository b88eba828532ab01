#include "tests/engine/injected_failures.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <memory>
#include <mutex>
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

namespace {

// The hook, shared so a call in progress keeps it alive while it is replaced.
std::mutex hookMutex;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
std::shared_ptr<const FileCallHook>
    hook;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
thread_local bool insideHook = false;

// The hook's verdict on a call: 0, or the errno value to fail it with.
int fileCallVerdict(const FileCall& call) {
    if (insideHook) {
        return 0;
    }
    std::shared_ptr<const FileCallHook> current;
    {
        const std::lock_guard lock(hookMutex);
        current = hook;
    }
    if (!current) {
        return 0;
    }
    insideHook = true;
    const int verdict = (*current)(call);
    insideHook = false;
    return verdict;
}

}  // namespace

void setFileCallHook(FileCallHook newHook) {
    std::shared_ptr<const FileCallHook> next;
    if (newHook) {
        next = std::make_shared<const FileCallHook>(std::move(newHook));
    }
    const std::lock_guard lock(hookMutex);
    hook = std::move(next);
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

// The file calls the engine makes; each real function is the next one in the lookup order.
namespace {

template <typename Function>
Function realFunction(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// Fails the call with `verdict` as errno when it is not 0.
bool refused(int verdict) {
    if (verdict == 0) {
        return false;
    }
    errno = verdict;
    return true;
}

}  // namespace

using ld::engine::testing::FileCall;
using ld::engine::testing::fileCallVerdict;

extern "C" int openat(int folder, const char* name, int flags, ...) {
    mode_t mode = 0;
    if ((flags & (O_CREAT | O_TMPFILE)) != 0) {
        va_list arguments;
        va_start(arguments, flags);
        mode = static_cast<mode_t>(va_arg(arguments, int));
        va_end(arguments);
    }
    if (refused(fileCallVerdict({FileCall::Kind::Open, folder, name, nullptr, 0, 0}))) {
        return -1;
    }
    static const auto real = realFunction<int (*)(int, const char*, int, ...)>("openat");
    return real(folder, name, flags, mode);
}

extern "C" ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
    if (refused(fileCallVerdict(
            {FileCall::Kind::Write, fd, nullptr, nullptr, offset, static_cast<long long>(size)}))) {
        return -1;
    }
    static const auto real = realFunction<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    return real(fd, data, size, offset);
}

extern "C" int ftruncate(int fd, off_t length) {
    if (refused(fileCallVerdict({FileCall::Kind::Truncate, fd, nullptr, nullptr, length, 0}))) {
        return -1;
    }
    static const auto real = realFunction<int (*)(int, off_t)>("ftruncate");
    return real(fd, length);
}

extern "C" int renameat(int from, const char* name, int to, const char* newName) {
    if (refused(fileCallVerdict({FileCall::Kind::Rename, from, name, newName, 0, 0}))) {
        return -1;
    }
    static const auto real = realFunction<int (*)(int, const char*, int, const char*)>("renameat");
    return real(from, name, to, newName);
}

extern "C" int renameat2(int from, const char* name, int to, const char* newName,
                         unsigned int flags) {
    if (refused(fileCallVerdict({FileCall::Kind::Rename, from, name, newName, 0, 0}))) {
        return -1;
    }
    static const auto real =
        realFunction<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2");
    return real(from, name, to, newName, flags);
}

extern "C" int unlinkat(int folder, const char* name, int flags) {
    if (refused(fileCallVerdict({FileCall::Kind::Unlink, folder, name, nullptr, 0, 0}))) {
        return -1;
    }
    static const auto real = realFunction<int (*)(int, const char*, int)>("unlinkat");
    return real(folder, name, flags);
}

extern "C" int fdatasync(int fd) {
    if (refused(fileCallVerdict({FileCall::Kind::Flush, fd, nullptr, nullptr, 0, 0}))) {
        return -1;
    }
    static const auto real = realFunction<int (*)(int)>("fdatasync");
    return real(fd);
}

extern "C" int fsync(int fd) {
    if (refused(fileCallVerdict({FileCall::Kind::Flush, fd, nullptr, nullptr, 0, 0}))) {
        return -1;
    }
    static const auto real = realFunction<int (*)(int)>("fsync");
    return real(fd);
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
