// Large files over several connections: rebalancing, a failing connection, resuming ranges.
#include <gtest/gtest.h>

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
