// One complete HTTP exchange: the program's own HTTP client.
//
// Every call opens its own connection, sends one request, reads the whole
// response and closes everything again. Nothing survives between calls: no
// connection reuse, no cookie store, no cache.
//
// The parameter list follows the historical Windows client this program grew
// from, so both the request that goes out and the values that come back keep
// its rules (header block, agent string, cookie merge, redirect target).
#pragma once

#include <cstdint>
#include <optional>

#include "text/text.h"
#include "web/exchange_limits.h"
#include "web/http_outcome.h"

namespace ld {

// Full exchange. In/out parameters are references; the out values are written
// only when the request could be set up at all (a malformed address or a
// failure to create the transfer leaves every parameter untouched and gives
// an empty result).
//
//  url              full address, http or https (a missing scheme means http)
//  method           1 sends POST; any other value GET. A body goes out
//                   whenever method is not 0.
//  postText         body as text, used only when postBytes is empty
//  cookies          in: sent as "Cookie: " when not empty;
//                   out: the server's cookies merged with the previous ones
//  returnedCookies  out: name=value pairs of the Set-Cookie lines, ";"-separated,
//                   without blanks
//  extraHeaders     request header lines separated by CR LF (no trailing CR LF)
//  redirectTarget   in/out: the value of the last "Location:" line; when there
//                   is none and it came in empty, the whole raw header text
//  noRedirect       true: redirects are not followed
//  postBytes        body as raw bytes; wins over postText
//  proxy            absent: direct connection. Present but empty: the system's
//                   proxy settings (http_proxy / https_proxy / no_proxy).
//                   Present and named: the proxy for http addresses.
//  responseHeaders  out: status line and header lines of the final response,
//                   each ended by CR LF; 5000 blanks when there was no usable
//                   response
//
// The result is the response body byte for byte, empty on failure. The
// exchange keeps the default ExchangeLimits (64 MiB, 120 seconds).
ByteSet httpRequest(const Text& url, int method, const Text& postText, Text& cookies,
                    Text& returnedCookies, const Text& extraHeaders, Text& redirectTarget,
                    bool noRedirect, const ByteSet& postBytes, const std::optional<Text>& proxy,
                    Text& responseHeaders);

// Shorthand with every optional argument empty and the proxy absent.
ByteSet httpRequest(const Text& url, int method = 0, const Text& postText = Text());

// The same exchange, its body converted from UTF-8 to Text. The proxy is
// always passed on as present: an absent one counts as present and empty.
Text httpRequestText(const Text& url, int method, const Text& postText, Text& cookies,
                     Text& returnedCookies, const Text& extraHeaders, Text& redirectTarget,
                     bool noRedirect, const ByteSet& postBytes, const std::optional<Text>& proxy,
                     Text& responseHeaders);

// Shorthand with every optional argument empty: the form both web workers use.
Text httpRequestText(const Text& url, int method = 0, const Text& postText = Text());

// The same GET as httpRequestText(url), its body together with how the
// exchange ended: whether the server was reached, why not, and the status.
// `limits` bound its time and its body (the other forms keep the defaults).
// While the body is converted, it and its Text are the only copies held.
HttpTextReply httpRequestTextReply(const Text& url, const ExchangeLimits& limits = {});

// --- Address split ------------------------------------------------------------
// Host, lower-cased; without ":port" unless keepPort is set.
Text urlHost(const Text& address, bool keepPort = false);
// Port after the host's last ":", else 443 for https and 80 otherwise.
int urlPort(const Text& address);
// Path and query in their own letter case; "/" when nothing follows the host.
Text urlPath(const Text& address);
// trimSpaces of everything after the first ":"; empty without one.
Text valueAfterColon(const Text& line);

// --- Cookies ------------------------------------------------------------------
// The name of a name=value pair, trimmed (the whole pair when it has no "=").
Text cookieName(const Text& pair);
// True when some pair has exactly this name.
bool hasCookieNamed(const TextArray& pairs, const Text& name);
// Strips both Texts of blanks, then makes cookies the server's cookies (in the
// order of their Set-Cookie lines) followed by the caller's cookies that the
// server did not set, separated by "; ", dropping any "=deleted" entry.
// Returns a copy of the new cookies.
Text mergeCookies(Text& cookies, Text& returnedCookies);

// --- Request plan ---------------------------------------------------------------
// Request flag bits of the historical Windows client, kept so the decisions
// made for a request can be checked without a network.
namespace request_flag {
inline constexpr std::uint32_t kReload = 0x80000000u;
inline constexpr std::uint32_t kSecure = 0x00800000u;
inline constexpr std::uint32_t kNoAutoRedirect = 0x00200000u;
inline constexpr std::uint32_t kNoCookies = 0x00080000u;
inline constexpr std::uint32_t kIgnoreRedirectToHttps = 0x00004000u;
inline constexpr std::uint32_t kNeedFile = 0x00000010u;
}  // namespace request_flag

inline constexpr int kAccessDirect = 1;  // no proxy
inline constexpr int kAccessProxy = 3;   // proxy list given

inline constexpr const char* kDefaultAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; 2Pac; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022)";

// Everything that is decided before the first byte goes out.
struct RequestPlan {
    Text host;      // urlHost, port cut off
    int port = 80;  // urlPort
    Text path;      // urlPath
    bool secure = false;
    Text verb;         // "GET" or "POST"
    Text agent;        // default agent or the User-Agent line of extraHeaders
    Text headerBlock;  // lines separated by CR LF, no trailing CR LF
    std::uint32_t flags = 0;
    int accessType = kAccessDirect;
    std::optional<Text> proxyList;  // "http=" + proxy when a proxy is present
    std::optional<Text> proxy;      // the proxy argument as given
    bool sendsBody = false;         // method != 0
    ByteSet body;                   // postBytes, or the bytes of postText
    bool followRedirects = true;
};

RequestPlan planRequest(const Text& url, int method, const Text& postText, const Text& cookies,
                        const Text& extraHeaders, bool noRedirect, const ByteSet& postBytes,
                        const std::optional<Text>& proxy);

// Reads a raw response header block the way a finished exchange does: fills
// returnedCookies from the Set-Cookie lines, redirectTarget from the last
// Location line (or the whole block when it ends up empty), then merges the
// cookies.
void applyResponseHeaders(const Text& responseHeaders, Text& cookies, Text& returnedCookies,
                          Text& redirectTarget);

}  // namespace ld
