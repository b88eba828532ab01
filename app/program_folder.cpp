#include "app/program_folder.h"

namespace ld {

std::string programFolderOf(std::string_view executablePath) {
#if defined(_WIN32)
    constexpr std::string_view separators = "\\/";
#else
    constexpr std::string_view separators = "/";
#endif
    const auto last = executablePath.find_last_of(separators);
    if (last == std::string_view::npos) {
        return {};
    }
    if (last == 0 && executablePath.front() == '/') {
        return "/";
    }
    return std::string(executablePath.substr(0, last));
}

std::string initialSaveFolder(const std::string& programFolder, bool programFolderWritable,
                              const std::string& userDownloadFolder) {
    if (programFolderWritable || userDownloadFolder.empty()) {
        return programFolder;
    }
    return userDownloadFolder;
}

}  // namespace ld
