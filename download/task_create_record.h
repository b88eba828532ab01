// TaskCreateRecord: the description of a new download that XL_CreateTask reads,
// 16 packed fields, 26564 bytes (layout in xldl/task_layout.h).
//
// The object starts empty (no block); defineFields builds a new block for each
// task, which stays valid until the next defineFields, release or destruction.
//
// Each accessor reads its field without a value; with a value it writes the
// field and reports success as 1 or 0 in its own type (text: "1" or "0"). A
// record that has no block reads as empty text or false.
#pragma once

#include <cstdint>

#include "download/named_field_record.h"
#include "text/text.h"

namespace ld {

class TaskCreateRecord {
  public:
    TaskCreateRecord() = default;
    TaskCreateRecord(const TaskCreateRecord&) = delete;
    TaskCreateRecord& operator=(const TaskCreateRecord&) = delete;
    TaskCreateRecord(TaskCreateRecord&&) noexcept = default;
    TaskCreateRecord& operator=(TaskCreateRecord&&) noexcept = default;
    ~TaskCreateRecord() = default;

    // Lays the 16 fields out in a new block with these values; texts too long
    // for their field are cut so that the field keeps a terminating zero unit.
    // False when the block cannot be obtained.
    bool defineFields(const Text& url = {}, const Text& referrer = {}, const Text& cookies = {},
                      const Text& fileName = {}, const Text& folder = {}, bool sourceOnly = false,
                      bool noRenaming = false, bool resume = true);
    void release() noexcept;
    // Address of the block handed to XL_CreateTask; nullptr before defineFields.
    [[nodiscard]] const void* taskAddress() const noexcept;
    [[nodiscard]] const NamedFieldRecord& record() const noexcept { return record_; }

    [[nodiscard]] Text URL() const;
    Text URL(const Text& value);
    [[nodiscard]] Text 引用页() const;
    Text 引用页(const Text& value);
    [[nodiscard]] Text Cookies() const;
    Text Cookies(const Text& value);
    [[nodiscard]] Text 文件名() const;
    Text 文件名(const Text& value);
    [[nodiscard]] Text 路径() const;
    Text 路径(const Text& value);
    [[nodiscard]] bool 原始地址下载() const;
    bool 原始地址下载(bool value);
    [[nodiscard]] bool 禁止智能命名() const;
    bool 禁止智能命名(bool value);
    [[nodiscard]] bool 是否用续传() const;
    bool 是否用续传(bool value);

  private:
    NamedFieldRecord record_;
};

}  // namespace ld
