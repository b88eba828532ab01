#include "engine/resume_metadata.h"

#include <charconv>

namespace ld::engine {
namespace {

constexpr std::string_view kHeader = "xldl-resume 1";
constexpr std::size_t kMaxMetadataBytes = 1 << 20;

// Header values never hold line breaks; strip any so a record always stays line-based.
std::string oneLine(std::string_view value) {
    std::string out;
    for (char c : value) {
        if (c != '\r' && c != '\n') {
            out.push_back(c);
        }
    }
    return out;
}

bool parseInt(std::string_view s, std::int64_t& out) {
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc{} && ptr == s.data() + s.size();
}

bool parseSegment(std::string_view s, Segment& out) {
    std::int64_t values[3] = {};
    for (int k = 0; k < 3; ++k) {
        const auto space = s.find(' ');
        const std::string_view field = k < 2 ? s.substr(0, space) : s;
        if ((k < 2 && space == std::string_view::npos) || !parseInt(field, values[k])) {
            return false;
        }
        if (k < 2) {
            s.remove_prefix(space + 1);
        }
    }
    out = Segment{values[0], values[1], values[2] < 0 ? Segment::kUnknownEnd : values[2]};
    return values[0] >= 0 && values[1] >= values[0];
}

}  // namespace

bool RemoteIdentity::conflictsWith(const RemoteIdentity& other) const {
    const auto differ = [](const std::string& a, const std::string& b) {
        return !a.empty() && !b.empty() && a != b;
    };
    return (total >= 0 && other.total >= 0 && total != other.total) || differ(etag, other.etag) ||
           differ(lastModified, other.lastModified);
}

std::string serializeMetadata(const ResumeMetadata& metadata) {
    std::string out(kHeader);
    out += "\nurl " + oneLine(metadata.url);
    out += "\nlength " + std::to_string(metadata.remote.total);
    out += "\netag " + oneLine(metadata.remote.etag);
    out += "\nlast-modified " + oneLine(metadata.remote.lastModified);
    for (const Segment& s : metadata.segments) {
        out += "\nsegment " + std::to_string(s.begin) + ' ' + std::to_string(s.pos) + ' ' +
               std::to_string(s.end);
    }
    out += "\nend\n";
    return out;
}

std::optional<ResumeMetadata> parseMetadata(std::string_view text) {
    ResumeMetadata metadata;
    bool sawHeader = false;
    bool sawLength = false;
    bool sawEnd = false;
    while (!text.empty() && !sawEnd) {
        const auto newline = text.find('\n');
        if (newline == std::string_view::npos) {
            return std::nullopt;  // cut short
        }
        const std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline + 1);
        const auto space = line.find(' ');
        const std::string_view key = line.substr(0, space);
        const std::string_view value =
            space == std::string_view::npos ? std::string_view{} : line.substr(space + 1);
        if (!sawHeader) {
            if (line != kHeader) {
                return std::nullopt;
            }
            sawHeader = true;
        } else if (key == "url") {
            metadata.url = value;
        } else if (key == "length") {
            if (!parseInt(value, metadata.remote.total)) {
                return std::nullopt;
            }
            sawLength = true;
        } else if (key == "etag") {
            metadata.remote.etag = value;
        } else if (key == "last-modified") {
            metadata.remote.lastModified = value;
        } else if (key == "segment") {
            Segment segment;
            if (!parseSegment(value, segment)) {
                return std::nullopt;
            }
            metadata.segments.push_back(segment);
        } else if (key == "end") {
            sawEnd = true;
        }
    }
    if (!sawEnd || !sawLength || metadata.segments.empty()) {
        return std::nullopt;
    }
    return metadata;
}

std::optional<ResumeMetadata> loadMetadata(const PlatformFolder& folder, const std::string& name) {
    PlatformFile file;
    if (file.open(folder, name, PlatformFile::Mode::Read) != FileError::None) {
        return std::nullopt;
    }
    std::string text;
    char buffer[4096];
    while (text.size() < kMaxMetadataBytes) {
        std::size_t got = 0;
        if (file.readAt(static_cast<std::int64_t>(text.size()), buffer, sizeof buffer, got) !=
            FileError::None) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        text.append(buffer, got);
    }
    return parseMetadata(text);
}

std::string temporaryMetadataName(const std::string& name) {
    return name + ".new";
}

bool saveMetadata(const PlatformFolder& folder, const std::string& name,
                  const ResumeMetadata& metadata) {
    return saveMetadataText(folder, name, serializeMetadata(metadata));
}

bool saveMetadataText(const PlatformFolder& folder, const std::string& name,
                      const std::string& text) {
    const std::string temporary = temporaryMetadataName(name);
    {
        PlatformFile file;
        if (file.open(folder, temporary, PlatformFile::Mode::WriteTruncate) != FileError::None) {
            return false;
        }
        if (file.writeAt(0, text.data(), text.size()) != FileError::None ||
            file.flush() != FileError::None) {
            file.close();
            folder.remove(temporary);
            return false;
        }
    }
    if (folder.rename(temporary, name, true) != FileError::None) {
        folder.remove(temporary);
        return false;
    }
    return true;
}

bool removeMetadata(const PlatformFolder& folder, const std::string& name) {
    bool removedAny = false;
    for (const std::string& file : {name, temporaryMetadataName(name)}) {
        const FileError error = folder.remove(file);
        if (error == FileError::None) {
            removedAny = true;
        } else if (error != FileError::NotFound) {
            return false;
        }
    }
    return !removedAny || folder.flush() == FileError::None;
}

}  // namespace ld::engine
