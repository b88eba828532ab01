// Downloads through the C interface: content, states, connections, pause and resume.
#include <gtest/gtest.h>

#include <ostream>

#include <thread>

#include "tests/engine/engine_fixture.h"

namespace ld::engine::testing {
namespace {

using namespace std::chrono_literals;
using DownloadTest = EngineTest;

constexpr std::int64_t kMiB = 1024 * 1024;

TEST_F(DownloadTest, FileIsByteIdenticalAndStatesRunSendingFlowingFinishingFinished) {
    restartEngine({{"XLDL_FINISH_HOLD_MS", "300"}});
    const std::string body = randomBytes(2 * kMiB + 123, 1);
    server.setContent(body);
    server.setHeaderDelay(200ms);
    server.setRateLimit(4 * kMiB);

    const XL_TaskHandle handle = startTask(fieldsFor("第一讲.flv"));
    const Watch watch = waitUntilDone(handle);

    EXPECT_EQ(watch.states, (std::vector<int>{5, 3, 6, 4}));
    EXPECT_EQ(readFile(dir.path() / u8"第一讲.flv"), body);
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"第一讲.flv"});
    EXPECT_EQ(watch.last.totalBytes(), static_cast<std::int64_t>(body.size()));
    EXPECT_EQ(watch.last.doneBytes(), static_cast<std::int64_t>(body.size()));
    EXPECT_FLOAT_EQ(watch.last.progress(), 1.0f);
    EXPECT_EQ(watch.last.failureCode(), 0);
    EXPECT_EQ(watch.last.fileName(), toUtf16("第一讲.flv"));
}

TEST_F(DownloadTest, EmptyFileFinishes) {
    server.setContent("");
    const XL_TaskHandle handle = startTask(fieldsFor("empty.flv"));
    const Watch watch = waitUntilDone(handle);
    EXPECT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "empty.flv"));
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "empty.flv"), 0u);
}

TEST_F(DownloadTest, LargeFileIsFetchedOverSeveralConnectionsOnDisjointRanges) {
    const std::string body = randomBytes(32 * kMiB, 2);
    server.setContent(body);
    server.setRateLimit(12 * kMiB);  // per connection: about a second with four

    const XL_TaskHandle handle = startTask(fieldsFor("big.flv"));
    int mostPlanned = 0;
    int mostActive = 0;
    Watch watch;
    ASSERT_TRUE(waitFor(
        handle,
        [&](const InfoRecordView& info) {
            mostPlanned = std::max(mostPlanned, info.plannedConnections());
            mostActive = std::max(mostActive, info.activeConnections());
            return info.state() == XLDL_STATE_FINISHED || info.state() == XLDL_STATE_FAILED;
        },
        30s));
    watch.last = query(handle);

    EXPECT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "big.flv"), body);
    EXPECT_GT(mostPlanned, 1);
    EXPECT_GT(mostActive, 1);
    EXPECT_GT(server.maxConcurrent(), 1);
    EXPECT_LE(server.maxConcurrent(), 4);
    // Every request after the first asks for a bounded range.
    const auto requests = server.requests();
    ASSERT_GT(requests.size(), 1u);
    for (std::size_t i = 1; i < requests.size(); ++i) {
        EXPECT_NE(requests[i].range.find('-'), std::string::npos);
        EXPECT_NE(requests[i].range.back(), '-') << requests[i].range;
    }
}

TEST_F(DownloadTest, SmallFileUsesOneConnection) {
    const std::string body = randomBytes(3 * kMiB, 3);
    server.setContent(body);
    const XL_TaskHandle handle = startTask(fieldsFor("small.flv"));
    EXPECT_EQ(waitUntilDone(handle).last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "small.flv"), body);
    EXPECT_EQ(server.requests().size(), 1u);
}

// Pausing must stop the data whether the server can resume ranges (the connection is
// dropped) or not (the connection is held).
class PauseTest : public EngineTest, public ::testing::WithParamInterface<bool> {};

TEST_P(PauseTest, NothingArrivesWhilePausedAndTheResumedFileIsIdentical) {
    const bool ranges = GetParam();
    const std::string body = randomBytes(3 * kMiB, 4);
    server.setContent(body);
    server.setHonourRange(ranges);
    server.setRateLimit(2 * kMiB);

    const XL_TaskHandle handle = startTask(fieldsFor("paused.flv"));
    ASSERT_TRUE(
        waitFor(handle, [](const InfoRecordView& info) { return info.doneBytes() > 512 * 1024; }));
    ASSERT_EQ(XL_StopTask(handle), 1);
    EXPECT_EQ(query(handle).state(), XLDL_STATE_PAUSED);

    std::this_thread::sleep_for(300ms);  // let bytes already in flight settle
    const InfoRecordView before = query(handle);
    const std::int64_t sentBefore = server.bytesSent();
    std::this_thread::sleep_for(700ms);
    const InfoRecordView after = query(handle);
    EXPECT_EQ(after.state(), XLDL_STATE_PAUSED);
    EXPECT_EQ(after.doneBytes(), before.doneBytes());
    EXPECT_EQ(after.bytesPerSecond(), 0);
    EXPECT_LT(after.doneBytes(), static_cast<std::int64_t>(body.size()));
    if (ranges) {
        EXPECT_EQ(server.bytesSent(), sentBefore);  // the connection is gone
    }

    server.setRateLimit(0);
    ASSERT_EQ(XL_StartTask(handle), 1);
    EXPECT_EQ(waitUntilDone(handle).last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "paused.flv"), body);
    if (ranges) {
        const auto requests = server.requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[1].range, "bytes=" + std::to_string(after.doneBytes()) + "-" +
                                         std::to_string(body.size() - 1));
    }
}

