// The engine's file calls watched as they happen (see injected_failures.h): a resume record
// never claims bytes that are being cut or are not yet flushed, and shutdown does not wait
// for an engine thread stuck inside a call.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
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

// Byte ranges [begin, end), merged.
class Ranges {
  public:
    void add(std::int64_t begin, std::int64_t end) {
        auto it = ranges_.upper_bound(begin);
        if (it != ranges_.begin() && std::prev(it)->second >= begin) {
            --it;
            begin = it->first;
        }
        while (it != ranges_.end() && it->first <= end) {
            end = std::max(end, it->second);
            it = ranges_.erase(it);
        }
        ranges_.emplace(begin, end);
    }
    void add(const Ranges& other) {
        for (const auto& [begin, end] : other.ranges_) {
            add(begin, end);
        }
    }
    void cut(std::int64_t length) {
        for (auto it = ranges_.begin(); it != ranges_.end();) {
            if (it->first >= length) {
                it = ranges_.erase(it);
            } else {
                it->second = std::min(it->second, length);
                ++it;
            }
        }
    }
    bool covers(std::int64_t begin, std::int64_t end) const {
        auto it = ranges_.upper_bound(begin);
        return it != ranges_.begin() && std::prev(it)->second >= end;
    }

  private:
    std::map<std::int64_t, std::int64_t> ranges_;
};

// Watches one download's files: which bytes of the data file were written, which of them a
// flush has reached the disk with, and what each record claims when it is put in place.
class RecordWatch {
  public:
    explicit RecordWatch(std::filesystem::path data) : data_(std::move(data)) {}

    int onCall(const FileCall& call) {
        const std::lock_guard lock(mutex_);
        switch (call.kind) {
            case FileCall::Kind::Write:
                if (isData(call.fd)) {
                    written_.add(call.length, call.length + call.size);
                }
                break;
            case FileCall::Kind::Flush:
                // Once the call returns, what was written before it is on the disk.
                if (isData(call.fd)) {
                    flushed_.add(written_);
                }
                break;
            case FileCall::Kind::Truncate:
                if (isData(call.fd)) {
                    if (const auto claimed = claimedEnd(readFile(record()));
                        claimed > call.length) {
                        problems_.push_back("data cut to " + std::to_string(call.length) +
                                            " bytes while the record claims bytes up to " +
                                            std::to_string(claimed));
                    }
                    written_.cut(call.length);
                    flushed_.cut(call.length);
                }
                break;
            case FileCall::Kind::Rename:
                if (endsWith(call.to, ".meta")) {
                    checkClaims(readFile(folderEntry(call.fd, call.name)));
                    ++records_;
                }
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
    int records() const {
        const std::lock_guard lock(mutex_);
        return records_;
    }
    // A record on disk claims data.
    bool recordClaims() const {
        const std::lock_guard lock(mutex_);
        return claimedEnd(readFile(record())) > 0;
    }

  private:
    static std::filesystem::path folderEntry(int folder, const char* name) {
        return std::filesystem::path("/proc/self/fd") / std::to_string(folder) / name;
    }
    std::filesystem::path record() const { return data_.string() + ".meta"; }
    bool isData(int fd) const {
        std::error_code error;
        return std::filesystem::equivalent(
            std::filesystem::path("/proc/self/fd") / std::to_string(fd), data_, error);
    }
    // The end of the furthest byte a record claims; 0 for none.
    static std::int64_t claimedEnd(const std::string& text) {
        const auto record = parseMetadata(text);
        std::int64_t end = 0;
        for (const Segment& s : record ? record->segments : std::vector<Segment>{}) {
            if (s.pos > s.begin) {
                end = std::max(end, s.pos);
            }
        }
        return end;
    }
    void checkClaims(const std::string& text) {
        const auto record = parseMetadata(text);
        if (!record) {
            problems_.push_back("a damaged record put in place");
            return;
        }
        for (const Segment& s : record->segments) {
            if (s.pos > s.begin && !flushed_.covers(s.begin, s.pos)) {
                problems_.push_back("a record claims bytes " + std::to_string(s.begin) + "-" +
                                    std::to_string(s.pos) + " not yet flushed");
            }
        }
    }

    std::filesystem::path data_;
    mutable std::mutex mutex_;
    Ranges written_;
    Ranges flushed_;
    std::vector<std::string> problems_;
    int records_ = 0;
};

TEST_F(DiskOrderTest, TheRecordNeverClaimsDataThatIsCutOrNotYetFlushed) {
    const std::string body = randomBytes(12 * kMiB, 51);
    server.setContent(body);
    server.setRateLimit(kMiB);  // per connection: three seconds over four
    RecordWatch watch(dir.path() / "cut.flv.xldl");
    setFileCallHook([&watch](const FileCall& call) { return watch.onCall(call); });
    const XL_TaskHandle handle = startTask(fieldsFor("cut.flv"));

    // Once a record claims data, the next request, for a piece, is answered with the whole
    // file (faster, on its one connection): the data so far is cut.
    ASSERT_TRUE(waitFor(
        handle, [&](const InfoRecordView&) { return watch.recordClaims(); }, 30s));
    const std::int64_t beforeCut = query(handle).doneBytes();
    const std::size_t requestsBeforeCut = server.requests().size();
    server.setRateLimit(4 * kMiB);
    server.queueFault(Fault::ignoreRange());
    // Some data after the cut, then a pause, which saves a record at once.
    ASSERT_TRUE(waitFor(
        handle,
        [&](const InfoRecordView& info) {
            return server.requests().size() > requestsBeforeCut && info.doneBytes() > kMiB &&
                   info.doneBytes() < beforeCut;
        },
        30s));
    ASSERT_EQ(XL_StopTask(handle), 1);
    ASSERT_EQ(XL_StartTask(handle), 1);
    const Watch done = waitUntilDone(handle, 60s);
    setFileCallHook(nullptr);

    ASSERT_EQ(done.last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "cut.flv"), body);
    EXPECT_GE(watch.records(), 3);  // saves while data flowed, besides the pause's
    EXPECT_EQ(watch.problems(), std::vector<std::string>{});
}

TEST_F(DiskOrderTest, RunningOutOfDescriptorsFailsWithItsOwnCause) {
    server.setContent("payload");
    // The partial file's open fails as when no descriptor is left.
    setFileCallHook([](const FileCall& call) {
        return call.kind == FileCall::Kind::Open && endsWith(call.name, "starved.flv.xldl") ? EMFILE
                                                                                            : 0;
    });
    const Watch watch = waitUntilDone(startTask(fieldsFor("starved.flv")));
    setFileCallHook(nullptr);
    EXPECT_EQ(watch.last.state(), XLDL_STATE_FAILED);
    EXPECT_EQ(watch.last.failureCode(), XLDL_FAIL_NO_HANDLES);
    EXPECT_TRUE(server.requests().empty());

    // With descriptors back, the same download goes through.
    EXPECT_EQ(waitUntilDone(startTask(fieldsFor("starved.flv"))).last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "starved.flv"), "payload");
}

// The engine's own threads (they name themselves "xldl-…"); other threads come and go
// with the test server, libcurl's resolver and the sanitizers' helpers.
int engineThreadCount() {
    int count = 0;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        count += name.starts_with("xldl-") ? 1 : 0;
    }
    return count;
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
    const int threadsWhileStuck = engineThreadCount();
    ASSERT_GT(threadsWhileStuck, 0);

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
    while (engineThreadCount() > 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(engineThreadCount(), 0);
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
