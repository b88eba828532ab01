// One HTTP request for one byte range of a file, driven by the engine's multi handle. The
// body goes to a TransferSink (the task), which decides what to keep.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/curl_handles.h"
#include "engine/http_response.h"
#include "engine/settings.h"
#include "engine/stall_detector.h"

namespace ld::engine {

class Transfer;

class TransferSink {
  public:
    // Body bytes of `transfer`; returns how many were taken. Fewer than `size` ends the
    // transfer (libcurl reports a write error).
    virtual std::size_t onBody(Transfer& transfer, const char* data, std::size_t size) = 0;

  protected:
    ~TransferSink() = default;
};

struct TransferRequest {
    std::string url;
    std::string referrer;
    std::string cookies;
    std::int64_t from = 0;  // first byte wanted
    std::int64_t to = -1;   // last byte wanted; -1 for "to the end"
    bool sendRange = true;  // false: a plain request for the whole file
};

// How the task settled a transfer before libcurl finished it.
struct TransferVerdict {
    enum class Kind {
        None,        // running, or ended by libcurl on its own
        ReachedEnd,  // its range is complete; the rest of the answer is not needed
        Cancelled,   // stopped by the task (pause, restart, shutdown)
        Transient,   // failed in a way worth another try
        Fatal,       // failed for good
        Complete416  // the server says the data on disk is already the whole file
    };
    Kind kind = Kind::None;
    int code = 0;
    std::chrono::milliseconds retryAfter{0};
};

// Lives on the engine thread. Its state moves one way: running → judged → flowing, and
// ends either with a verdict from the task or with libcurl's result; the first verdict
// stands.
class Transfer {
  public:
    using Clock = StallDetector::Clock;

    // Prepares the request and hands it to `multi`. Check valid() afterwards.
    Transfer(int id, std::size_t segment, const TransferRequest& request, const Settings& settings,
             TransferSink& sink, MultiHandle& multi);
    ~Transfer();
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    bool valid() const { return added_; }
    int id() const { return id_; }
    std::size_t segment() const { return segment_; }
    void moveToSegment(std::size_t segment) { segment_ = segment; }
    std::int64_t from() const { return request_.from; }
    bool sentRange() const { return request_.sendRange; }
    // Where the bytes this request brings end (exclusive); -1 when it asked for the rest of
    // the file. endAt() lowers it to what the server announced.
    std::int64_t end() const { return end_; }
    void endAt(std::int64_t end) { end_ = end; }
    // The first bytes of the answer are on disk already (it asked again for a stretch before
    // a resume point): they are compared with the data held, not written. compared() moves
    // past bytes that matched; limitCompare() lowers what is left when the answer ends
    // sooner.
    std::int64_t heldToCompare() const { return heldToCompare_; }
    std::int64_t compareAt() const { return request_.from + compared_; }
    void compareHeld(std::int64_t bytes) { heldToCompare_ = bytes; }
    void compared(std::int64_t bytes) {
        compared_ += bytes;
        heldToCompare_ -= bytes;
    }
    void limitCompare(std::int64_t bytes) { heldToCompare_ = std::min(heldToCompare_, bytes); }
    // The next piece of a download whose previous piece just arrived whole: it goes out on
    // the connection that one used and counts as serving data from the start.
    bool continuation() const { return continuation_; }
    void markContinuation() { continuation_ = true; }
    CURL* handle() const { return easy_.get(); }

    // Status of the final answer (after redirects); 0 before one arrived.
    long status() const;
    std::int64_t contentLength() const;
    const ResponseHeaders& headers() const { return headers_; }

    // The task has judged the answer's head.
    bool judged() const { return judged_; }
    void markJudged() { judged_ = true; }
    // The body of this answer is being kept.
    bool flowing() const { return flowing_; }
    void startFlowing() { flowing_ = true; }
    // Flowing and not yet settled: a connection that is serving data.
    bool delivering() const { return flowing_ && verdict_.kind == TransferVerdict::Kind::None; }

    // How the task settled the transfer; Kind::None while it is not settled.
    const TransferVerdict& verdict() const { return verdict_; }
    bool settled() const { return verdict_.kind != TransferVerdict::Kind::None; }
    // Settles the transfer, unless it is settled already.
    void settle(TransferVerdict verdict);
    void cancel() { settle({TransferVerdict::Kind::Cancelled, 0, {}}); }

    // libcurl ended the transfer with `result`.
    void finish(CURLcode result) { result_ = result; }
    const std::optional<CURLcode>& result() const { return result_; }
    // Settled by the task or finished by libcurl.
    bool ended() const { return result_.has_value() || settled(); }
    // Still running, not held, and too slow over the last window (takes a reading).
    bool stalled(Clock::time_point now);

    // Holds or releases the connection without closing it (servers without ranges).
    void pause();
    void unpause();
    bool paused() const { return paused_; }

  private:
    static std::size_t writeCallback(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t headerCallback(char* data, std::size_t size, std::size_t count, void* self);

    int id_;
    std::size_t segment_;
    TransferRequest request_;
    TransferSink& sink_;
    MultiHandle& multi_;
    EasyHandle easy_;
    HeaderList extraHeaders_;
    std::string range_;
    ResponseHeaders headers_;
    bool added_ = false;
    bool paused_ = false;
    bool judged_ = false;
    bool flowing_ = false;
    bool continuation_ = false;
    std::int64_t heldToCompare_ = 0;
    std::int64_t compared_ = 0;
    std::int64_t end_;
    TransferVerdict verdict_;
    // Fed with every body byte that arrives.
    StallDetector stall_;
    std::optional<CURLcode> result_;
};

}  // namespace ld::engine
