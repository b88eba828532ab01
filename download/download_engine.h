// The download engine's six calls, as the program makes them. The real one is
// LoadedEngineLibrary (the engine library bound at run time); tests put an
// in-memory engine in its place.
#pragma once

#include <cstdint>

namespace ld {

class DownloadEngine {
  public:
    virtual ~DownloadEngine() = default;

    // Prepares the engine; the result is not looked at by the program.
    virtual std::int32_t init() = 0;
    // Shuts the engine down; the result is not looked at by the program.
    virtual std::int32_t unInit() = 0;
    // Registers the task a TaskCreateRecord block describes; its handle.
    virtual std::uint32_t createTask(const void* createRecord) = 0;
    // Starts the task, or resumes it after stopTask.
    virtual std::int32_t startTask(std::uint32_t handle) = 0;
    // Pauses the task.
    virtual std::int32_t stopTask(std::uint32_t handle) = 0;
    // Fills a TaskInfoRecord block; nonzero when it did.
    virtual std::int32_t queryTaskInfo(std::uint32_t handle, void* infoRecord) = 0;
};

}  // namespace ld
