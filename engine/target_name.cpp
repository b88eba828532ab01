#include "engine/target_name.h"

#include <cstdint>
#include <cstdio>

#include "xldl/task_layout.h"

namespace ld::engine {
namespace {

constexpr std::string_view kDataSuffix = XLDL_PARTIAL_DATA_SUFFIX;
constexpr std::string_view kMetadataSuffix = XLDL_RESUME_RECORD_SUFFIX;
// The resume record is saved through a temporary name with this extra suffix.
constexpr std::string_view kSaveSuffix = ".new";

// Position of the extension's dot, or npos; a leading dot starts a hidden name, not an
// extension.
std::size_t extensionStart(std::string_view name) {
    const auto dot = name.rfind('.');
    return dot == 0 || dot == std::string_view::npos ? std::string_view::npos : dot;
}

// The longest prefix of `text` of at most `maxBytes` that does not split a UTF-8 character.
std::string_view utf8Prefix(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return text.substr(0, cut);
}

std::string hashHex(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
    for (char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(hash));
    return buffer;
}

}  // namespace

bool isSafeFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos;
}

std::string fitNameLength(std::string_view name, std::size_t maxBytes) {
    if (name.size() <= maxBytes) {
        return std::string(name);
    }
    const auto dot = extensionStart(name);
    std::string_view extension = dot == std::string_view::npos ? "" : name.substr(dot);
    if (extension.size() * 2 > maxBytes) {
        extension = "";  // an "extension" that long is just part of the name
    }
    const std::string_view stem = name.substr(0, name.size() - extension.size());
    return std::string(utf8Prefix(stem, maxBytes - extension.size())) + std::string(extension);
}

std::string numberedName(std::string_view name, int n) {
    auto dot = extensionStart(name);
    if (dot != std::string_view::npos && (name.size() - dot) * 2 > kMaxNameBytes) {
        dot = std::string_view::npos;  // an "extension" that long is just part of the name
    }
    const std::string_view stem = name.substr(0, dot);
    const std::string_view extension = dot == std::string_view::npos ? "" : name.substr(dot);
    const std::string number = " (" + std::to_string(n) + ")";
    const std::size_t room = kMaxNameBytes - number.size() - extension.size();
    return std::string(utf8Prefix(stem, room)) + number + std::string(extension);
}

PartialNames partialNamesFor(std::string_view finalName) {
    const std::size_t longestSuffix = kMetadataSuffix.size() + kSaveSuffix.size();
    std::string base(finalName);
    if (base.size() + longestSuffix > kMaxNameBytes) {
        // Too long to carry the suffixes: a prefix plus a hash of the full name keeps the
        // partial files of different long names apart.
        const std::string hash = "~" + hashHex(finalName);
        base =
            std::string(utf8Prefix(finalName, kMaxNameBytes - longestSuffix - hash.size())) + hash;
    }
    return {base + std::string(kDataSuffix), base + std::string(kMetadataSuffix)};
}

std::string folderPathFrom(std::string_view folder) {
    const bool absolute = !folder.empty() && folder.front() == '/';
    while (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) {
        folder.remove_suffix(1);
    }
    if (folder.empty()) {
        return absolute ? "/" : ".";
    }
    return std::string(folder);
}

}  // namespace ld::engine
