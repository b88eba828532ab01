// What the Windows program needs to choose the save folder it starts with
// (see initialSaveFolder in app/program_folder.h). Any thread; COM must be
// initialised on it for the known folder.
#pragma once

#include <string>

namespace ld::win32 {

// Whether this user can create files in `folder` (UTF-8), found by creating
// one that deletes itself: an installed copy under Program Files cannot.
bool folderWritable(const std::string& folder);
// The user's Downloads folder (FOLDERID_Downloads), UTF-8; empty when the
// system names none.
std::string userDownloadsFolder();

}  // namespace ld::win32
