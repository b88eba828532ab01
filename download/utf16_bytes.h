// Text <-> UTF-16LE field bytes, as the engine's records hold texts.
#pragma once

#include "text/text.h"

namespace ld {

// The Text as UTF-16LE including the terminating zero unit; an empty Text gives
// no bytes at all.
ByteSet ansiToUtf16Bytes(const Text& text);

// The UTF-16LE units up to the first zero unit (or the end) as a Text. A
// trailing odd byte is ignored; no bytes give an empty Text.
Text utf16BytesToAnsi(const ByteSet& bytes);

// ansiToUtf16Bytes cut to fit a field of fieldSize bytes so that the field
// still ends with a zero unit: when the text with its terminator is longer, it
// is cut after a whole code unit (never between the two units of a surrogate
// pair), and the result is zero-padded to exactly fieldSize bytes. An empty
// text gives one zero unit, so writing it empties the field.
ByteSet utf16FieldBytes(const Text& text, int fieldSize);

// The same cut for UTF-16LE bytes that already end with their zero unit.
ByteSet fitUtf16ToField(ByteSet terminatedUtf16, int fieldSize);

}  // namespace ld
