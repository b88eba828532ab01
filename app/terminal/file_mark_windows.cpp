// The file's mark as the NTFS alternate data stream "<file>:lecture-downloader".
// A file system without such streams (FAT, exFAT, many network shares, Wine's
// folders) keeps none: where the volume does not say it has named streams the
// stream's name is never opened, since some would take it for a file name.
#include <windows.h>

#include <string>

#include "app/terminal/file_mark.h"

namespace ld {
namespace {

constexpr const wchar_t* kStreamSuffix = L":lecture-downloader";
// A mark is a few hundred bytes; anything larger is not ours.
constexpr DWORD kMaxMarkBytes = 8 * 1024;

class HandleCloser {
  public:
    explicit HandleCloser(HANDLE opened) : handle(opened) {}
    HandleCloser(const HandleCloser&) = delete;
    HandleCloser& operator=(const HandleCloser&) = delete;
    ~HandleCloser() {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
    const HANDLE handle;
};

std::wstring streamOf(const std::filesystem::path& file) {
    return file.wstring() + kStreamSuffix;
}

bool volumeHasNamedStreams(const std::filesystem::path& file) {
    std::wstring root(MAX_PATH + 1, L'\0');
    if (!GetVolumePathNameW(file.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
        return false;
    }
    DWORD flags = 0;
    return GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & FILE_NAMED_STREAMS) != 0;
}

}  // namespace

std::optional<FileMark> readFileMark(const std::filesystem::path& file) {
    if (!volumeHasNamedStreams(file)) {
        return std::nullopt;
    }
    const HandleCloser stream{CreateFileW(streamOf(file).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (stream.handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::string bytes(kMaxMarkBytes, '\0');
    DWORD read = 0;
    if (!ReadFile(stream.handle, bytes.data(), kMaxMarkBytes, &read, nullptr) || read == 0) {
        return std::nullopt;
    }
    bytes.resize(read);
    return parseMark(bytes);
}

bool writeFileMark(const std::filesystem::path& file, const FileMark& mark) {
    if (!volumeHasNamedStreams(file)) {
        return false;
    }
    const std::string text = markText(mark);
    const HandleCloser stream{CreateFileW(streamOf(file).c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (stream.handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    return WriteFile(stream.handle, text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr) &&
           written == text.size();
}

}  // namespace ld
