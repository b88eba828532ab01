// Byte images of the engine's two records, built straight from xldl/task_layout.h, for the
// engine's tests and its benchmark driver.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "xldl/task_layout.h"

namespace ld::engine::testing {

// UTF-8 → UTF-16 for test texts (valid UTF-8 expected).
inline std::u16string toUtf16(std::string_view utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        const unsigned char leadMask[] = {0, 0xFF, 0x1F, 0x0F, 0x07};
        char32_t cp = b & leadMask[length];
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += length;
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

struct CreateRecordFields {
    std::u16string url;
    std::u16string referrer;
    std::u16string cookies;
    std::u16string fileName;
    std::u16string folder;
    bool sourceOnly = false;
    bool noRenaming = true;
    bool resume = true;
};

// Writes `text` as UTF-16LE into the field; a zero unit follows when there is room, so a text
// that fills the field has no terminator.
inline void putText(std::vector<unsigned char>& record, std::size_t offset, std::size_t size,
                    std::u16string_view text) {
    std::memset(record.data() + offset, 0, size);
    for (std::size_t k = 0; k < text.size() && 2 * k + 1 < size; ++k) {
        record[offset + 2 * k] = static_cast<unsigned char>(text[k] & 0xFF);
        record[offset + 2 * k + 1] = static_cast<unsigned char>(text[k] >> 8);
    }
}

inline void putInt32(std::vector<unsigned char>& record, std::size_t offset, std::int32_t value) {
    for (int i = 0; i < 4; ++i) {
        record[offset + i] =
            static_cast<unsigned char>(static_cast<std::uint32_t>(value) >> (8 * i));
    }
}

// A TaskCreateRecord of exactly XLDL_CREATE_RECORD_SIZE bytes, as the program fills it.
inline std::vector<unsigned char> buildCreateRecord(const CreateRecordFields& fields) {
    std::vector<unsigned char> record(XLDL_CREATE_RECORD_SIZE, 0);
    putText(record, XLDL_CREATE_URL_OFFSET, XLDL_CREATE_URL_SIZE, fields.url);
    putText(record, XLDL_CREATE_REFERRER_OFFSET, XLDL_CREATE_REFERRER_SIZE, fields.referrer);
    putText(record, XLDL_CREATE_COOKIES_OFFSET, XLDL_CREATE_COOKIES_SIZE, fields.cookies);
    putText(record, XLDL_CREATE_FILE_NAME_OFFSET, XLDL_CREATE_FILE_NAME_SIZE, fields.fileName);
    putText(record, XLDL_CREATE_FOLDER_OFFSET, XLDL_CREATE_FOLDER_SIZE, fields.folder);
    putInt32(record, XLDL_CREATE_SOURCE_ONLY_OFFSET, fields.sourceOnly ? 1 : 0);
    putInt32(record, XLDL_CREATE_nReserved1_OFFSET, 5);
    putInt32(record, XLDL_CREATE_NO_RENAMING_OFFSET, fields.noRenaming ? 1 : 0);
    putInt32(record, XLDL_CREATE_RESUME_OFFSET, fields.resume ? 1 : 0);
    return record;
}

// Reads a TaskInfoRecord image.
class InfoRecordView {
  public:
    InfoRecordView() : bytes_(XLDL_INFO_RECORD_SIZE, 0) {}
    unsigned char* data() { return bytes_.data(); }

    std::int32_t state() const { return int32At(XLDL_INFO_STATE_OFFSET); }
    std::int32_t failureCode() const { return int32At(XLDL_INFO_FAILURE_CODE_OFFSET); }
    std::int64_t totalBytes() const { return int64At(XLDL_INFO_TOTAL_SIZE_OFFSET); }
    std::int64_t doneBytes() const { return int64At(XLDL_INFO_DOWNLOADED_OFFSET); }
    float progress() const {
        const auto bits = static_cast<std::uint32_t>(int32At(XLDL_INFO_PROGRESS_OFFSET));
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    std::int32_t plannedConnections() const { return int32At(XLDL_INFO_TOTAL_SOURCES_OFFSET); }
    std::int32_t activeConnections() const { return int32At(XLDL_INFO_USABLE_SOURCES_OFFSET); }
    std::int32_t bytesPerSecond() const { return int32At(XLDL_INFO_SPEED_OFFSET); }
    std::u16string fileName() const {
        std::u16string name;
        for (std::size_t k = 0; 2 * k + 1 < XLDL_INFO_FILE_NAME_SIZE; ++k) {
            const auto at = XLDL_INFO_FILE_NAME_OFFSET + 2 * k;
            const auto unit = static_cast<char16_t>(bytes_[at] | (bytes_[at + 1] << 8));
            if (unit == 0) {
                break;
            }
            name.push_back(unit);
        }
        return name;
    }

  private:
    std::int32_t int32At(std::size_t offset) const {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(int64Bytes(offset, 4)));
    }
    std::int64_t int64At(std::size_t offset) const {
        return static_cast<std::int64_t>(int64Bytes(offset, 8));
    }
    std::uint64_t int64Bytes(std::size_t offset, int count) const {
        std::uint64_t value = 0;
        for (int i = count - 1; i >= 0; --i) {
            value = (value << 8) | bytes_[offset + static_cast<std::size_t>(i)];
        }
        return value;
    }
    std::vector<unsigned char> bytes_;
};

}  // namespace ld::engine::testing
