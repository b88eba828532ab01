// Carries out a request plan over libcurl: a new transfer for the request
// and for every redirect it follows, nothing reused, no cookie engine, no
// cache. Internal to ld_web.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "text/text.h"
#include "web/exchange_limits.h"
#include "web/http_outcome.h"
#include "web/http_request.h"

namespace ld {

namespace transport_limit {
inline constexpr long kConnectTimeoutSeconds = 60;
// A transfer that delivers no byte for this long counts as failed (besides
// the exchange's deadline, which bounds a slow trickle too).
inline constexpr long kStallSeconds = 30;
inline constexpr long kMaxRedirects = 20;
// Header bytes kept at most; the caller only accepts far fewer anyway.
inline constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
}  // namespace transport_limit

struct ExchangeOutcome {
    // False when the transfer could not even be set up (no transfer handle,
    // malformed address); nothing was sent then.
    bool started = false;
    // The body of the final response; empty when the exchange failed.
    ByteSet body;
    // Status line and header lines of the final response, each ended by
    // CR LF; absent when no complete response arrived or the headers were
    // too long to keep.
    std::optional<std::string> rawHeaders;
    // How it ended, and the final response's status (0 without one).
    HttpOutcome result = HttpOutcome::NotSent;
    long status = 0;
};

// The exchange within `limits`: a body over the cap ends as TooLarge, an
// exchange past its deadline as TimedOut.
ExchangeOutcome performExchange(const RequestPlan& plan, const ExchangeLimits& limits = {});

// The header entries handed to libcurl. What goes out, in order: the lines
// of the plan's header block, then User-Agent and Host unless the block has
// them. Entries without a value ("Host:", "Expect:") keep libcurl from adding
// its own; a block line with an empty value is written "Name;", libcurl's
// form for sending it as is.
std::vector<std::string> curlHeaderEntries(const RequestPlan& plan);

// The address handed to libcurl: scheme by the plan's secure flag, host,
// port and the path with blanks, control and non-ASCII bytes %-escaped.
std::string curlAddress(const RequestPlan& plan);

}  // namespace ld
