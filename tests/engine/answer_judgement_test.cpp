// What the engine does with a server's answer and with a transfer's end, without a server:
// the rules that keep bytes of two versions of a file, or a short body, out of a download.
#include <gtest/gtest.h>

#include "engine/answer_judgement.h"
#include "xldl/task_layout.h"

namespace ld::engine {
namespace {

using namespace std::chrono_literals;
using Kind = AnswerDecision::Kind;

const auto kNow = std::chrono::system_clock::from_time_t(1'700'000'000);

AnswerHead partial(std::int64_t first, std::int64_t last, std::int64_t total, std::string etag = {},
                   std::string lastModified = {}) {
    AnswerHead head;
    head.status = 206;
    head.contentRange = ContentRange{first, last, total};
    head.etag = std::move(etag);
    head.lastModified = std::move(lastModified);
    head.contentLength = last - first + 1;
    return head;
}

// Half of a 1000-byte file on disk, as an earlier answer described it.
HeldData halfOnDisk() {
    return HeldData{RemoteIdentity{1000, "\"v1\"", "Mon, 01 Jan 2024 00:00:00 GMT"}, 1000, 500,
                    false, false};
}

struct PartialCase {
    const char* label;
    AnswerHead head;
    AskedFor asked;
    HeldData held;
    Kind expected;
};

TEST(AnswerJudgementTest, PartialAnswerIsKeptOnlyForTheRangeAndVersionAsked) {
    const AskedFor from500{500, true, true};
    AnswerHead noRange = partial(500, 999, 1000);
    noRange.contentRange.reset();
    const std::vector<PartialCase> cases = {
        {"the range asked, same version", partial(500, 999, 1000, "\"v1\""), from500, halfOnDisk(),
         Kind::KeepRange},
        {"validators the server leaves out do not count", partial(500, 999, 1000), from500,
         halfOnDisk(), Kind::KeepRange},
        {"starts elsewhere than asked", partial(0, 999, 1000, "\"v1\""), from500, halfOnDisk(),
         Kind::DistrustRanges},
        {"no Content-Range at all", noRange, from500, halfOnDisk(), Kind::DistrustRanges},
        {"a range for the check after complete data", partial(1000, 1000, 1001),
         AskedFor{1000, true, false}, halfOnDisk(), Kind::DistrustRanges},
        {"ETag changed", partial(500, 999, 1000, "\"v2\""), from500, halfOnDisk(), Kind::StartOver},
        {"Last-Modified changed",
         partial(500, 999, 1000, "\"v1\"", "Tue, 02 Jan 2024 00:00:00 GMT"), from500, halfOnDisk(),
         Kind::StartOver},
        {"length changed", partial(500, 1199, 1200), from500, halfOnDisk(), Kind::StartOver},
        {"planned for another length than the server now tells", partial(500, 1199, 1200), from500,
         HeldData{RemoteIdentity{}, 1000, 500, false, false}, Kind::WrongLength},
    };
    for (const PartialCase& c : cases) {
        EXPECT_EQ(judgeAnswer(c.head, c.asked, c.held, kNow).kind, c.expected) << c.label;
    }
}

TEST(AnswerJudgementTest, KeptRangeFillsInWhatWasNotKnown) {
    const HeldData fresh{RemoteIdentity{}, -1, 0, false, true};
    const AnswerDecision first =
        judgeAnswer(partial(0, 99, 1000, "\"v1\"", "Mon"), AskedFor{0, true, true}, fresh, kNow);
    ASSERT_EQ(first.kind, Kind::KeepRange);
    EXPECT_EQ(first.remote.total, 1000);
    EXPECT_EQ(first.remote.etag, "\"v1\"");
    EXPECT_EQ(first.remote.lastModified, "Mon");
    EXPECT_EQ(first.adoptTotal, 1000);  // planned without a length until now

    // Known parts stay; a length already planned is not adopted again.
    const AnswerDecision later =
        judgeAnswer(partial(500, 999, 1000), AskedFor{500, true, true}, halfOnDisk(), kNow);
    ASSERT_EQ(later.kind, Kind::KeepRange);
    EXPECT_EQ(later.remote.etag, "\"v1\"");
    EXPECT_EQ(later.adoptTotal, -1);
}

TEST(AnswerJudgementTest, WholeFileAnswerStartsTheFileOver) {
    AnswerHead ok;
    ok.status = 200;
    ok.contentLength = 1000;
    ok.etag = "\"v1\"";
    // 200 to a Range request: what is on disk is dropped and ranges are not used again.
    const AnswerDecision afterRange =
        judgeAnswer(ok, AskedFor{500, true, true}, halfOnDisk(), kNow);
    EXPECT_EQ(afterRange.kind, Kind::KeepWhole);
    EXPECT_TRUE(afterRange.rangesRefused);
    EXPECT_EQ(afterRange.adoptTotal, 1000);
    EXPECT_EQ(afterRange.remote.etag, "\"v1\"");

    ok.contentLength = -1;  // no length: the file ends where the body ends
    const HeldData fresh{RemoteIdentity{}, -1, 0, false, true};
    const AnswerDecision plain = judgeAnswer(ok, AskedFor{0, false, true}, fresh, kNow);
    EXPECT_EQ(plain.kind, Kind::KeepWhole);
    EXPECT_FALSE(plain.rangesRefused);
    EXPECT_EQ(plain.adoptTotal, -1);
}

TEST(AnswerJudgementTest, UnsatisfiableRangeFinishesOnlyDataThatIsWhole) {
    const auto unsatisfiable = [](std::int64_t total) {
        AnswerHead head;
        head.status = 416;
        if (total >= 0) {
            head.contentRange = ContentRange{-1, -1, total};
        }
        return head;
    };
    const HeldData complete{RemoteIdentity{1000, "\"v1\"", {}}, 1000, 1000, true, false};
    const AskedFor check{1000, true, false};
    EXPECT_EQ(judgeAnswer(unsatisfiable(1000), check, complete, kNow).kind, Kind::AlreadyComplete);
    EXPECT_EQ(judgeAnswer(unsatisfiable(-1), check, complete, kNow).kind, Kind::AlreadyComplete);
    // The server's file is longer now: the data on disk is not the whole file.
    EXPECT_EQ(judgeAnswer(unsatisfiable(1200), check, complete, kNow).kind, Kind::StartOver);
    // A 416 in the middle of a file is no reason to believe anything on disk.
    EXPECT_EQ(judgeAnswer(unsatisfiable(1000), AskedFor{500, true, true}, halfOnDisk(), kNow).kind,
              Kind::StartOver);

    // A file of unknown length, resumed exactly at its end.
    const HeldData openRange{RemoteIdentity{}, -1, 700, false, true};
    const AnswerDecision endsHere =
        judgeAnswer(unsatisfiable(700), AskedFor{700, true, true}, openRange, kNow);
    EXPECT_EQ(endsHere.kind, Kind::EndsHere);
    EXPECT_EQ(endsHere.adoptTotal, 700);
    EXPECT_EQ(judgeAnswer(unsatisfiable(900), AskedFor{700, true, true}, openRange, kNow).kind,
              Kind::StartOver);
}

TEST(AnswerJudgementTest, ErrorStatusSaysWhetherToTryAgainAndWhen) {
    AnswerHead busy;
    busy.status = 503;
    busy.retryAfter = "Tue, 14 Nov 2023 22:13:30 GMT";  // 10 s after kNow
    const AnswerDecision later = judgeAnswer(busy, AskedFor{}, halfOnDisk(), kNow);
    EXPECT_EQ(later.kind, Kind::Failed);
    EXPECT_TRUE(later.transient);
    EXPECT_EQ(later.failureCode, 503);
    EXPECT_EQ(later.retryAfter, 10s);

    AnswerHead gone;
    gone.status = 404;
    const AnswerDecision never = judgeAnswer(gone, AskedFor{}, halfOnDisk(), kNow);
    EXPECT_EQ(never.kind, Kind::Failed);
    EXPECT_FALSE(never.transient);
    EXPECT_EQ(never.failureCode, 404);
}

TEST(EndJudgementTest, BodyShorterThanItsRangeIsTriedAgain) {
    struct Case {
        const char* label;
        CURLcode result;
        std::optional<Segment> range;
        EndDecision::Kind expected;
        int code;
    };
    const std::vector<Case> cases = {
        {"range complete", CURLE_OK, Segment{0, 1000, 1000}, EndDecision::Kind::RangeDone, 0},
        {"clean end short of the range", CURLE_OK, Segment{0, 400, 1000}, EndDecision::Kind::Retry,
         XLDL_FAIL_NETWORK},
        {"clean end of a range without length", CURLE_OK, Segment{0, 400, Segment::kUnknownEnd},
         EndDecision::Kind::EndsHere, 0},
        {"clean end without a range", CURLE_OK, std::nullopt, EndDecision::Kind::Retry,
         XLDL_FAIL_PROTOCOL},
        {"connection cut", CURLE_PARTIAL_FILE, Segment{0, 400, 1000}, EndDecision::Kind::Retry,
         XLDL_FAIL_NETWORK},
        {"certificate refused", CURLE_PEER_FAILED_VERIFICATION, Segment{0, 0, 1000},
         EndDecision::Kind::Failed, XLDL_FAIL_TLS},
    };
    for (const Case& c : cases) {
        const EndDecision decision = judgeEnd(c.result, c.range);
        EXPECT_EQ(decision.kind, c.expected) << c.label;
        EXPECT_EQ(decision.failureCode, c.code) << c.label;
    }
}

}  // namespace
}  // namespace ld::engine
