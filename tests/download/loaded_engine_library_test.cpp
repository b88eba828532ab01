#include "download/loaded_engine_library.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "download/task_create_record.h"
#include "download/task_info_record.h"
#include "text/codepage.h"

namespace ld {
namespace {

namespace fs = std::filesystem;

// Runs with XLDL_TEST_DOUBLE_LOG pointing at a fresh file; collects the
// messages the binding reports.
class EngineBinding : public ::testing::Test {
  protected:
    void SetUp() override {
        log_ =
            fs::path(::testing::TempDir()) /
            (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".log");
        fs::remove(log_);
        setenv("XLDL_TEST_DOUBLE_LOG", log_.string().c_str(), 1);
    }
    void TearDown() override { unsetenv("XLDL_TEST_DOUBLE_LOG"); }

    LoadedEngineLibrary engine(const fs::path& library) {
        return LoadedEngineLibrary(library,
                                   [this](const Text& message) { messages_.push_back(message); });
    }

    std::string calls() const {
        std::ifstream in(log_);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

    fs::path log_;
    std::vector<Text> messages_;
};

TEST_F(EngineBinding, PassesEveryCallAndRecordThrough) {
    auto library = engine(XLDL_TEST_DOUBLE);
    EXPECT_EQ(library.init(), 1);

    TaskCreateRecord create;
    create.defineFields(Text("http://h/a.flv"), Text(), Text(), Text("a.flv"), Text("/tmp\\"));
    TaskInfoRecord info;
    info.defineFields();
    const std::uint32_t handle = library.createTask(create.taskAddress());
    EXPECT_EQ(handle, 1u);
    EXPECT_EQ(library.startTask(handle), 1);
    EXPECT_EQ(library.queryTaskInfo(handle, info.taskAddress()), 1);
    EXPECT_EQ(library.stopTask(handle), 1);
    EXPECT_EQ(library.unInit(), 1);

    EXPECT_EQ(info.当前状态(), 3);
    EXPECT_EQ(info.文件总大小(), 1000);
    EXPECT_EQ(info.下载速度(), 250);
    EXPECT_EQ(calls(), "XL_Init " + fs::current_path().string() +
                           "\n"
                           "XL_CreateTask http://h/a.flv a.flv /tmp\\\n"
                           "XL_StartTask 1\n"
                           "XL_QueryTaskInfoEx 1\n"
                           "XL_StopTask 1\n"
                           "XL_UnInit\n");
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EngineBinding, AMissingLibraryIsReportedAtTheFirstCall) {
    const fs::path missing = fs::path(::testing::TempDir()) / "no-such-dir" / "libxldl.so";
    auto library = engine(missing);
    EXPECT_TRUE(messages_.empty());  // nothing is loaded before the first call
    EXPECT_EQ(library.init(), 0);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], gbk("无法找到指定DLL库文件“libxldl.so”中的输出命令“XL_Init”"));
}

TEST_F(EngineBinding, AMissingFunctionIsReportedWhenItIsFirstCalled) {
    auto library = engine(XLDL_TEST_DOUBLE_NO_UNINIT);
    EXPECT_EQ(library.init(), 1);
    EXPECT_EQ(library.startTask(4), 1);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(library.unInit(), 0);
    ASSERT_EQ(messages_.size(), 1u);
    const std::string name = fs::path(XLDL_TEST_DOUBLE_NO_UNINIT).filename().string();
    EXPECT_EQ(messages_[0], gbk("无法找到指定DLL库文件“" + name + "”中的输出命令“XL_UnInit”"));
    EXPECT_EQ(calls(), "XL_Init " + fs::current_path().string() + "\nXL_StartTask 4\n");
}

}  // namespace
}  // namespace ld
