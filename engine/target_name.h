// Rules for the names of the files a task writes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ld::engine {

// Longest file name, in bytes, that common Linux file systems accept.
inline constexpr std::size_t kMaxNameBytes = 255;

// A 文件名 must name one file directly inside 路径: not empty, not "." or "..", and without
// a path separator ('/' or '\'), which also rules out absolute paths.
bool isSafeFileName(std::string_view name);

// Shortens a name longer than `maxBytes`, keeping its extension and cutting the stem at a
// UTF-8 character boundary.
std::string fitNameLength(std::string_view name, std::size_t maxBytes = kMaxNameBytes);

// The n-th alternative for a taken name: "a.flv" → "a (n).flv", "a" → "a (n)".
std::string numberedName(std::string_view name, int n);

// The two files kept beside the target while it downloads: the data and the resume record.
struct PartialNames {
    std::string data;
    std::string metadata;
};
PartialNames partialNamesFor(std::string_view finalName);

// The folder of 路径 as a path to open: trailing separators ('/' or '\') dropped, an empty
// folder meaning the current one.
std::string folderPathFrom(std::string_view folder);

}  // namespace ld::engine
