// The shell's folder picker (IFileOpenDialog with FOS_PICKFOLDERS): folders
// only, with an edit field for the path. Modal to `owner`; on a thread that
// has initialised COM as a single-threaded apartment (the window's).
#pragma once

#include <windows.h>

#include <string>

namespace ld::win32 {

// The chosen folder's full path; empty when cancelled, when the chosen item
// has no file-system path, or when the dialog cannot be shown.
std::wstring pickFolder(HWND owner, const std::wstring& title);

}  // namespace ld::win32
