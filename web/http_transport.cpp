#include "web/http_transport.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string_view>

#include "common/curl_errors.h"
#include "common/curl_handles.h"
#include "common/curl_tls.h"
#include "common/header_lines.h"

namespace ld {

namespace {

// CURLINFO_OS_ERRNO of a refused connection: libcurl reports the system's
// socket error, errno on POSIX and WSAGetLastError() on Windows.
#if defined(_WIN32)
constexpr long kConnectionRefused = WSAECONNREFUSED;
#else
constexpr long kConnectionRefused = ECONNREFUSED;
#endif

// libcurl's process-wide set-up, done once before the first transfer.
void prepareCurl() {
    static const CURLcode prepared = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)prepared;
}

// What the transfer receives, filled by the two callbacks.
struct Reception {
    CURL* transfer = nullptr;
    std::size_t maxBodyBytes = 0;
    std::vector<std::uint8_t> body;
    bool bodyTooLarge = false;
    bool bodySized = false;
    std::string headers;
    bool headersTooLong = false;
};

// Room for the whole body at once when its length is announced, so a large
// body is never copied while it grows.
void sizeBody(Reception& reception) {
    reception.bodySized = true;
    curl_off_t announced = -1;
    if (curl_easy_getinfo(reception.transfer, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) ==
            CURLE_OK &&
        announced > 0 && static_cast<std::uint64_t>(announced) <= reception.maxBodyBytes) {
        reception.body.reserve(static_cast<std::size_t>(announced));
    }
}

std::size_t receiveBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& reception = *static_cast<Reception*>(user);
    const std::size_t bytes = size * count;
    if (reception.body.size() + bytes > reception.maxBodyBytes) {
        reception.bodyTooLarge = true;
        return 0;  // ends the transfer with an error
    }
    if (!reception.bodySized) {
        sizeBody(reception);
    }
    reception.body.insert(reception.body.end(), data, data + bytes);
    return bytes;
}

// Called once per header line; a status line starts the block afresh, so
// after an interim response (100 Continue) the final response's block remains.
std::size_t receiveHeaderLine(char* data, std::size_t size, std::size_t count, void* user) {
    auto& reception = *static_cast<Reception*>(user);
    const std::size_t bytes = size * count;
    std::string_view line(data, bytes);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    if (line.starts_with("HTTP/")) {
        reception.headers.clear();
        reception.headersTooLong = false;
    }
    if (line.empty()) {
        return bytes;
    }
    if (reception.headers.size() + line.size() + 2 > transport_limit::kMaxHeaderBytes) {
        reception.headersTooLong = true;
        return bytes;
    }
    reception.headers.append(line);
    reception.headers.append("\r\n");
    return bytes;
}

bool isPlainUrlByte(unsigned char byte) {
    return byte > 0x20 && byte < 0x7F;
}

}  // namespace

std::vector<std::string> curlHeaderEntries(const RequestPlan& plan) {
    std::vector<std::string> entries;
    bool hasAgent = false;
    bool hasHost = false;
    forEachHeaderLine(plan.headerBlock.view(), [&](std::string_view line) {
        if (line.empty()) {
            return;  // an empty line would end the header block early
        }
        const HeaderField field = splitHeaderField(line);
        if (!field.hasColon) {
            entries.emplace_back(line);
            return;
        }
        hasAgent = hasAgent || equalsIgnoreCase(field.name, "User-Agent");
        hasHost = hasHost || equalsIgnoreCase(field.name, "Host");
        if (field.value.empty()) {
            entries.push_back(std::string(line.substr(0, line.find(':'))) + ";");
        } else {
            entries.emplace_back(line);
        }
    });
    // Values that stem from the address or the caller stay on one line.
    const auto oneLine = [](std::string value) {
        std::erase_if(value, [](char c) { return c == '\r' || c == '\n'; });
        return value;
    };
    if (!hasAgent) {
        entries.push_back("User-Agent: " + oneLine(plan.agent.bytes()));
    }
    if (!hasHost) {
        // libcurl writes its own Host line first. A leading "Host:" entry
        // switches that off, and the Host entry at the end then goes out in
        // its place in the order. Redirects are followed with a new transfer
        // and a new plan, so each request names its own host.
        const int defaultPort = plan.secure ? 443 : 80;
        std::string host = "Host: " + oneLine(plan.host.bytes());
        if (plan.port != defaultPort) {
            host += ":" + std::to_string(plan.port);
        }
        entries.insert(entries.begin(), "Host:");
        entries.push_back(std::move(host));
    }
    entries.emplace_back("Expect:");
    return entries;
}

