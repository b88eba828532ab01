// The answers of one download: each answer's head judged (answer_judgement.h) and acted on,
// its body's bytes compared with the data held or written into their range. Part of Fetch
// (fetch.h), engine thread only.
#include "engine/fetch.h"

#include <algorithm>
#include <string>

#include "xldl/task_layout.h"

namespace ld::engine {

// ---- Answers ------------------------------------------------------------------------------

std::size_t Fetch::write(Transfer& transfer, const char* data, std::size_t size) {
    if (!transfer.judged()) {
        judge(transfer);
        if (transfer.settled()) {
            return 0;
        }
    }
    std::size_t compared = 0;
    if (transfer.heldToCompare() > 0) {
        compared = compareHeld(transfer, data, size);
        if (transfer.settled()) {
            // A check of complete data whose bytes all matched is done; anything else was
            // refused.
            return transfer.verdict().kind == TransferVerdict::Kind::Complete416 ? compared : 0;
        }
        if (compared == size) {
            return compared;
        }
        data += compared;
        size -= compared;
    }
    return compared + store(transfer, data, size);
}

std::size_t Fetch::compareHeld(Transfer& transfer, const char* data, std::size_t size) {
    const std::size_t n = static_cast<std::size_t>(
        std::min<std::int64_t>(transfer.heldToCompare(), static_cast<std::int64_t>(size)));
    std::string held(n, '\0');
    if (const int code = target_.readAt(transfer.compareAt(), held.data(), n); code != 0) {
        transfer.settle({TransferVerdict::Kind::Fatal, code, {}});
        return 0;
    }
    if (held.compare(0, n, data, n) != 0) {
        // Another file under the same address: what is on disk cannot be continued.
        restartFromZero(Clock::now());
        return 0;
    }
    transfer.compared(static_cast<std::int64_t>(n));
    if (transfer.heldToCompare() == 0) {
        if (transfer.segment() == kNoSegment) {
            // The data claiming to be complete still ends as the server's file does.
            transfer.settle({TransferVerdict::Kind::Complete416, 0, {}});
        } else {
            planner_.markContinued(transfer.segment());
            confirmed_ = true;
        }
    }
    return n;
}

std::size_t Fetch::store(Transfer& transfer, const char* data, std::size_t size) {
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
    const AskedFor asked{transfer.from(), transfer.sentRange(), transfer.segment() != kNoSegment,
                         transfer.heldToCompare() > 0};
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
        transfer.limitCompare(range->last + 1 - transfer.compareAt());
    }
    remote_ = decision.remote;
    transfer.startFlowing();
    // With held bytes to compare, the answer counts once they matched.
    if (transfer.heldToCompare() == 0) {
        confirmed_ = true;
    }
    resumeDataDirty_ = true;
}

void Fetch::keepWhole(Transfer& transfer, const AnswerDecision& decision) {
    // Start the file over with this answer.
    transfers_.cancelAllBut(transfer);
    pieceHandOffs_ = 0;
    planner_.reset(-1, transfer.id());
    transfer.moveToSegment(0);
    transfer.endAt(-1);  // it asked for a piece, but brings the whole file
    transfer.compareHeld(0);
    if (!emptyDataFile()) {
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

}  // namespace ld::engine
