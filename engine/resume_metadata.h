// What is saved beside a partial file so a later run can continue it: where the data came
// from, how the server described the file, and which ranges are on disk.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/resource_address.h"
#include "engine/platform_file.h"
#include "engine/segment_planner.h"

namespace ld::engine {

// How the server described the file; a change in any known part means the partial data
// belongs to another version of it.
struct RemoteIdentity {
    std::int64_t total = -1;
    std::string etag;
    std::string lastModified;

    // True when `other` describes a different file (only parts both sides know count).
    bool conflictsWith(const RemoteIdentity& other) const;
};

struct ResumeMetadata {
    std::string url;
    RemoteIdentity remote;
    std::vector<Segment> segments;
};

// Whether a record saved for address `saved` may continue a download from `wanted`: the same
// scheme, host and path. The query and fragment are left out, since play addresses carry keys
// that change with every request; scheme and host compare without regard to case. Shared
// with the program, which tells finished lectures apart the same way.
using ld::sameResourceAddress;

std::string serializeMetadata(const ResumeMetadata& metadata);
// Nothing when the text is not a complete, well-formed record.
std::optional<ResumeMetadata> parseMetadata(std::string_view text);

// Reads and writes the record as the file `name` in `folder`. Saving writes a temporary
// file, flushes it to the disk and renames it over the old one, so neither a kill nor a
// power cut leaves half a record. The caller flushes the data the record claims first.
std::optional<ResumeMetadata> loadMetadata(const PlatformFolder& folder, const std::string& name);
bool saveMetadata(const PlatformFolder& folder, const std::string& name,
                  const ResumeMetadata& metadata);
// The same with the record already serialized.
bool saveMetadataText(const PlatformFolder& folder, const std::string& name,
                      const std::string& text);
// The name of the temporary a save writes first.
std::string temporaryMetadataName(const std::string& name);
// Removes the record and its temporary; false when one of them is still there. A removal is
// made to survive a power cut (the folder is flushed) before this returns.
bool removeMetadata(const PlatformFolder& folder, const std::string& name);

}  // namespace ld::engine
