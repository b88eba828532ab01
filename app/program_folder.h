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

}  // namespace ld
