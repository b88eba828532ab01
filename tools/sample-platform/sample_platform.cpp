#include "tools/sample-platform/sample_platform.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <functional>
#include <iostream>
#include <mutex>
#include <random>
#include <set>
#include <span>
#include <thread>

#include "platform_constants.h"
#include "tools/sample-platform/sample_answers.h"
#include "tools/sample-platform/sample_bodies.h"
#include "tools/sample-platform/sample_request_target.h"
#include "tools/sample-platform/sample_video.h"

namespace ld::sample {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kServingThreads = 16;

}  // namespace

class SamplePlatform::Impl {
  public:
    explicit Impl(SamplePlatformOptions options) : options_(std::move(options)) { installRoutes(); }

    int start(const std::string& host, int port) {
        if (thread_.joinable()) {
            return port_;
        }
        host_ = host;
        port_ = port == 0 ? server_.bind_to_any_port(host)
                          : (server_.bind_to_port(host, port) ? port : -1);
        if (port_ < 0) {
            return -1;
        }
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // stop() only takes effect once the accept loop runs.
        while (!server_.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        warmUp();
        return port_;
    }

    // The library builds some of its tables lazily, on the first request that
    // needs them, and checks that they exist without a lock afterwards. One
    // request of each kind, answered before anyone else asks, builds them
    // ahead of concurrent requests (race detectors cannot see into the
    // library and would report the lazy set-up otherwise).
    // The warm-up ignores the configured delays and faults.
    void warmUp() {
        warmingUp_ = true;
        httplib::Client client(host_, port_);
        const SampleLecture& lecture = findCourse(kSecondCourseId)->lectures.front();
        client.Get(playInfoTarget(lecture.videoId));
        client.Get(videoPath(lecture.videoId) + "?key=" + videoKey(lecture.videoId),
                   {{"Range", "bytes=0-0"}});
        warmingUp_ = false;
        resetStatistics();
    }

    void stop() {
        if (thread_.joinable()) {
            server_.stop();
            thread_.join();
        }
    }

    [[nodiscard]] int port() const { return port_; }
    [[nodiscard]] std::string host() const { return host_; }

    SamplePlatformOptions options() const {
        const std::lock_guard lock(mutex_);
        return options_;
    }
    void setOptions(const SamplePlatformOptions& options) {
        const std::lock_guard lock(mutex_);
        options_ = options;
    }

    std::string videoAuthority(const SamplePlatformOptions& options) const {
        if (options.playUrlsNameSelf) {
            return host_ + ":" + std::to_string(port_);
        }
        return options.videoHost;
    }

    std::vector<std::string> catalogueCourseIds() const {
        const std::lock_guard lock(mutex_);
        return catalogueCourseIds_;
    }
    int videoRequests() const { return videoRequests_.load(); }
    std::int64_t videoBytes() const { return videoBytes_.load(); }
    int requests() const { return requestNumber_.load(); }
    std::chrono::nanoseconds serverTime() const {
        return std::chrono::nanoseconds(serverNanos_.load());
    }
    std::vector<std::string> playInfoVideoIds() const {
        const std::lock_guard lock(mutex_);
        return playInfoVideoIds_;
    }
    void resetStatistics() {
        const std::lock_guard lock(mutex_);
        playInfoVideoIds_.clear();
        catalogueCourseIds_.clear();
        videoRequests_ = 0;
        videoBytes_ = 0;
        serverNanos_ = 0;
        requestNumber_ = 0;
    }

  private:
    using Answer = std::function<void(const httplib::Request&, httplib::Response&,
                                      const SamplePlatformOptions&)>;

    void installRoutes() {
        const std::string prefix = kAbsolutePrefix;
        server_.Get(prefix + "/course/getCourseNested/(.*)",
                    wrap(platform::kCourseApiHost,
                         [this](const auto& request, auto& response, const auto& options) {
                             answerCatalogue(request, response, options);
                         }));
        server_.Get(prefix + "/servlet/playinfo",
                    wrap(platform::kPlayInfoHost,
                         [this](const auto& request, auto& response, const auto& options) {
                             answerPlayInfo(request, response, options);
                         }));
        server_.Get(prefix + "/flvs/([0-9A-Fa-f]+)\\.flv",
                    wrap("", [this](const auto& request, auto& response, const auto& options) {
                        ++videoRequests_;
                        answerVideo(request, response, options);
                    }));
        server_.set_keep_alive_timeout(1);
        // As servers of real sites do: a small answer written in two pieces
        // (headers, then body) must not wait for the client's delayed
        // acknowledgement (about 40 ms a file on loopback).
        server_.set_tcp_nodelay(true);
        // More serving threads than any client here should use at once, so a
        // client that opens too many connections is seen doing so. The
        // library takes ownership of the queue it is handed.
        server_.new_task_queue = [] { return new httplib::ThreadPool(kServingThreads); };
    }

    // Common to every route: the host check, the statistics, delays and failures.
    httplib::Server::Handler wrap(std::string expectedHost, Answer answer) {
        return [this, expectedHost = std::move(expectedHost), answer = std::move(answer)](
                   const httplib::Request& request, httplib::Response& response) {
            const auto began = Clock::now();
            const SamplePlatformOptions options =
                warmingUp_ ? SamplePlatformOptions{} : this->options();
            const int number = ++requestNumber_;
            if (options.logRequests) {
                std::cerr << request.method << ' ' << request.target << '\n';
            }
            const std::string host = requestedHost(request);
            const std::string wanted =
                expectedHost.empty() ? lowerHostOnly(videoAuthority(options)) : expectedHost;
            if (!isLoopbackName(host) && host != lowerHostOnly(host_) && host != wanted) {
                response.status = 502;
                response.set_content("unknown host " + host + "\n", "text/plain");
                return;
            }
            wait(options);
            const bool fail =
                (options.failEveryNth > 0 && number % options.failEveryNth == 0) ||
                (!options.failTargetsContaining.empty() &&
                 request.target.find(options.failTargetsContaining) != std::string::npos);
            if (fail) {
                response.status = options.failStatus;
                if (!options.failRetryAfter.empty()) {
                    response.set_header("Retry-After", options.failRetryAfter);
                }
                response.set_content("<html><body><h1>500 Internal Server Error</h1></body></html>",
                                     "text/html");
            } else {
                answer(request, response, options);
            }
            serverNanos_ +=
                std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - began).count();
        };
    }

