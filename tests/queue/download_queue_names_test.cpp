// Which file each row goes to, and what the queue refuses before anything is
// fetched: a save folder the create record cannot hold as typed, an address
// it cannot hold whole.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download/queue/download_list_edits.h"
#include "download/queue/download_queue.h"
#include "queue_fixture.h"
#include "text/codepage.h"
#include "window/control_aliases.h"
#include "window/memory_window.h"

namespace ld {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::withSeparator;

class DownloadQueueNamesTest : public testing::QueueFixture {
  protected:
    DownloadQueueNamesTest() : QueueFixture("/srv") {}

    // Starts at the top and finishes every row; the file names in order.
    std::vector<std::string> downloadAll() {
        const std::uint32_t before = engine.lastHandle();
        shared.currentRow = 0;
        start();
        while (engine.lastHandle() != before && window.interval() != 0) {
            finishLastTask();
        }
        std::vector<std::string> names;
        for (std::uint32_t handle = before + 1; handle <= engine.lastHandle(); ++handle) {
            names.push_back(engine.task(handle).fileName);
        }
        return names;
    }
};

TEST_F(DownloadQueueNamesTest, RowsWhoseNamesCollideGetNumberedFilesInListOrder) {
    addRow("a/b", "http://v.example/1");
    addRow("a:b", "http://v.example/2");
    addRow("A_B", "http://v.example/3");  // the same file where letter case does not count
    addRow("讲义", "http://v.example/4");
    addRow("讲义", "http://v.example/5");
    addRow("讲义 (2)", "http://v.example/6");
    addRow(".隐藏", "http://v.example/7");
    const std::vector<std::string> expected{"a_b.flv",  "a_b (2).flv",  "A_B (3).flv",
                                            "讲义.flv", "讲义 (2).flv", "讲义 (2) (2).flv",
                                            "_隐藏.flv"};
    EXPECT_THAT(downloadAll(), ElementsAreArray(expected));
    // The list still shows the titles; a second run maps every row the same.
    EXPECT_EQ(gbkToUtf8(window.getCellText(kDownloadList, 1, 1)), "a:b");
    EXPECT_THAT(downloadAll(), ElementsAreArray(expected));
}

TEST_F(DownloadQueueNamesTest, AFinishedFileIsNeverHandedToAnotherLecture) {
    addRow("讲义", "http://v.example/1");
    addRow("讲义", "http://v.example/2");
    addRow("讲义", "http://v.example/3");
    start();
    finishLastTask();  // row 0 -> 讲义.flv
    engine.task(2).state = 1;
    tick();  // row 1 (讲义 (2).flv) fails
    // As the hint says: remove the finished and the failed row, start again.
    window.selectRow(kDownloadList, 1);
    ASSERT_TRUE(window.fire(kDownloadListDoubleClicked));
    window.selectRow(kDownloadList, 0);
    ASSERT_TRUE(window.fire(kDownloadListDoubleClicked));
    start();
    EXPECT_EQ(engine.task(3).url, "http://v.example/3");
    EXPECT_EQ(engine.task(3).fileName, "讲义 (2).flv");
    // The same lecture again may take its own file back.
    addRow("讲义", "http://v.example/1");
    EXPECT_THAT(downloadAll(), ElementsAre("讲义 (2).flv", "讲义.flv"));
}

TEST_F(DownloadQueueNamesTest, ALectureResolvedAgainUnderANewKeyKeepsItsFile) {
    // The same course searched twice: every play address carries a new key.
    addRow("讲义", "http://v.example/flvs/1.flv?t=1&key=aaaa&amp;tpl=10");
    addRow("小结", "http://v.example/flvs/2.flv?t=1&key=bbbb&amp;tpl=10");
    EXPECT_THAT(downloadAll(), ElementsAre("讲义.flv", "小结.flv"));
    window.deleteAllRows(kDownloadList);
    addRow("讲义", "http://v.example/flvs/1.flv?t=2&key=cccc&amp;tpl=10");
    addRow("小结", "http://V.EXAMPLE/flvs/2.flv?t=2&key=dddd&amp;tpl=10#start");
    EXPECT_THAT(downloadAll(), ElementsAre("讲义.flv", "小结.flv"));
    // Another video under a finished lecture's title still gets a file of its own.
    window.deleteAllRows(kDownloadList);
    addRow("讲义", "http://v.example/flvs/3.flv?t=2&key=cccc&amp;tpl=10");
    EXPECT_THAT(downloadAll(), ElementsAre("讲义 (2).flv"));
}

TEST_F(DownloadQueueNamesTest, AFileFinishedJustBeforeItsRowLeftIsNeverHandedToAnother) {
    // The task finishes, and its row is removed before a tick has seen it:
    // the next tick, or a start, finds the task finished.
    for (const bool byTick : {true, false}) {
        SCOPED_TRACE(byTick ? "tick" : "start");
        window.deleteAllRows(kDownloadList);
        state.finishedFiles = FinishedFiles();
        addRow("讲义", "http://v.example/1");
        shared.currentRow = 0;
        start();
        const std::uint32_t finished = engine.lastHandle();
        engine.task(finished).state = 4;
        removeRow(0);
        if (byTick) {
            tick();
        }
        addRow("讲义", "http://v.example/2");
        engine.clearCalls();
        start();
        EXPECT_EQ(engine.task(engine.lastHandle()).fileName, "讲义 (2).flv");
        // A finished task is not stopped.
        EXPECT_THAT(engine.calls(),
                    ::testing::Not(::testing::Contains("stop " + std::to_string(finished))));
        EXPECT_EQ(cell(0, kDownloadStatusColumn), "");
    }
}

TEST_F(DownloadQueueNamesTest, AFolderTheRecordCannotHoldAsTypedStartsNothing) {
    addRow("a", "http://v.example/a");
    struct Case {
        std::string folder;
        const char* message;  // empty: the folder is used
    };
    const std::string tooLong = "保存文件夹的路径超过259个字符，无法使用，请选择路径较短的文件夹。";
    const std::string notRepresentable =
        "保存文件夹的路径中有程序无法处理的字符（如“?”或部分外文字母），无法使用，请另选文件夹。";
    // 258 units and the separator fill the field's 259 units.
    const std::string longest = "/" + std::string(127, 'x') + "/" + std::string(64, 'y') + "/" +
                                std::string(32, 'z') + "/" + std::string(31, 'w');
    ASSERT_EQ(longest.size(), 258U);
    const std::vector<Case> cases{
        {longest, ""},
        {longest + "w", tooLong.c_str()},
        {"/" + std::string(120, 'x') + "/" + std::string(150, 'y'), tooLong.c_str()},
        {"/home/" + std::string(130, 'x') + "课程" + std::string(130, 'y'), tooLong.c_str()},
        // "ä" is not in code page 936: the box reads it as "?".
        {gbkToUtf8(gbk("/home/jäger/视频")), notRepresentable.c_str()},
        {"/srv/what?", notRepresentable.c_str()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        window.setText(kSaveFolderBox, gbk(c.folder));
        const int tasksBefore = engine.taskCount();
        const std::size_t messagesBefore = window.messages().size();
        start();
        if (c.message[0] == '\0') {
            EXPECT_EQ(engine.taskCount(), tasksBefore + 1);
            EXPECT_EQ(engine.task(engine.lastHandle()).folder, withSeparator(c.folder));
            EXPECT_EQ(window.messages().size(), messagesBefore);
        } else {
            EXPECT_EQ(engine.taskCount(), tasksBefore);
            ASSERT_EQ(window.messages().size(), messagesBefore + 1);
            EXPECT_EQ(messages().back(), c.message);
        }
    }
    // The task started above goes on; a refused start leaves it alone.
    EXPECT_EQ(window.interval(), 1000);
    EXPECT_EQ(engine.calls().back(), "start 1");
}

TEST_F(DownloadQueueNamesTest, ARowWhoseAddressTheRecordCannotHoldFailsUnfetched) {
    const std::string prefix = "http://v.example/";
    const std::string longest = prefix + std::string(2083 - prefix.size(), 'a');
    addRow("fits", longest);
    addRow("too long", longest + "b");
    addRow("after", "http://v.example/c");
    start();
    EXPECT_EQ(engine.task(1).url, longest);
    engine.clearCalls();
    finishLastTask();
    EXPECT_THAT(engine.calls(), ElementsAre("query 1"));
    EXPECT_EQ(gbkToUtf8(window.getCellText(kDownloadList, 1, 4)),
              "下载失败 (下载地址无效)");  // never fetched: its address would be cut
    EXPECT_EQ(gbkToUtf8(window.getText(kTaskStateLabel)), "已取消");
    EXPECT_EQ(window.interval(), 0);
    EXPECT_EQ(shared.currentRow, 1);
    EXPECT_EQ(engine.taskCount(), 1);
}

}  // namespace
}  // namespace ld
