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
    target_.removeResume();
    if (const int code = target_.truncate(0); code != 0) {
        owner_.fail(code);
    }
}

ResumeMetadata Fetch::resumeRecord() const {
    return ResumeMetadata{request_.url, remote_, planner_.orderedSegments()};
}

// ---- Lifecycle -----------------------------------------------------------------------------

void Fetch::begin() {
    retry_.clear();
    speed_.reset();
    confirmed_ = transfers_.releaseHeld();
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

// ---- Answers ------------------------------------------------------------------------------

std::size_t Fetch::write(Transfer& transfer, const char* data, std::size_t size) {
    if (!transfer.judged()) {
        judge(transfer);
        if (transfer.settled()) {
            return 0;
        }
    }
    if (transfer.segment() == kNoSegment) {
        transfer.cancel();
        return 0;
    }
    const Segment segment = rangeOf(transfer);
    std::size_t take = size;
    if (segment.end != Segment::kUnknownEnd) {
        take = static_cast<std::size_t>(std::clamp<std::int64_t>(segment.end - segment.pos, 0,
                                                                 static_cast<std::int64_t>(size)));
    }
    if (take > 0) {
        if (const int code = target_.writeAt(segment.pos, data, take); code != 0) {
            transfer.settle({TransferVerdict::Kind::Fatal, code, {}});
            return 0;
        }
        planner_.advance(transfer.segment(), static_cast<std::int64_t>(take));
        speed_.add(static_cast<std::int64_t>(take));
        retry_.noteProgress();
        resumeDataDirty_ = true;
    }
    if (take < size) {
        transfer.settle({TransferVerdict::Kind::ReachedEnd, 0, {}});
    }
    return take;
}

void Fetch::judge(Transfer& transfer) {
    using Kind = AnswerDecision::Kind;
    transfer.markJudged();
    const ResponseHeaders& headers = transfer.headers();
    const AnswerHead head{transfer.status(),      headers.contentRange(), headers.etag(),
                          headers.lastModified(), headers.retryAfter(),   transfer.contentLength()};
    const AskedFor asked{transfer.from(), transfer.sentRange(), transfer.segment() != kNoSegment};
    const HeldData held{remote_, planner_.total(), planner_.doneBytes(), planner_.complete(),
                        planner_.total() < 0 && planner_.segments().size() == 1};
    const AnswerDecision decision =
        judgeAnswer(head, asked, held, std::chrono::system_clock::now());
    switch (decision.kind) {
        case Kind::KeepRange:
            keepRange(transfer, decision);
            break;
        case Kind::KeepWhole:
            keepWhole(transfer, decision);
            break;
        case Kind::DistrustRanges:
            rangesRefused_ = true;
            restartFromZero(Clock::now());
            break;
        case Kind::StartOver:
            restartFromZero(Clock::now());
            break;
        case Kind::WrongLength:
            transfer.cancel();
            break;
        case Kind::AlreadyComplete:
            transfer.settle({TransferVerdict::Kind::Complete416, 0, {}});
            break;
        case Kind::EndsHere:
            planner_.closeAtCurrentPosition();
            remote_.total = decision.adoptTotal;
            transfer.settle({TransferVerdict::Kind::Complete416, 0, {}});
            break;
        case Kind::Failed:
            transfer.settle({decision.transient ? TransferVerdict::Kind::Transient
                                                : TransferVerdict::Kind::Fatal,
                             decision.failureCode, decision.retryAfter});
            break;
    }
}

void Fetch::keepRange(Transfer& transfer, const AnswerDecision& decision) {
    if (decision.adoptTotal >= 0 && !adoptLength(decision.adoptTotal)) {
        transfer.cancel();
        return;
    }
    // A server may answer with less than asked; the piece then ends where its answer does
    // and the next request asks for the rest.
    const std::int64_t askedEnd = transfer.end() >= 0 ? transfer.end() : planner_.total();
    if (const auto& range = transfer.headers().contentRange();
        range && askedEnd >= 0 && range->last >= range->first && range->last + 1 < askedEnd) {
        transfer.endAt(range->last + 1);
    }
    remote_ = decision.remote;
    transfer.startFlowing();
    confirmed_ = true;
    resumeDataDirty_ = true;
}

void Fetch::keepWhole(Transfer& transfer, const AnswerDecision& decision) {
    // Start the file over with this answer.
    transfers_.cancelAllBut(transfer);
    pieceHandOffs_ = 0;
    planner_.reset(-1, transfer.id());
    transfer.moveToSegment(0);
    transfer.endAt(-1);  // it asked for a piece, but brings the whole file
    if (const int code = target_.truncate(0); code != 0) {
        owner_.fail(code);
        return;
    }
    remote_ = decision.remote;
    if (decision.rangesRefused) {
        rangesRefused_ = true;
    }
    if (decision.adoptTotal >= 0 && !adoptLength(decision.adoptTotal)) {
        transfer.cancel();
        return;
    }
    transfer.startFlowing();
    confirmed_ = true;
    resumeDataDirty_ = true;
}

bool Fetch::adoptLength(std::int64_t total) {
    if (!planner_.setTotal(total)) {
        restartFromZero(Clock::now());
        return false;
    }
    if (const int code = target_.preallocate(total); code != 0) {
        owner_.fail(code);
        return false;
    }
    return true;
}

void Fetch::restartFromZero(Clock::time_point now) {
    transfers_.cancelAll();
    pieceHandOffs_ = 0;
    planner_.reset(-1);
    remote_ = {};
    confirmed_ = false;
    resumeDataDirty_ = true;
    if (const int code = target_.truncate(0); code != 0) {
        owner_.fail(code);
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

int Fetch::connectionLimit() const {
    if (!confirmed_ || rangesRefused_ || planner_.total() < settings_.segmentThreshold) {
        return 1;
    }
    return std::max(1, std::min(settings_.maxConnections, serverConnectionLimit_));
}

void Fetch::launchTransfers() {
    if (planner_.complete()) {
        // Saved data claims to be complete: ask for what follows it, which a server that
        // still has the same file answers with 416.
        if (transfers_.empty() && !confirmed_) {
            launch(kNoSegment, planner_.total(), -1, context_.nextTransferId++);
        }
        return;
    }
    const int limit = connectionLimit();
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
        if (limit > 1 && end != Segment::kUnknownEnd) {
            end = std::min(end, s.pos + settings_.pieceBytes);
        }
        if (!launch(*segment, s.pos, end == Segment::kUnknownEnd ? -1 : end - 1, id)) {
            break;
        }
    }
}

bool Fetch::launch(std::size_t segment, std::int64_t from, std::int64_t to, int id) {
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
    if (pieceHandOffs_ > 0 && segment != kNoSegment) {
        --pieceHandOffs_;
        transfer->markContinuation();
    }
    transfers_.add(std::move(transfer));
    return true;
}

}  // namespace ld::engine
