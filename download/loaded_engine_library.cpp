#include "download/loaded_engine_library.h"

#include <string>
#include <utility>

#include "text/codepage.h"
#include "xldl/xldl.h"

namespace ld {

namespace {

using InitFunction = std::int32_t(XLDL_CALL*)();
using CreateTaskFunction = XL_TaskHandle(XLDL_CALL*)(const void*);
using TaskFunction = std::int32_t(XLDL_CALL*)(XL_TaskHandle);
using QueryFunction = std::int32_t(XLDL_CALL*)(XL_TaskHandle, void*);

template <typename Function>
Function as(void* address) {
    return reinterpret_cast<Function>(address);
}

Text fileNameText(const std::filesystem::path& file) {
    const std::u8string name = file.filename().u8string();
    return utf8ToGbk(std::string_view(reinterpret_cast<const char*>(name.data()), name.size()));
}

}  // namespace

Text missingEngineExportMessage(const Text& libraryFileName, const Text& functionName) {
    std::string message = gbk("无法找到指定DLL库文件“").bytes();
    message += libraryFileName.bytes();
    message += gbk("”中的输出命令“").bytes();
    message += functionName.bytes();
    message += gbk("”").bytes();
    return Text(std::move(message));
}

LoadedEngineLibrary::LoadedEngineLibrary(std::filesystem::path libraryFile,
                                         MissingHandler onMissing)
    : libraryFile_(std::move(libraryFile)), onMissing_(std::move(onMissing)) {}

void* LoadedEngineLibrary::bind(void*& slot, const char* name) {
    if (slot != nullptr) {
        return slot;
    }
    if (!library_) {
        library_ = SharedLibrary::open(libraryFile_);
    }
    if (library_) {
        slot = library_->symbol(name);
    }
    if (slot == nullptr && onMissing_) {
        onMissing_(missingEngineExportMessage(fileNameText(libraryFile_), Text(name)));
    }
    return slot;
}

std::int32_t LoadedEngineLibrary::init() {
    void* function = bind(init_, "XL_Init");
    return function == nullptr ? 0 : as<InitFunction>(function)();
}

std::int32_t LoadedEngineLibrary::unInit() {
    void* function = bind(unInit_, "XL_UnInit");
    return function == nullptr ? 0 : as<InitFunction>(function)();
}

std::uint32_t LoadedEngineLibrary::createTask(const void* createRecord) {
    void* function = bind(createTask_, "XL_CreateTask");
    return function == nullptr ? 0 : as<CreateTaskFunction>(function)(createRecord);
}

std::int32_t LoadedEngineLibrary::startTask(std::uint32_t handle) {
    void* function = bind(startTask_, "XL_StartTask");
    return function == nullptr ? 0 : as<TaskFunction>(function)(handle);
}

std::int32_t LoadedEngineLibrary::stopTask(std::uint32_t handle) {
    void* function = bind(stopTask_, "XL_StopTask");
    return function == nullptr ? 0 : as<TaskFunction>(function)(handle);
}

std::int32_t LoadedEngineLibrary::queryTaskInfo(std::uint32_t handle, void* infoRecord) {
    void* function = bind(queryTaskInfo_, "XL_QueryTaskInfoEx");
    return function == nullptr ? 0 : as<QueryFunction>(function)(handle, infoRecord);
}

}  // namespace ld