std::string curlAddress(const RequestPlan& plan) {
    static constexpr std::array<char, 16> kHex{'0', '1', '2', '3', '4', '5', '6', '7',
                                               '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
    std::string address = plan.secure ? "https://" : "http://";
    address += plan.host.bytes();
    address += ":" + std::to_string(plan.port);
    for (const char c : plan.path.view()) {
        const auto byte = static_cast<unsigned char>(c);
        if (isPlainUrlByte(byte)) {
            address += c;
        } else {
            address += '%';
            address += kHex[byte >> 4];
            address += kHex[byte & 0x0F];
        }
    }
    return address;
}

namespace {

// Why a transfer that was set up brought no usable response.
HttpOutcome failureOf(CURLcode result, long systemError, bool bodyTooLarge) {
    if (bodyTooLarge) {
        return HttpOutcome::TooLarge;
    }
    if (isNameResolutionFailure(result)) {
        return HttpOutcome::NameNotResolved;
    }
    if (isTlsFailure(result)) {
        return HttpOutcome::SecureChannelFailed;
    }
    switch (result) {
        case CURLE_COULDNT_CONNECT:
            // Also reported for an unreachable network or host.
            return systemError == kConnectionRefused ? HttpOutcome::ConnectionRefused
                                                     : HttpOutcome::ConnectionFailed;
        case CURLE_OPERATION_TIMEDOUT:
            return HttpOutcome::TimedOut;
        case CURLE_FILESIZE_EXCEEDED:
            return HttpOutcome::TooLarge;
        default:
            return HttpOutcome::ConnectionFailed;
    }
}

// One request and its response, on a transfer of its own.
struct HopOutcome {
    bool started = false;
    bool completed = false;
    HttpOutcome failure = HttpOutcome::ConnectionFailed;  // when not completed
    long status = 0;
    std::optional<std::string> redirectAddress;  // absolute, when the response names one
    Reception reception;
};

// The header entries of the hop as a libcurl list; false when it cannot be built.
bool buildHeaderList(const RequestPlan& hop, HeaderList& headers) {
    for (const std::string& entry : curlHeaderEntries(hop)) {
        curl_slist* extended = curl_slist_append(headers.get(), entry.c_str());
        if (extended == nullptr) {
            return false;
        }
        (void)headers.release();
        headers.reset(extended);
    }
    return true;
}

// The proxy and the method with its body. No proxy argument: a direct
// connection, whatever the environment says. An empty one: the system's
// settings (http_proxy, https_proxy, no_proxy), which libcurl reads itself. A
// named one serves plain http addresses.
bool setRouteAndMethod(CURL* h, const RequestPlan& hop) {
    bool set = true;
    const auto option = [&set](CURLcode code) { set = set && code == CURLE_OK; };
    if (!hop.proxy.has_value()) {
        option(curl_easy_setopt(h, CURLOPT_PROXY, ""));
    } else if (!hop.proxy->empty()) {
        option(curl_easy_setopt(h, CURLOPT_PROXY, hop.secure ? "" : hop.proxy->c_str()));
    }
    if (hop.sendsBody) {
        static constexpr char kNoBytes[] = "";
        const char* bytes =
            hop.body.empty() ? kNoBytes : reinterpret_cast<const char*>(hop.body.data());
        option(curl_easy_setopt(h, CURLOPT_POST, 1L));
        option(curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE,
                                static_cast<curl_off_t>(hop.body.bytes().size())));
        option(curl_easy_setopt(h, CURLOPT_POSTFIELDS, bytes));
        if (hop.verb != Text("POST")) {
            option(curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, hop.verb.c_str()));
        }
    } else if (hop.verb == Text("GET")) {
        option(curl_easy_setopt(h, CURLOPT_HTTPGET, 1L));
    } else {
        option(curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, hop.verb.c_str()));
    }
    return set;
}

// Everything libcurl needs for one hop, which may take `timeLeft` at most;
// false when an option is refused.
bool setTransferOptions(CURL* h, const RequestPlan& hop, CURLU* url, curl_slist* headers,
                        std::chrono::milliseconds timeLeft, Reception& reception) {
    bool set = true;
    const auto option = [&set](CURLcode code) { set = set && code == CURLE_OK; };
    option(curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(timeLeft.count())));
    option(curl_easy_setopt(h, CURLOPT_CURLU, url));
    option(curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L));
    option(applyTlsPolicy(h));
    option(curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https"));
    option(curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L));
    option(curl_easy_setopt(h, CURLOPT_HTTP_VERSION, long{CURL_HTTP_VERSION_1_1}));
    option(curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, transport_limit::kConnectTimeoutSeconds));
    option(curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L));
    option(curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, transport_limit::kStallSeconds));
    option(curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE,
                            static_cast<curl_off_t>(reception.maxBodyBytes)));
    option(curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L));
    option(curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers));
    option(curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &receiveBody));
    option(curl_easy_setopt(h, CURLOPT_WRITEDATA, &reception));
    option(curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &receiveHeaderLine));
    option(curl_easy_setopt(h, CURLOPT_HEADERDATA, &reception));
    return set && setRouteAndMethod(h, hop);
}

