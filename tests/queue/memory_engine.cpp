#include "memory_engine.h"

#include <cstring>

#include "text/codepage.h"
#include "xldl/task_layout.h"

namespace ld::testing {
namespace {

std::string fieldText(const std::uint8_t* record, int offset, int size) {
    std::vector<std::uint8_t> units;
    for (int i = 0; i + 1 < size; i += 2) {
        const std::uint8_t low = record[offset + i];
        const std::uint8_t high = record[offset + i + 1];
        if (low == 0 && high == 0) {
            break;
        }
        units.push_back(low);
        units.push_back(high);
    }
    return gbkToUtf8(utf16ToGbk(ByteSet(std::move(units))));
}

template <typename T>
T readAt(const std::uint8_t* record, int offset) {
    T value{};
    std::memcpy(&value, record + offset, sizeof value);
    return value;
}

template <typename T>
void writeAt(void* record, int offset, T value) {
    std::memcpy(static_cast<std::uint8_t*>(record) + offset, &value, sizeof value);
}

}  // namespace

std::int32_t MemoryEngine::init() {
    calls_.emplace_back("init");
    return 1;
}

std::int32_t MemoryEngine::unInit() {
    calls_.emplace_back("uninit");
    return 1;
}

std::uint32_t MemoryEngine::createTask(const void* createRecord) {
    const std::uint32_t handle = nextHandle_++;
    calls_.push_back("create " + std::to_string(handle));
    const auto* record = static_cast<const std::uint8_t*>(createRecord);
    MemoryTask task;
    task.url = fieldText(record, XLDL_CREATE_URL_OFFSET, XLDL_CREATE_URL_SIZE);
    task.fileName = fieldText(record, XLDL_CREATE_FILE_NAME_OFFSET, XLDL_CREATE_FILE_NAME_SIZE);
    task.folder = fieldText(record, XLDL_CREATE_FOLDER_OFFSET, XLDL_CREATE_FOLDER_SIZE);
    task.sourceOnly = readAt<std::int32_t>(record, XLDL_CREATE_SOURCE_ONLY_OFFSET) != 0;
    task.noRenaming = readAt<std::int32_t>(record, XLDL_CREATE_NO_RENAMING_OFFSET) != 0;
    task.resume = readAt<std::int32_t>(record, XLDL_CREATE_RESUME_OFFSET) != 0;
    task.reserved1 = readAt<std::int32_t>(record, XLDL_CREATE_nReserved1_OFFSET);
    tasks_.emplace(handle, std::move(task));
    return handle;
}

std::int32_t MemoryEngine::startTask(std::uint32_t handle) {
    calls_.push_back("start " + std::to_string(handle));
    return 1;
}

std::int32_t MemoryEngine::stopTask(std::uint32_t handle) {
    calls_.push_back("stop " + std::to_string(handle));
    return 1;
}

std::int32_t MemoryEngine::queryTaskInfo(std::uint32_t handle, void* infoRecord) {
    calls_.push_back("query " + std::to_string(handle));
    const auto found = tasks_.find(handle);
    if (!answersQueries_ || found == tasks_.end() || infoRecord == nullptr) {
        return 0;
    }
    const MemoryTask& task = found->second;
    writeAt(infoRecord, XLDL_INFO_STATE_OFFSET, task.state);
    writeAt(infoRecord, XLDL_INFO_FAILURE_CODE_OFFSET, task.failureCode);
    writeAt(infoRecord, XLDL_INFO_TOTAL_SIZE_OFFSET, task.totalSize);
    writeAt(infoRecord, XLDL_INFO_DOWNLOADED_OFFSET, task.doneBytes);
    writeAt(infoRecord, XLDL_INFO_SPEED_OFFSET, task.speed);
    writeAt(infoRecord, XLDL_INFO_USABLE_SOURCES_OFFSET, task.usableSources);
    writeAt(infoRecord, XLDL_INFO_TOTAL_SOURCES_OFFSET, task.totalSources);
    return 1;
}

}  // namespace ld::testing