INSTANTIATE_TEST_SUITE_P(RangesOrNot, PauseTest, ::testing::Bool());

TEST_F(DownloadTest, ResumesAfterUnInitWhereTheDataEnded) {
    const std::string body = randomBytes(3 * kMiB, 5);
    server.setContent(body);
    server.setRateLimit(2 * kMiB);
    const CreateRecordFields fields = fieldsFor("resumed.flv");

    const XL_TaskHandle first = startTask(fields);
    ASSERT_TRUE(waitFor(first, [](const InfoRecordView& info) { return info.doneBytes() > kMiB; }));
    const std::int64_t doneBeforeStop = query(first).doneBytes();
    restartEngine();  // like closing the program mid-download
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "resumed.flv"));
    const std::size_t requestsBefore = server.requests().size();

    server.setRateLimit(0);
    const XL_TaskHandle second = startTask(fields);
    EXPECT_NE(second, first);
    const Watch watch = waitUntilDone(second);
    EXPECT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "resumed.flv"), body);

    const auto requests = server.requests();
    ASSERT_GT(requests.size(), requestsBefore);
    const std::string& range = requests[requestsBefore].range;
    ASSERT_EQ(range.rfind("bytes=", 0), 0u) << range;
    const std::int64_t resumedFrom = std::stoll(range.substr(6));
    EXPECT_GE(resumedFrom, doneBeforeStop);
    EXPECT_LT(resumedFrom, static_cast<std::int64_t>(body.size()));
}

TEST_F(DownloadTest, PartialDataOfAnotherAddressIsNotContinued) {
    // Without validators only the address tells one file from another of the same length.
    server.setValidators(false);
    server.setRateLimit(2 * kMiB);
    const std::string oldBody = randomBytes(3 * kMiB, 41);
    const std::string newBody = randomBytes(3 * kMiB, 42);
    for (const bool samePath : {true, false}) {
        SCOPED_TRACE(samePath ? "same path, new key" : "another path");
        server.setRateLimit(2 * kMiB);
        server.setContent(oldBody);
        CreateRecordFields fields = fieldsFor("lecture.flv");
        fields.url = toUtf16(server.url("/a.flv?key=1"));
        const XL_TaskHandle first = startTask(fields);
        ASSERT_TRUE(
            waitFor(first, [](const InfoRecordView& info) { return info.doneBytes() > kMiB; }));
        restartEngine();

        server.setRateLimit(0);
        if (!samePath) {
            server.setContent(newBody);
        }
        fields.url = toUtf16(server.url(samePath ? "/a.flv?key=2" : "/b.flv?key=2"));
        const std::size_t requestsBefore = server.requests().size();
        ASSERT_EQ(waitUntilDone(startTask(fields)).last.state(), XLDL_STATE_FINISHED);
        EXPECT_EQ(readFile(dir.path() / "lecture.flv"), samePath ? oldBody : newBody);
        const std::string range = server.requests()[requestsBefore].range;
        EXPECT_EQ(range == "bytes=0-", !samePath) << range;
        std::filesystem::remove(dir.path() / "lecture.flv");
    }
}

TEST_F(DownloadTest, CompletePartialFileAnsweredWith416Finishes) {
    // Stop the engine while the finished data waits for its final name, as if killed then.
    restartEngine({{"XLDL_FINISH_HOLD_MS", "5000"}});
    const std::string body = randomBytes(kMiB, 6);
    server.setContent(body);
    const CreateRecordFields fields = fieldsFor("done.flv");
    const XL_TaskHandle first = startTask(fields);
    ASSERT_TRUE(waitFor(
        first, [](const InfoRecordView& info) { return info.state() == XLDL_STATE_FINISHING; }));
    restartEngine();
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "done.flv"));

    const XL_TaskHandle second = startTask(fields);
    EXPECT_EQ(waitUntilDone(second).last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "done.flv"), body);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].range, "bytes=" + std::to_string(body.size()) + "-");
}

