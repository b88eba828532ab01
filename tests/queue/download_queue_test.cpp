#include "download/queue/download_queue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "course/parse_list_actions.h"
#include "download/queue/completion_sound.h"
#include "download/queue/download_list_edits.h"
#include "download/queue/failure_text.h"
#include "failure_codes.h"
#include "queue_fixture.h"
#include "text/codepage.h"
#include "window/control_aliases.h"
#include "window/memory_window.h"

namespace ld {
namespace {

using ::testing::ElementsAre;
using testing::withSeparator;

const char* const kHint = "下载出错双击可以删除下载成功或者出错项目，然后点击开始继续下载";

class DownloadQueueTest : public testing::QueueFixture {
  protected:
    DownloadQueueTest() : QueueFixture("/srv/课程") {}

    // A numbered row, as the hand-over to the download list writes it.
    void addRow(const std::string& title, const std::string& address) {
        const int row = window.rowCount(kDownloadList);
        QueueFixture::addRow(title, address);
        window.setCellText(kDownloadList, row, kDownloadNumberColumn,
                           Text(std::to_string(row + 1)));
    }
    std::vector<std::string> statusColumn() {
        std::vector<std::string> out;
        for (int row = 0; row < window.rowCount(kDownloadList); ++row) {
            out.push_back(cell(row, kDownloadStatusColumn));
        }
        return out;
    }
};

TEST_F(DownloadQueueTest, StartCreatesTheTaskFromTheRowAndPolls) {
    addRow("第1讲 绪论", "http://v.example/1.flv");
    start();
    ASSERT_EQ(engine.taskCount(), 1);
    EXPECT_THAT(engine.calls(), ElementsAre("create 1", "start 1"));
    const auto& task = engine.task(1);
    EXPECT_EQ(task.url, "http://v.example/1.flv");
    EXPECT_EQ(task.fileName, "第1讲 绪论.flv");
    EXPECT_EQ(task.folder, withSeparator("/srv/课程"));
    EXPECT_FALSE(task.sourceOnly);
    EXPECT_TRUE(task.noRenaming);
    EXPECT_TRUE(task.resume);
    EXPECT_EQ(task.reserved1, 5);
    EXPECT_EQ(window.interval(), 1000);
    EXPECT_EQ(state.taskHandle, 1U);
    EXPECT_EQ(gbkToUtf8(state.currentFolder), withSeparator("/srv/课程"));
    EXPECT_EQ(gbkToUtf8(state.currentFileName), "第1讲 绪论.flv");
    // Before the first answer the info record holds the paused state.
    EXPECT_EQ(state.taskInfoRecord.当前状态(), 2);
}

struct StateCase {
    std::int32_t code;
    const char* label;   // 透明标签1 after the tick
    int interval;        // 时钟1 after the tick
    const char* status;  // column 4 after the tick
};

void PrintTo(const StateCase& c, std::ostream* out) {
    *out << "state " << c.code;
}

class DownloadQueueStateTest : public DownloadQueueTest,
                               public ::testing::WithParamInterface<StateCase> {};

TEST_P(DownloadQueueStateTest, ShowsTheStateSizeAndSpeed) {
    const StateCase& c = GetParam();
    addRow("a", "http://v.example/a");
    start();
    auto& task = engine.task(1);
    task.state = c.code;
    task.totalSize = 1572864;
    task.speed = 524288;
    task.usableSources = 3;
    task.totalSources = 5;
    tick();
    EXPECT_EQ(text(kTaskStateLabel), c.label);
    EXPECT_EQ(window.interval(), c.interval);
    EXPECT_EQ(cell(0, 4), c.status);
    EXPECT_EQ(cell(0, 2), "1.50MB");
    EXPECT_EQ(text(kSpeedLabel), "当前速度：512KB    可用资源数：3/5");
    EXPECT_EQ(shared.currentRow, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, DownloadQueueStateTest,
    ::testing::Values(StateCase{0, "", 1000, ""}, StateCase{1, "已取消", 0, "下载失败"},
                      StateCase{2, "已暂停", 0, "0%"}, StateCase{3, "下载中", 1000, "0%"},
                      StateCase{5, "发送请求", 1000, ""}, StateCase{6, "结束请求", 1000, "0%"},
                      StateCase{7, "", 1000, ""}, StateCase{-1, "", 1000, ""}));

TEST_F(DownloadQueueTest, CompletionMarksTheRowAndStartsTheNextInTheSameTick) {
    addRow("one", "http://v.example/1");
    addRow("two", "http://v.example/2");
    start();
    auto& first = engine.task(1);
    first.state = 3;
    first.totalSize = 1073741824;
    first.speed = 2097151;
    first.usableSources = 1;
    first.totalSources = 1;
    tick();
    ASSERT_EQ(cell(0, 2), "1.00GB");
    first.state = 4;
    engine.clearCalls();
    tick();

    EXPECT_THAT(engine.calls(), ElementsAre("query 1", "create 2", "start 2"));
    EXPECT_EQ(cell(0, 4), "下载完毕");
    EXPECT_EQ(cell(0, 2), "1.00GB");  // the finished row keeps its size
    EXPECT_EQ(shared.currentRow, 1);
    EXPECT_EQ(window.interval(), 1000);
    ASSERT_EQ(window.soundsPlayed().size(), 1U);
    const auto chime = completionSound();
    EXPECT_EQ(window.soundsPlayed()[0], std::vector<std::uint8_t>(chime.begin(), chime.end()));
    EXPECT_EQ(engine.task(2).url, "http://v.example/2");
    EXPECT_EQ(cell(1, 2), "0.00MB");
    EXPECT_EQ(text(kSpeedLabel), "当前速度：0KB    可用资源数：0/0");
    EXPECT_EQ(text(kTaskStateLabel), "下载中");  // the completion writes only the cell

    engine.task(2).state = 4;
    engine.clearCalls();
    tick();
    EXPECT_THAT(engine.calls(), ElementsAre("query 2"));  // no further task
    EXPECT_EQ(cell(1, 4), "下载完毕");
    EXPECT_EQ(shared.currentRow, 2);
    EXPECT_EQ(window.interval(), 0);
    EXPECT_EQ(window.soundsPlayed().size(), 2U);
    EXPECT_EQ(window.rowCount(kDownloadList), 2);
}

TEST_F(DownloadQueueTest, TheRowShowsItsPercentageUntilItFinishesOrFails) {
    addRow("one", "http://v.example/1");
    addRow("two", "http://v.example/2");
    start();
    auto& first = engine.task(1);
    first.state = 5;  // request sent, size not known yet
    tick();
    EXPECT_EQ(cell(0, 4), "");
    first.state = 3;
    first.totalSize = 48 * 1048576;
    first.doneBytes = 17 * 1048576;
    tick();
    EXPECT_EQ(cell(0, 4), "35%");
    EXPECT_EQ(cell(1, 4), "");
    first.state = 4;
    first.doneBytes = first.totalSize;
    tick();
    EXPECT_EQ(cell(0, 4), "下载完毕");
    EXPECT_EQ(cell(1, 4), "");  // the next row's fresh record shows no percentage yet

    auto& second = engine.task(2);
    second.state = 3;
    second.totalSize = 1000;
    second.doneBytes = 999;
    tick();
    EXPECT_EQ(cell(1, 4), "99%");
    second.state = 1;
    second.failureCode = 404;
    tick();
    EXPECT_EQ(cell(1, 4), "下载失败 (404)");
    EXPECT_EQ(cell(0, 4), "下载完毕");
}

TEST_F(DownloadQueueTest, AFileFinishedBeforeTheFirstTickStillShowsItsSize) {
    addRow("one", "http://v.example/1");
    addRow("two", "http://v.example/2");
    start();
    engine.task(1).state = 4;
    engine.task(1).totalSize = 307217;
    tick();
    EXPECT_EQ(cell(0, 2), "0.29MB");
    EXPECT_EQ(cell(0, 4), "下载完毕");
    EXPECT_EQ(cell(1, 2), "0.00MB");
}

TEST_F(DownloadQueueTest, AZeroQueryResultChangesNothing) {
    addRow("a", "http://v.example/a");
    start();
    engine.task(1).state = 4;
    engine.setAnswersQueries(false);
    tick();
    EXPECT_EQ(text(kTaskStateLabel), "");
    EXPECT_EQ(text(kSpeedLabel), kHint);
    EXPECT_EQ(cell(0, 2), "");
    EXPECT_EQ(cell(0, 4), "");
    EXPECT_EQ(window.interval(), 1000);
    EXPECT_EQ(shared.currentRow, 0);
    EXPECT_TRUE(window.soundsPlayed().empty());
}

TEST_F(DownloadQueueTest, PauseAndResumeWorkOnOneHandle) {
    addRow("a", "http://v.example/a");
    start();
    engine.clearCalls();
    pauseButton();
    EXPECT_EQ(text(kPauseButton), "继续");
    EXPECT_EQ(window.interval(), 0);
    pauseButton();
    EXPECT_EQ(text(kPauseButton), "暂停");
    EXPECT_EQ(window.interval(), 1000);
    EXPECT_THAT(engine.calls(), ElementsAre("stop 1", "start 1"));
    EXPECT_EQ(engine.taskCount(), 1);
}

TEST_F(DownloadQueueTest, PauseBeforeAnyTaskDoesNothing) {
    pauseButton();
    tick();
    EXPECT_EQ(text(kPauseButton), "暂停");
    EXPECT_EQ(window.interval(), 0);
    EXPECT_TRUE(engine.calls().empty());
    EXPECT_EQ(state.taskInfoRecord.taskAddress(), nullptr);
}

TEST_F(DownloadQueueTest, StartWithAnEmptyListShowsNoTask) {
    start();
    EXPECT_THAT(messages(), ElementsAre("无下载任务"));
    EXPECT_TRUE(engine.calls().empty());
    EXPECT_EQ(window.interval(), 0);
}

TEST_F(DownloadQueueTest, StartPastTheLastRowShowsNoTask) {
    addRow("a", "http://v.example/a");
    start();
    engine.task(1).state = 4;
    tick();
    ASSERT_EQ(shared.currentRow, 1);
    engine.clearCalls();
    start();
    EXPECT_THAT(messages(), ElementsAre("无下载任务"));
    EXPECT_TRUE(engine.calls().empty());
    EXPECT_EQ(window.interval(), 0);
}

TEST_F(DownloadQueueTest, StartWhileATaskRunsOrIsPausedStopsItFirst) {
    addRow("a", "http://v.example/a");
    start();
    start();
    // A task is asked how it stands before it is stopped (one that has
    // finished meanwhile is not stopped).
    EXPECT_THAT(engine.calls(),
                ElementsAre("create 1", "start 1", "query 1", "stop 1", "create 2", "start 2"));
    pauseButton();  // pauses task 2
    engine.clearCalls();
    start();
    EXPECT_THAT(engine.calls(), ElementsAre("query 2", "stop 2", "create 3", "start 3"));
    EXPECT_EQ(engine.task(3).fileName, engine.task(1).fileName);
    EXPECT_EQ(window.interval(), 1000);
}

TEST_F(DownloadQueueTest, AFailedRowNamesTheEngineReason) {
    std::vector<std::int32_t> codes{404, 500, 0};
    for (const auto& [name, code] : testing::engineFailureCodes()) {
        codes.push_back(code);
    }
    addRow("a", "http://v.example/a");
    for (const std::int32_t code : codes) {
        SCOPED_TRACE(code);
        start();  // after a failure: a new task for the same row
        engine.task(engine.lastHandle()).state = 1;
        engine.task(engine.lastHandle()).failureCode = code;
        tick();
        EXPECT_EQ(cell(0, 4), gbkToUtf8(failedRowText(code)));
        EXPECT_EQ(text(kTaskStateLabel), "已取消");
        EXPECT_EQ(window.interval(), 0);
    }
}

TEST_F(DownloadQueueTest, ARestartAfterAFailureCreatesANewTaskForTheSameRow) {
    addRow("a", "http://v.example/a");
    addRow("b", "http://v.example/b");
    start();
    engine.task(1).state = 4;
    tick();
    engine.task(2).state = 1;
    tick();
    EXPECT_EQ(cell(1, 4), "下载失败");
    EXPECT_EQ(text(kTaskStateLabel), "已取消");
    EXPECT_EQ(window.interval(), 0);
    EXPECT_EQ(shared.currentRow, 1);
    engine.clearCalls();
    start();
    // The failed task is over: nothing to stop.
    EXPECT_THAT(engine.calls(), ElementsAre("create 3", "start 3"));
    EXPECT_EQ(engine.task(3).url, "http://v.example/b");
}

struct FolderCase {
    const char* box;
    std::string folder;  // as the engine gets it
};

void PrintTo(const FolderCase& c, std::ostream* out) {
    *out << '"' << c.box << '"';
}

class DownloadQueueFolderTest : public DownloadQueueTest,
                                public ::testing::WithParamInterface<FolderCase> {};

TEST_P(DownloadQueueFolderTest, AppendsOneSeparatorToTheBox) {
    window.setText(kSaveFolderBox, gbk(GetParam().box));
    addRow("a", "http://v.example/a");
    start();
    EXPECT_EQ(engine.task(1).folder, GetParam().folder);
}

// A folder that already ends in a separator (a root) gets a second one, which
// every file system reads as one; an empty box means the current folder.
INSTANTIATE_TEST_SUITE_P(
    Boxes, DownloadQueueFolderTest,
    ::testing::Values(FolderCase{"/home/u/视频", withSeparator("/home/u/视频")},
                      FolderCase{"/home/u/视频/", withSeparator("/home/u/视频/")},
                      FolderCase{"/", withSeparator("/")}, FolderCase{"", withSeparator(".")}));

TEST_F(DownloadQueueTest, HostileTitlesStayInsideTheFolderAndTheRowKeepsTheTitle) {
    addRow("../../etc/x", "http://v.example/a");
    addRow("CON", "http://v.example/b");
    start();
    EXPECT_EQ(engine.task(1).fileName, "___.._etc_x.flv");
    EXPECT_EQ(cell(0, 1), "../../etc/x");
    engine.task(1).state = 4;
    tick();
    EXPECT_EQ(engine.task(2).fileName, "_CON.flv");
    EXPECT_EQ(cell(1, 1), "CON");
}

TEST_F(DownloadQueueTest, ChooseFolderWritesTheChoiceAndIgnoresACancel) {
    window.setChosenFolder(Text());
    ASSERT_TRUE(window.fire(kBrowseClicked));
    EXPECT_EQ(text(kSaveFolderBox), "/srv/课程");
    window.setChosenFolder(gbk("/media/盘"));
    ASSERT_TRUE(window.fire(kBrowseClicked));
    EXPECT_EQ(text(kSaveFolderBox), "/media/盘");
    ASSERT_EQ(window.folderPrompts().size(), 2U);
    EXPECT_EQ(gbkToUtf8(window.folderPrompts()[0]), "选择文件存放目录");
}

}  // namespace
}  // namespace ld
