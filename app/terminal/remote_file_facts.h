// What the server says about a file now, without fetching it: its length and
// the validators (ETag, Last-Modified) that tell its versions apart. Asked with
// HEAD; a server that answers HEAD with an error or without a length is asked
// for the file's first byte instead, and a server that ignores that range is
// cut off at its first body byte. Redirects are followed; proxies, agent
// string and TLS policy are the download engine's.
//
// Blocking, bounded in time (10 seconds at most), and given up within about a
// second once `giveUp` (when given) turns true; any thread. A server that
// cannot be reached, or tells no length, gives facts that are not `known`.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace ld {

struct RemoteFileFacts {
    bool known = false;  // the length below is the server's
    std::int64_t length = -1;
    std::string etag;
    std::string lastModified;
};

RemoteFileFacts probeRemoteFile(const std::string& url, const std::atomic<bool>* giveUp = nullptr);

// The facts in one answer's header block (status line first, CR LF between
// lines), for a whole-file answer (200) or one of its first byte (206).
RemoteFileFacts factsFromHeaders(long status, std::string_view headerBlock);

}  // namespace ld
