// Turns a lecture title into the name of the file it is saved under.
//
// The title may hold anything the course platform sends. The result is a
// single file name that every common file system accepts and that cannot
// leave the download folder:
//  - characters Windows or Linux refuse in a name (\ / : * ? " < > | and the
//    control characters) become "_";
//  - trailing dots and blanks are dropped (so "." and ".." cannot survive);
//  - leading dots and blanks become "_", so no name is hidden (".隐藏" gives
//    "_隐藏");
//  - a reserved device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$,
//    CONOUT$), alone or before an extension, gets a "_" in front;
//  - an empty result becomes "未命名";
//  - the name is cut on a character boundary so that name + ".flv" fits in
//    255 bytes of UTF-8 (Linux) and 255 UTF-16 units (Windows, and the
//    engine's 260-unit file-name field with its terminator).
#pragma once

#include "text/text.h"

namespace ld {

inline constexpr int kMaxFileNameUtf8Bytes = 255;
inline constexpr int kMaxFileNameUtf16Units = 255;

// The safe name without extension.
Text safeFileStem(const Text& title);

// safeFileStem(title) + ".flv".
Text downloadFileName(const Text& title);

// The name of the number-th file of this title: downloadFileName for 1 (and
// below), else the stem + " (number)" + ".flv", the stem cut further so the
// whole name keeps within the limits above.
Text numberedFileName(const Text& title, int number);

}  // namespace ld
