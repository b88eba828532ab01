// Resuming a partial download: the first request after a restart asks for a piece, so other
// connections share the rest, and a server without validators has to prove at each resume
// point that it still serves the same file.
#include <gtest/gtest.h>

#include <ostream>
#include <set>

#include "tests/engine/engine_fixture.h"

namespace ld::engine::testing {
namespace {

using namespace std::chrono_literals;
using ResumeTest = EngineTest;

constexpr std::int64_t kMiB = 1024 * 1024;
constexpr std::int64_t kCheckBytes = 64 * 1024;

std::int64_t rangeStart(const std::string& range) {
    return range.rfind("bytes=", 0) == 0 ? std::stoll(range.substr(6)) : -1;
}

std::int64_t rangeLast(const std::string& range) {
    const auto dash = range.find('-');
    return dash == std::string::npos || dash + 1 == range.size()
               ? -1
               : std::stoll(range.substr(dash + 1));
}

TEST_F(ResumeTest, TheFirstRequestAfterARestartAsksForAPieceAndOthersJoin) {
    const std::string body = randomBytes(16 * kMiB, 61);
    server.setContent(body);  // version 1: ETag "v1", Last-Modified on the 2nd
    server.setRateLimit(8 * kMiB);
    // What an earlier run left: one range, the first 3 MiB on disk.
    const std::int64_t held = 3 * kMiB;
    std::string partial = body.substr(0, static_cast<std::size_t>(held));
    partial.resize(body.size(), '\0');
    writeFile(dir.path() / "lecture.flv.xldl", partial);
    writeFile(dir.path() / "lecture.flv.xldl.meta",
              "xldl-resume 1\nurl " + server.url() + "\nlength " + std::to_string(body.size()) +
                  "\netag \"v1\"\nlast-modified Mon, 02 Jan 2024 00:00:00 GMT\nsegment 0 " +
                  std::to_string(held) + " " + std::to_string(body.size()) + "\nend\n");

    const Watch watch = waitUntilDone(startTask(fieldsFor("lecture.flv")), 30s);
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "lecture.flv"), body);
    const auto requests = server.requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(rangeStart(requests[0].range), held);
    EXPECT_EQ(rangeLast(requests[0].range), held + kMiB - 1) << requests[0].range;
    std::set<int> connections;
    for (const auto& request : requests) {
        connections.insert(request.clientPort);
        EXPECT_GE(rangeStart(request.range), held) << request.range;  // nothing fetched twice
    }
    EXPECT_GT(connections.size(), 1u);
}

// A partial download from a server without ETag and Last-Modified, stopped by a restart of
// the engine, then continued.
struct ChangeCase {
    const char* label;
    std::int64_t size;  // 16 MiB goes over several connections: several resume points
    bool changed;       // the file on the server was replaced by one of the same length
};

[[maybe_unused]] void PrintTo(const ChangeCase& c, std::ostream* out) {
    *out << c.label;
}

class WithoutValidatorsTest : public EngineTest,
                              public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(WithoutValidatorsTest, AResumeChecksTheBytesBeforeItAndStartsOverWhenTheyDiffer) {
    const ChangeCase& c = GetParam();
    const std::string oldBody = randomBytes(static_cast<std::size_t>(c.size), 62);
    const std::string newBody = randomBytes(static_cast<std::size_t>(c.size), 63);
    server.setValidators(false);
    server.setContent(oldBody);
    server.setRateLimit(2 * kMiB);
    const CreateRecordFields fields = fieldsFor("lecture.flv");
    const XL_TaskHandle first = startTask(fields);
    ASSERT_TRUE(waitFor(
        first, [](const InfoRecordView& info) { return info.doneBytes() > kMiB + kCheckBytes; }));
    restartEngine();
    const std::size_t requestsBefore = server.requests().size();

    if (c.changed) {
        server.setContent(newBody);
    }
    server.setRateLimit(0);
    const Watch watch = waitUntilDone(startTask(fields), 30s);
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    const std::string saved = readFile(dir.path() / "lecture.flv");
    EXPECT_TRUE(saved == (c.changed ? newBody : oldBody))
        << (saved == oldBody   ? "the old file"
            : saved == newBody ? "the new file"
                               : "a splice of both");

    const auto requests = server.requests();
    ASSERT_GT(requests.size(), requestsBefore);
    // The first request after the restart asks again for bytes held before its resume point.
    EXPECT_GT(rangeStart(requests[requestsBefore].range), 0) << requests[requestsBefore].range;
    const bool startedOver =
        std::any_of(requests.begin() + static_cast<long>(requestsBefore), requests.end(),
                    [](const auto& r) { return rangeStart(r.range) == 0; });
    EXPECT_EQ(startedOver, c.changed);
}

INSTANTIATE_TEST_SUITE_P(
    Restarted, WithoutValidatorsTest,
    ::testing::Values(ChangeCase{"Changed", 3 * kMiB, true},
                      ChangeCase{"ChangedOverSeveralConnections", 16 * kMiB, true},
                      ChangeCase{"Unchanged", 3 * kMiB, false},
                      ChangeCase{"UnchangedOverSeveralConnections", 16 * kMiB, false}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST_F(ResumeTest, CompleteDataWithoutValidatorsIsCheckedAgainstTheFilesLastBytes) {
    const std::string oldBody = randomBytes(kMiB, 64);
    const std::string newBody = randomBytes(kMiB, 65);
    server.setValidators(false);
    for (const bool changed : {false, true}) {
        SCOPED_TRACE(changed ? "changed meanwhile" : "unchanged");
        // Stopped while the finished data waits for its final name, as if killed then.
        restartEngine({{"XLDL_FINISH_HOLD_MS", "5000"}});
        server.setContent(oldBody);
        const CreateRecordFields fields = fieldsFor("done.flv");
        const XL_TaskHandle first = startTask(fields);
        ASSERT_TRUE(waitFor(first, [](const InfoRecordView& info) {
            return info.state() == XLDL_STATE_FINISHING;
        }));
        restartEngine();
        const std::size_t requestsBefore = server.requests().size();

        if (changed) {
            server.setContent(newBody);
        }
        ASSERT_EQ(waitUntilDone(startTask(fields)).last.state(), XLDL_STATE_FINISHED);
        const std::string saved = readFile(dir.path() / "done.flv");
        EXPECT_TRUE(saved == (changed ? newBody : oldBody));
        const auto requests = server.requests();
        ASSERT_GT(requests.size(), requestsBefore);
        EXPECT_EQ(requests[requestsBefore].range,
                  "bytes=" + std::to_string(oldBody.size() - kCheckBytes) + "-" +
                      std::to_string(oldBody.size() - 1));
        EXPECT_EQ(requests.size() - requestsBefore, changed ? 2u : 1u);
        std::filesystem::remove(dir.path() / "done.flv");
    }
}

}  // namespace
}  // namespace ld::engine::testing
