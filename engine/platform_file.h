// The engine's only contact with the operating system's file layer: the folder a task
// writes into and the files inside it. platform_file_posix.cpp and platform_file_windows.cpp
// implement it; the rest of the engine stays free of system headers.
//
// Names inside a folder are single UTF-8 path components. On POSIX systems every operation
// works relative to the open folder, so a renamed or replaced path cannot redirect writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace ld::engine {

// What went wrong, in the terms the engine chooses its failure codes by.
enum class FileError {
    None,
    DiskFull,       // no space or quota left, or the file grew too large
    AccessDenied,   // no permission, or a read-only file system
    NotFound,       // the folder, a level of it or the file is missing, or not a folder
    InvalidPath,    // a name too long, a link loop in the folder's path
    AlreadyExists,  // a no-replace rename found its target taken
    NotRegular,     // the name is taken by something that is not a regular file: a folder,
                    // a symbolic link, a FIFO, a device
    NoHandles,      // the process or the system has no file handle left (EMFILE, ENFILE)
    Other,
};

// A UTF-8 text as a path, on every system (a plain std::string would be read in the
// Windows ANSI code page).
std::filesystem::path pathFromUtf8(std::string_view utf8);

class PlatformFile;

class PlatformFolder {
  public:
    PlatformFolder() noexcept = default;
    PlatformFolder(PlatformFolder&& other) noexcept;
    PlatformFolder& operator=(PlatformFolder&& other) noexcept;
    PlatformFolder(const PlatformFolder&) = delete;
    PlatformFolder& operator=(const PlatformFolder&) = delete;
    ~PlatformFolder();

    // Opens `path`, creating it and its missing parents first. On failure the folder is not
    // valid and `error` says why.
    static PlatformFolder open(const std::filesystem::path& path, FileError& error);

    bool valid() const;
    // Another handle of the same folder, or an invalid one when none can be had.
    PlatformFolder duplicate() const;
    // A text that is the same for every path leading to this folder (device and file number)
    // and differs between folders; empty when the system cannot tell.
    std::string identity() const;
    // Something (file, folder, link) of that name is there.
    bool contains(const std::string& name) const;
    // What the name holds, without following a link (Missing also when it cannot be
    // examined).
    enum class Entry { Missing, RegularFile, Other };
    Entry entry(const std::string& name) const;
    // Renames `from` to `to`. With `replace` an existing `to` is replaced in one step (see
    // platform_file_posix.cpp for how a regular file is replaced there); without it the
    // rename fails with AlreadyExists when `to` is there.
    FileError rename(const std::string& from, const std::string& to, bool replace) const;
    // Removes the file (or link, FIFO, device; never a folder). NotFound when nothing of that
    // name was there.
    FileError remove(const std::string& name) const;
    // Makes the renames and removals done in the folder so far survive a power cut. Where
    // the system keeps them in order anyway (Windows) it does nothing.
    FileError flush() const;

  private:
    friend class PlatformFile;
#ifdef _WIN32
    void* handle_ = nullptr;  // the folder's HANDLE, held so it cannot be moved away
    std::filesystem::path path_;
#else
    int fd_ = -1;
#endif
};

class PlatformFile {
  public:
    enum class Mode {
        Read,           // existing file, reading only
        ReadWrite,      // open or create, keeping what is there
        WriteTruncate,  // create or empty, writing only
    };

    PlatformFile() noexcept = default;
    PlatformFile(PlatformFile&& other) noexcept;
    PlatformFile& operator=(PlatformFile&& other) noexcept;
    PlatformFile(const PlatformFile&) = delete;
    PlatformFile& operator=(const PlatformFile&) = delete;
    ~PlatformFile();

    // Opens `name` in `folder` and checks that it is a regular file: never through a
    // symbolic link, never waiting for a FIFO's other end or a device (NotRegular for
    // anything but a regular file, the file left as it was).
    FileError open(const PlatformFolder& folder, const std::string& name, Mode mode);
    void close();
    bool isOpen() const;
    // Another handle of the same open file (sharing its data, not its position), or a closed
    // one when none can be had.
    PlatformFile duplicate() const;

    // Current size, or -1.
    std::int64_t size() const;
    FileError truncate(std::int64_t length);
    // Reserves `length` bytes so a full disk shows before any data arrives; where the file
    // system cannot reserve, the file just grows to that length.
    FileError preallocate(std::int64_t length);
    // Writes all of `data` at `offset` (the file position is not used).
    FileError writeAt(std::int64_t offset, const char* data, std::size_t size);
    // Reads up to `capacity` bytes at `offset`; `got` is 0 at the end of the file.
    FileError readAt(std::int64_t offset, char* buffer, std::size_t capacity, std::size_t& got);
    // Returns once the data written so far is on the disk (and what is needed to read it
    // back: the size, the blocks in use), so it survives a power cut.
    FileError flush();
    // A text that is the same for every handle of this file (device and file number) and
    // differs between files; empty when the system cannot tell.
    std::string identity() const;

  private:
#ifdef _WIN32
    void* handle_ = nullptr;  // HANDLE
#else
    int fd_ = -1;
#endif
};

}  // namespace ld::engine
