// The file layer on POSIX systems: every name is resolved relative to the open folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

#include "engine/platform_file.h"

namespace ld::engine {
namespace {

FileError fromErrno(int error) {
    switch (error) {
        case 0:
            return FileError::None;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return FileError::DiskFull;
        case EACCES:
        case EPERM:
        case EROFS:
            return FileError::AccessDenied;
        case ENOENT:
        case ENOTDIR:
            return FileError::NotFound;
        case EISDIR:
        case ELOOP:
        case ENAMETOOLONG:
            return FileError::InvalidPath;
        case EEXIST:
            return FileError::AlreadyExists;
        case EMFILE:
        case ENFILE:
            return FileError::NoHandles;
        default:
            return FileError::Other;
    }
}

FileError lastError() {
    return fromErrno(errno);
}

// What a failed open of one name inside the folder means. The name is a single component
// opened with O_NOFOLLOW, so a link loop is the name itself being a link; a folder shows as
// EISDIR, and a FIFO without a reader (or a device without its hardware) as ENXIO.
FileError openError(int error) {
    switch (error) {
        case ELOOP:
        case EISDIR:
        case ENXIO:
        case ENODEV:
        case EOPNOTSUPP:
            return FileError::NotRegular;
        default:
            return fromErrno(error);
    }
}

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
    }
    fd = -1;
}

int openFlags(PlatformFile::Mode mode) {
    switch (mode) {
        case PlatformFile::Mode::Read:
            return O_RDONLY;
        case PlatformFile::Mode::ReadWrite:
            return O_RDWR | O_CREAT;
        case PlatformFile::Mode::WriteTruncate:
            return O_WRONLY | O_CREAT | O_TRUNC;
    }
    return O_RDONLY;
}

std::string deviceAndNumber(const struct stat& info) {
    return std::to_string(info.st_dev) + ':' + std::to_string(info.st_ino);
}

// How replacing a regular file by swapping names ended.
enum class Exchange {
    Unavailable,  // nothing changed; a plain rename may replace the target
    Done,         // the new data has the target's name
};

// Replaces the regular file `to` with `from` by swapping the two names in one step and
// removing the old data, now under `from`.
// A rename over an existing file makes ext4 (auto_da_alloc) start writing the whole new file
// back inside the call, which costs hundreds of milliseconds for a large download and
// competes with whatever follows; swapping the names does not.
// Every step either leaves the names as they were (Unavailable) or the new data under `to`
// (Done): when the old data cannot be removed after the swap, the names are swapped back so
// the caller's plain rename replaces it in one step; when swapping back fails too, the new
// data stays in place and the old data under `from`, and nothing else is tried, since a
// rename then would put the old data over the new.
Exchange exchangeWithRegularFile(int folder, const std::string& from, const std::string& to) {
#ifdef RENAME_EXCHANGE
    struct stat info {};
    if (::fstatat(folder, to.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) {
        return Exchange::Unavailable;
    }
    if (::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_EXCHANGE) != 0) {
        return Exchange::Unavailable;
    }
    if (::unlinkat(folder, from.c_str(), 0) == 0) {
        return Exchange::Done;
    }
    if (::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_EXCHANGE) == 0) {
        return Exchange::Unavailable;
    }
    return Exchange::Done;
#else
    (void)folder;
    (void)from;
    (void)to;
    return Exchange::Unavailable;
#endif
}

}  // namespace

std::filesystem::path pathFromUtf8(std::string_view utf8) {
    // File names here are plain bytes; UTF-8 is taken as it is.
    return std::filesystem::path(std::string(utf8));
}

// ---- PlatformFolder -------------------------------------------------------------------------

