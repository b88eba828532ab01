#include "engine/transfer.h"

#include "common/curl_tls.h"
#include "common/download_user_agent.h"
#include "xldl/task_layout.h"

namespace ld::engine {

Transfer::Transfer(int id, std::size_t segment, const TransferRequest& request,
                   const Settings& settings, TransferSink& sink, MultiHandle& multi)
    : id_(id),
      segment_(segment),
      request_(request),
      sink_(sink),
      multi_(multi),
      easy_(curl_easy_init()),
      end_(request.to >= 0 ? request.to + 1 : -1),
      stall_(settings.stallWindow, settings.stallBytesPerSecond, Clock::now()) {
    CURL* h = easy_.get();
    if (h == nullptr) {
        return;
    }
    curl_easy_setopt(h, CURLOPT_URL, request_.url.c_str());
    curl_easy_setopt(h, CURLOPT_PRIVATE, this);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    applyTlsPolicy(h);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_AUTOREFERER, 1L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, kDownloadUserAgent);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(settings.connectTimeout.count()));
    curl_easy_setopt(h, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, settings.receiveBufferBytes);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Transfer::writeCallback);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Transfer::headerCallback);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    // Ranges count bytes as stored on the server: never ask for a compressed answer.
    extraHeaders_.reset(curl_slist_append(nullptr, "Accept-Encoding: identity"));
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, extraHeaders_.get());
    if (!request_.referrer.empty()) {
        curl_easy_setopt(h, CURLOPT_REFERER, request_.referrer.c_str());
    }
    if (!request_.cookies.empty()) {
        curl_easy_setopt(h, CURLOPT_COOKIE, request_.cookies.c_str());
    }
    if (request_.sendRange) {
        range_ = std::to_string(request_.from) + "-" +
                 (request_.to >= 0 ? std::to_string(request_.to) : std::string());
        curl_easy_setopt(h, CURLOPT_RANGE, range_.c_str());
    }
    added_ = multi_.add(h);
}

Transfer::~Transfer() {
    if (added_) {
        multi_.remove(easy_.get());
    }
}

long Transfer::status() const {
    long code = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &code);
    return code;
}

std::int64_t Transfer::contentLength() const {
    curl_off_t length = -1;
    if (curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK) {
        return -1;
    }
    return static_cast<std::int64_t>(length);
}

void Transfer::settle(TransferVerdict verdict) {
    if (!settled()) {
        verdict_ = verdict;
    }
}

bool Transfer::stalled(Clock::time_point now) {
    return !settled() && !result_ && !paused_ && stall_.stalled(now);
}

void Transfer::pause() {
    if (!paused_ && curl_easy_pause(easy_.get(), CURLPAUSE_ALL) == CURLE_OK) {
        paused_ = true;
    }
}

void Transfer::unpause() {
    if (paused_) {
        paused_ = false;
        stall_.restart(Clock::now());
        curl_easy_pause(easy_.get(), CURLPAUSE_CONT);
    }
}

// Both callbacks run inside libcurl, which no exception may cross: one ends the transfer as
// an internal failure instead (returning a short count makes libcurl stop it).
std::size_t Transfer::writeCallback(char* data, std::size_t size, std::size_t count, void* self) {
    auto& transfer = *static_cast<Transfer*>(self);
    try {
        transfer.stall_.add(static_cast<std::int64_t>(size * count));
        return transfer.sink_.onBody(transfer, data, size * count);
    } catch (...) {
        transfer.settle({TransferVerdict::Kind::Fatal, XLDL_FAIL_INTERNAL, {}});
        return 0;
    }
}

std::size_t Transfer::headerCallback(char* data, std::size_t size, std::size_t count, void* self) {
    auto& transfer = *static_cast<Transfer*>(self);
    try {
        transfer.headers_.addLine(std::string_view(data, size * count));
        return size * count;
    } catch (...) {
        transfer.settle({TransferVerdict::Kind::Fatal, XLDL_FAIL_INTERNAL, {}});
        return 0;
    }
}

}  // namespace ld::engine
