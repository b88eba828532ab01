// The window's two fonts at one DPI: the system's message font for every
// control (12 pixels high at 96 DPI, like the rest of the layout), and the
// bold 14-pixel about text. Window's thread only.
#pragma once

#include <windows.h>

#include "app/win32/win32_handles.h"

namespace ld::win32 {

struct WindowFonts {
    UniqueFont normal;
    UniqueFont about;
};

// Falls back to the stock GUI font's face when the system names none.
WindowFonts makeWindowFonts(UINT dpi);

}  // namespace ld::win32
