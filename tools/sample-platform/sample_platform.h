// SamplePlatform: an HTTP server on the loopback interface that plays the
// course platform's API host, the video host's play-info service and its file
// servers. It answers plain requests and, used as an HTTP proxy, requests in
// absolute form ("GET http://host/path HTTP/1.1") for the configured host
// names, so an unmodified client reaches it through http_proxy.
//
//   SamplePlatform platform;
//   const int port = platform.start();          // 127.0.0.1, any free port
//   setenv("http_proxy", platform.address().c_str(), 1);
//   ...
//   platform.stop();                            // also done by the destructor
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/sample-platform/sample_courses.h"

namespace ld::sample {

// The host the play addresses name unless told otherwise.
inline constexpr const char* kDefaultVideoHost = "media.video.example";

struct SamplePlatformOptions {
    // Every answer waits this long before it is written ...
    std::chrono::milliseconds answerDelay{0};
    // ... plus a random share of this (uniform, 0 up to the value).
    std::chrono::milliseconds randomExtraDelay{0};
    // Every n-th request (counting all of them, from 1) gets a 500 error page; 0: none.
    int failEveryNth = 0;
    // Requests whose target contains this text get a 500 error page; empty: none.
    std::string failTargetsContaining;
    // The status of those error pages (500, 503, ...), with a Retry-After header
    // holding this value when it is not empty.
    int failStatus = 500;
    std::string failRetryAfter;
    // The connection is closed after this many bytes of a body; negative: never.
    std::int64_t dropAfterBytes = -1;
    // Video bodies go out at no more than this many bytes per second on each
    // connection; 0: as fast as the connection takes them.
    std::int64_t videoBytesPerSecond = 0;
    // Every video is this many bytes instead of its lecture's own size (a
    // benchmark's large file); 0: each lecture's own size.
    std::int64_t videoSizeOverride = 0;
    // Video answers ignore Range headers: always the whole file, status 200.
    bool ignoreRanges = false;
    // A video body stops for stallFor before the piece that holds this byte
    // of the file; negative: never.
    std::int64_t stallAtByte = -1;
    std::chrono::milliseconds stallFor{0};
    // The version of every video file: another version has other bytes and
    // another ETag, as when a file is replaced on the server.
    int videoVersion = 0;
    // The host the play addresses name (reached through the proxy) ...
    std::string videoHost = kDefaultVideoHost;
    // ... or, when set, this server's own loopback address, for clients without a proxy.
    bool playUrlsNameSelf = false;
    // Play-info requests must carry exactly the query the client is meant to build.
    bool strictPlayInfoQuery = true;
    // Every play-info answer hands out a new access key, as the real service
    // does; the video answers accept every key handed out.
    bool rotatePlayKeys = false;
    // Every catalogue carries about this many bytes of lecture notes more,
    // and every play-info answer this many bytes of notes (a huge answer);
    // 0: none.
    std::size_t catalogueNotesBytes = 0;
    std::size_t playInfoNotesBytes = 0;
    // Every play-info answer waits this long more, as a distant service would.
    std::chrono::milliseconds playInfoDelay{0};
    // Called with the video identifier on the serving thread just before a
    // play-info answer is written (after the delays); it may block to hold
    // the answer back. Empty: none.
    std::function<void(const std::string& videoId)> beforePlayInfoAnswer;
    // One line per request on standard error.
    bool logRequests = false;
};

class SamplePlatform {
  public:
    explicit SamplePlatform(SamplePlatformOptions options = {});
    ~SamplePlatform();
    SamplePlatform(const SamplePlatform&) = delete;
    SamplePlatform& operator=(const SamplePlatform&) = delete;

    // Binds host:port (0: a free port), serves on threads of its own and
    // returns the port; -1 when the address cannot be bound.
    int start(const std::string& host = "127.0.0.1", int port = 0);
    // Stops serving and waits for the serving thread. Safe to call twice.
    void stop();

    [[nodiscard]] int port() const;
    // "http://<host>:<port>": the value for http_proxy.
    [[nodiscard]] std::string address() const;

    [[nodiscard]] SamplePlatformOptions options() const;
    // Takes effect for requests that arrive afterwards.
    void setOptions(const SamplePlatformOptions& options);

    // The authority ("host" or "host:port") the play addresses name.
    [[nodiscard]] std::string videoAuthority() const;
    // The address a client should end with for the lecture: the "超清 1.75x"
    // play address with "&amp;key=" turned into "&key=".
    [[nodiscard]] std::string expectedPlayUrl(const SampleLecture& lecture) const;
    // The exact bytes of the lecture's video file (in the given version).
    [[nodiscard]] static std::string videoBytes(const SampleLecture& lecture, int version = 0);

    // What has been asked so far, in arrival order.
    [[nodiscard]] std::vector<std::string> catalogueCourseIds() const;
    [[nodiscard]] std::vector<std::string> playInfoVideoIds() const;
    [[nodiscard]] int videoRequests() const;
    // Bytes of video bodies handed to the connections.
    [[nodiscard]] std::int64_t videoBytesServed() const;
    // Every request, error pages included.
    [[nodiscard]] int requests() const;
    // Time spent inside the answers (delays included), summed over all requests.
    [[nodiscard]] std::chrono::nanoseconds serverTime() const;
    void resetStatistics();

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ld::sample
