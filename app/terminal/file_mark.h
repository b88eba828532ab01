// What a finished file carries about where it came from: the resource it was
// fetched from (its address without the query, whose keys change with every
// resolution), its length then, and the server's validators (ETag,
// Last-Modified) as they were before it was fetched. A later run compares
// them with what the server says now to tell whether the file is still
// complete.
//
// Kept with the file itself as an extended attribute (user.lecture-downloader),
// so it goes when the file is replaced or removed, and adds no file to the
// folder. A file system without extended attributes keeps no mark; the file
// is then judged by its length alone. Blocking file calls, any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ld {

struct FileMark {
    std::string resource;
    std::int64_t length = -1;
    std::string etag;
    std::string lastModified;
};

// The address up to its query or fragment.
std::string resourceOf(std::string_view address);

// The mark as text, and back; nullopt for text that is not a mark.
std::string markText(const FileMark& mark);
std::optional<FileMark> parseMark(std::string_view text);

// The file's mark; nullopt when it has none or it cannot be read.
std::optional<FileMark> readFileMark(const std::filesystem::path& file);
// False when the file system keeps no mark (the file stays as it is).
bool writeFileMark(const std::filesystem::path& file, const FileMark& mark);

}  // namespace ld
