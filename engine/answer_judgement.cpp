#include "engine/answer_judgement.h"

#include "engine/retry_policy.h"
#include "xldl/task_layout.h"

namespace ld::engine {
namespace {

using Kind = AnswerDecision::Kind;

AnswerDecision decide(Kind kind) {
    AnswerDecision decision;
    decision.kind = kind;
    return decision;
}

AnswerDecision judgePartial(const AnswerHead& head, const AskedFor& asked, const HeldData& held) {
    const auto& range = head.contentRange;
    if (!range || range->first != asked.from || (!asked.forSegment && !asked.comparesHeld)) {
        // Not the range asked for: ranges from this server cannot be trusted.
        return decide(Kind::DistrustRanges);
    }
    const RemoteIdentity answer{range->total, head.etag, head.lastModified};
    if (held.remote.conflictsWith(answer)) {
        // The file changed on the server: what is on disk belongs to the old one.
        return decide(Kind::StartOver);
    }
    if (answer.total >= 0 && held.plannedTotal >= 0 && answer.total != held.plannedTotal) {
        return decide(Kind::WrongLength);
    }
    AnswerDecision decision = decide(Kind::KeepRange);
    decision.remote = held.remote;
    if (decision.remote.total < 0) {
        decision.remote.total = answer.total;
    }
    if (decision.remote.etag.empty()) {
        decision.remote.etag = answer.etag;
    }
    if (decision.remote.lastModified.empty()) {
        decision.remote.lastModified = answer.lastModified;
    }
    if (held.plannedTotal < 0) {
        decision.adoptTotal = answer.total;
    }
    return decision;
}

AnswerDecision judgeWhole(const AnswerHead& head, const AskedFor& asked) {
    // The answer carries the file from its first byte, whatever was asked.
    AnswerDecision decision = decide(Kind::KeepWhole);
    decision.remote = RemoteIdentity{head.contentLength, head.etag, head.lastModified};
    decision.adoptTotal = head.contentLength;
    decision.rangesRefused = asked.sentRange;
    return decision;
}

AnswerDecision judgeUnsatisfiable(const AnswerHead& head, const AskedFor& asked,
                                  const HeldData& held) {
    const std::int64_t serverTotal = head.contentRange ? head.contentRange->total : -1;
    if (held.complete && (serverTotal < 0 || serverTotal == held.plannedTotal) &&
        asked.from >= held.plannedTotal) {
        // Everything is on disk already; the server just has nothing after it.
        return decide(Kind::AlreadyComplete);
    }
    if (held.singleOpenRange && serverTotal >= 0 && serverTotal == held.doneBytes &&
        asked.from == serverTotal) {
        AnswerDecision decision = decide(Kind::EndsHere);
        decision.adoptTotal = serverTotal;
        return decision;
    }
    return decide(Kind::StartOver);
}

AnswerDecision judgeError(const AnswerHead& head, std::chrono::system_clock::time_point now) {
    const FailureClass failure = classifyHttpStatus(head.status);
    AnswerDecision decision = decide(Kind::Failed);
    decision.transient = failure.transient;
    decision.failureCode = failure.code;
    decision.retryAfter =
        parseRetryAfter(head.retryAfter, now).value_or(std::chrono::milliseconds(0));
    return decision;
}

}  // namespace

AnswerDecision judgeAnswer(const AnswerHead& head, const AskedFor& asked, const HeldData& held,
                           std::chrono::system_clock::time_point now) {
    if (head.status == 206) {
        return judgePartial(head, asked, held);
    }
    if (head.status >= 200 && head.status < 300) {
        return judgeWhole(head, asked);
    }
    if (head.status == 416) {
        return judgeUnsatisfiable(head, asked, held);
    }
    return judgeError(head, now);
}

EndDecision judgeEnd(CURLcode result, const std::optional<Segment>& range) {
    if (result != CURLE_OK) {
        const FailureClass failure = classifyCurlResult(result);
        return {failure.transient ? EndDecision::Kind::Retry : EndDecision::Kind::Failed,
                failure.code};
    }
    if (!range) {
        return {EndDecision::Kind::Retry, XLDL_FAIL_PROTOCOL};
    }
    if (range->end == Segment::kUnknownEnd) {
        return {EndDecision::Kind::EndsHere, 0};  // the answer had no length: it ends here
    }
    if (!range->finished()) {
        return {EndDecision::Kind::Retry, XLDL_FAIL_NETWORK};  // shorter than announced
    }
    return {EndDecision::Kind::RangeDone, 0};
}

}  // namespace ld::engine
