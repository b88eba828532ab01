#include "web/http_request.h"

#include "text/codepage.h"
#include "text/text_ops.h"
#include "web/http_transport.h"

namespace ld {

namespace {

// What the header query yields: the final response's header block, or 5000
// blanks when there is none or it does not fit the 5000-byte buffer.
constexpr int kHeaderBufferSize = 5000;

Text headerTextOf(const ExchangeOutcome& outcome) {
    if (outcome.rawHeaders.has_value()) {
        Text headers(*outcome.rawHeaders);
        if (textLength(headers) < kHeaderBufferSize) {
            return headers;
        }
    }
    return blankText(kHeaderBufferSize);
}

// The whole exchange with its out-parameters written; the outcome keeps the
// body and how the exchange ended.
ExchangeOutcome exchange(const Text& url, int method, const Text& postText, Text& cookies,
                         Text& returnedCookies, const Text& extraHeaders, Text& redirectTarget,
                         bool noRedirect, const ByteSet& postBytes,
                         const std::optional<Text>& proxy, Text& responseHeaders,
                         const ExchangeLimits& limits = {}) {
    const RequestPlan plan =
        planRequest(url, method, postText, cookies, extraHeaders, noRedirect, postBytes, proxy);
    ExchangeOutcome outcome = performExchange(plan, limits);
    if (!outcome.started) {
        return outcome;  // nothing sent: the out-parameters stay as they were
    }
    responseHeaders = headerTextOf(outcome);
    applyResponseHeaders(responseHeaders, cookies, returnedCookies, redirectTarget);
    return outcome;
}

}  // namespace

ByteSet httpRequest(const Text& url, int method, const Text& postText, Text& cookies,
                    Text& returnedCookies, const Text& extraHeaders, Text& redirectTarget,
                    bool noRedirect, const ByteSet& postBytes, const std::optional<Text>& proxy,
                    Text& responseHeaders) {
    return exchange(url, method, postText, cookies, returnedCookies, extraHeaders, redirectTarget,
                    noRedirect, postBytes, proxy, responseHeaders)
        .body;
}

ByteSet httpRequest(const Text& url, int method, const Text& postText) {
    Text cookies;
    Text returnedCookies;
    Text redirectTarget;
    Text responseHeaders;
    return httpRequest(url, method, postText, cookies, returnedCookies, Text(), redirectTarget,
                       false, ByteSet(), std::nullopt, responseHeaders);
}

Text httpRequestText(const Text& url, int method, const Text& postText, Text& cookies,
                     Text& returnedCookies, const Text& extraHeaders, Text& redirectTarget,
                     bool noRedirect, const ByteSet& postBytes, const std::optional<Text>& proxy,
                     Text& responseHeaders) {
    const ByteSet body =
        httpRequest(url, method, postText, cookies, returnedCookies, extraHeaders, redirectTarget,
                    noRedirect, postBytes, proxy.value_or(Text()), responseHeaders);
    return utf8ToGbkText(body);
}

Text httpRequestText(const Text& url, int method, const Text& postText) {
    Text cookies;
    Text returnedCookies;
    Text redirectTarget;
    Text responseHeaders;
    return httpRequestText(url, method, postText, cookies, returnedCookies, Text(), redirectTarget,
                           false, ByteSet(), std::nullopt, responseHeaders);
}

HttpTextReply httpRequestTextReply(const Text& url, const ExchangeLimits& limits) {
    Text cookies;
    Text returnedCookies;
    Text redirectTarget;
    Text responseHeaders;
    HttpTextReply reply;
    {
        // The raw body goes as soon as its Text is made.
        const ExchangeOutcome outcome =
            exchange(url, 0, Text(), cookies, returnedCookies, Text(), redirectTarget, false,
                     ByteSet(), Text(), responseHeaders, limits);
        reply.outcome = outcome.result;
        reply.status = static_cast<int>(outcome.status);
        reply.body = utf8ToGbkText(outcome.body);
    }
    return reply;
}

}  // namespace ld