    void wait(const SamplePlatformOptions& options) {
        auto delay = options.answerDelay;
        if (options.randomExtraDelay.count() > 0) {
            const std::lock_guard lock(mutex_);
            std::uniform_int_distribution<long long> extra(0, options.randomExtraDelay.count());
            delay += std::chrono::milliseconds(extra(random_));
        }
        if (delay.count() > 0) {
            std::this_thread::sleep_for(delay);
        }
    }

    void answerCatalogue(const httplib::Request& request, httplib::Response& response,
                         const SamplePlatformOptions& options) {
        const std::string courseId = request.matches[2].str();
        {
            const std::lock_guard lock(mutex_);
            catalogueCourseIds_.push_back(courseId);
        }
        const SampleCourse* course = findCourse(courseId);
        if (course == nullptr) {
            response.status = 404;
            serveText(response, courseNotFoundJson(), "application/json;charset=UTF-8",
                      options.dropAfterBytes);
            return;
        }
        serveText(response, catalogueJson(*course, options.catalogueNotesBytes),
                  "application/json;charset=UTF-8", options.dropAfterBytes);
    }

    void answerPlayInfo(const httplib::Request& request, httplib::Response& response,
                        const SamplePlatformOptions& options) {
        const std::string videoId = request.get_param_value("vid");
        {
            const std::lock_guard lock(mutex_);
            playInfoVideoIds_.push_back(videoId);
        }
        if (options.playInfoDelay.count() > 0) {
            std::this_thread::sleep_for(options.playInfoDelay);
        }
        if (options.beforePlayInfoAnswer) {
            options.beforePlayInfoAnswer(videoId);
        }
        const char* contentType = "text/xml;charset=UTF-8";
        if (options.strictPlayInfoQuery && originTarget(request) != playInfoTarget(videoId)) {
            serveText(response, playInfoErrorXml("invalid request"), contentType,
                      options.dropAfterBytes);
            return;
        }
        const SampleLecture* lecture = findLecture(videoId);
        if (lecture == nullptr) {
            serveText(response, playInfoErrorXml("video not found"), contentType,
                      options.dropAfterBytes);
            return;
        }
        std::string key = videoKey(lecture->videoId);
        if (options.rotatePlayKeys) {
            key = rotatedVideoKey(lecture->videoId, ++keyRounds_);
            const std::lock_guard lock(mutex_);
            issuedKeys_.insert(lecture->videoId + "/" + key);
        }
        serveText(response,
                  playInfoXml(*lecture, videoAuthority(options), key, options.playInfoNotesBytes),
                  contentType, options.dropAfterBytes);
    }

    // The lecture's own key, or one a play-info answer handed out.
    bool acceptsKey(const SampleLecture& lecture, const std::string& key) const {
        if (key == videoKey(lecture.videoId)) {
            return true;
        }
        const std::lock_guard lock(mutex_);
        return issuedKeys_.contains(lecture.videoId + "/" + key);
    }

