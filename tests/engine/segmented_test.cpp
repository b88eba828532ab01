// Large files over several connections: pieces on kept-alive connections, rebalancing, a
// failing or stalling connection, servers that answer ranges in their own way, resuming.
#include <gtest/gtest.h>

#include <set>

#include "tests/engine/engine_fixture.h"

namespace ld::engine::testing {
namespace {

using namespace std::chrono_literals;
using Fault = TestServer::Fault;
using SegmentedTest = EngineTest;

constexpr std::int64_t kMiB = 1024 * 1024;

std::int64_t rangeStart(const std::string& range) {
    return range.rfind("bytes=", 0) == 0 ? std::stoll(range.substr(6)) : -1;
}

// The last byte asked for; -1 for "to the end" or no range.
std::int64_t rangeLast(const std::string& range) {
    const auto dash = range.find('-');
    return dash == std::string::npos || dash + 1 == range.size()
               ? -1
               : std::stoll(range.substr(dash + 1));
}

TEST_F(SegmentedTest, PiecesFollowEachOtherOnKeptAliveConnections) {
    const std::string body = randomBytes(16 * kMiB, 34);
    server.setContent(body);
    server.setRateLimit(16 * kMiB);  // per connection: a quarter of a second with four

    const Watch watch = waitUntilDone(startTask(fieldsFor("pieces.flv")), 30s);
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "pieces.flv"), body);
    const auto requests = server.requests();
    std::set<int> connections;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        connections.insert(requests[i].clientPort);
        if (i > 0) {  // after the first, every request asks for one piece
            const std::int64_t length =
                rangeLast(requests[i].range) - rangeStart(requests[i].range) + 1;
            EXPECT_GT(length, 0) << requests[i].range;
            EXPECT_LE(length, kMiB) << requests[i].range;
        }
    }
    EXPECT_LE(connections.size(), 4u);
    EXPECT_GE(requests.size(), 2 * connections.size());  // connections carried several pieces
    EXPECT_LE(server.maxConcurrent(), 4);
}

TEST_F(SegmentedTest, ServerThatAnswersRangesShortIsAskedForTheRest) {
    // A short answer is no failure: with a minute's wait before any retry, only asking for
    // the rest at once finishes in time.
    restartEngine({{"XLDL_BACKOFF_BASE_MS", "60000"}});
    const std::string body = randomBytes(12 * kMiB, 35);
    server.setContent(body);
    server.setLongestRangeAnswer(300 * 1024);

    const Watch watch = waitUntilDone(startTask(fieldsFor("short.flv")), 30s);
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "short.flv"), body);
    // Each request starts where an answer before it ended or where a range was split, never
    // inside data already fetched: the server sent every byte once.
    EXPECT_EQ(server.bytesSent(), static_cast<std::int64_t>(body.size()));
}

TEST_F(SegmentedTest, ServerThatIgnoresRangeForAPieceGivesTheWholeFileAgain) {
    const std::string body = randomBytes(12 * kMiB, 36);
    server.setContent(body);
    server.setRateLimit(16 * kMiB);
    server.queueFault(Fault::none());  // the first request is served normally
    server.queueFault(Fault::ignoreRange());

    const Watch watch = waitUntilDone(startTask(fieldsFor("ignored.flv")), 30s);
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "ignored.flv"), body);
}

TEST_F(SegmentedTest, StalledPieceIsTakenOverWhileTheOthersFinish) {
    const std::string body = randomBytes(16 * kMiB, 37);
    server.setContent(body);
    server.setRateLimit(16 * kMiB);
    server.queueFault(Fault::none());
    server.queueFault(Fault::stall(256 * 1024));  // the second request stops mid-piece

    const Watch watch = waitUntilDone(startTask(fieldsFor("stalled.flv")), 30s);
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "stalled.flv"), body);
    // What the stalled piece did not bring was asked for again.
    const auto requests = server.requests();
    ASSERT_GT(requests.size(), 2u);
    const std::int64_t stalledFrom = rangeStart(requests[1].range) + 256 * 1024;
    const bool askedAgain = std::any_of(requests.begin() + 2, requests.end(), [&](const auto& r) {
        return rangeStart(r.range) == stalledFrom;
    });
    EXPECT_TRUE(askedAgain);
}

TEST_F(SegmentedTest, FastConnectionsTakeOverTheRestOfASlowOne) {
    const std::string body = randomBytes(16 * kMiB, 31);
    server.setContent(body);
    server.queueFault(Fault::slow(kMiB));  // the first connection crawls

    const Watch watch = waitUntilDone(startTask(fieldsFor("balanced.flv")), 30s);
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "balanced.flv"), body);
    // The slow first quarter was split again: some request starts inside it.
    const auto requests = server.requests();
    EXPECT_GT(requests.size(), 4u);
    const bool splitFirstQuarter =
        std::any_of(requests.begin() + 1, requests.end(), [](const auto& r) {
            const std::int64_t start = rangeStart(r.range);
            return start > 0 && start < 4 * kMiB;
        });
    EXPECT_TRUE(splitFirstQuarter);
}

TEST_F(SegmentedTest, OneFailingConnectionIsRetriedWhileOthersContinue) {
    const std::string body = randomBytes(16 * kMiB, 32);
    server.setContent(body);
    server.setRateLimit(8 * kMiB);
    server.queueFault(Fault::none());  // the first request is served normally
    server.queueFault(Fault::drop(kMiB));

    const Watch watch = waitUntilDone(startTask(fieldsFor("retried.flv")), 30s);
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "retried.flv"), body);
}

TEST_F(SegmentedTest, RangesOnDiskAreResumedAfterUnInit) {
    const std::string body = randomBytes(16 * kMiB, 33);
    server.setContent(body);
    server.setRateLimit(4 * kMiB);
    const CreateRecordFields fields = fieldsFor("segments.flv");
    const XL_TaskHandle first = startTask(fields);
    ASSERT_TRUE(waitFor(first, [](const InfoRecordView& info) {
        return info.activeConnections() > 1 && info.doneBytes() > 4 * kMiB;
    }));
    restartEngine();
    const std::size_t requestsBefore = server.requests().size();

    server.setRateLimit(0);
    const XL_TaskHandle second = startTask(fields);
    ASSERT_EQ(waitUntilDone(second, 30s).last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "segments.flv"), body);
    // Each range continues where its data ended, so every request starts past byte 0.
    const auto requests = server.requests();
    ASSERT_GT(requests.size(), requestsBefore);
    for (std::size_t i = requestsBefore; i < requests.size(); ++i) {
        EXPECT_GT(rangeStart(requests[i].range), 0) << requests[i].range;
    }
}

}  // namespace
}  // namespace ld::engine::testing
