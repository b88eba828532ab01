#include "download/typed_fields.h"

#include <algorithm>
#include <bit>
#include <cstddef>

#include "download/utf16_bytes.h"

namespace ld {

namespace {

template <typename Unsigned>
ByteSet littleEndian(Unsigned value) {
    std::vector<std::uint8_t> bytes(sizeof(Unsigned));
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return ByteSet(std::move(bytes));
}

template <typename Unsigned>
Unsigned fromLittleEndian(const ByteSet& bytes) {
    if (bytes.bytes().size() < sizeof(Unsigned)) {
        return 0;
    }
    Unsigned value = 0;
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i) {
        value |= static_cast<Unsigned>(bytes.bytes()[i]) << (8 * i);
    }
    return value;
}

}  // namespace

ByteSet int32Bytes(std::int32_t value) {
    return littleEndian(static_cast<std::uint32_t>(value));
}

ByteSet int64Bytes(std::int64_t value) {
    return littleEndian(static_cast<std::uint64_t>(value));
}

ByteSet float32Bytes(float value) {
    return littleEndian(std::bit_cast<std::uint32_t>(value));
}

ByteSet booleanBytes(bool value) {
    return ByteSet(std::vector<std::uint8_t>{static_cast<std::uint8_t>(value ? 1 : 0)});
}

std::int32_t int32FromBytes(const ByteSet& bytes) {
    return static_cast<std::int32_t>(fromLittleEndian<std::uint32_t>(bytes));
}

std::int64_t int64FromBytes(const ByteSet& bytes) {
    return static_cast<std::int64_t>(fromLittleEndian<std::uint64_t>(bytes));
}

float float32FromBytes(const ByteSet& bytes) {
    return std::bit_cast<float>(fromLittleEndian<std::uint32_t>(bytes));
}

bool booleanFromBytes(const ByteSet& bytes) {
    const auto& all = bytes.bytes();
    const auto considered = std::min<std::size_t>(all.size(), 4);
    return std::any_of(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(considered),
                       [](std::uint8_t byte) { return byte != 0; });
}

std::int32_t readInt32(const NamedFieldRecord& record, const Text& name) {
    return int32FromBytes(record.readField(name));
}

std::int64_t readInt64(const NamedFieldRecord& record, const Text& name) {
    return int64FromBytes(record.readField(name));
}

float readFloat32(const NamedFieldRecord& record, const Text& name) {
    return float32FromBytes(record.readField(name));
}

bool readBoolean(const NamedFieldRecord& record, const Text& name) {
    return booleanFromBytes(record.readField(name));
}

Text readText(const NamedFieldRecord& record, const Text& name) {
    return utf16BytesToAnsi(record.readField(name));
}

bool writeInt32(NamedFieldRecord& record, const Text& name, std::int32_t value) {
    return record.writeField(name, int32Bytes(value));
}

bool writeInt64(NamedFieldRecord& record, const Text& name, std::int64_t value) {
    return record.writeField(name, int64Bytes(value));
}

bool writeFloat32(NamedFieldRecord& record, const Text& name, float value) {
    return record.writeField(name, float32Bytes(value));
}

bool writeBoolean(NamedFieldRecord& record, const Text& name, bool value) {
    return record.writeField(name, booleanBytes(value));
}

bool writeText(NamedFieldRecord& record, const Text& name, const Text& value) {
    const int size = record.fieldSize(name);
    if (size == 0 && record.findField(name) == 0) {
        return false;
    }
    return record.writeField(name, utf16FieldBytes(value, size));
}

}  // namespace ld
