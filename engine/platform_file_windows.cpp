// The file layer on Windows: wide-character Win32 calls on paths below the folder, whose
// handle stays open (without delete sharing) so the folder cannot be moved away meanwhile.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <system_error>
#include <utility>

#include "engine/platform_file.h"

namespace ld::engine {
namespace {

FileError fromWin32(DWORD error) {
    switch (error) {
        case ERROR_SUCCESS:
            return FileError::None;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
        case ERROR_FILE_TOO_LARGE:
            return FileError::DiskFull;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return FileError::AccessDenied;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return FileError::NotFound;
        case ERROR_INVALID_NAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_DIRECTORY:
        case ERROR_CANT_RESOLVE_FILENAME:
            return FileError::InvalidPath;
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            return FileError::AlreadyExists;
        case ERROR_TOO_MANY_OPEN_FILES:
            return FileError::NoHandles;
        default:
            return FileError::Other;
    }
}

FileError lastError() {
    return fromWin32(::GetLastError());
}

void closeHandle(void*& handle) {
    if (handle != nullptr) {
        ::CloseHandle(static_cast<HANDLE>(handle));
    }
    handle = nullptr;
}

// CreateFileW's answer with failure as nullptr.
void* checked(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

OVERLAPPED overlappedAt(std::int64_t offset) {
    OVERLAPPED overlapped{};
    overlapped.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
    overlapped.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    return overlapped;
}

std::string volumeAndIndex(const BY_HANDLE_FILE_INFORMATION& info) {
    const std::uint64_t index =
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return std::to_string(info.dwVolumeSerialNumber) + ':' + std::to_string(index);
}

// Another handle of the same object, or nullptr.
void* duplicateHandle(void* handle) {
    HANDLE copy = nullptr;
    if (handle == nullptr ||
        !::DuplicateHandle(::GetCurrentProcess(), static_cast<HANDLE>(handle),
                           ::GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        return nullptr;
    }
    return copy;
}

// The largest piece one ReadFile or WriteFile call is given.
constexpr std::size_t kMaxPiece = 1u << 30;

}  // namespace

std::filesystem::path pathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// ---- PlatformFolder -------------------------------------------------------------------------

PlatformFolder::PlatformFolder(PlatformFolder&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), path_(std::move(other.path_)) {}

PlatformFolder& PlatformFolder::operator=(PlatformFolder&& other) noexcept {
    if (this != &other) {
        closeHandle(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
        path_ = std::move(other.path_);
    }
    return *this;
}

PlatformFolder::~PlatformFolder() {
    closeHandle(handle_);
}

PlatformFolder PlatformFolder::open(const std::filesystem::path& path, FileError& error) {
    std::filesystem::path folderPath = path;
    if (folderPath.has_root_name() && !folderPath.has_root_directory() &&
        folderPath.relative_path().empty()) {
        folderPath += L"\\";  // "C:" alone would mean the current folder of drive C
    }
    // A level that cannot be made shows as the open's error below.
    std::error_code ignored;
    std::filesystem::create_directories(folderPath, ignored);
    PlatformFolder folder;
    folder.handle_ = checked(::CreateFileW(folderPath.c_str(), FILE_READ_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (folder.handle_ == nullptr) {
        error = lastError();
        return folder;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(static_cast<HANDLE>(folder.handle_), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        closeHandle(folder.handle_);
        error = FileError::NotFound;
        return folder;
    }
    folder.path_ = std::move(folderPath);
    error = FileError::None;
    return folder;
}

bool PlatformFolder::valid() const {
    return handle_ != nullptr;
}

PlatformFolder PlatformFolder::duplicate() const {
    PlatformFolder copy;
    copy.handle_ = duplicateHandle(handle_);
    if (copy.handle_ != nullptr) {
        copy.path_ = path_;
    }
    return copy;
}

std::string PlatformFolder::identity() const {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(static_cast<HANDLE>(handle_), &info)) {
        return {};
    }
    return volumeAndIndex(info);
}

bool PlatformFolder::contains(const std::string& name) const {
    return entry(name) != Entry::Missing;
}

PlatformFolder::Entry PlatformFolder::entry(const std::string& name) const {
    const DWORD attributes = ::GetFileAttributesW((path_ / pathFromUtf8(name)).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return Entry::Missing;  // or out of reach, which the open then tells
    }
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0
               ? Entry::Other
               : Entry::RegularFile;
}

FileError PlatformFolder::rename(const std::string& from, const std::string& to,
                                 bool replace) const {
    const std::filesystem::path source = path_ / pathFromUtf8(from);
    const std::filesystem::path target = path_ / pathFromUtf8(to);
    const DWORD flags = replace ? MOVEFILE_REPLACE_EXISTING : 0;
    return ::MoveFileExW(source.c_str(), target.c_str(), flags) ? FileError::None : lastError();
}

FileError PlatformFolder::remove(const std::string& name) const {
    // DeleteFileW removes a file or a link itself, never a folder.
    if (::DeleteFileW((path_ / pathFromUtf8(name)).c_str())) {
        return FileError::None;
    }
    return lastError();
}

FileError PlatformFolder::flush() const {
    // NTFS keeps renames and removals in the order they were made.
    return FileError::None;
}

// ---- PlatformFile ---------------------------------------------------------------------------

PlatformFile::PlatformFile(PlatformFile&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

PlatformFile& PlatformFile::operator=(PlatformFile&& other) noexcept {
    if (this != &other) {
        closeHandle(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

PlatformFile::~PlatformFile() {
    closeHandle(handle_);
}

FileError PlatformFile::open(const PlatformFolder& folder, const std::string& name, Mode mode) {
    closeHandle(handle_);
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
        case Mode::Read:
            break;
        case Mode::ReadWrite:
            access = GENERIC_READ | GENERIC_WRITE;
            disposition = OPEN_ALWAYS;
            break;
        case Mode::WriteTruncate:
            access = GENERIC_WRITE;
            disposition = CREATE_ALWAYS;
            break;
    }
    // A folder or a link is not even opened; the check after the open covers a swap in
    // between.
    if (folder.entry(name) == PlatformFolder::Entry::Other) {
        return FileError::NotRegular;
    }
    const std::filesystem::path path = folder.path_ / pathFromUtf8(name);
    // Open a link itself rather than what it points to, and refuse it below.
    HANDLE handle = ::CreateFileW(
        path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return lastError();
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) {
        const FileError error = lastError();
        ::CloseHandle(handle);
        return error;
    }
    // Only a file on a disk: no link, folder, pipe or device.
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        ::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        return FileError::NotRegular;
    }
    handle_ = handle;
    return FileError::None;
}

void PlatformFile::close() {
    closeHandle(handle_);
}

bool PlatformFile::isOpen() const {
    return handle_ != nullptr;
}

PlatformFile PlatformFile::duplicate() const {
    PlatformFile copy;
    copy.handle_ = duplicateHandle(handle_);
    return copy;
}

std::int64_t PlatformFile::size() const {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(static_cast<HANDLE>(handle_), &size)) {
        return -1;
    }
    return static_cast<std::int64_t>(size.QuadPart);
}

std::string PlatformFile::identity() const {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(static_cast<HANDLE>(handle_), &info)) {
        return {};
    }
    return volumeAndIndex(info);
}

FileError PlatformFile::truncate(std::int64_t length) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = length;
    return ::SetFileInformationByHandle(static_cast<HANDLE>(handle_), FileEndOfFileInfo, &end,
                                        sizeof end)
               ? FileError::None
               : lastError();
}

FileError PlatformFile::preallocate(std::int64_t length) {
    const std::int64_t current = size();
    if (length <= 0 || (current >= 0 && current >= length)) {
        return FileError::None;
    }
    // Reserving the clusters reports a full disk now; an allocation smaller than the file
    // would cut it, hence only ever growing.
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = length;
    if (!::SetFileInformationByHandle(static_cast<HANDLE>(handle_), FileAllocationInfo, &allocation,
                                      sizeof allocation)) {
        const FileError error = lastError();
        if (error == FileError::DiskFull) {
            return error;
        }
        // A file system that cannot reserve: just grow the file.
    }
    return truncate(length);
}

FileError PlatformFile::writeAt(std::int64_t offset, const char* data, std::size_t size) {
    while (size > 0) {
        const DWORD piece = static_cast<DWORD>(std::min(size, kMaxPiece));
        OVERLAPPED at = overlappedAt(offset);
        DWORD written = 0;
        if (!::WriteFile(static_cast<HANDLE>(handle_), data, piece, &written, &at)) {
            return lastError();
        }
        if (written == 0) {
            return FileError::DiskFull;
        }
        data += written;
        size -= written;
        offset += written;
    }
    return FileError::None;
}

FileError PlatformFile::readAt(std::int64_t offset, char* buffer, std::size_t capacity,
                               std::size_t& got) {
    got = 0;
    const DWORD piece = static_cast<DWORD>(std::min(capacity, kMaxPiece));
    OVERLAPPED at = overlappedAt(offset);
    DWORD read = 0;
    if (!::ReadFile(static_cast<HANDLE>(handle_), buffer, piece, &read, &at)) {
        const DWORD error = ::GetLastError();
        // Reading at or past the end of a synchronous handle with an offset.
        return error == ERROR_HANDLE_EOF ? FileError::None : fromWin32(error);
    }
    got = read;
    return FileError::None;
}

FileError PlatformFile::flush() {
    return ::FlushFileBuffers(static_cast<HANDLE>(handle_)) ? FileError::None : lastError();
}

}  // namespace ld::engine
