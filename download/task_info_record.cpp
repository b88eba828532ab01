#include "download/task_info_record.h"

#include <array>
#include <string_view>

#include "download/record_layout.h"
#include "download/typed_fields.h"
#include "text/codepage.h"
#include "xldl/task_layout.h"

namespace ld {

namespace {

enum Field {
    state,
    failureCode,
    fileName,
    szReserved0,
    totalSize,
    downloaded,
    progress,
    nReserved0,
    totalSources,
    usableSources,
    nReserved1,
    nReserved2,
    nReserved3,
    nReserved4,
    nReserved5,
    p2pBytes,
    nReserved6,
    originBytes,
    mirrorBytes,
    nReserved7,
    nReserved8,
    speed,
    speedP2S,
    speedP2P,
    originFlag,
    fHashPercent,
    creatingFile,
    reserved,
    kFieldCount
};

using record_layout::FieldLayout;

constexpr std::array<FieldLayout, kFieldCount> kLayout{{
    {"当前状态", XLDL_INFO_STATE_SIZE},
    {"失败代码", XLDL_INFO_FAILURE_CODE_SIZE},
    {"文件名", XLDL_INFO_FILE_NAME_SIZE},
    {"szReserved0", XLDL_INFO_szReserved0_SIZE},
    {"文件总大小", XLDL_INFO_TOTAL_SIZE_SIZE},
    {"已下载速度", XLDL_INFO_DOWNLOADED_SIZE},
    {"下载进度", XLDL_INFO_PROGRESS_SIZE},
    {"nReserved0", XLDL_INFO_nReserved0_SIZE},
    {"总资源数", XLDL_INFO_TOTAL_SOURCES_SIZE},
    {"可用资源数", XLDL_INFO_USABLE_SOURCES_SIZE},
    {"nReserved1", XLDL_INFO_nReserved1_SIZE},
    {"nReserved2", XLDL_INFO_nReserved2_SIZE},
    {"nReserved3", XLDL_INFO_nReserved3_SIZE},
    {"nReserved4", XLDL_INFO_nReserved4_SIZE},
    {"nReserved5", XLDL_INFO_nReserved5_SIZE},
    {"P2P字节数", XLDL_INFO_P2P_BYTES_SIZE},
    {"nReserved6", XLDL_INFO_nReserved6_SIZE},
    {"原始资源字节数", XLDL_INFO_ORIGIN_BYTES_SIZE},
    {"镜像资源字节数", XLDL_INFO_MIRROR_BYTES_SIZE},
    {"nReserved7", XLDL_INFO_nReserved7_SIZE},
    {"nReserved8", XLDL_INFO_nReserved8_SIZE},
    {"下载速度", XLDL_INFO_SPEED_SIZE},
    {"下载速度P2S", XLDL_INFO_SPEED_P2S_SIZE},
    {"下载速度P2P", XLDL_INFO_SPEED_P2P_SIZE},
    {"原始资源", XLDL_INFO_ORIGIN_FLAG_SIZE},
    {"fHashPercent", XLDL_INFO_fHashPercent_SIZE},
    {"创建文件", XLDL_INFO_CREATING_FILE_SIZE},
    {"reserved", XLDL_INFO_reserved_SIZE},
}};

static_assert(kFieldCount == XLDL_INFO_FIELD_COUNT);
static_assert(record_layout::totalSize(kLayout) == XLDL_INFO_RECORD_SIZE);

const Text& nameOf(Field field) {
    static const std::array<Text, kFieldCount> names = record_layout::namesOf(kLayout);
    return names[field];
}

}  // namespace

bool TaskInfoRecord::defineFields() {
    if (record_.create(NamedFieldRecord::kDefaultAlignment, NamedFieldRecord::kDefaultFillByte,
                       XLDL_INFO_RECORD_SIZE) == nullptr) {
        return false;
    }
    std::array<ByteSet, kFieldCount> initial;
    initial[Field::state] = int32Bytes(XLDL_STATE_PAUSED);
    initial[Field::failureCode] = int32Bytes(0);

    bool allAdded = true;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const auto field = static_cast<Field>(i);
        allAdded = record_.addField(nameOf(field), kLayout[i].size, initial[i]) && allAdded;
    }
    return allAdded;
}

void TaskInfoRecord::release() noexcept {
    record_.release();
}

void* TaskInfoRecord::taskAddress() noexcept {
    return record_.recordAddress();
}

// Accessors: without a value they read the field, with one they write it and
// answer 1 or 0 in the field's own type.
#define LD_INFO_ACCESSOR(Type, accessor, field, read, write)                    \
    Type TaskInfoRecord::accessor() const {                                     \
        return read(record_, nameOf(Field::field));                             \
    }                                                                           \
    Type TaskInfoRecord::accessor(Type value) {                                 \
        return write(record_, nameOf(Field::field), value) ? Type{1} : Type{0}; \
    }

LD_INFO_ACCESSOR(std::int32_t, 当前状态, state, readInt32, writeInt32)
LD_INFO_ACCESSOR(std::int32_t, 失败代码, failureCode, readInt32, writeInt32)
LD_INFO_ACCESSOR(std::int64_t, 文件总大小, totalSize, readInt64, writeInt64)
LD_INFO_ACCESSOR(std::int64_t, 已下载速度, downloaded, readInt64, writeInt64)
LD_INFO_ACCESSOR(float, 下载进度, progress, readFloat32, writeFloat32)
LD_INFO_ACCESSOR(std::int32_t, 总资源数, totalSources, readInt32, writeInt32)
LD_INFO_ACCESSOR(std::int32_t, 可用资源数, usableSources, readInt32, writeInt32)
LD_INFO_ACCESSOR(std::int64_t, P2P字节数, p2pBytes, readInt64, writeInt64)
LD_INFO_ACCESSOR(std::int64_t, 原始资源字节数, originBytes, readInt64, writeInt64)
LD_INFO_ACCESSOR(std::int64_t, 镜像资源字节数, mirrorBytes, readInt64, writeInt64)
LD_INFO_ACCESSOR(std::int32_t, 下载速度, speed, readInt32, writeInt32)
LD_INFO_ACCESSOR(std::int32_t, 下载速度P2S, speedP2S, readInt32, writeInt32)
LD_INFO_ACCESSOR(std::int32_t, 下载速度P2P, speedP2P, readInt32, writeInt32)
LD_INFO_ACCESSOR(bool, 原始资源, originFlag, readBoolean, writeBoolean)
LD_INFO_ACCESSOR(std::int32_t, 创建文件, creatingFile, readInt32, writeInt32)

#undef LD_INFO_ACCESSOR

Text TaskInfoRecord::文件名() const {
    return readText(record_, nameOf(Field::fileName));
}
Text TaskInfoRecord::文件名(const Text& value) {
    return writeText(record_, nameOf(Field::fileName), value) ? Text("1") : Text("0");
}

}  // namespace ld
