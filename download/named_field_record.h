// NamedFieldRecord: a flat record of named, sized fields laid out one after
// another in a single zero-filled memory block, read and written by name.
//
// The block's address can be handed to foreign code as a plain structure; this
// is how the download engine's records are built. Fields are found by the
// CRC-32 of their name's bytes, never by comparing text, so two names with the
// same checksum are one field to the record.
//
// States: Empty (no block: after construction and after release) and Defined
// (after a successful create). In the Empty state findField gives 0, readField
// an empty ByteSet, recordSize 0, recordAddress nullptr, and addField and
// writeField fail without touching memory.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "text/text.h"

namespace ld {

// CRC-32 of IEEE 802.3 over the bytes of a name (no terminator); 0 for none.
std::uint32_t nameChecksum(const Text& name);

struct FieldDescriptor {
    Text name;
    std::int32_t offset = 0;
    std::int32_t size = 0;
    std::uint32_t nameChecksum = 0;
};

class NamedFieldRecord {
  public:
    static constexpr int kDefaultAlignment = 1;
    static constexpr std::uint8_t kDefaultFillByte = 0xCC;
    static constexpr int kDefaultCapacity = 1024;
    static constexpr int kDefaultGrowthStep = 1024;

    NamedFieldRecord() = default;
    NamedFieldRecord(const NamedFieldRecord&) = delete;
    NamedFieldRecord& operator=(const NamedFieldRecord&) = delete;
    NamedFieldRecord(NamedFieldRecord&&) noexcept = default;
    NamedFieldRecord& operator=(NamedFieldRecord&&) noexcept = default;
    ~NamedFieldRecord() = default;

    // Starts a new, empty layout in a new zero-filled block of initialCapacity
    // bytes (releasing any previous one) and returns the block's address, or
    // nullptr when the block cannot be obtained. An alignment below 1 counts as
    // 1 and a growth step below 1 as the default step.
    std::uint8_t* create(int alignment = kDefaultAlignment,
                         std::uint8_t fillByte = kDefaultFillByte,
                         int initialCapacity = kDefaultCapacity,
                         int growthStep = kDefaultGrowthStep);

    // Forgets every field and frees the block. Alignment, growth step, fill
    // byte and capacity stay until the next create.
    void release() noexcept;

    // Appends a field at offset recordSize(), growing the block in steps when
    // needed (earlier contents kept, new bytes zero). The first
    // min(length, size) bytes of initialValue are written into it, and fill
    // bytes pad its size up to a multiple of the alignment. False when a field
    // with the same name checksum exists, the size is negative, the record is
    // Empty or the block cannot grow; the record is then unchanged.
    bool addField(const Text& name, int size, const ByteSet& initialValue = {});

    // 1-based position of the field in the table, 0 when there is none.
    [[nodiscard]] int findField(const Text& name) const;
    // A copy of the field's bytes (exactly its size); empty when there is none.
    [[nodiscard]] ByteSet readField(const Text& name) const;
    // Copies the first min(length, size) bytes of value into the field; bytes
    // beyond keep their content. False when there is no such field.
    bool writeField(const Text& name, const ByteSet& value);
    // Size of the field in bytes, 0 when there is none.
    [[nodiscard]] int fieldSize(const Text& name) const;

    [[nodiscard]] int recordSize() const noexcept { return used_; }
    [[nodiscard]] std::uint8_t* recordAddress() noexcept { return block_.get(); }
    [[nodiscard]] const std::uint8_t* recordAddress() const noexcept { return block_.get(); }
    [[nodiscard]] int capacity() const noexcept { return capacity_; }
    [[nodiscard]] const std::vector<FieldDescriptor>& fields() const noexcept { return fields_; }

  private:
    [[nodiscard]] const FieldDescriptor* descriptorOf(const Text& name) const;
    bool growToHold(std::int64_t bytes);

    std::uint8_t fillByte_ = 0;
    std::int32_t used_ = 0;
    std::unique_ptr<std::uint8_t[]> block_;
    std::vector<FieldDescriptor> fields_;
    std::int32_t alignment_ = 0;
    std::int32_t growthStep_ = 0;
    std::int32_t capacity_ = 0;
};

}  // namespace ld