TEST_F(DownloadTest, WithoutResumeExistingPartialDataIsFetchedAgain) {
    const std::string body = randomBytes(3 * kMiB, 7);
    server.setContent(body);
    server.setRateLimit(2 * kMiB);
    CreateRecordFields fields = fieldsFor("again.flv");
    const XL_TaskHandle first = startTask(fields);
    ASSERT_TRUE(waitFor(first, [](const InfoRecordView& info) { return info.doneBytes() > kMiB; }));
    restartEngine();

    server.setRateLimit(0);
    fields.resume = false;
    const std::size_t requestsBefore = server.requests().size();
    EXPECT_EQ(waitUntilDone(startTask(fields)).last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "again.flv"), body);
    EXPECT_EQ(server.requests()[requestsBefore].range, "bytes=0-");
}

struct NamingCase {
    const char* label;
    bool noRenaming;
    std::vector<std::string> existing;
    std::string expectedName;
};

// Test names and failure messages show the case's label, not its bytes.
[[maybe_unused]] void PrintTo(const NamingCase& c, std::ostream* out) {
    *out << c.label;
}

class NamingTest : public EngineTest, public ::testing::WithParamInterface<NamingCase> {};

TEST_P(NamingTest, ExistingTargetIsReplacedOrAvoided) {
    const NamingCase& c = GetParam();
    for (const std::string& name : c.existing) {
        writeFile(dir.path() / name, "old " + name);
    }
    const std::string body = randomBytes(100 * 1024, 8);
    server.setContent(body);
    CreateRecordFields fields = fieldsFor(c.existing.empty() ? "lecture.flv" : c.existing.front());
    fields.noRenaming = c.noRenaming;

    const Watch watch = waitUntilDone(startTask(fields));
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / c.expectedName), body);
    EXPECT_EQ(watch.last.fileName(), toUtf16(c.expectedName));
    if (!c.noRenaming) {
        for (const std::string& name : c.existing) {
            EXPECT_EQ(readFile(dir.path() / name), "old " + name);  // untouched
        }
    }
    for (const std::string& name : listFolder(dir.path())) {
        EXPECT_EQ(name.find(".xldl"), std::string::npos) << name;  // nothing left behind
    }
}

TEST_F(DownloadTest, ReplacingKeepsOtherLinksAndNeverReplacesAFolder) {
    const std::string body = randomBytes(100 * 1024, 10);
    server.setContent(body);
    // Another name for the old file keeps the old data, as with any rename over it.
    writeFile(dir.path() / "linked.flv", "old data");
    std::filesystem::create_hard_link(dir.path() / "linked.flv", dir.path() / "other.flv");
    CreateRecordFields fields = fieldsFor("linked.flv");
    fields.noRenaming = true;
    ASSERT_EQ(waitUntilDone(startTask(fields)).last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "linked.flv"), body);
    EXPECT_EQ(readFile(dir.path() / "other.flv"), "old data");

    // A folder in the target's place stays; the data keeps its partial name.
    std::filesystem::create_directory(dir.path() / "taken.flv");
    writeFile(dir.path() / "taken.flv" / "inside", "kept");
    fields = fieldsFor("taken.flv");
    fields.noRenaming = true;
    const InfoRecordView last = waitUntilDone(startTask(fields)).last;
    EXPECT_EQ(last.state(), XLDL_STATE_FAILED);
    EXPECT_EQ(last.failureCode(), XLDL_FAIL_RENAME);
    EXPECT_EQ(readFile(dir.path() / "taken.flv" / "inside"), "kept");
    EXPECT_EQ(readFile(dir.path() / "taken.flv.xldl"), body);
}

INSTANTIATE_TEST_SUITE_P(
    Naming, NamingTest,
    ::testing::Values(NamingCase{"Replaced", true, {"lecture.flv"}, "lecture.flv"},
                      NamingCase{"First", false, {"lecture.flv"}, "lecture (1).flv"},
                      NamingCase{
                          "Second", false, {"lecture.flv", "lecture (1).flv"}, "lecture (2).flv"},
                      NamingCase{"NoExtension", false, {"lecture"}, "lecture (1)"},
                      NamingCase{"Free", false, {}, "lecture.flv"}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST_F(DownloadTest, NewerTaskForTheSameTargetTakesOver) {
    const std::string body = randomBytes(3 * kMiB, 9);
    server.setContent(body);
    server.setRateLimit(2 * kMiB);
    const CreateRecordFields fields = fieldsFor("twice.flv");
    const XL_TaskHandle first = startTask(fields);
    ASSERT_TRUE(
        waitFor(first, [](const InfoRecordView& info) { return info.doneBytes() > 256 * 1024; }));

    server.setRateLimit(0);
    const XL_TaskHandle second = startTask(fields);
    EXPECT_EQ(waitUntilDone(second).last.state(), XLDL_STATE_FINISHED);
    const InfoRecordView old = query(first);
    EXPECT_EQ(old.state(), XLDL_STATE_FAILED);
    EXPECT_EQ(old.failureCode(), XLDL_FAIL_SUPERSEDED);
    EXPECT_EQ(readFile(dir.path() / "twice.flv"), body);
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"twice.flv"});
}

}  // namespace
}  // namespace ld::engine::testing
