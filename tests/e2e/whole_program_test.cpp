// From the course address to finished files, through the real window, the
// real engine library and the sample course platform.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "download/queue/progress_text.h"
#include "download/task_info_record.h"
#include "tests/e2e/program_fixture.h"
#include "text/codepage.h"
#include "tools/sample-platform/sample_courses.h"
#include "window/control_aliases.h"

namespace ld::e2e {
namespace {

using ::testing::ElementsAreArray;

// Course 141's resolvable lectures, in order, with the names their files get:
// refused characters become "_", a trailing dot goes.
struct ExpectedFile {
    const char* title;
    const char* fileName;
};
const std::vector<ExpectedFile> kCourseFiles = {
    {"第1讲 课程导论", "第1讲 课程导论.flv"},
    {"第2讲 输入/输出: 基本概念", "第2讲 输入_输出_ 基本概念.flv"},
    {"第3讲 什么是算法?", "第3讲 什么是算法_.flv"},
    {R"(第5讲 \"引号\"里的字符串)", "第5讲 __引号__里的字符串.flv"},
    {"第6讲 本章小结.", "第6讲 本章小结.flv"},
    {R"(第7讲 <文件>与|管道|\\)", "第7讲 _文件_与_管道___.flv"},
    {"第8讲 期末复习：综合练习", "第8讲 期末复习：综合练习.flv"},
};

std::vector<std::string> sortedFileNames(const std::vector<ExpectedFile>& files) {
    std::vector<std::string> names;
    for (const ExpectedFile& file : files) {
        names.emplace_back(file.fileName);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class WholeProgram : public ProgramFixture {
  protected:
    // Every row of the download list is one of kCourseFiles, finished, with
    // its size, and its file holds exactly the platform's bytes.
    void expectEveryFileDownloaded() {
        ASSERT_EQ(rows(kDownloadList), static_cast<int>(kCourseFiles.size()));
        for (int row = 0; row < rows(kDownloadList); ++row) {
            const ExpectedFile& expected = kCourseFiles[static_cast<std::size_t>(row)];
            const sample::SampleLecture& lecture = lectureTitled(expected.title);
            SCOPED_TRACE(expected.fileName);
            EXPECT_EQ(cell(kDownloadList, row, 1), expected.title);  // the title as shown
            EXPECT_EQ(cell(kDownloadList, row, 4), "下载完毕");
            EXPECT_EQ(cell(kDownloadList, row, 2), gbkToUtf8(fileSizeText(lecture.videoSize)));
            EXPECT_TRUE(fileBytes(downloads() / expected.fileName) ==
                        sample::SamplePlatform::videoBytes(lecture))
                << "file differs from the platform's bytes";
        }
        // Nothing else: no partial or resume files left, nothing outside.
        EXPECT_THAT(filesInDownloads(), ElementsAreArray(sortedFileNames(kCourseFiles)));
    }
};

TEST_F(WholeProgram, SearchRemoveFailuresAddAllAndDownloadEveryLecture) {
    searchDefaultCourse();
    ASSERT_EQ(rows(kParseList), 8);
    click(kRemoveFailedButton);  // 删除失败
    ASSERT_EQ(rows(kParseList), 7);
    click(kAddAllButton);  // 一键加入下载列表
    click(kBrowseButton);
    ASSERT_EQ(text(kSaveFolderBox), downloads().string());
    click(kStartButton);
    EXPECT_EQ(window().interval(), 1000);

    ASSERT_TRUE(waitFor([this] { return queueFinished(); }, 300s))
        << "state line: " << text(kTaskStateLabel) << ", row " << globals().shared.currentRow;
    expectEveryFileDownloaded();
    EXPECT_EQ(globals().shared.currentRow, rows(kDownloadList));
    EXPECT_EQ(window().interval(), 0);
    EXPECT_FALSE(window().timer().isActive());
    EXPECT_THAT(text(kSpeedLabel), ::testing::StartsWith("当前速度："));
    EXPECT_TRUE(messages().empty());
    // Another start with the queue done asks for rows instead of making a task.
    click(kStartButton);
    EXPECT_THAT(messages(), ElementsAreArray({"无下载任务"}));
    EXPECT_EQ(window().interval(), 0);
}

TEST_F(WholeProgram, PauseAndResumeInTheMiddleOfAFile) {
    // Slow enough for a tick to see the file half written.
    sample::SamplePlatformOptions paced;
    paced.videoBytesPerSecond = 256 * 1024;
    platform().setOptions(paced);
    searchDefaultCourse();
    // Only "第3讲 什么是算法?" (1 MiB + 1 byte): a double-click copies the selected row.
    doubleClickRow(kParseList, 2);
    ASSERT_EQ(rows(kDownloadList), 1);
    const ExpectedFile& expected = kCourseFiles[2];
    const sample::SampleLecture& lecture = lectureTitled(expected.title);
    click(kBrowseButton);
    click(kStartButton);

    ASSERT_TRUE(waitFor([this] { return text(kTaskStateLabel) == "下载中"; }, 30s));
    const std::uint32_t handle = globals().queue.taskHandle;
    click(kPauseButton);
    EXPECT_EQ(text(kPauseButton), "继续");
    EXPECT_EQ(window().interval(), 0);

    // The tick that showed "下载中" saw the file partly fetched.
    const std::int64_t total = lecture.videoSize;
    const std::int64_t seenAtTick = globals().queue.taskInfoRecord.已下载速度();
    EXPECT_GT(seenAtTick, 0);
    EXPECT_LT(seenAtTick, total);

    // Paused mid-file: the engine reports the pause and the count stands still.
    const auto askEngine = [this, handle] {
        TaskInfoRecord probe;
        EXPECT_TRUE(probe.defineFields());
        EXPECT_NE(engine().queryTaskInfo(handle, probe.taskAddress()), 0);
        return std::pair{probe.当前状态(), probe.已下载速度()};
    };
    QTest::qWait(700);
    const auto [stateAtPause, doneAtPause] = askEngine();
    EXPECT_EQ(stateAtPause, 2);
    EXPECT_LT(doneAtPause, total);
    QTest::qWait(1200);
    EXPECT_EQ(askEngine().second, doneAtPause);
    EXPECT_FALSE(std::filesystem::exists(downloads() / expected.fileName));
    // Mid-file the row shows how far it has come, never a finished state.
    EXPECT_TRUE(std::regex_match(cell(kDownloadList, 0, 4), std::regex("[0-9]{1,2}%")))
        << cell(kDownloadList, 0, 4);

    click(kPauseButton);
    EXPECT_EQ(text(kPauseButton), "暂停");
    EXPECT_EQ(window().interval(), 1000);
    ASSERT_TRUE(waitFor([this] { return queueFinished(); }, 60s)) << text(kTaskStateLabel);
    EXPECT_EQ(globals().queue.taskHandle, handle);  // resumed, not recreated
    EXPECT_TRUE(fileBytes(downloads() / expected.fileName) ==
                sample::SamplePlatform::videoBytes(lecture));
    EXPECT_EQ(cell(kDownloadList, 0, 2), "1.00MB");
    EXPECT_THAT(filesInDownloads(), ElementsAreArray({std::string(expected.fileName)}));
}

TEST_F(WholeProgram, AFailedRowHaltsTheQueueUntilItIsRemoved) {
    searchDefaultCourse();
    click(kAddAllButton);  // all eight rows, the unresolved one included
    ASSERT_EQ(rows(kDownloadList), 8);
    ASSERT_EQ(cell(kDownloadList, 3, 3), "解析失败");
    click(kBrowseButton);
    click(kStartButton);

    ASSERT_TRUE(waitFor(
        [this] { return text(kTaskStateLabel) == "已取消" && window().interval() == 0; }, 120s))
        << text(kTaskStateLabel);
    EXPECT_EQ(globals().shared.currentRow, 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(cell(kDownloadList, row, 4), "下载完毕") << row;
    }
    // The unresolved row's address reaches the engine as it is, and the row says why it failed.
    EXPECT_EQ(cell(kDownloadList, 3, 4), "下载失败 (下载地址无效)");
    EXPECT_EQ(cell(kDownloadList, 4, 4), "");

    // The user removes the failed row and starts again from the top.
    doubleClickRow(kDownloadList, 3);
    ASSERT_EQ(rows(kDownloadList), 7);
    EXPECT_EQ(globals().shared.currentRow, 0);
    click(kStartButton);
    ASSERT_TRUE(waitFor([this] { return queueFinished(); }, 300s))
        << "state line: " << text(kTaskStateLabel) << ", row " << globals().shared.currentRow;
    expectEveryFileDownloaded();
    EXPECT_EQ(globals().shared.currentRow, 7);
}

TEST_F(WholeProgram, AFileTheServerRefusesShowsTheStatusInItsRow) {
    searchDefaultCourse();
    doubleClickRow(kParseList, 0);
    ASSERT_EQ(rows(kDownloadList), 1);
    sample::SamplePlatformOptions refusing;
    refusing.failTargetsContaining = "/flvs/";
    refusing.failStatus = 404;
    platform().setOptions(refusing);
    click(kBrowseButton);
    click(kStartButton);

    ASSERT_TRUE(waitFor(
        [this] { return text(kTaskStateLabel) == "已取消" && window().interval() == 0; }, 120s))
        << text(kTaskStateLabel);
    EXPECT_EQ(cell(kDownloadList, 0, 4), "下载失败 (404)");
}

}  // namespace
}  // namespace ld::e2e
