// The folder a task writes into and the partial data file inside it. Every operation works
// relative to the open folder, so a renamed or replaced path cannot redirect the writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/unique_fd.h"

namespace ld::engine {

// The 失败代码 for an errno from the file system.
int failureFromErrno(int error);

class TargetFolder {
  public:
    // Opens `path`, creating it and its missing parents. On failure the folder is not valid
    // and `error` holds the errno.
    static TargetFolder open(const std::string& path, int& error);

    bool valid() const { return fd_.valid(); }
    int fd() const { return fd_.get(); }
    // Something (file, folder, link) of that name is there.
    bool contains(const std::string& name) const;
    // Renames `from` to `to`, replacing `to` when `replace`; otherwise fails with EEXIST
    // when `to` exists. Returns 0 or an errno.
    int rename(const std::string& from, const std::string& to, bool replace) const;
    void remove(const std::string& name) const;

  private:
    UniqueFd fd_;
};

class PartialFile {
  public:
    PartialFile() = default;
    // Opens or creates `name` in the folder for reading and writing (never through a
    // symbolic link). Returns 0 or an errno.
    int open(const TargetFolder& folder, const std::string& name);
    void close() { fd_.reset(); }
    bool isOpen() const { return fd_.valid(); }

    // Current size, or -1.
    std::int64_t size() const;
    // Each returns 0 or an errno.
    int truncate(std::int64_t length);
    // Reserves `length` bytes so a full disk shows before any data arrives; file systems
    // that cannot reserve just grow the file.
    int preallocate(std::int64_t length);
    int writeAt(std::int64_t offset, const char* data, std::size_t size);

  private:
    UniqueFd fd_;
};

}  // namespace ld::engine
