// The program folder: the folder that holds the program's executable.
#pragma once

#include <string>
#include <string_view>

namespace ld {

// The executable's full path cut before its last separator, so it has no
// trailing separator ("/opt/ld/lecture-downloader" -> "/opt/ld"; on Windows
// "C:\Tools\x.exe" -> "C:\Tools" and "D:\x.exe" -> "D:"). An executable in the
// root folder of a POSIX system gives "/", the only name that folder has. A
// path without any separator gives "".
std::string programFolderOf(std::string_view executablePath);

// The folder the save-folder box starts with: the program folder, unless the
// user cannot write there (an installed copy under /usr/lib, say) and the user
// has a download folder, which is taken instead.
std::string initialSaveFolder(const std::string& programFolder, bool programFolderWritable,
                              const std::string& userDownloadFolder);

}  // namespace ld
