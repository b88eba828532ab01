// What the HTTP request function reads from the network and from its caller:
// the response header block (cookies, redirect target), the cookie merge, the
// address split and the request plan, all on arbitrary bytes.
#include <algorithm>
#include <optional>
#include <string_view>

#include "fuzz/fuzz_entries.h"
#include "fuzz/fuzz_input.h"
#include "text/text_ops.h"
#include "web/http_request.h"
#include "web/http_transport.h"

namespace ld::fuzz {

namespace {

void checkMerged(const Text& merged) {
    // Pairs are joined by "; " (an empty pair leaves "; " at the end, as the
    // historical client sent it); no deleted cookie survives.
    for (const Text& pair : splitText(merged, "; ")) {
        LD_FUZZ_CHECK(!pair.view().ends_with("=deleted"));
    }
}

void checkCookieMerge(const Text& sent, const Text& returned) {
    Text cookies = sent;
    Text fromServer = returned;
    const Text merged = mergeCookies(cookies, fromServer);
    LD_FUZZ_CHECK(merged == cookies);
    // Blanks are dropped (a byte after a lead byte belongs to its character).
    const bool ascii = std::all_of(returned.view().begin(), returned.view().end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    LD_FUZZ_CHECK(!ascii || fromServer.view().find(' ') == std::string_view::npos);
    checkMerged(merged);
    // Every name the server set is in the result, unless it was deleted.
    for (const Text& pair : splitText(fromServer, ";")) {
        if (!pair.empty() && !pair.view().ends_with("=deleted")) {
            LD_FUZZ_CHECK(merged.view().find(pair.view()) != std::string_view::npos);
        }
    }
}

void checkHeaderBlock(const Text& headers, const Text& sent, const Text& redirectIn) {
    Text cookies = sent;
    Text returned;
    Text redirect = redirectIn;
    applyResponseHeaders(headers, cookies, returned, redirect);
    if (!headers.empty() || !redirectIn.empty()) {
        LD_FUZZ_CHECK(!redirect.empty());
    }
    checkMerged(cookies);
}

void checkAddress(const Text& address) {
    const Text host = urlHost(address);
    LD_FUZZ_CHECK(toLowerText(host) == host);
    // The port is cut at the first ":" that is a character of its own (a byte
    // after a lead byte belongs to that character).
    const bool ascii = std::all_of(host.view().begin(), host.view().end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    LD_FUZZ_CHECK(!ascii || host.view().find(':') == std::string_view::npos);
    (void)urlHost(address, true);
    (void)urlPort(address);
    LD_FUZZ_CHECK(!urlPath(address).empty());
    (void)valueAfterColon(address);
    (void)cookieName(address);
}

void checkPlan(const Text& url, int method, const Text& body, const Text& cookies,
               const Text& extraHeaders, bool noRedirect, bool withProxy, const Text& proxy) {
    const RequestPlan plan =
        planRequest(url, method, body, cookies, extraHeaders, noRedirect, ByteSet(),
                    withProxy ? std::optional<Text>(proxy) : std::nullopt);
    LD_FUZZ_CHECK(plan.verb == Text("GET") || plan.verb == Text("POST"));
    LD_FUZZ_CHECK(plan.sendsBody == (method != 0));
    // Each line of the block becomes one header of its own.
    for (const std::string& entry : curlHeaderEntries(plan)) {
        LD_FUZZ_CHECK(!entry.empty());
        LD_FUZZ_CHECK(entry.find("\r\n") == std::string::npos);
    }
    LD_FUZZ_CHECK(plan.followRedirects == !noRedirect);
}

}  // namespace

void fuzzHttpHeaders(Bytes input) {
    FuzzInput in(input);
    const std::uint8_t flags = in.byte();
    const Text a(in.piece());
    const Text b(in.piece());
    const Text c(in.piece());
    const Text block(in.rest());

    checkCookieMerge(a, b);
    checkHeaderBlock(block, a, (flags & 1) != 0 ? c : Text());
    checkAddress(a);
    checkAddress(block);
    checkPlan(a, flags % 3, c, b, block, (flags & 4) != 0, (flags & 8) != 0, c);
}

}  // namespace ld::fuzz