PlatformFolder::PlatformFolder(PlatformFolder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

PlatformFolder& PlatformFolder::operator=(PlatformFolder&& other) noexcept {
    if (this != &other) {
        closeFd(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

PlatformFolder::~PlatformFolder() {
    closeFd(fd_);
}

PlatformFolder PlatformFolder::open(const std::filesystem::path& path, FileError& error) {
    // A level that cannot be made shows as the open's error below.
    std::error_code ignored;
    std::filesystem::create_directories(path, ignored);
    PlatformFolder folder;
    folder.fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    error = folder.valid() ? FileError::None : lastError();
    return folder;
}

bool PlatformFolder::valid() const {
    return fd_ >= 0;
}

PlatformFolder PlatformFolder::duplicate() const {
    PlatformFolder copy;
    copy.fd_ = fd_ >= 0 ? ::fcntl(fd_, F_DUPFD_CLOEXEC, 0) : -1;
    return copy;
}

std::string PlatformFolder::identity() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        return {};
    }
    return deviceAndNumber(info);
}

bool PlatformFolder::contains(const std::string& name) const {
    return entry(name) != Entry::Missing;
}

PlatformFolder::Entry PlatformFolder::entry(const std::string& name) const {
    struct stat info {};
    if (::fstatat(fd_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return Entry::Missing;  // or out of reach, which the open then tells
    }
    return S_ISREG(info.st_mode) ? Entry::RegularFile : Entry::Other;
}

FileError PlatformFolder::rename(const std::string& from, const std::string& to,
                                 bool replace) const {
    if (replace) {
        if (exchangeWithRegularFile(fd_, from, to) == Exchange::Done) {
            return FileError::None;
        }
        return ::renameat(fd_, from.c_str(), fd_, to.c_str()) == 0 ? FileError::None : lastError();
    }
#ifdef RENAME_NOREPLACE
    if (::renameat2(fd_, from.c_str(), fd_, to.c_str(), RENAME_NOREPLACE) == 0) {
        return FileError::None;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return lastError();
    }
#endif
    // Without no-replace renames: a hard link fails when `to` exists.
    if (::linkat(fd_, from.c_str(), fd_, to.c_str(), 0) != 0) {
        return lastError();
    }
    ::unlinkat(fd_, from.c_str(), 0);
    return FileError::None;
}

FileError PlatformFolder::remove(const std::string& name) const {
    return ::unlinkat(fd_, name.c_str(), 0) == 0 ? FileError::None : lastError();
}

FileError PlatformFolder::flush() const {
    return ::fsync(fd_) == 0 ? FileError::None : lastError();
}

// ---- PlatformFile ---------------------------------------------------------------------------

PlatformFile::PlatformFile(PlatformFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

PlatformFile& PlatformFile::operator=(PlatformFile&& other) noexcept {
    if (this != &other) {
        closeFd(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

PlatformFile::~PlatformFile() {
    closeFd(fd_);
}

FileError PlatformFile::open(const PlatformFolder& folder, const std::string& name, Mode mode) {
    closeFd(fd_);
    // Something other than a regular file is not even opened (a device may act on an open);
    // the check after the open covers a swap in between.
    if (folder.entry(name) == PlatformFolder::Entry::Other) {
        return FileError::NotRegular;
    }
    const int fd = ::openat(folder.fd_, name.c_str(),
                            openFlags(mode) | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0644);
    if (fd < 0) {
        return openError(errno);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return FileError::NotRegular;
    }
    fd_ = fd;
    return FileError::None;
}

void PlatformFile::close() {
    closeFd(fd_);
}

bool PlatformFile::isOpen() const {
    return fd_ >= 0;
}

PlatformFile PlatformFile::duplicate() const {
    PlatformFile copy;
    copy.fd_ = fd_ >= 0 ? ::fcntl(fd_, F_DUPFD_CLOEXEC, 0) : -1;
    return copy;
}

std::int64_t PlatformFile::size() const {
    struct stat info {};
    return ::fstat(fd_, &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}

std::string PlatformFile::identity() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        return {};
    }
    return deviceAndNumber(info);
}

FileError PlatformFile::truncate(std::int64_t length) {
    return ::ftruncate(fd_, static_cast<off_t>(length)) == 0 ? FileError::None : lastError();
}

FileError PlatformFile::preallocate(std::int64_t length) {
    if (length <= 0) {
        return FileError::None;
    }
#ifdef __APPLE__
    return truncate(length);
#else
    const int result = ::posix_fallocate(fd_, 0, static_cast<off_t>(length));
    if (result == EOPNOTSUPP || result == EINVAL) {
        return truncate(length);
    }
    return fromErrno(result);
#endif
}

FileError PlatformFile::writeAt(std::int64_t offset, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_, data, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        if (n == 0) {
            return FileError::DiskFull;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return FileError::None;
}

FileError PlatformFile::readAt(std::int64_t offset, char* buffer, std::size_t capacity,
                               std::size_t& got) {
    got = 0;
    for (;;) {
        const ssize_t n = ::pread(fd_, buffer, capacity, static_cast<off_t>(offset));
        if (n >= 0) {
            got = static_cast<std::size_t>(n);
            return FileError::None;
        }
        if (errno != EINTR) {
            return lastError();
        }
    }
}

FileError PlatformFile::flush() {
#ifdef __APPLE__
    return ::fsync(fd_) == 0 ? FileError::None : lastError();
#else
    return ::fdatasync(fd_) == 0 ? FileError::None : lastError();
#endif
}

}  // namespace ld::engine
