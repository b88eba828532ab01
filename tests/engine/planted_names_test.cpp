// Names the engine writes under (the partial file, its record, the record's temporary) taken
// by something that is not a regular file: a FIFO, which would block an open for ever, a
// symbolic link, a folder. The task fails at once with its own cause and leaves the thing as
// it was, also when it is stopped and the engine shut down right away.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <ostream>

#include "tests/engine/engine_fixture.h"

namespace ld::engine::testing {
namespace {

namespace fs = std::filesystem;

struct PlantedCase {
    const char* label;
    const char* name;  // in the test folder
    enum class Kind { Fifo, Link, Folder } kind;
    bool stopAtOnce;  // stopped and shut down right after the start
};

// Test names and failure messages show the case's label.
[[maybe_unused]] void PrintTo(const PlantedCase& c, std::ostream* out) {
    *out << c.label;
}

class PlantedNameTest : public EngineTest, public ::testing::WithParamInterface<PlantedCase> {};

TEST_P(PlantedNameTest, FailsAsTakenAndLeavesItAsItWas) {
    const PlantedCase& c = GetParam();
    server.setContent("payload");
    const fs::path planted = dir.path() / c.name;
    const TempDir elsewhere;
    const fs::path outside = elsewhere.path() / "someone-elses.flv";
    writeFile(outside, "not ours");
    switch (c.kind) {
        case PlantedCase::Kind::Fifo:
#if defined(_WIN32)
            GTEST_SKIP() << "no FIFOs on Windows";
#else
            ASSERT_EQ(::mkfifo(planted.c_str(), 0644), 0);
#endif
            break;
        case PlantedCase::Kind::Link:
#if defined(_WIN32)
            // Creating a link needs a privilege an ordinary Windows user lacks.
            GTEST_SKIP() << "links are not planted on Windows";
#else
            fs::create_symlink(outside, planted);
#endif
            break;
        case PlantedCase::Kind::Folder:
            fs::create_directory(planted);
            break;
    }

    const XL_TaskHandle handle = startTask(fieldsFor("lecture.flv"));
    if (c.stopAtOnce) {
        EXPECT_EQ(XL_StopTask(handle), 1);
        EXPECT_EQ(XL_UnInit(), 1);  // returns: nothing waits on the FIFO
    } else {
        const Watch watch = waitUntilDone(handle);
        EXPECT_EQ(watch.last.state(), XLDL_STATE_FAILED);
        EXPECT_EQ(watch.last.failureCode(), XLDL_FAIL_NAME_TAKEN);
    }

    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{c.name});  // nothing beside it
    const fs::file_status status = fs::symlink_status(planted);
    switch (c.kind) {
        case PlantedCase::Kind::Fifo:
            EXPECT_TRUE(fs::is_fifo(status));
            break;
        case PlantedCase::Kind::Link:
            EXPECT_TRUE(fs::is_symlink(status));
            break;
        case PlantedCase::Kind::Folder:
            EXPECT_TRUE(fs::is_directory(status));
            break;
    }
    EXPECT_EQ(readFile(outside), "not ours");
}

using Kind = PlantedCase::Kind;

INSTANTIATE_TEST_SUITE_P(
    Planted, PlantedNameTest,
    ::testing::Values(PlantedCase{"FifoAsPartialFile", "lecture.flv.xldl", Kind::Fifo, false},
                      PlantedCase{"FifoAsRecord", "lecture.flv.xldl.meta", Kind::Fifo, false},
                      PlantedCase{"FifoAsRecordTemporary", "lecture.flv.xldl.meta.new", Kind::Fifo,
                                  false},
                      PlantedCase{"FifoAsPartialFileStopped", "lecture.flv.xldl", Kind::Fifo, true},
                      PlantedCase{"FifoAsRecordStopped", "lecture.flv.xldl.meta", Kind::Fifo, true},
                      PlantedCase{"LinkAsPartialFile", "lecture.flv.xldl", Kind::Link, false},
                      PlantedCase{"LinkAsRecord", "lecture.flv.xldl.meta", Kind::Link, false},
                      PlantedCase{"FolderAsPartialFile", "lecture.flv.xldl", Kind::Folder, false},
                      PlantedCase{"FolderAsRecord", "lecture.flv.xldl.meta", Kind::Folder, false}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

}  // namespace
}  // namespace ld::engine::testing
