// Reading a TaskCreateRecord (layout in xldl/task_layout.h).
#pragma once

#include <string>

namespace ld::engine {

// A download as the caller described it, texts converted to UTF-8.
struct TaskRequest {
    std::string url;
    std::string referrer;
    std::string cookies;
    std::string fileName;  // 文件名
    std::string folder;    // 路径
    bool sourceOnly = false;
    bool noRenaming = false;  // 禁止智能命名: replace an existing target
    bool resume = false;      // 是否用续传: continue partial data
};

// Reads the record at `record`, which must span XLDL_CREATE_RECORD_SIZE bytes. Each text is
// read within its own field, whether or not it is terminated.
TaskRequest readCreateRecord(const unsigned char* record);

}  // namespace ld::engine
