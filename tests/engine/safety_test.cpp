// The user's files come first: bad names, unusable folders, full disks, malformed records,
// and calls the engine cannot know.
#include <gtest/gtest.h>

#include <ostream>

#if !defined(_WIN32)
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <thread>

#include "tests/engine/engine_fixture.h"

namespace ld::engine::testing {
namespace {

using namespace std::chrono_literals;
using SafetyTest = EngineTest;

constexpr std::int64_t kMiB = 1024 * 1024;

struct RejectedCase {
    const char* label;
    std::string url;   // empty: the test server's
    std::string name;  // "{dir}" stands for the test folder
    int expectedCode;
};

// Test names and failure messages show the case's label, not its bytes.
[[maybe_unused]] void PrintTo(const RejectedCase& c, std::ostream* out) {
    *out << c.label;
}

class RejectedTest : public EngineTest, public ::testing::WithParamInterface<RejectedCase> {};

TEST_P(RejectedTest, FailsWithoutRequestOrFile) {
    const RejectedCase& c = GetParam();
    server.setContent("payload");
    const std::filesystem::path folder = dir.path() / "inner";
    std::string name = c.name;
    if (const auto at = name.find("{dir}"); at != std::string::npos) {
        name.replace(at, 5, dir.path().string());
    }
    CreateRecordFields fields = fieldsFor(name);
    fields.folder = toUtf16(folder.string() + "/");
    if (!c.url.empty()) {
        fields.url = toUtf16(c.url);
    }
    const XL_TaskHandle handle = startTask(fields);
    const Watch watch = waitUntilDone(handle, 2s);
    EXPECT_EQ(watch.last.state(), XLDL_STATE_FAILED);
    EXPECT_EQ(watch.last.failureCode(), c.expectedCode);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(listFolder(dir.path()).empty());  // not even the folder was made
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RejectedTest,
    ::testing::Values(RejectedCase{"ParentFolder", "", "../x.flv", XLDL_FAIL_BAD_FILE_NAME},
                      RejectedCase{"AbsolutePath", "", "{dir}/abs.flv", XLDL_FAIL_BAD_FILE_NAME},
                      RejectedCase{"SubFolder", "", "a/b.flv", XLDL_FAIL_BAD_FILE_NAME},
                      RejectedCase{"Backslash", "", "..\\x.flv", XLDL_FAIL_BAD_FILE_NAME},
                      RejectedCase{"Dot", "", ".", XLDL_FAIL_BAD_FILE_NAME},
                      RejectedCase{"DotDot", "", "..", XLDL_FAIL_BAD_FILE_NAME},
                      RejectedCase{"EmptyName", "", "", XLDL_FAIL_BAD_FILE_NAME},
                      RejectedCase{"NotAnAddress", "http:", "x.flv", XLDL_FAIL_BAD_URL},
                      RejectedCase{"LocalFile", "file:///etc/passwd", "x.flv", XLDL_FAIL_BAD_URL},
                      RejectedCase{"OtherScheme", "ftp://127.0.0.1/x", "x.flv", XLDL_FAIL_BAD_URL}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST_F(SafetyTest, FolderThatCannotBeMadeFailsTheTask) {
    writeFile(dir.path() / "plain-file", "not a folder");
    server.setContent("payload");
    CreateRecordFields fields = fieldsFor("x.flv");
    fields.folder = toUtf16((dir.path() / "plain-file" / "sub").string() + "/");
    const Watch watch = waitUntilDone(startTask(fields), 5s);
    EXPECT_EQ(watch.last.state(), XLDL_STATE_FAILED);
    EXPECT_EQ(watch.last.failureCode(), XLDL_FAIL_FOLDER);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"plain-file"});
}

// The read-only folder and the full disk are made with POSIX means (permission bits, a
// tmpfs or RLIMIT_FSIZE); Windows has no equivalent a test can set up (a read-only
// attribute does not stop new files in a folder), so the Windows build leaves them out.
#if !defined(_WIN32)
TEST_F(SafetyTest, ReadOnlyFolderFailsTheTask) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    const auto folder = dir.path() / "read-only";
    std::filesystem::create_directory(folder);
    std::filesystem::permissions(
        folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    server.setContent("payload");
    CreateRecordFields fields = fieldsFor("x.flv");
    fields.folder = toUtf16(folder.string());
    const Watch watch = waitUntilDone(startTask(fields), 5s);
    EXPECT_EQ(watch.last.state(), XLDL_STATE_FAILED);
    EXPECT_EQ(watch.last.failureCode(), XLDL_FAIL_FOLDER);
    EXPECT_TRUE(listFolder(folder).empty());
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
}
#endif

TEST_F(SafetyTest, MissingFolderIsCreated) {
    const std::string body = randomBytes(10'000, 21);
    server.setContent(body);
    CreateRecordFields fields = fieldsFor("x.flv");
    fields.folder = toUtf16((dir.path() / "new" / "deeper").string() + "\\");  // as on Windows
    EXPECT_EQ(waitUntilDone(startTask(fields)).last.state(), XLDL_STATE_FINISHED);
    EXPECT_EQ(readFile(dir.path() / "new" / "deeper" / "x.flv"), body);
}

#if !defined(_WIN32)
// A folder that holds at most 1 MiB: a small tmpfs when the tests may mount one, or else a
// file size limit on this process.
class SmallDisk {
  public:
    explicit SmallDisk(const std::filesystem::path& folder) : folder_(folder) {
        std::filesystem::create_directory(folder_);
        if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=1m") == 0) {
            mounted_ = true;
            return;
        }
        if (::getrlimit(RLIMIT_FSIZE, &saved_) == 0) {
            rlimit limit = saved_;
            limit.rlim_cur = kMiB;
            if (::setrlimit(RLIMIT_FSIZE, &limit) == 0) {
                previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);
                limited_ = true;
            }
        }
    }
    ~SmallDisk() {
        if (mounted_) {
            ::umount2(folder_.c_str(), MNT_DETACH);
        }
        if (limited_) {
            ::setrlimit(RLIMIT_FSIZE, &saved_);
            ::signal(SIGXFSZ, previousHandler_);
        }
    }
    bool ready() const { return mounted_ || limited_; }

