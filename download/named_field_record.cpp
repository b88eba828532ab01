#include "download/named_field_record.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <new>

namespace ld {

namespace {

// A zero-filled block of `bytes` bytes, or nullptr when memory is short.
std::unique_ptr<std::uint8_t[]> zeroFilledBlock(std::int64_t bytes) {
    try {
        // make_unique value-initialises the array, so every byte is zero.
        return std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(bytes));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

std::uint32_t nameChecksum(const Text& name) {
    const auto* bytes = reinterpret_cast<const Bytef*>(name.bytes().data());
    return static_cast<std::uint32_t>(crc32(0L, bytes, static_cast<uInt>(name.bytes().size())));
}

std::uint8_t* NamedFieldRecord::create(int alignment, std::uint8_t fillByte, int initialCapacity,
                                       int growthStep) {
    release();
    alignment_ = std::max(alignment, 1);
    growthStep_ = growthStep >= 1 ? growthStep : kDefaultGrowthStep;
    fillByte_ = fillByte;
    if (initialCapacity < 0) {
        return nullptr;
    }
    block_ = zeroFilledBlock(initialCapacity);
    if (block_ == nullptr) {
        return nullptr;
    }
    capacity_ = initialCapacity;
    return block_.get();
}

void NamedFieldRecord::release() noexcept {
    used_ = 0;
    fields_.clear();
    block_.reset();
}

bool NamedFieldRecord::growToHold(std::int64_t bytes) {
    if (bytes <= capacity_) {
        return true;
    }
    // Grow in whole steps, as if the block had been enlarged one step at a time.
    const std::int64_t missing = bytes - capacity_;
    const std::int64_t steps = (missing + growthStep_ - 1) / growthStep_;
    const std::int64_t newCapacity = capacity_ + steps * growthStep_;
    if (newCapacity > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    auto grown = zeroFilledBlock(newCapacity);
    if (grown == nullptr) {
        return false;
    }
    // Nothing beyond `used_` has ever been written, so it is zero in both.
    std::copy_n(block_.get(), used_, grown.get());
    block_ = std::move(grown);
    capacity_ = static_cast<std::int32_t>(newCapacity);
    return true;
}

bool NamedFieldRecord::addField(const Text& name, int size, const ByteSet& initialValue) {
    if (block_ == nullptr || size < 0 || findField(name) != 0) {
        return false;
    }
    const std::int32_t gap = (size % alignment_ == 0) ? 0 : alignment_ - size % alignment_;
    const std::int64_t end = std::int64_t{used_} + size + gap;
    if (end > std::numeric_limits<std::int32_t>::max() || !growToHold(end)) {
        return false;
    }
    fields_.push_back(FieldDescriptor{name, used_, size, nameChecksum(name)});
    std::uint8_t* field = block_.get() + used_;
    const auto valueBytes = std::min<std::size_t>(initialValue.bytes().size(), size);
    std::copy_n(initialValue.data(), valueBytes, field);
    std::fill_n(field + size, gap, fillByte_);
    used_ = static_cast<std::int32_t>(end);
    return true;
}

const FieldDescriptor* NamedFieldRecord::descriptorOf(const Text& name) const {
    const int position = findField(name);
    return position == 0 ? nullptr : &fields_[static_cast<std::size_t>(position - 1)];
}

int NamedFieldRecord::findField(const Text& name) const {
    if (fields_.empty()) {
        return 0;
    }
    const std::uint32_t checksum = nameChecksum(name);
    const auto found = std::find_if(fields_.begin(), fields_.end(), [checksum](const auto& field) {
        return field.nameChecksum == checksum;
    });
    return found == fields_.end() ? 0 : static_cast<int>(found - fields_.begin()) + 1;
}

ByteSet NamedFieldRecord::readField(const Text& name) const {
    const FieldDescriptor* field = descriptorOf(name);
    if (field == nullptr) {
        return {};
    }
    const std::uint8_t* first = block_.get() + field->offset;
    return ByteSet(std::vector<std::uint8_t>(first, first + field->size));
}

bool NamedFieldRecord::writeField(const Text& name, const ByteSet& value) {
    const FieldDescriptor* field = descriptorOf(name);
    if (field == nullptr) {
        return false;
    }
    const auto valueBytes = std::min<std::size_t>(value.bytes().size(), field->size);
    std::copy_n(value.data(), valueBytes, block_.get() + field->offset);
    return true;
}

int NamedFieldRecord::fieldSize(const Text& name) const {
    const FieldDescriptor* field = descriptorOf(name);
    return field == nullptr ? 0 : field->size;
}

}  // namespace ld
