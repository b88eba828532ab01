// TaskInfoRecord: the status block that XL_QueryTaskInfoEx fills, 28 packed
// fields, 1429 bytes (layout in xldl/task_layout.h).
//
// The object starts empty (no block); defineFields builds a new block for each
// task with 当前状态 2 and everything else zero.
//
// Each accessor reads its field without a value; with a value it writes the
// field and reports success as 1 or 0 in its own type (text: "1" or "0"). A
// record that has no block reads as 0, false or empty text.
#pragma once

#include <cstdint>

#include "download/named_field_record.h"
#include "text/text.h"

namespace ld {

class TaskInfoRecord {
  public:
    TaskInfoRecord() = default;
    TaskInfoRecord(const TaskInfoRecord&) = delete;
    TaskInfoRecord& operator=(const TaskInfoRecord&) = delete;
    TaskInfoRecord(TaskInfoRecord&&) noexcept = default;
    TaskInfoRecord& operator=(TaskInfoRecord&&) noexcept = default;
    ~TaskInfoRecord() = default;

    // False when the block cannot be obtained.
    bool defineFields();
    void release() noexcept;
    // Address of the block handed to XL_QueryTaskInfoEx; nullptr before defineFields.
    [[nodiscard]] void* taskAddress() noexcept;
    [[nodiscard]] const NamedFieldRecord& record() const noexcept { return record_; }

    [[nodiscard]] std::int32_t 当前状态() const;
    std::int32_t 当前状态(std::int32_t value);
    [[nodiscard]] std::int32_t 失败代码() const;
    std::int32_t 失败代码(std::int32_t value);
    [[nodiscard]] Text 文件名() const;
    Text 文件名(const Text& value);
    [[nodiscard]] std::int64_t 文件总大小() const;
    std::int64_t 文件总大小(std::int64_t value);
    [[nodiscard]] std::int64_t 已下载速度() const;
    std::int64_t 已下载速度(std::int64_t value);
    [[nodiscard]] float 下载进度() const;
    float 下载进度(float value);
    [[nodiscard]] std::int32_t 总资源数() const;
    std::int32_t 总资源数(std::int32_t value);
    [[nodiscard]] std::int32_t 可用资源数() const;
    std::int32_t 可用资源数(std::int32_t value);
    [[nodiscard]] std::int64_t P2P字节数() const;
    std::int64_t P2P字节数(std::int64_t value);
    [[nodiscard]] std::int64_t 原始资源字节数() const;
    std::int64_t 原始资源字节数(std::int64_t value);
    [[nodiscard]] std::int64_t 镜像资源字节数() const;
    std::int64_t 镜像资源字节数(std::int64_t value);
    [[nodiscard]] std::int32_t 下载速度() const;
    std::int32_t 下载速度(std::int32_t value);
    [[nodiscard]] std::int32_t 下载速度P2S() const;
    std::int32_t 下载速度P2S(std::int32_t value);
    [[nodiscard]] std::int32_t 下载速度P2P() const;
    std::int32_t 下载速度P2P(std::int32_t value);
    [[nodiscard]] bool 原始资源() const;
    bool 原始资源(bool value);
    [[nodiscard]] std::int32_t 创建文件() const;
    std::int32_t 创建文件(std::int32_t value);

  private:
    NamedFieldRecord record_;
};

}  // namespace ld
