// A picture of a window's client area (its controls included) saved as a PNG
// file, through the system's own imaging (WIC). The window must be shown: the
// picture is what it shows, copied from its own device context once every
// control has painted (Wine's PrintWindow and WM_PRINT leave child windows
// out or half drawn). Window's thread, with COM initialised there.
#pragma once

#include <windows.h>

#include <filesystem>

namespace ld::win32 {

// False when the window could not be drawn or the file not written.
bool saveWindowPicture(HWND window, const std::filesystem::path& file);

}  // namespace ld::win32