    void answerVideo(const httplib::Request& request, httplib::Response& response,
                     const SamplePlatformOptions& options) {
        const SampleLecture* lecture = findLecture(request.matches[2].str());
        if (lecture == nullptr) {
            response.status = 404;
            response.set_content("no such video\n", "text/plain");
            return;
        }
        if (!acceptsKey(*lecture, request.get_param_value("key"))) {
            response.status = 403;
            response.set_content("access key missing or wrong\n", "text/plain");
            return;
        }
        const std::int64_t size =
            options.videoSizeOverride > 0 ? options.videoSizeOverride : lecture->videoSize;
        if (options.ignoreRanges) {
            const_cast<httplib::Request&>(request).ranges.clear();  // read after this handler
        }
        if (request.ranges.size() == 1) {
            // The library answers one range itself but takes its end as given;
            // a range that starts past the end is refused, one that ends past
            // it is cut at the end.
            const auto [first, last] = request.ranges.front();
            const bool satisfiable =
                first >= 0 ? (first < size && (last < 0 || first <= last)) : last > 0;
            if (!satisfiable) {
                response.status = 416;
                response.set_header("Content-Range", "bytes */" + std::to_string(size));
                return;
            }
            if (last >= size) {
                // The library owns the request as a mutable object and reads
                // the ranges only after this handler returns.
                const_cast<httplib::Request&>(request).ranges.front().second = size - 1;
            }
        }
        if (!options.ignoreRanges) {
            response.set_header("Accept-Ranges", "bytes");
        }
        response.set_header(
            "ETag", "\"" + lecture->videoId + "-v" + std::to_string(options.videoVersion) + "\"");
        serveBody(
            response, size, "video/x-flv",
            [this, videoId = lecture->videoId, version = options.videoVersion,
             stallAt = options.stallAtByte, stallFor = options.stallFor,
             stalled = false](std::int64_t offset, std::span<char> out) mutable {
                const auto end = offset + static_cast<std::int64_t>(out.size());
                if (!stalled && stallAt >= offset && stallAt < end) {
                    stalled = true;
                    std::this_thread::sleep_for(stallFor);
                }
                fillVersionedVideoBytes(videoId, version, offset, out);
                videoBytes_ += static_cast<std::int64_t>(out.size());
            },
            options.dropAfterBytes, options.videoBytesPerSecond);
    }

    httplib::Server server_;
    std::thread thread_;
    std::string host_ = "127.0.0.1";
    int port_ = -1;

    mutable std::mutex mutex_;
    SamplePlatformOptions options_;
    std::mt19937 random_{20240601};
    std::vector<std::string> catalogueCourseIds_;
    std::vector<std::string> playInfoVideoIds_;
    std::set<std::string> issuedKeys_;  // "<video id>/<key>"
    std::atomic<std::uint64_t> keyRounds_{0};
    std::atomic<int> requestNumber_{0};
    std::atomic<bool> warmingUp_{false};
    std::atomic<int> videoRequests_{0};
    std::atomic<std::int64_t> videoBytes_{0};
    std::atomic<std::int64_t> serverNanos_{0};
};

SamplePlatform::SamplePlatform(SamplePlatformOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

SamplePlatform::~SamplePlatform() {
    impl_->stop();
}

int SamplePlatform::start(const std::string& host, int port) {
    return impl_->start(host, port);
}
void SamplePlatform::stop() {
    impl_->stop();
}
int SamplePlatform::port() const {
    return impl_->port();
}
std::string SamplePlatform::address() const {
    return "http://" + impl_->host() + ":" + std::to_string(impl_->port());
}
SamplePlatformOptions SamplePlatform::options() const {
    return impl_->options();
}
void SamplePlatform::setOptions(const SamplePlatformOptions& options) {
    impl_->setOptions(options);
}
std::string SamplePlatform::videoAuthority() const {
    return impl_->videoAuthority(options());
}
std::string SamplePlatform::expectedPlayUrl(const SampleLecture& lecture) const {
    return playUrlResolved(lecture, videoAuthority());
}
std::string SamplePlatform::videoBytes(const SampleLecture& lecture, int version) {
    std::string bytes(static_cast<std::size_t>(lecture.videoSize), '\0');
    fillVersionedVideoBytes(lecture.videoId, version, 0, bytes);
    return bytes;
}
std::vector<std::string> SamplePlatform::catalogueCourseIds() const {
    return impl_->catalogueCourseIds();
}
std::vector<std::string> SamplePlatform::playInfoVideoIds() const {
    return impl_->playInfoVideoIds();
}
int SamplePlatform::videoRequests() const {
    return impl_->videoRequests();
}
std::int64_t SamplePlatform::videoBytesServed() const {
    return impl_->videoBytes();
}
int SamplePlatform::requests() const {
    return impl_->requests();
}
std::chrono::nanoseconds SamplePlatform::serverTime() const {
    return impl_->serverTime();
}
void SamplePlatform::resetStatistics() {
    impl_->resetStatistics();
}

}  // namespace ld::sample
