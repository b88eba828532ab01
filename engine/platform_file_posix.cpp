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
        default:
            return FileError::Other;
    }
}

FileError lastError() {
    return fromErrno(errno);
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

// Replaces the regular file `to` with `from` by swapping the two names in one step and
// removing the old data, now under `from`. False, with nothing changed, where that cannot be
// done; the caller then renames over `to`.
// A rename over an existing file makes ext4 (auto_da_alloc) start writing the whole new file
// back inside the call, which costs hundreds of milliseconds for a large download and
// competes with whatever follows; swapping the names does not.
bool exchangeWithRegularFile(int folder, const std::string& from, const std::string& to) {
#ifdef RENAME_EXCHANGE
    struct stat info {};
    if (::fstatat(folder, to.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    if (::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_EXCHANGE) != 0) {
        return false;
    }
    if (::unlinkat(folder, from.c_str(), 0) != 0) {
        // Whatever took the old file's place cannot be removed: swap back.
        ::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_EXCHANGE);
        return false;
    }
    return true;
#else
    (void)folder;
    (void)from;
    (void)to;
    return false;
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
    folder.fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    error = folder.valid() ? FileError::None : lastError();
    return folder;
}

bool PlatformFolder::valid() const {
    return fd_ >= 0;
}

std::string PlatformFolder::identity() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        return {};
    }
    return std::to_string(info.st_dev) + ':' + std::to_string(info.st_ino);
}

bool PlatformFolder::contains(const std::string& name) const {
    struct stat info {};
    return ::fstatat(fd_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

FileError PlatformFolder::rename(const std::string& from, const std::string& to,
                                 bool replace) const {
    if (replace) {
        if (exchangeWithRegularFile(fd_, from, to)) {
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

void PlatformFolder::remove(const std::string& name) const {
    ::unlinkat(fd_, name.c_str(), 0);
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
    fd_ = ::openat(folder.fd_, name.c_str(), openFlags(mode) | O_CLOEXEC | O_NOFOLLOW, 0644);
    return fd_ >= 0 ? FileError::None : lastError();
}

void PlatformFile::close() {
    closeFd(fd_);
}

bool PlatformFile::isOpen() const {
    return fd_ >= 0;
}

std::int64_t PlatformFile::size() const {
    struct stat info {};
    return ::fstat(fd_, &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
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

}  // namespace ld::engine
