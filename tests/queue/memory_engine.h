// An in-memory download engine for the queue's tests. It reads the create
// record at the layout's offsets when a task is created and writes the state,
// failure code, size, bytes done, speed and source counts the test sets into the info
// record when it is queried. Every call is logged ("create 1", "start 1",
// "stop 1", "query 1").
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "download/download_engine.h"

namespace ld::testing {

struct MemoryTask {
    // What the create record held (texts as UTF-8).
    std::string url;
    std::string fileName;
    std::string folder;
    bool sourceOnly = false;
    bool noRenaming = false;
    bool resume = false;
    std::int32_t reserved1 = 0;
    // What the next query reports.
    std::int32_t state = 0;
    std::int32_t failureCode = 0;
    std::int64_t totalSize = 0;
    std::int64_t doneBytes = 0;
    std::int32_t speed = 0;
    std::int32_t usableSources = 0;
    std::int32_t totalSources = 0;
};

class MemoryEngine final : public DownloadEngine {
  public:
    std::int32_t init() override;
    std::int32_t unInit() override;
    std::uint32_t createTask(const void* createRecord) override;
    std::int32_t startTask(std::uint32_t handle) override;
    std::int32_t stopTask(std::uint32_t handle) override;
    std::int32_t queryTaskInfo(std::uint32_t handle, void* infoRecord) override;

    MemoryTask& task(std::uint32_t handle) { return tasks_.at(handle); }
    [[nodiscard]] std::uint32_t lastHandle() const { return nextHandle_ - 1; }
    [[nodiscard]] int taskCount() const { return static_cast<int>(tasks_.size()); }
    [[nodiscard]] const std::vector<std::string>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }
    // While false, queries answer 0 and leave the record alone.
    void setAnswersQueries(bool answers) { answersQueries_ = answers; }

  private:
    std::map<std::uint32_t, MemoryTask> tasks_;
    std::vector<std::string> calls_;
    std::uint32_t nextHandle_ = 1;
    bool answersQueries_ = true;
};

}  // namespace ld::testing
