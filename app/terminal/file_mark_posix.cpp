// The file's mark as the extended attribute user.lecture-downloader.
#include <sys/xattr.h>

#include <cerrno>
#include <string>

#include "app/terminal/file_mark.h"

namespace ld {
namespace {

constexpr const char* kAttributeName = "user.lecture-downloader";
// A mark is a few hundred bytes; anything larger is not ours.
constexpr std::size_t kMaxMarkBytes = 8 * 1024;

}  // namespace

std::optional<FileMark> readFileMark(const std::filesystem::path& file) {
    std::string bytes(kMaxMarkBytes, '\0');
    const ssize_t size = ::getxattr(file.c_str(), kAttributeName, bytes.data(), bytes.size());
    if (size <= 0) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(size));
    return parseMark(bytes);
}

bool writeFileMark(const std::filesystem::path& file, const FileMark& mark) {
    const std::string text = markText(mark);
    return ::setxattr(file.c_str(), kAttributeName, text.data(), text.size(), 0) == 0;
}

}  // namespace ld