  private:
    std::filesystem::path folder_;
    bool mounted_ = false;
    bool limited_ = false;
    rlimit saved_{};
    sighandler_t previousHandler_ = SIG_DFL;
};

class FullDiskTest : public EngineTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FullDiskTest, FailsWithoutTargetFile) {
    const bool lengthKnown = GetParam();
    const auto folder = dir.path() / "small";
    SmallDisk disk(folder);
    if (!disk.ready()) {
        GTEST_SKIP() << "neither a tmpfs nor a file size limit is available";
    }
    server.setContent(randomBytes(4 * kMiB, 22));
    server.setChunked(!lengthKnown);
    server.setHonourRange(lengthKnown);
    CreateRecordFields fields = fieldsFor("full.flv");
    fields.folder = toUtf16(folder.string() + "/");

    const Watch watch = waitUntilDone(startTask(fields), 10s);
    EXPECT_EQ(watch.last.state(), XLDL_STATE_FAILED);
    EXPECT_EQ(watch.last.failureCode(), XLDL_FAIL_DISK_FULL);
    EXPECT_FALSE(std::filesystem::exists(folder / "full.flv"));
    if (lengthKnown) {
        // The space was reserved up front, so nothing was fetched or left behind.
        EXPECT_EQ(watch.last.doneBytes(), 0);
        EXPECT_TRUE(listFolder(folder).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(LengthKnownOrNot, FullDiskTest, ::testing::Bool());
#endif

TEST_F(SafetyTest, UnterminatedTextFieldsAreReadWithinTheirFields) {
    const std::string body = randomBytes(1000, 23);
    server.setContent(body);
    const std::string prefix = server.url("/long?pad=");
    const std::string url = prefix + std::string(XLDL_CREATE_URL_SIZE / 2 - prefix.size(), 'u');
    const std::string name(XLDL_CREATE_FILE_NAME_SIZE / 2, 'n');

    CreateRecordFields fields = fieldsFor(name);
    fields.url = toUtf16(url);
    fields.referrer = toUtf16("GARBAGE");  // right after the URL field
    std::vector<unsigned char> record = buildCreateRecord(fields);
    putText(record, XLDL_CREATE_szReserved0_OFFSET, XLDL_CREATE_szReserved0_SIZE, u"JUNK");
    const XL_TaskHandle handle = XL_CreateTask(record.data());
    record.assign(record.size(), 0xEE);  // the engine must have copied what it needs
    ASSERT_EQ(XL_StartTask(handle), 1);

    const Watch watch = waitUntilDone(handle);
    ASSERT_EQ(watch.last.state(), XLDL_STATE_FINISHED);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, url.substr(url.find("/long")));
    // 260 units do not fit a file name of 255 bytes: the name is shortened, not overrun.
    const std::string expectedName(255, 'n');
    EXPECT_EQ(readFile(dir.path() / expectedName), body);
    EXPECT_EQ(watch.last.fileName(), toUtf16(expectedName));
}

TEST_F(SafetyTest, UnknownHandlesAndCallsOutsideInitAreIgnored) {
    InfoRecordView info;
    EXPECT_EQ(XL_QueryTaskInfoEx(0, info.data()), 0);
    EXPECT_EQ(XL_QueryTaskInfoEx(987654, info.data()), 0);
    EXPECT_EQ(XL_StartTask(987654), 0);
    EXPECT_EQ(XL_StopTask(987654), 0);
    EXPECT_EQ(XL_CreateTask(nullptr), 0u);
    EXPECT_EQ(XL_Init(), 1);  // already running: no second engine

    server.setContent("abc");
    const XL_TaskHandle handle = startTask(fieldsFor("x.flv"));
    ASSERT_EQ(waitUntilDone(handle).last.state(), XLDL_STATE_FINISHED);

    XL_UnInit();
    XL_UnInit();
    EXPECT_EQ(XL_QueryTaskInfoEx(handle, info.data()), 0);
    EXPECT_EQ(XL_StartTask(handle), 0);
    const std::vector<unsigned char> record = buildCreateRecord(fieldsFor("y.flv"));
    EXPECT_EQ(XL_CreateTask(record.data()), 0u);

    ASSERT_EQ(XL_Init(), 1);
    const XL_TaskHandle next = startTask(fieldsFor("z.flv"));
    EXPECT_GT(next, handle);  // never reused
    EXPECT_EQ(waitUntilDone(next).last.state(), XLDL_STATE_FINISHED);
}

TEST_F(SafetyTest, CallsFromManyThreadsAtOnce) {
    const std::string body = randomBytes(512 * 1024, 24);
    server.setContent(body);
    server.setRateLimit(4 * kMiB);
    std::vector<std::thread> threads;
    std::vector<int> finalStates(4, -1);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const std::vector<unsigned char> record =
                buildCreateRecord(fieldsFor("parallel" + std::to_string(t) + ".flv"));
            const XL_TaskHandle handle = XL_CreateTask(record.data());
            XL_StartTask(handle);
            XL_StopTask(handle);
            XL_StartTask(handle);
            InfoRecordView info;
            const auto deadline = std::chrono::steady_clock::now() + 20s;
            while (std::chrono::steady_clock::now() < deadline) {
                if (XL_QueryTaskInfoEx(handle, info.data()) == 1 &&
                    (info.state() == XLDL_STATE_FINISHED || info.state() == XLDL_STATE_FAILED)) {
                    break;
                }
                std::this_thread::sleep_for(2ms);
            }
            finalStates[static_cast<std::size_t>(t)] = info.state();
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(finalStates[static_cast<std::size_t>(t)], XLDL_STATE_FINISHED);
        EXPECT_EQ(readFile(dir.path() / ("parallel" + std::to_string(t) + ".flv")), body);
    }
}

}  // namespace
}  // namespace ld::engine::testing
