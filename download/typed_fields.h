// Typed access to the fields of a NamedFieldRecord.
//
// Values are turned into little-endian bytes and written with writeField, or
// made from the bytes of readField. A read of a missing field, or of a field
// too short for the type, gives 0, false or empty text; a write to a missing
// field returns false.
#pragma once

#include <cstdint>

#include "download/named_field_record.h"
#include "text/text.h"

namespace ld {

ByteSet int32Bytes(std::int32_t value);
ByteSet int64Bytes(std::int64_t value);
ByteSet float32Bytes(float value);
// One byte: 1 for true, 0 for false, so only the first byte of a wider field changes.
ByteSet booleanBytes(bool value);

// The first 4 (8) bytes; 0 when there are fewer.
std::int32_t int32FromBytes(const ByteSet& bytes);
std::int64_t int64FromBytes(const ByteSet& bytes);
float float32FromBytes(const ByteSet& bytes);
// True when any of the first min(size, 4) bytes is nonzero.
bool booleanFromBytes(const ByteSet& bytes);

std::int32_t readInt32(const NamedFieldRecord& record, const Text& name);
std::int64_t readInt64(const NamedFieldRecord& record, const Text& name);
float readFloat32(const NamedFieldRecord& record, const Text& name);
bool readBoolean(const NamedFieldRecord& record, const Text& name);
Text readText(const NamedFieldRecord& record, const Text& name);

bool writeInt32(NamedFieldRecord& record, const Text& name, std::int32_t value);
bool writeInt64(NamedFieldRecord& record, const Text& name, std::int64_t value);
bool writeFloat32(NamedFieldRecord& record, const Text& name, float value);
bool writeBoolean(NamedFieldRecord& record, const Text& name, bool value);
// Writes the text as UTF-16LE with its terminator; a text too long for the
// field is cut so that the field still ends with a zero unit.
bool writeText(NamedFieldRecord& record, const Text& name, const Text& value);

}  // namespace ld
