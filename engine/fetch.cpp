#include "engine/fetch.h"

#include <algorithm>

#include "xldl/task_layout.h"

namespace ld::engine {

Fetch::Fetch(const TaskRequest& request, EngineContext& context, TargetFile& target,
             TransferSink& sink, FetchOwner& owner)
    : request_(request),
      context_(context),
      settings_(context.settings),
      target_(target),
      sink_(sink),
      owner_(owner),
      serverConnectionLimit_(context.settings.maxConnections),
      retry_(context.settings) {}

// ---- Progress on disk ----------------------------------------------------------------------

void Fetch::loadOrReset(bool resume) {
    transfers_.clear();
    confirmed_ = false;
    pieceHandOffs_ = 0;
    planner_.reset(-1);
    remote_ = {};
    if (resume) {
        // A record for another file (a new address saved under the same name) is not
        // continued: without validators its data would be taken for this file's.
        if (auto saved = target_.loadResume();
            saved && sameResourceAddress(saved->url, request_.url)) {
            if (planner_.restore(saved->segments, saved->remote.total, target_.size())) {
                remote_ = saved->remote;
                return;
            }
        }
    }
    emptyDataFile();
}

bool Fetch::emptyDataFile() {
    // The record goes first, and for good: after a crash it must not claim ranges of the
    // data cut here.
    if (!target_.removeResume()) {
        owner_.fail(XLDL_FAIL_FILE_IO);
        return false;
    }
    if (const int code = target_.truncate(0); code != 0) {
        owner_.fail(code);
        return false;
    }
    return true;
}

ResumeMetadata Fetch::resumeRecord() const {
    return ResumeMetadata{request_.url, remote_, planner_.orderedSegments()};
}

// ---- Lifecycle -----------------------------------------------------------------------------

void Fetch::begin() {
    retry_.clear();
    speed_.reset();
    confirmed_ = transfers_.releaseHeld();
    if (!confirmed_) {
        planner_.markResumed();
    }
}

void Fetch::hold(Clock::time_point now) {
    removeEndedTransfers(now);
    pieceHandOffs_ = 0;
    transfers_.holdOrCancel(rangesRefused_);
    removeEndedTransfers(now);
    retry_.clear();
    speed_.reset();
}

void Fetch::stop(Clock::time_point now) {
    transfers_.cancelAll();
    removeEndedTransfers(now);
}

void Fetch::settleEnded(Clock::time_point now) {
    transfers_.timeOutStalled(now);
    removeEndedTransfers(now);
}

void Fetch::launchMore(Clock::time_point now) {
    if (!retry_.waiting(now)) {
        launchTransfers();
        removeEndedTransfers(now);  // a launch may have failed the task
    }
}

void Fetch::restartFromZero(Clock::time_point now) {
    transfers_.cancelAll();
    pieceHandOffs_ = 0;
    planner_.reset(-1);
    remote_ = {};
    confirmed_ = false;
    resumeDataDirty_ = true;
    if (!emptyDataFile()) {
        return;
    }
    if (retry_.noteImmediateRetry(now) == RetryState::Outcome::GiveUp) {
        owner_.fail(XLDL_FAIL_PROTOCOL);
    }
}

// ---- Ended transfers -------------------------------------------------------------------------

void Fetch::settle(Transfer& transfer, Clock::time_point now) {
    using Kind = TransferVerdict::Kind;
    if (!transfer.settled()) {
        settleByResult(transfer, now);
        if (!transfer.settled()) {
            return;
        }
    }
    const TransferVerdict& verdict = transfer.verdict();
    switch (verdict.kind) {
        case Kind::Transient:
            retryLater(transfer, verdict.code, verdict.retryAfter, now);
            break;
        case Kind::Fatal:
            owner_.fail(verdict.code);
            break;
        case Kind::Complete416:
            confirmed_ = true;
            break;
        case Kind::None:
        case Kind::ReachedEnd:
        case Kind::Cancelled:
            break;
    }
}

void Fetch::settleByResult(Transfer& transfer, Clock::time_point now) {
    const CURLcode result = *transfer.result();
    if (result == CURLE_OK && !transfer.judged()) {
        judge(transfer);  // an answer without a body
        if (transfer.settled()) {
            return;
        }
    }
    std::optional<Segment> range;
    if (transfer.segment() != kNoSegment) {
        range = rangeOf(transfer);
    }
    const EndDecision decision = judgeEnd(result, range);
    switch (decision.kind) {
        case EndDecision::Kind::RangeDone:
            if (!planner_.complete()) {
                ++pieceHandOffs_;  // the connection is free for the next piece
            }
            break;
        case EndDecision::Kind::EndsHere:
            planner_.closeAtCurrentPosition();
            remote_.total = planner_.total();
            resumeDataDirty_ = true;
            break;
        case EndDecision::Kind::Retry:
            retryLater(transfer, decision.failureCode, {}, now);
            break;
        case EndDecision::Kind::Failed:
            owner_.fail(decision.failureCode);
            break;
    }
}

void Fetch::retryLater(Transfer& transfer, int code, std::chrono::milliseconds retryAfter,
                       Clock::time_point now) {
    planner_.release(transfer.id());
    if (transfer.segment() != kNoSegment) {
        planner_.markResumed(transfer.segment());  // the next answer may be another file's
    }
    pieceHandOffs_ = 0;
    if ((code == 429 || code == 503) && transfers_.othersDelivering(transfer)) {
        // The server turns away extra connections: carry on with those it serves.
        serverConnectionLimit_ = std::max(1, transfers_.delivering());
        return;
    }
    if (retry_.noteFailure(now, retryAfter) == RetryState::Outcome::GiveUp) {
        owner_.fail(code);
    }
}

void Fetch::removeEndedTransfers(Clock::time_point now) {
    // Settle first (settling one may cancel others), then drop every ended transfer.
    transfers_.settleEnded([this, now](Transfer& transfer) { settle(transfer, now); });
    transfers_.removeEnded([this](const Transfer& transfer) { planner_.release(transfer.id()); });
}

Segment Fetch::rangeOf(const Transfer& transfer) const {
    Segment range = planner_.at(transfer.segment());
    if (transfer.end() >= 0 && (range.end == Segment::kUnknownEnd || transfer.end() < range.end)) {
        range.end = transfer.end();
    }
    return range;
}

// ---- New transfers -------------------------------------------------------------------------

int Fetch::plannedConnections() const {
    if (rangesRefused_ || planner_.total() < settings_.segmentThreshold) {
        return 1;
    }
    return std::max(1, std::min(settings_.maxConnections, serverConnectionLimit_));
}

int Fetch::connectionLimit() const {
    return confirmed_ ? plannedConnections() : 1;
}

bool Fetch::canTellVersions() const {
    return !remote_.etag.empty() || !remote_.lastModified.empty();
}

void Fetch::launchTransfers() {
    if (planner_.complete()) {
        // Saved data claims to be complete: ask for what follows it, which a server that
        // still has the same file answers with 416; without validators, for its last bytes
        // again, which must match.
        if (transfers_.empty() && !confirmed_) {
            const std::int64_t total = planner_.total();
            const std::int64_t held =
                canTellVersions() ? 0 : std::min(settings_.resumeCheckBytes, total);
            launch(kNoSegment, total - held, held > 0 ? total - 1 : -1, held,
                   context_.nextTransferId++);
        }
        return;
    }
    const int limit = connectionLimit();
    // A file that goes over several connections is asked for in pieces from the first
    // request on, also when it resumes, so the connections that join once the answer
    // confirms ranges share the rest.
    const bool inPieces = plannedConnections() > 1;
    while (static_cast<int>(transfers_.size()) < limit && (confirmed_ || transfers_.empty())) {
        const int id = context_.nextTransferId++;
        auto segment = planner_.takeUnowned(id);
        if (!segment && limit > 1) {
            // A piece on its way is left to its connection, which stays open for the next.
            segment = planner_.splitLargest(id, settings_.minimumPiece, [this](const Segment& s) {
                const Transfer* working = transfers_.find(s.owner);
                return working != nullptr && working->end() >= 0 ? working->end() : s.pos;
            });
        }
        if (!segment) {
            break;
        }
        const Segment& s = planner_.at(*segment);
        std::int64_t end = s.end;
        if (inPieces && end != Segment::kUnknownEnd) {
            end = std::min(end, s.pos + settings_.pieceBytes);
        }
        // Without validators, a resumed range first asks again for bytes it holds.
        std::int64_t held = 0;
        if (s.resumed) {
            held =
                canTellVersions() ? 0 : planner_.heldBefore(*segment, settings_.resumeCheckBytes);
            if (held == 0) {
                planner_.markContinued(*segment);
            }
        }
        if (!launch(*segment, s.pos - held, end == Segment::kUnknownEnd ? -1 : end - 1, held, id)) {
            break;
        }
    }
}

bool Fetch::launch(std::size_t segment, std::int64_t from, std::int64_t to, std::int64_t held,
                   int id) {
    const TransferRequest request{request_.url,
                                  request_.referrer,
                                  request_.cookies,
                                  from,
                                  to,
                                  !(from == 0 && rangesRefused_)};
    auto transfer =
        std::make_unique<Transfer>(id, segment, request, settings_, sink_, context_.multi);
    if (!transfer->valid()) {
        planner_.release(id);
        owner_.fail(XLDL_FAIL_INTERNAL);
        return false;
    }
    transfer->compareHeld(held);
    if (pieceHandOffs_ > 0 && segment != kNoSegment) {
        --pieceHandOffs_;
        transfer->markContinuation();
    }
    transfers_.add(std::move(transfer));
    return true;
}

}  // namespace ld::engine
