#include "engine/retry_policy.h"

#include <algorithm>

#include "common/curl_errors.h"
#include "xldl/task_layout.h"

namespace ld::engine {

FailureClass classifyCurlResult(CURLcode result) {
    if (isNameResolutionFailure(result)) {
        return {true, XLDL_FAIL_DNS};
    }
    if (isTlsFailure(result)) {
        return {false, XLDL_FAIL_TLS};
    }
    switch (result) {
        case CURLE_COULDNT_CONNECT:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
        case CURLE_HTTP3:
        case CURLE_WEIRD_SERVER_REPLY:
            return {true, XLDL_FAIL_NETWORK};
        case CURLE_OPERATION_TIMEDOUT:
            return {true, XLDL_FAIL_TIMEOUT};
        case CURLE_TOO_MANY_REDIRECTS:
            return {false, XLDL_FAIL_REDIRECTS};
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT:
            return {false, XLDL_FAIL_BAD_URL};
        case CURLE_OUT_OF_MEMORY:
        case CURLE_FAILED_INIT:
            return {false, XLDL_FAIL_INTERNAL};
        default:
            return {false, XLDL_FAIL_PROTOCOL};
    }
}

FailureClass classifyHttpStatus(long status) {
    const int code = static_cast<int>(status);
    const bool transient = status == 408 || status == 429 || (status >= 500 && status <= 599);
    return {transient, code > 0 ? code : XLDL_FAIL_PROTOCOL};
}

RetryState::Outcome RetryState::noteFailure(Clock::time_point now,
                                            std::chrono::milliseconds retryAfter) {
    if (waiting(now)) {
        return Outcome::Joined;
    }
    // Base · 2^(n-1) for the n-th failure, never shorter than the server's Retry-After.
    Clock::duration delay = settings_.backoffBase * (1LL << std::min(failures_, 20));
    delay = std::max<Clock::duration>(delay, retryAfter);
    return schedule(now, delay);
}

RetryState::Outcome RetryState::noteImmediateRetry(Clock::time_point now) {
    return schedule(now, Clock::duration::zero());
}

RetryState::Outcome RetryState::schedule(Clock::time_point now, Clock::duration delay) {
    ++failures_;
    if (!streakStart_) {
        streakStart_ = now;
    }
    if (failures_ >= settings_.maxTries || now + delay - *streakStart_ > settings_.retryBudget) {
        retryAt_.reset();
        return Outcome::GiveUp;
    }
    retryAt_ = now + delay;
    return Outcome::Scheduled;
}

void RetryState::noteProgress() {
    failures_ = 0;
    streakStart_.reset();
}

void RetryState::clear() {
    noteProgress();
    retryAt_.reset();
}

}  // namespace ld::engine
