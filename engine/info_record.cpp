#include "engine/info_record.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "engine/utf16.h"
#include "xldl/task_layout.h"

namespace ld::engine {
namespace {

// Fields are little-endian whatever the host's byte order.
template <typename Unsigned>
void putLittleEndian(unsigned char* at, Unsigned value) {
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i) {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

void putInt32(unsigned char* record, std::size_t offset, std::int32_t value) {
    putLittleEndian(record + offset, static_cast<std::uint32_t>(value));
}

void putInt64(unsigned char* record, std::size_t offset, std::int64_t value) {
    putLittleEndian(record + offset, static_cast<std::uint64_t>(value));
}

}  // namespace

void writeInfoRecord(const TaskSnapshot& snapshot, unsigned char* record) {
    std::memset(record, 0, XLDL_INFO_RECORD_SIZE);
    putInt32(record, XLDL_INFO_STATE_OFFSET, snapshot.state);
    putInt32(record, XLDL_INFO_FAILURE_CODE_OFFSET, snapshot.failureCode);
    utf8ToUtf16Field(snapshot.fileName, record + XLDL_INFO_FILE_NAME_OFFSET,
                     XLDL_INFO_FILE_NAME_SIZE);
    putInt64(record, XLDL_INFO_TOTAL_SIZE_OFFSET, snapshot.totalBytes);
    putInt64(record, XLDL_INFO_DOWNLOADED_OFFSET, snapshot.doneBytes);
    putLittleEndian(record + XLDL_INFO_PROGRESS_OFFSET,
                    std::bit_cast<std::uint32_t>(snapshot.progress));
    putInt32(record, XLDL_INFO_TOTAL_SOURCES_OFFSET, snapshot.plannedConnections);
    putInt32(record, XLDL_INFO_USABLE_SOURCES_OFFSET, snapshot.activeConnections);
    // Everything comes from the address given: report it as the primary resource.
    putInt64(record, XLDL_INFO_ORIGIN_BYTES_OFFSET, snapshot.doneBytes);
    putInt32(record, XLDL_INFO_SPEED_OFFSET, snapshot.bytesPerSecond);
    putInt32(record, XLDL_INFO_SPEED_P2S_OFFSET, snapshot.bytesPerSecond);
    record[XLDL_INFO_ORIGIN_FLAG_OFFSET] = 1;
    putInt32(record, XLDL_INFO_CREATING_FILE_OFFSET, snapshot.fileCreated ? 1 : 0);
}

}  // namespace ld::engine
