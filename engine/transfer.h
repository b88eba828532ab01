// One HTTP request for one byte range of a file, driven by the engine's multi handle. The
// body goes to a TransferSink (the task), which decides what to keep.
#pragma once

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

class Transfer {
  public:
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
    CURL* handle() const { return easy_.get(); }

    // Status of the final answer (after redirects); 0 before one arrived.
    long status() const;
    std::int64_t contentLength() const;
    const ResponseHeaders& headers() const { return headers_; }

    // Set by the task once it has judged the answer's head.
    bool judged = false;
    // Body bytes of this answer are being kept.
    bool flowing = false;
    TransferVerdict verdict;
    // Fed with every body byte that arrives; checked by the task.
    StallDetector stall;
    // libcurl's result once the transfer ended.
    std::optional<CURLcode> result;

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
};

}  // namespace ld::engine
