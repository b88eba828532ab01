#include "engine/partial_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

#include "xldl/task_layout.h"

namespace ld::engine {

int failureFromErrno(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return XLDL_FAIL_DISK_FULL;
        case EACCES:
        case EPERM:
        case EROFS:
        case ENOTDIR:
        case ENOENT:
        case EISDIR:
        case ELOOP:
        case ENAMETOOLONG:
            return XLDL_FAIL_FOLDER;
        default:
            return XLDL_FAIL_FILE_IO;
    }
}

TargetFolder TargetFolder::open(const std::string& path, int& error) {
    TargetFolder folder;
    error = 0;
    // Create each missing level: "a/b/c" → "a", "a/b", "a/b/c". A level that cannot be
    // made shows as the open's error below.
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        ::mkdir(path.substr(0, slash).c_str(), 0755);
        if (slash == std::string::npos) {
            break;
        }
    }
    folder.fd_.reset(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    error = folder.fd_.valid() ? 0 : errno;
    return folder;
}

bool TargetFolder::contains(const std::string& name) const {
    struct stat info {};
    return ::fstatat(fd_.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

int TargetFolder::rename(const std::string& from, const std::string& to, bool replace) const {
    if (replace) {
        return ::renameat(fd_.get(), from.c_str(), fd_.get(), to.c_str()) == 0 ? 0 : errno;
    }
    if (::renameat2(fd_.get(), from.c_str(), fd_.get(), to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // A file system without no-replace renames: a hard link fails when `to` exists.
    if (::linkat(fd_.get(), from.c_str(), fd_.get(), to.c_str(), 0) != 0) {
        return errno;
    }
    ::unlinkat(fd_.get(), from.c_str(), 0);
    return 0;
}

void TargetFolder::remove(const std::string& name) const {
    ::unlinkat(fd_.get(), name.c_str(), 0);
}

int PartialFile::open(const TargetFolder& folder, const std::string& name) {
    fd_.reset(::openat(folder.fd(), name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
    return fd_.valid() ? 0 : errno;
}

std::int64_t PartialFile::size() const {
    struct stat info {};
    return ::fstat(fd_.get(), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}

int PartialFile::truncate(std::int64_t length) {
    return ::ftruncate(fd_.get(), static_cast<off_t>(length)) == 0 ? 0 : errno;
}

int PartialFile::preallocate(std::int64_t length) {
    if (length <= 0) {
        return 0;
    }
    const int result = ::posix_fallocate(fd_.get(), 0, static_cast<off_t>(length));
    if (result == EOPNOTSUPP || result == EINVAL) {
        return truncate(length);
    }
    return result;
}

int PartialFile::writeAt(std::int64_t offset, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_.get(), data, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            return ENOSPC;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return 0;
}

}  // namespace ld::engine
