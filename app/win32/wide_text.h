// Text (code page 936) and UTF-8 to and from the UTF-16 strings of the Win32
// W calls, through the program's own converters (text/codepage.h). Pure; any thread.
#pragma once

#include <string>
#include <string_view>

#include "app/utf8_from_wide.h"
#include "text/text.h"

namespace ld::win32 {

std::wstring toWide(const Text& text);
// A character code page 936 cannot hold becomes "?".
Text fromWide(std::wstring_view wide);
std::wstring wideFromUtf8(std::string_view utf8);
// UTF-16 to UTF-8: ld::utf8FromWide (app/utf8_from_wide.h).

}  // namespace ld::win32
