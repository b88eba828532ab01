// Tuning of the engine: fixed defaults, a few of which can be overridden through environment
// variables read by XL_Init (see README.md). Tests use them to shorten waits.
#pragma once

#include <chrono>
#include <cstdint>

namespace ld::engine {

struct Settings {
    // Exponential backoff between tries starts here and doubles (XLDL_BACKOFF_BASE_MS).
    std::chrono::milliseconds backoffBase{1000};
    // A task gives up after this many failed tries in a row ...
    int maxTries = 5;
    // ... or when the next try would start later than this after the first failure of the
    // streak (XLDL_RETRY_BUDGET_MS).
    std::chrono::milliseconds retryBudget{120'000};
    // A connection slower than stallBytesPerSecond for stallWindow is dropped and retried
    // (XLDL_STALL_SECONDS).
    std::chrono::seconds stallWindow{60};
    long stallBytesPerSecond = 1024;
    std::chrono::seconds connectTimeout{30};
    // Segmented download: files of at least segmentThreshold bytes from servers that accept
    // ranges are fetched over up to maxConnections connections; a range is split only when
    // both halves keep at least minimumPiece bytes.
    int maxConnections = 4;
    std::int64_t segmentThreshold = 8 * 1024 * 1024;
    std::int64_t minimumPiece = 512 * 1024;
    // Over several connections each request asks for at most pieceBytes; the next piece goes
    // out on the same kept-alive connection (XLDL_PIECE_BYTES).
    std::int64_t pieceBytes = 1024 * 1024;
    // A server without validators proves, at each point where a download resumes, that it
    // still has the same file: the request first asks again for up to this many bytes held
    // right before that point, which must match.
    std::int64_t resumeCheckBytes = 64 * 1024;
    // The task stays in the finishing state at least this long (XLDL_FINISH_HOLD_MS). Only
    // tests set it, to watch that state.
    std::chrono::milliseconds finishHold{0};
    // How often the resume information is written while data flows.
    std::chrono::milliseconds metadataInterval{1000};
    // Receive buffer handed to libcurl.
    long receiveBufferBytes = 256 * 1024;

    static Settings fromEnvironment();
};

}  // namespace ld::engine
