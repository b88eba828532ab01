// Servers that misbehave: cut connections, stalls, ignored ranges, changed files, errors.
#include <gtest/gtest.h>

#include <ostream>

#include "tests/engine/engine_fixture.h"
#include "tests/web/raw_http_server.h"

namespace ld::engine::testing {
namespace {

using namespace std::chrono_literals;
using Fault = TestServer::Fault;
using FaultTest = EngineTest;

constexpr std::int64_t kMiB = 1024 * 1024;

std::int64_t rangeStart(const std::string& range) {
    return range.rfind("bytes=", 0) == 0 ? std::stoll(range.substr(6)) : -1;
}

// A fault on the first answer, after which the download must still end byte-identical.
struct RecoveryCase {
    const char* label;
    Fault fault;
    bool honourRange;
    // What the second request must ask for: where the data ended, or the whole file again.
    bool resumesFromCut;
};

// Test names and failure messages show the case's label, not its bytes.
[[maybe_unused]] void PrintTo(const RecoveryCase& c, std::ostream* out) {
    *out << c.label;
}

class RecoveryTest : public EngineTest, public ::testing::WithParamInterface<RecoveryCase> {};

TEST_P(RecoveryTest, DownloadEndsByteIdentical) {
    const RecoveryCase& c = GetParam();
    const std::string body = randomBytes(2 * kMiB, 11);
    server.setContent(body);
    server.setHonourRange(c.honourRange);
    server.queueFault(c.fault);

    const Watch watch = waitUntilDone(startTask(fieldsFor("recovered.flv")));
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED) << "failure " << watch.last.failureCode();
    EXPECT_EQ(readFile(dir.path() / "recovered.flv"), body);

    const auto requests = server.requests();
    ASSERT_GE(requests.size(), 2u);
    if (c.resumesFromCut) {
        EXPECT_GT(rangeStart(requests[1].range), 0) << requests[1].range;
        EXPECT_LE(rangeStart(requests[1].range), c.fault.afterBytes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RecoveryTest,
    ::testing::Values(RecoveryCase{"DroppedMidBody", Fault::drop(700 * 1024), true, true},
                      RecoveryCase{"StalledMidBody", Fault::stall(600 * 1024), true, true},
                      RecoveryCase{"StalledBeforeBody", Fault::stall(0), true, false},
                      RecoveryCase{"DroppedWithoutRanges", Fault::drop(700 * 1024), false, false},
                      RecoveryCase{"ServerError", Fault::answer(500), true, false},
                      RecoveryCase{"TooManyRequests", Fault::answer(429), true, false}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST_F(FaultTest, ServerThatIgnoresRangeOnRetryRestartsFromZero) {
    const std::string body = randomBytes(2 * kMiB, 12);
    server.setContent(body);
    server.queueFault(Fault::drop(900 * 1024));
    server.queueFault(Fault::ignoreRange());

    const Watch watch = waitUntilDone(startTask(fieldsFor("ignored.flv")));
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "ignored.flv"), body);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_GT(rangeStart(requests[1].range), 0);  // asked to resume, got the whole file
}

TEST_F(FaultTest, LargeFileFromServerWithoutRangesUsesOneConnection) {
    const std::string body = randomBytes(12 * kMiB, 13);
    server.setContent(body);
    server.setHonourRange(false);
    const Watch watch = waitUntilDone(startTask(fieldsFor("single.flv")));
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "single.flv"), body);
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.maxConcurrent(), 1);
}

TEST_F(FaultTest, FileChangedBetweenTriesIsFetchedAgainFromZero) {
    const std::string oldBody = randomBytes(2 * kMiB, 14);
    const std::string newBody = randomBytes(2 * kMiB, 15);
    server.setContent(oldBody);
    server.queueFault(Fault::drop(800 * 1024));
    server.setOnRequest([this, &newBody](int index) {
        if (index == 1) {
            server.setContent(newBody);
        }
    });

    const Watch watch = waitUntilDone(startTask(fieldsFor("changed.flv")));
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "changed.flv"), newBody);
    const auto requests = server.requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_GT(rangeStart(requests[1].range), 0);
    EXPECT_EQ(rangeStart(requests.back().range), 0);
}

TEST_F(FaultTest, NotFoundFailsAtOnceWithItsStatus) {
    server.setStatusForAll(404);
    const Watch watch = waitUntilDone(startTask(fieldsFor("missing.flv")), 5s);
    EXPECT_EQ(watch.last.state(), XLDL_STATE_FAILED);
    EXPECT_EQ(watch.last.failureCode(), 404);
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_TRUE(listFolder(dir.path()).empty());
}

TEST_F(FaultTest, RetryAfterIsHonoured) {
    const std::string body = randomBytes(64 * 1024, 16);
    server.setContent(body);
    server.queueFault(Fault::answer(503, "1"));

    const Watch watch = waitUntilDone(startTask(fieldsFor("later.flv")));
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "later.flv"), body);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_GE(requests[1].at - requests[0].at, 950ms);  // the backoff alone would be 20 ms
}

TEST_F(FaultTest, GivesUpAfterFiveTriesWithTheLastStatus) {
    server.setStatusForAll(503);
    const Watch watch = waitUntilDone(startTask(fieldsFor("busy.flv")), 10s);
    EXPECT_EQ(watch.last.state(), XLDL_STATE_FAILED);
    EXPECT_EQ(watch.last.failureCode(), 503);
    EXPECT_EQ(server.requests().size(), 5u);
    EXPECT_TRUE(listFolder(dir.path()).empty());
}

TEST_F(FaultTest, RefusedConnectionFailsAsNetworkError) {
    // A port that was free a moment ago: nothing listens there.
    CreateRecordFields fields = fieldsFor("refused.flv");
    fields.url = toUtf16("http://127.0.0.1:" + std::to_string(ld::test::unusedPort()) + "/x");
    const Watch watch = waitUntilDone(startTask(fields), 10s);
    EXPECT_EQ(watch.last.state(), XLDL_STATE_FAILED);
    EXPECT_EQ(watch.last.failureCode(), XLDL_FAIL_NETWORK);
}

TEST_F(FaultTest, RedirectsAreFollowedButNotForever) {
    const std::string body = randomBytes(100'000, 18);
    server.setContent(body);
    CreateRecordFields fields = fieldsFor("moved.flv");
    fields.url = toUtf16(server.url("/moved?x=1"));
    ASSERT_EQ(waitUntilDone(startTask(fields)).last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "moved.flv"), body);

    fields = fieldsFor("loop.flv");
    fields.url = toUtf16(server.url("/loop"));
    const Watch watch = waitUntilDone(startTask(fields), 5s);
    EXPECT_EQ(watch.last.state(), XLDL_STATE_FAILED);
    EXPECT_EQ(watch.last.failureCode(), XLDL_FAIL_REDIRECTS);
    EXPECT_EQ(server.requests().size(), 2u + 11u);  // the first download, then 1 + 10 hops
}

TEST_F(FaultTest, AnswerWithoutLengthIsCompleteWhenItEnds) {
    const std::string body = randomBytes(kMiB + 5, 17);
    server.setContent(body);
    server.setChunked(true);
    server.setHonourRange(false);
    const Watch watch = waitUntilDone(startTask(fieldsFor("chunked.flv")));
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "chunked.flv"), body);
    EXPECT_EQ(watch.last.totalBytes(), static_cast<std::int64_t>(body.size()));
}

}  // namespace
}  // namespace ld::engine::testing
