// The parts of an HTTP answer's header the engine acts on.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ld::engine {

// "Content-Range: bytes first-last/total", or "bytes */total" on a 416 answer. A total of
// "*" (unknown) reads as -1.
struct ContentRange {
    std::int64_t first = -1;
    std::int64_t last = -1;
    std::int64_t total = -1;
};
std::optional<ContentRange> parseContentRange(std::string_view value);

// "Retry-After": delay-seconds or an HTTP date; nothing when malformed. A date in the past
// gives zero.
std::optional<std::chrono::milliseconds> parseRetryAfter(std::string_view value,
                                                         std::chrono::system_clock::time_point now);

// Collects the header lines of the final answer of one request. A status line starts a new
// answer, so the headers of redirects and interim answers are dropped.
class ResponseHeaders {
  public:
    void addLine(std::string_view line);

    const std::optional<ContentRange>& contentRange() const { return contentRange_; }
    const std::string& etag() const { return etag_; }
    const std::string& lastModified() const { return lastModified_; }
    const std::string& retryAfter() const { return retryAfter_; }

  private:
    std::optional<ContentRange> contentRange_;
    std::string etag_;
    std::string lastModified_;
    std::string retryAfter_;
};

}  // namespace ld::engine
