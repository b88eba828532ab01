#include "engine/resume_metadata.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>

#include "engine/unique_fd.h"

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

std::optional<ResumeMetadata> loadMetadata(int folderFd, const std::string& name) {
    UniqueFd fd(::openat(folderFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd.valid()) {
        return std::nullopt;
    }
    std::string text;
    char buffer[4096];
    while (text.size() < kMaxMetadataBytes) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return parseMetadata(text);
}

bool saveMetadata(int folderFd, const std::string& name, const ResumeMetadata& metadata) {
    const std::string temporary = name + ".new";
    const std::string text = serializeMetadata(metadata);
    {
        UniqueFd fd(::openat(folderFd, temporary.c_str(),
                             O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
        if (!fd.valid()) {
            return false;
        }
        std::size_t written = 0;
        while (written < text.size()) {
            const ssize_t n = ::write(fd.get(), text.data() + written, text.size() - written);
            if (n <= 0) {
                ::unlinkat(folderFd, temporary.c_str(), 0);
                return false;
            }
            written += static_cast<std::size_t>(n);
        }
    }
    if (::renameat(folderFd, temporary.c_str(), folderFd, name.c_str()) != 0) {
        ::unlinkat(folderFd, temporary.c_str(), 0);
        return false;
    }
    return true;
}

void removeMetadata(int folderFd, const std::string& name) {
    ::unlinkat(folderFd, name.c_str(), 0);
    ::unlinkat(folderFd, (name + ".new").c_str(), 0);
}

}  // namespace ld::engine
