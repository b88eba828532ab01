// The library's C interface: the six XL_ functions over one Engine.
#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <shared_mutex>

#include "engine/create_record.h"
#include "engine/engine.h"
#include "engine/info_record.h"
#include "engine/settings.h"
#include "xldl/xldl.h"

namespace {

// The engine between XL_Init and XL_UnInit. Calls share the lock; XL_Init and XL_UnInit
// take it alone, so no call uses an engine being torn down.
std::shared_mutex engineLock;
std::unique_ptr<ld::engine::Engine> currentEngine;

// Runs one call of the C interface. No exception may leave the library: the
// host is a C program's caller that cannot catch it and would be terminated.
// Whatever is thrown (no memory, no thread) turns into the call's failure value.
template <typename Result, typename Body>
Result guarded(Result failure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

bool prepareCurl() {
    static std::once_flag once;
    static bool ready = false;
    // Never cleaned up: other parts of the program may use libcurl too.
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

}  // namespace

extern "C" {

XLDL_API int32_t XLDL_CALL XL_Init(void) {
    return guarded<int32_t>(0, [&]() -> int32_t {
        const std::unique_lock lock(engineLock);
        if (currentEngine) {
            return 1;
        }
        if (!prepareCurl()) {
            return 0;
        }
        auto engine = std::make_unique<ld::engine::Engine>(ld::engine::Settings::fromEnvironment());
        if (!engine->running()) {
            return 0;
        }
        currentEngine = std::move(engine);
        return 1;
    });
}

XLDL_API int32_t XLDL_CALL XL_UnInit(void) {
    return guarded<int32_t>(0, [&]() -> int32_t {
        std::unique_ptr<ld::engine::Engine> engine;
        {
            const std::unique_lock lock(engineLock);
            engine = std::move(currentEngine);
        }
        // The destructor joins the engine thread, outside the lock.
        engine.reset();
        return 1;
    });
}

XLDL_API XL_TaskHandle XLDL_CALL XL_CreateTask(const void* createRecord) {
    return guarded<XL_TaskHandle>(0, [&]() -> XL_TaskHandle {
        if (createRecord == nullptr) {
            return 0;
        }
        const std::shared_lock lock(engineLock);
        if (!currentEngine) {
            return 0;
        }
        return currentEngine->createTask(
            ld::engine::readCreateRecord(static_cast<const unsigned char*>(createRecord)));
    });
}

XLDL_API int32_t XLDL_CALL XL_StartTask(XL_TaskHandle handle) {
    return guarded<int32_t>(0, [&]() -> int32_t {
        const std::shared_lock lock(engineLock);
        return currentEngine && currentEngine->startTask(handle) ? 1 : 0;
    });
}

XLDL_API int32_t XLDL_CALL XL_StopTask(XL_TaskHandle handle) {
    return guarded<int32_t>(0, [&]() -> int32_t {
        const std::shared_lock lock(engineLock);
        return currentEngine && currentEngine->stopTask(handle) ? 1 : 0;
    });
}

XLDL_API int32_t XLDL_CALL XL_QueryTaskInfoEx(XL_TaskHandle handle, void* infoRecord) {
    return guarded<int32_t>(0, [&]() -> int32_t {
        if (infoRecord == nullptr) {
            return 0;
        }
        std::optional<ld::engine::TaskSnapshot> snapshot;
        {
            const std::shared_lock lock(engineLock);
            if (currentEngine) {
                snapshot = currentEngine->query(handle);
            }
        }
        if (!snapshot) {
            return 0;
        }
        ld::engine::writeInfoRecord(*snapshot, static_cast<unsigned char*>(infoRecord));
        return 1;
    });
}

}  // extern "C"
