// The download list changes while a task runs: the task's progress and
// completion go to the row it was started for, wherever that row now is; a
// task whose row left the list stops and marks nothing; without a live task,
// pause and continue do nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "course/parse_list_actions.h"
#include "download/queue/download_list_edits.h"
#include "download/queue/download_queue.h"
#include "queue_fixture.h"
#include "text/codepage.h"
#include "window/control_aliases.h"
#include "window/memory_window.h"

namespace ld {
namespace {

using ::testing::ElementsAre;

class DownloadListEditsTest : public testing::QueueFixture {
  protected:
    DownloadListEditsTest() : QueueFixture("/srv") {
        for (const char* name : {"A", "B", "C"}) {
            addRow(name);
        }
    }

    void addRow(const std::string& name) { QueueFixture::addRow(name, "http://v.example/" + name); }
    // A lecture in the parse list, as the catalogue and resolution leave it.
    void addParseRow(const std::string& name) {
        const int row = window.appendRow(kParseList);
        window.setCellText(kParseList, row, kParseTitleColumn, gbk(name));
        window.setCellText(kParseList, row, kParseAddressColumn, gbk("http://v.example/" + name));
    }
    std::vector<std::string> column(int number) {
        std::vector<std::string> out;
        for (int row = 0; row < window.rowCount(kDownloadList); ++row) {
            out.push_back(cell(row, number));
        }
        return out;
    }
};

TEST_F(DownloadListEditsTest, RemovingTheRowBeingDownloadedStopsItsTaskAndMarksNoOther) {
    start();  // A
    removeRow(0);
    engine.clearCalls();
    engine.task(1).state = 3;
    tick();
    EXPECT_THAT(engine.calls(), ElementsAre("query 1", "stop 1"));
    EXPECT_THAT(column(1), ElementsAre("B", "C"));
    EXPECT_THAT(column(4), ElementsAre("", ""));
    EXPECT_THAT(column(2), ElementsAre("", ""));
    EXPECT_EQ(window.interval(), 0);
    EXPECT_TRUE(window.soundsPlayed().empty());
    EXPECT_EQ(shared.currentRow, 0);
    // A later tick finds no live task; the next start downloads B.
    engine.clearCalls();
    tick();
    EXPECT_TRUE(engine.calls().empty());
    start();
    EXPECT_EQ(engine.task(2).url, "http://v.example/B");
}

TEST_F(DownloadListEditsTest, RemovingRowsAboveKeepsEverythingOnTheTaskRow) {
    start();
    finishLastTask(100);  // A done, B starts as task 2
    ASSERT_EQ(shared.currentRow, 1);
    removeRow(0);  // A leaves; B moves up to row 0
    EXPECT_EQ(shared.currentRow, 0);
    EXPECT_EQ(shared.taskRow, 0);
    engine.task(2).state = 3;
    engine.task(2).totalSize = 1572864;
    tick();
    EXPECT_THAT(column(2), ElementsAre("1.50MB", ""));
    finishLastTask(1572864);
    EXPECT_THAT(column(4), ElementsAre("下载完毕", ""));
    // The queue goes on with the row after the finished one: C.
    EXPECT_EQ(engine.task(3).url, "http://v.example/C");
    EXPECT_EQ(shared.currentRow, 1);
    finishLastTask();
    EXPECT_THAT(column(4), ElementsAre("下载完毕", "下载完毕"));
    EXPECT_EQ(engine.taskCount(), 3);
}

TEST_F(DownloadListEditsTest, RemovingRowsBelowOrNoneLeavesTheTaskAlone) {
    start();
    removeRow(2);
    window.selectRow(kDownloadList, -1);
    ASSERT_TRUE(window.fire(kDownloadListDoubleClicked));  // nothing selected
    EXPECT_EQ(shared.taskRow, 0);
    engine.clearCalls();
    finishLastTask();
    EXPECT_THAT(engine.calls(), ElementsAre("query 1", "create 2", "start 2"));
    EXPECT_THAT(column(4), ElementsAre("下载完毕", ""));
}

TEST_F(DownloadListEditsTest, AddingRowsNeverDisturbsTheRunningTask) {
    addParseRow("D");
    start();
    window.selectRow(kParseList, 0);
    copySelectedToDownloadList(window, shared);  // the parse list's double-click appends D
    EXPECT_EQ(shared.currentRow, 0);
    engine.clearCalls();
    finishLastTask();
    EXPECT_THAT(engine.calls(), ElementsAre("query 1", "create 2", "start 2"));
    EXPECT_THAT(column(4), ElementsAre("下载完毕", "", "", ""));
    EXPECT_EQ(engine.task(2).url, "http://v.example/B");
}

TEST_F(DownloadListEditsTest, ReplacingOrClearingTheListStopsTheTaskOfTheRowThatLeft) {
    for (const bool refill : {true, false}) {
        SCOPED_TRACE(refill ? "一键加入下载列表" : "清空");
        window.deleteAllRows(kParseList);
        addParseRow("X");
        addParseRow("Y");
        shared.currentRow = 0;
        start();
        const std::uint32_t handle = engine.lastHandle();
        if (refill) {
            copyAllToDownloadList(window, shared);
        } else {
            ASSERT_TRUE(window.fire(kClearDownloadListClicked));
        }
        engine.clearCalls();
        engine.task(handle).state = 3;
        tick();
        EXPECT_THAT(engine.calls(), ElementsAre("query " + std::to_string(handle),
                                                "stop " + std::to_string(handle)));
        EXPECT_EQ(window.interval(), 0);
        for (int row = 0; row < window.rowCount(kDownloadList); ++row) {
            EXPECT_EQ(cell(row, 4), "") << row;
            EXPECT_EQ(cell(row, 2), "") << row;
        }
        EXPECT_TRUE(window.soundsPlayed().empty());
    }
}

TEST_F(DownloadListEditsTest, ATaskPausedWhenItsRowIsRemovedIsNotResumed) {
    start();
    pauseButton();
    removeRow(0);
    engine.clearCalls();
    pauseButton();  // "继续"
    EXPECT_THAT(engine.calls(), ElementsAre("query 1", "stop 1"));
    EXPECT_EQ(window.interval(), 0);
}

TEST_F(DownloadListEditsTest, PauseAndContinueWithoutALiveTaskDoNothing) {
    // After the last row finished.
    window.deleteAllRows(kDownloadList);
    addRow("A");
    start();
    finishLastTask();
    ASSERT_EQ(shared.currentRow, 1);
    ASSERT_EQ(window.soundsPlayed().size(), 1U);
    engine.clearCalls();
    for (int click = 0; click < 2; ++click) {
        pauseButton();
        tick();
    }
    EXPECT_TRUE(engine.calls().empty());
    EXPECT_EQ(gbkToUtf8(window.getText(kPauseButton)), "暂停");
    EXPECT_EQ(window.interval(), 0);
    EXPECT_EQ(window.soundsPlayed().size(), 1U);
    EXPECT_EQ(shared.currentRow, 1);

    // A refilled list is not marked by the old task either.
    addRow("B");
    shared.currentRow = 0;
    pauseButton();
    pauseButton();
    tick();
    EXPECT_THAT(column(4), ElementsAre("下载完毕", ""));
    EXPECT_TRUE(engine.calls().empty());

    // After a failure.
    shared.currentRow = 1;
    start();
    engine.task(2).state = 1;
    tick();
    ASSERT_EQ(cell(1, 4), "下载失败");
    engine.clearCalls();
    pauseButton();
    pauseButton();
    tick();
    EXPECT_TRUE(engine.calls().empty());
    EXPECT_EQ(window.interval(), 0);
}

}  // namespace
}  // namespace ld
