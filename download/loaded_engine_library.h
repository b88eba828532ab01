// The download engine library, bound at run time.
//
// The library is loaded at the first call and each of its six functions is
// bound at its own first call. When the library or a function cannot be found
// the handler given at construction receives the message built from
// "无法找到指定DLL库文件“%s”中的输出命令“%s”" (library file name, function
// name); the program's handler stops the process. Should the handler return,
// the call does nothing and answers 0, and the next call tries again.
//
// Calls are made on the window's thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include "download/download_engine.h"
#include "download/shared_library.h"
#include "text/text.h"

namespace ld {

#if defined(_WIN32)
inline constexpr const char* kEngineLibraryFileName = "xldl.dll";
#else
inline constexpr const char* kEngineLibraryFileName = "libxldl.so";
#endif

// The message of a fatal stop for a library or function that cannot be found.
Text missingEngineExportMessage(const Text& libraryFileName, const Text& functionName);

class LoadedEngineLibrary final : public DownloadEngine {
  public:
    using MissingHandler = std::function<void(const Text& message)>;

    LoadedEngineLibrary(std::filesystem::path libraryFile, MissingHandler onMissing);

    std::int32_t init() override;
    std::int32_t unInit() override;
    std::uint32_t createTask(const void* createRecord) override;
    std::int32_t startTask(std::uint32_t handle) override;
    std::int32_t stopTask(std::uint32_t handle) override;
    std::int32_t queryTaskInfo(std::uint32_t handle, void* infoRecord) override;

  private:
    // The bound address of `name`, cached in `slot`; nullptr after reporting it missing.
    void* bind(void*& slot, const char* name);

    std::filesystem::path libraryFile_;
    MissingHandler onMissing_;
    std::optional<SharedLibrary> library_;
    void* init_ = nullptr;
    void* unInit_ = nullptr;
    void* createTask_ = nullptr;
    void* startTask_ = nullptr;
    void* stopTask_ = nullptr;
    void* queryTaskInfo_ = nullptr;
};

}  // namespace ld
