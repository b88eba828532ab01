// File handles over a long run: a task that has ended, or is paused, holds none, so one
// engine session downloads thousands of files under a limit of 64 descriptors. Its own
// program: it lowers its own descriptor limit.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

#include "tests/engine/engine_fixture.h"

namespace ld::engine::testing {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr rlim_t kDescriptorLimit = 64;

struct Descriptors {
    int total = 0;
    int intoFolder = 0;  // the folder itself or a file in it
};

Descriptors openDescriptors(const fs::path& folder) {
    Descriptors count;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
        ++count.total;
        const fs::path target = fs::read_symlink(entry.path(), error);
        if (!error && target.string().rfind(folder.string(), 0) == 0) {
            ++count.intoFolder;
        }
    }
    return count;
}

class HandlesTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved_), 0);
        rlimit lowered = saved_;
        lowered.rlim_cur = std::min<rlim_t>(kDescriptorLimit, saved_.rlim_max);
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    }
    void TearDown() override {
        EngineTest::TearDown();
        ::setrlimit(RLIMIT_NOFILE, &saved_);
    }

    // Polls without the fixture's pause between queries: thousands of tasks follow.
    InfoRecordView waitUntilSettled(XL_TaskHandle handle) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        InfoRecordView info = query(handle);
        while ((info.state() != XLDL_STATE_FINISHED && info.state() != XLDL_STATE_FAILED) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(500us);
            info = query(handle);
        }
        return info;
    }

    rlimit saved_{};
};

TEST_F(HandlesTest, TwoThousandFilesInOneSessionUnderALimitOf64Descriptors) {
    const std::string body = randomBytes(2000, 71);
    server.setContent(body);
    const int totalAtFirst = openDescriptors(dir.path()).total;
    int finished = 0;
    for (int i = 0; i < 2000; ++i) {
        SCOPED_TRACE("file " + std::to_string(i));
        const Descriptors before = openDescriptors(dir.path());
        const InfoRecordView info =
            waitUntilSettled(startTask(fieldsFor("lecture " + std::to_string(i) + ".flv")));
        ASSERT_EQ(info.state(), XLDL_STATE_FINISHED) << "failure " << info.failureCode();
        ++finished;
        const Descriptors after = openDescriptors(dir.path());
        ASSERT_EQ(after.intoFolder, 0);
        // Beyond the task's own: at most the connection kept for the next one (both ends,
        // the server being in this process).
        ASSERT_LE(after.total, std::max(before.total, totalAtFirst + 2));
    }
    EXPECT_EQ(finished, 2000);
    EXPECT_EQ(readFile(dir.path() / "lecture 0.flv"), body);
    EXPECT_EQ(readFile(dir.path() / "lecture 1999.flv"), body);
    EXPECT_EQ(listFolder(dir.path()).size(), 2000u);
}

TEST_F(HandlesTest, APausedTaskHoldsNoHandleAndResumesWhereItStopped) {
    const std::string body = randomBytes(3 * 1024 * 1024, 72);
    server.setContent(body);
    server.setRateLimit(2 * 1024 * 1024);
    const XL_TaskHandle handle = startTask(fieldsFor("paused.flv"));
    ASSERT_TRUE(
        waitFor(handle, [](const InfoRecordView& info) { return info.doneBytes() > 512 * 1024; }));
    EXPECT_GT(openDescriptors(dir.path()).intoFolder, 0);
    ASSERT_EQ(XL_StopTask(handle), 1);
    ASSERT_TRUE(waitFor(handle, [&](const InfoRecordView&) {
        return openDescriptors(dir.path()).intoFolder == 0;
    }));
    EXPECT_EQ(query(handle).state(), XLDL_STATE_PAUSED);
    const std::int64_t done = query(handle).doneBytes();

    server.setRateLimit(0);
    ASSERT_EQ(XL_StartTask(handle), 1);
    EXPECT_EQ(waitUntilDone(handle).last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "paused.flv"), body);
    EXPECT_EQ(openDescriptors(dir.path()).intoFolder, 0);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].range.rfind("bytes=" + std::to_string(done) + "-", 0), 0u)
        << requests[1].range;
}

}  // namespace
}  // namespace ld::engine::testing
