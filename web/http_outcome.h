// How one HTTP exchange ended, for callers that must tell the user why it
// failed: not sent at all, the server not reached (and why), an answer with
// an error status, or a usable answer. Plain values, safe to copy between
// threads.
#pragma once

#include "text/text.h"

namespace ld {

enum class HttpOutcome {
    Answered,             // a final response with a status below 400 arrived
    ErrorStatus,          // a final response with a status of 400 or more arrived
    NotSent,              // the address could not be used or the transfer not set up
    NameNotResolved,      // the host's (or the proxy's) name is unknown
    ConnectionRefused,    // nothing accepts connections at that address
    TimedOut,             // no connection, or no data, within the time limits
    SecureChannelFailed,  // TLS handshake or certificate refused
    TooLarge,             // the body is over the size limit
    RedirectFailed,       // too many redirects, or one that may not be followed
    ConnectionFailed,     // any other network failure: unreachable, reset, cut short, garbled
};

// True when a response arrived from the server, whatever its status.
constexpr bool serverAnswered(HttpOutcome outcome) {
    return outcome == HttpOutcome::Answered || outcome == HttpOutcome::ErrorStatus;
}

// An exchange's body as text together with how it ended.
struct HttpTextReply {
    // The body decoded from UTF-8 exactly as httpRequestText returns it (an
    // error page's body included; empty when no response arrived).
    Text body;
    HttpOutcome outcome = HttpOutcome::NotSent;
    // The final response's status; 0 when no response arrived.
    int status = 0;
};

}  // namespace ld
