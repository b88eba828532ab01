// The operations on Text and ByteSet. None changes its arguments; each returns
// a fresh value. Out-of-range positions and counts give the empty Text, -1 or
// the unchanged Text, never an error.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

#include "text/text.h"

namespace ld {

// --- Text --------------------------------------------------------------------
int textLength(const Text& text);
Text concatTexts(std::initializer_list<Text> parts);
// -1, 0 or 1 by unsigned byte order.
int compareTexts(const Text& a, const Text& b);
Text leftText(const Text& text, int n);
Text rightText(const Text& text, int n);
Text middleText(const Text& text, int start, int n);
// 1-based position of the first occurrence at or after start, or -1. The walk
// steps over two-byte characters, so a match never begins on a trailing byte.
int findText(const Text& text, const Text& sought, int start = 1, bool caseInsensitive = false);
// 1-based position of the last occurrence lying wholly before start, or -1.
int findTextBackward(const Text& text, const Text& sought, std::optional<int> start = std::nullopt,
                     bool caseInsensitive = false);
Text replaceText(const Text& text, const Text& oldText, const Text& newText = Text(), int start = 1,
                 std::optional<int> count = std::nullopt, bool caseSensitive = false);
TextArray splitText(const Text& text, const Text& separator = Text(","),
                    std::optional<int> maxCount = std::nullopt);
Text trimSpaces(const Text& text);
Text removeAllSpaces(const Text& text);
Text toLowerText(const Text& text);
Text toUpperText(const Text& text);
Text blankText(int n);
// The bytes between the two markers; "#引号" in a marker stands for a double quote.
Text textBetween(const Text& text, const Text& leftMarker, const Text& rightMarker, int start = 1,
                 bool caseSensitive = false);
int toInteger(const Text& text);
Text toText(std::int64_t value);
Text toText(int value);
Text toText(double value);
Text toText(float value);
Text toText(const Text& value);
Text toText(const ByteSet& value);

// --- ByteSet -----------------------------------------------------------------
ByteSet concatBytes(std::initializer_list<ByteSet> parts);
bool compareBytes(const ByteSet& a, const ByteSet& b);
ByteSet leftBytes(const ByteSet& bytes, int n);
ByteSet zeroBytes(int n);
ByteSet textToBytes(const Text& text);
Text bytesToText(const ByteSet& bytes);

}  // namespace ld
