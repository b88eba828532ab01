// The agent string of every request for a video file: the download engine's
// transfers and the terminal mode's look at a file before it is fetched, so a
// server treats both alike.
#pragma once

namespace ld {

inline constexpr char kDownloadUserAgent[] = "Mozilla/5.0 (compatible; xldl/1.0)";

}  // namespace ld