HopOutcome transferOnce(const RequestPlan& hop, std::size_t maxBodyBytes,
                        std::chrono::milliseconds timeLeft) {
    HopOutcome outcome;
    const UrlHandle url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, curlAddress(hop).c_str(), 0) != CURLUE_OK) {
        return outcome;
    }
    const EasyHandle easy(curl_easy_init());
    HeaderList headers;
    if (!easy || !buildHeaderList(hop, headers)) {
        return outcome;
    }
    Reception& reception = outcome.reception;
    CURL* const h = easy.get();
    reception.transfer = h;
    reception.maxBodyBytes = maxBodyBytes;
    if (!setTransferOptions(h, hop, url.get(), headers.get(), timeLeft, reception)) {
        return outcome;
    }

    outcome.started = true;
    const CURLcode result = curl_easy_perform(h);
    outcome.completed = result == CURLE_OK && !reception.bodyTooLarge;
    if (!outcome.completed) {
        long systemError = 0;
        curl_easy_getinfo(h, CURLINFO_OS_ERRNO, &systemError);
        outcome.failure = failureOf(result, systemError, reception.bodyTooLarge);
    } else {
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &outcome.status);
        const char* next = nullptr;
        if (curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &next) == CURLE_OK && next != nullptr) {
            outcome.redirectAddress = next;
        }
    }
    return outcome;
}

bool isRedirectStatus(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::optional<std::string> urlPart(CURLU* url, CURLUPart part, unsigned flags = 0) {
    char* value = nullptr;
    if (curl_url_get(url, part, &value, flags) != CURLUE_OK || value == nullptr) {
        return std::nullopt;
    }
    std::string copy(value);
    curl_free(value);
    return copy;
}

// The request that follows a redirect to address, or nullopt when it may not
// be followed (not http or https, or from a secure address to a plain one).
// 303, and 301/302 after a POST, continue as a GET without a body, as
// browsers do. Cookie and Authorization lines go only to the original host.
std::optional<RequestPlan> nextHop(const RequestPlan& hop, long status,
                                   const std::string& address) {
    const UrlHandle url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK) {
        return std::nullopt;
    }
    const auto scheme = urlPart(url.get(), CURLUPART_SCHEME);
    const auto host = urlPart(url.get(), CURLUPART_HOST);
    const auto port = urlPart(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    const auto path = urlPart(url.get(), CURLUPART_PATH);
    const auto query = urlPart(url.get(), CURLUPART_QUERY);
    if (!scheme || !host || !port || !path || (*scheme != "http" && *scheme != "https") ||
        (hop.secure && *scheme != "https")) {
        return std::nullopt;
    }
    RequestPlan next = hop;
    next.secure = *scheme == "https";
    next.host = Text(*host);
    next.port = std::stoi(*port);
    next.path = Text(query ? *path + "?" + *query : *path);
    if (status == 303 || ((status == 301 || status == 302) && hop.verb == Text("POST"))) {
        next.verb = Text("GET");
        next.sendsBody = false;
        next.body = ByteSet();
    }
    if (next.host != hop.host || next.port != hop.port || next.secure != hop.secure) {
        std::string kept;
        forEachHeaderLine(hop.headerBlock.view(), [&kept](std::string_view line) {
            const std::string_view name = splitHeaderField(line).name;
            if (equalsIgnoreCase(name, "Cookie") || equalsIgnoreCase(name, "Authorization")) {
                return;
            }
            kept += kept.empty() ? "" : "\r\n";
            kept += line;
        });
        next.headerBlock = Text(std::move(kept));
    }
    return next;
}

}  // namespace

ExchangeOutcome performExchange(const RequestPlan& plan, const ExchangeLimits& limits) {
    ExchangeOutcome outcome;
    prepareCurl();
    const auto deadline = std::chrono::steady_clock::now() + limits.deadline;
    RequestPlan hop = plan;
    for (long redirects = 0;; ++redirects) {
        const auto timeLeft = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (redirects > 0 && timeLeft.count() <= 0) {
            outcome.result = HttpOutcome::TimedOut;  // the redirects took all the time
            return outcome;
        }
        HopOutcome result = transferOnce(hop, limits.maxBodyBytes,
                                         std::max(timeLeft, std::chrono::milliseconds(1)));
        if (!result.started) {
            // Nothing at all was sent for a malformed first address; a
            // redirect that cannot be carried out is a failed exchange.
            outcome.started = redirects > 0;
            outcome.result = redirects > 0 ? HttpOutcome::RedirectFailed : HttpOutcome::NotSent;
            return outcome;
        }
        outcome.started = true;
        if (!result.completed) {
            outcome.result = result.failure;
            return outcome;  // failed exchange: no body, no headers
        }
        if (plan.followRedirects && isRedirectStatus(result.status) &&
            result.redirectAddress.has_value()) {
            outcome.result = HttpOutcome::RedirectFailed;
            if (redirects >= transport_limit::kMaxRedirects) {
                return outcome;
            }
            std::optional<RequestPlan> next = nextHop(hop, result.status, *result.redirectAddress);
            if (!next) {
                return outcome;
            }
            hop = std::move(*next);
            continue;
        }
        outcome.body = ByteSet(std::move(result.reception.body));
        if (!result.reception.headersTooLong) {
            outcome.rawHeaders = std::move(result.reception.headers);
        }
        outcome.status = result.status;
        outcome.result = result.status >= 400 ? HttpOutcome::ErrorStatus : HttpOutcome::Answered;
        return outcome;
    }
}

}  // namespace ld
