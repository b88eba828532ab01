// The engine's file calls watched as they happen (see injected_failures.h): a resume record
// never claims bytes that are being cut or are not yet flushed, and shutdown does not wait
// for an engine thread stuck inside a call.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/resume_metadata.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/injected_failures.h"

namespace ld::engine::testing {
namespace {

using namespace std::chrono_literals;
using Fault = TestServer::Fault;

constexpr std::int64_t kMiB = 1024 * 1024;

bool endsWith(const char* text, const std::string& tail) {
    const std::string value = text == nullptr ? "" : text;
    return value.size() >= tail.size() &&
           value.compare(value.size() - tail.size(), tail.size(), tail) == 0;
}

class DiskOrderTest : public EngineTest {
  protected:
    void TearDown() override {
        setFileCallHook(nullptr);
        EngineTest::TearDown();
    }
};

// What the watch saw go wrong, in order.
class RecordWatch {
  public:
    explicit RecordWatch(std::filesystem::path record) : record_(std::move(record)) {}

    int onCall(const FileCall& call) {
        const std::lock_guard lock(mutex_);
        switch (call.kind) {
            case FileCall::Kind::Write:
                unflushed_.insert(call.fd);
                break;
            case FileCall::Kind::Flush:
                unflushed_.erase(call.fd);
                break;
            case FileCall::Kind::Truncate:
                if (const auto claimed = claimedEnd(); claimed > call.length) {
                    problems_.push_back("data cut to " + std::to_string(call.length) +
                                        " bytes while the record claims bytes up to " +
                                        std::to_string(claimed));
                }
                break;
            case FileCall::Kind::Rename:
                if (endsWith(call.to, ".meta") && !unflushed_.empty()) {
                    problems_.push_back("record saved before the data it claims was flushed");
                }
                ++renames_;
                break;
            case FileCall::Kind::Open:
            case FileCall::Kind::Unlink:
                break;
        }
        return 0;
    }
    std::vector<std::string> problems() const {
        const std::lock_guard lock(mutex_);
        return problems_;
    }
    int renames() const {
        const std::lock_guard lock(mutex_);
        return renames_;
    }

  private:
    // The end of the furthest byte the record on disk claims; 0 without one.
    std::int64_t claimedEnd() const {
        const auto record = parseMetadata(readFile(record_));
        std::int64_t end = 0;
        for (const Segment& s : record ? record->segments : std::vector<Segment>{}) {
            if (s.pos > s.begin) {
                end = std::max(end, s.pos);
            }
        }
        return end;
    }

    std::filesystem::path record_;
    mutable std::mutex mutex_;
    std::set<int> unflushed_;
    std::vector<std::string> problems_;
    int renames_ = 0;
};

TEST_F(DiskOrderTest, TheRecordNeverClaimsDataThatIsCutOrNotYetFlushed) {
    const std::string body = randomBytes(12 * kMiB, 51);
    server.setContent(body);
    server.setRateLimit(4 * kMiB);
    // The fifth request, for a piece, is answered with the whole file: the data so far is cut.
    for (int i = 0; i < 4; ++i) {
        server.queueFault(Fault::none());
    }
    server.queueFault(Fault::ignoreRange());
    RecordWatch watch(dir.path() / "cut.flv.xldl.meta");
    setFileCallHook([&watch](const FileCall& call) { return watch.onCall(call); });

    const XL_TaskHandle handle = startTask(fieldsFor("cut.flv"));
    ASSERT_TRUE(
        waitFor(handle, [](const InfoRecordView& info) { return info.doneBytes() > 2 * kMiB; }));
    ASSERT_EQ(XL_StopTask(handle), 1);  // a pause saves a record too
    server.setRateLimit(16 * kMiB);
    ASSERT_EQ(XL_StartTask(handle), 1);
    const Watch done = waitUntilDone(handle, 30s);
    setFileCallHook(nullptr);

    ASSERT_EQ(done.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "cut.flv"), body);
    EXPECT_GT(watch.renames(), 1);
    EXPECT_EQ(watch.problems(), std::vector<std::string>{});
}

int threadCount() {
    std::error_code error;
    return static_cast<int>(
        std::distance(std::filesystem::directory_iterator("/proc/self/task", error), {}));
}

// Holds the first open of one name until released (or until the test gives up on it).
class StuckOpen {
  public:
    explicit StuckOpen(std::string name) : name_(std::move(name)) {}

    int onCall(const FileCall& call) {
        if (call.kind != FileCall::Kind::Open || !endsWith(call.name, name_)) {
            return 0;
        }
        std::unique_lock lock(mutex_);
        stuck_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
        return 0;
    }
    bool waitUntilStuck() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [this] { return stuck_; });
    }
    void release() {
        const std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    // Releases the call if it is still held after `limit`; true when it had to.
    bool releaseAfter(std::chrono::seconds limit) {
        std::unique_lock lock(mutex_);
        if (changed_.wait_for(lock, limit, [this] { return released_; })) {
            return false;
        }
        released_ = true;
        changed_.notify_all();
        return true;
    }

  private:
    std::string name_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stuck_ = false;
    bool released_ = false;
};

TEST_F(DiskOrderTest, UnInitReturnsWhileTheEngineThreadIsStuckInACall) {
    server.setContent(randomBytes(64 * 1024, 52));
    StuckOpen stuck("stuck.flv.xldl");
    setFileCallHook([&stuck](const FileCall& call) { return stuck.onCall(call); });
    startTask(fieldsFor("stuck.flv"));
    ASSERT_TRUE(stuck.waitUntilStuck());
    const int threadsWhileStuck = threadCount();

    // Without a bound on the wait, XL_UnInit would return only once the guard lets go.
    std::atomic<bool> guardHadToRelease{false};
    std::thread guard([&] { guardHadToRelease = stuck.releaseAfter(20s); });
    EXPECT_EQ(XL_UnInit(), 1);
    const bool returnedWhileStuck = !guardHadToRelease;
    stuck.release();
    guard.join();
    EXPECT_TRUE(returnedWhileStuck);

    // The thread left behind carries on with what it holds, then ends (a use of freed
    // memory here shows under the sanitizers).
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (threadCount() >= threadsWhileStuck && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_LT(threadCount(), threadsWhileStuck);
    setFileCallHook(nullptr);

    // A new engine works as usual.
    ASSERT_EQ(XL_Init(), 1);
    const std::string body = randomBytes(100'000, 53);
    server.setContent(body);
    ASSERT_EQ(waitUntilDone(startTask(fieldsFor("after.flv"))).last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "after.flv"), body);
}

}  // namespace
}  // namespace ld::engine::testing
