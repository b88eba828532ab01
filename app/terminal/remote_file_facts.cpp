#include "app/terminal/remote_file_facts.h"

#include <curl/curl.h>

#include <charconv>
#include <optional>

#include "common/ascii.h"
#include "common/curl_handles.h"
#include "common/curl_tls.h"
#include "common/download_user_agent.h"
#include "common/header_lines.h"

namespace ld {
namespace {

constexpr long kConnectTimeoutSeconds = 10;
constexpr long kDeadlineMilliseconds = 10'000;
constexpr long kMaxRedirects = 10;
constexpr std::size_t kMaxHeaderBytes = 64 * 1024;

std::int64_t parseLength(std::string_view digits) {
    std::int64_t value = -1;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size() && value >= 0 ? value : -1;
}

// "bytes 0-0/12345": the whole file's length; -1 when it is not told ("*").
std::int64_t totalOfContentRange(std::string_view value) {
    const auto slash = value.rfind('/');
    return slash == std::string_view::npos ? -1 : parseLength(trimBlanks(value.substr(slash + 1)));
}

// The header block of the last answer (a redirect's block is dropped when
// the next answer's status line arrives).
struct Reception {
    std::string headers;
    bool bodyStarted = false;
};

std::size_t receiveHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto& reception = *static_cast<Reception*>(user);
    const std::string_view line(data, size * count);
    if (startsWithIgnoreCase(line, "HTTP/")) {
        reception.headers.clear();
    }
    if (reception.headers.size() + line.size() > kMaxHeaderBytes) {
        return 0;
    }
    reception.headers.append(line);
    return size * count;
}

// Asked by libcurl about once a second and whenever data moves.
int progressSeen(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* giveUp = static_cast<const std::atomic<bool>*>(user);
    return giveUp != nullptr && giveUp->load() ? 1 : 0;  // nonzero ends the transfer
}

// A body byte ends the transfer: only the header block is wanted.
std::size_t refuseBody(char*, std::size_t, std::size_t, void* user) {
    static_cast<Reception*>(user)->bodyStarted = true;
    return 0;
}

// The facts of the answer; nullopt when no answer arrived.
std::optional<RemoteFileFacts> ask(const std::string& url, bool headOnly,
                                   const std::atomic<bool>* giveUp) {
    const EasyHandle handle(curl_easy_init());
    if (!handle) {
        return std::nullopt;
    }
    CURL* h = handle.get();
    Reception reception;
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(h, CURLOPT_AUTOREFERER, 1L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, kDownloadUserAgent);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, kDeadlineMilliseconds);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &receiveHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &reception);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &refuseBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &reception);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &progressSeen);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(giveUp));
    if (headOnly) {
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    } else {
        curl_easy_setopt(h, CURLOPT_RANGE, "0-0");
    }
    if (applyTlsPolicy(h) != CURLE_OK) {
        return std::nullopt;
    }
    const CURLcode result = curl_easy_perform(h);
    // A refused body ends the transfer with a write error once the headers are in.
    if (result != CURLE_OK && !(result == CURLE_WRITE_ERROR && reception.bodyStarted)) {
        return std::nullopt;
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    return factsFromHeaders(status, reception.headers);
}

}  // namespace

RemoteFileFacts factsFromHeaders(long status, std::string_view headerBlock) {
    RemoteFileFacts facts;
    std::int64_t contentLength = -1;
    std::int64_t rangeTotal = -1;
    forEachHeaderLine(headerBlock, [&](std::string_view line) {
        const HeaderField field = splitHeaderField(line);
        if (!field.hasColon) {
            return;
        }
        if (equalsIgnoreCase(field.name, "Content-Length")) {
            contentLength = parseLength(field.value);
        } else if (equalsIgnoreCase(field.name, "Content-Range")) {
            rangeTotal = totalOfContentRange(field.value);
        } else if (equalsIgnoreCase(field.name, "ETag")) {
            facts.etag = std::string(field.value);
        } else if (equalsIgnoreCase(field.name, "Last-Modified")) {
            facts.lastModified = std::string(field.value);
        }
    });
    facts.length = status == 206 ? rangeTotal : (status == 200 ? contentLength : -1);
    facts.known = facts.length >= 0;
    return facts;
}

RemoteFileFacts probeRemoteFile(const std::string& url, const std::atomic<bool>* giveUp) {
    static const CURLcode prepared = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)prepared;
    // Only a server that answered HEAD without a length is asked again: one
    // that did not answer at all would not answer the second question either.
    const std::optional<RemoteFileFacts> head = ask(url, true, giveUp);
    if (!head || head->known || (giveUp != nullptr && giveUp->load())) {
        return head.value_or(RemoteFileFacts{});
    }
    return ask(url, false, giveUp).value_or(RemoteFileFacts{});
}

}  // namespace ld
