// A small HTTP server for the engine's tests, on 127.0.0.1 with a free port. It serves one
// file at any path (but "/moved..." and "/loop", which redirect), with its own Range handling, and
// can misbehave on request: cut the connection, stall, answer with an error status, ignore ranges,
// change the file. It records what it saw.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace ld::engine::testing {

// Deterministic pseudo-random bytes.
std::string randomBytes(std::size_t size, std::uint64_t seed);

class TestServer {
  public:
    // One misbehaviour, used by the next request that has not had one (None: behave).
    struct Fault {
        enum class Kind { None, Drop, Stall, Status, IgnoreRange, Slow };
        Kind kind = Kind::None;
        std::int64_t afterBytes = 0;  // Drop, Stall: body bytes sent first; Slow: bytes/s
        int status = 0;               // Status
        std::string retryAfter;       // Status: Retry-After value, if any

        static Fault none() { return {}; }
        static Fault drop(std::int64_t afterBytes) { return {Kind::Drop, afterBytes, 0, ""}; }
        static Fault stall(std::int64_t afterBytes) { return {Kind::Stall, afterBytes, 0, ""}; }
        static Fault answer(int code, std::string retryAfter = "") {
            return {Kind::Status, 0, code, std::move(retryAfter)};
        }
        static Fault ignoreRange() { return {Kind::IgnoreRange, 0, 0, ""}; }
        static Fault slow(std::int64_t bytesPerSecond) {
            return {Kind::Slow, bytesPerSecond, 0, ""};
        }
    };

    struct RequestRecord {
        std::string target;  // path and query
        std::string range;   // Range header, empty when absent
        int clientPort = 0;  // tells the connections apart
        std::chrono::steady_clock::time_point at;
    };

    TestServer();
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    int port() const { return port_; }
    std::string url(const std::string& path = "/file.flv") const;

    // The file served; each call makes a new version (new ETag and Last-Modified).
    void setContent(std::string body);
    void queueFault(Fault fault);
    // Every answer gets this status (0: serve the file).
    void setStatusForAll(int status);
    void setHonourRange(bool honour);
    // Range answers carry at most this many bytes, announced so in Content-Range (0: all
    // asked for).
    void setLongestRangeAnswer(std::int64_t bytes);
    // Whether answers carry an ETag and Last-Modified (on by default).
    void setValidators(bool send);
    // Body bytes per second per connection (0: unlimited).
    void setRateLimit(std::int64_t bytesPerSecond);
    // Delay before each answer's head.
    void setHeaderDelay(std::chrono::milliseconds delay);
    // Answer without Content-Length (chunked), so the client cannot know the length.
    void setChunked(bool chunked);
    // Called at the start of each request with its 0-based number.
    void setOnRequest(std::function<void(int)> hook);

    std::vector<RequestRecord> requests() const;
    int maxConcurrent() const;
    std::int64_t bytesSent() const;

  private:
    struct State;
    // What the headers of a file's answer depend on.
    struct FileAnswer {
        std::int64_t size;
        int version;
        bool honourRange;
        bool validators;
        std::int64_t longestRangeAnswer;
    };
    void handle(const httplib::Request& request, httplib::Response& response);
    // Status and headers of the file's answer (validators, ranges); the range
    // to send goes to first and last. False when the range was refused (416).
    static bool answerHeaders(const std::string& rangeHeader, const FileAnswer& file,
                              httplib::Response& response, std::int64_t& first, std::int64_t& last);
    // The body from `first` on, paced and cut as the fault and the limit say.
    void streamBody(httplib::Response& response, std::shared_ptr<const std::string> body,
                    std::int64_t first, std::int64_t length, const std::optional<Fault>& fault,
                    std::int64_t rateLimit, bool chunked);

    std::shared_ptr<State> state_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
};

}  // namespace ld::engine::testing
