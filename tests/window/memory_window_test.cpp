// What tests of the logic use MemoryWindow for beyond the control operations.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "text/codepage.h"
#include "text/text_ops.h"
#include "window/control_aliases.h"
#include "window/memory_window.h"

namespace ld {
namespace {

using namespace std::chrono_literals;

TEST(MemoryWindow, HandlersRunOnTheWindowThreadAndMayCallControlsThere) {
    MemoryWindow window;
    EXPECT_FALSE(window.fire(kSearchClicked));  // nothing installed yet
    bool onWindowThread = false;
    window.setHandler(kSearchClicked, [&] {
        onWindowThread = window.onWindowThread();
        // A call from a handler runs directly instead of waiting for itself.
        window.setText(kParseStatusLabel, window.getText(kSearchButton));
    });
    EXPECT_TRUE(window.fire(kSearchClicked));
    EXPECT_TRUE(onWindowThread);
    EXPECT_FALSE(window.onWindowThread());
    EXPECT_EQ(window.getText(kParseStatusLabel), gbk("搜索"));
}

TEST(MemoryWindow, RecordsDialogsAndSounds) {
    MemoryWindow window;
    EXPECT_TRUE(window.chooseFolder(gbk("选择")).empty());  // cancelled by default
    window.setChosenFolder(Text("/tmp/videos"));
    EXPECT_EQ(window.chooseFolder(gbk("选择")), Text("/tmp/videos"));
    EXPECT_EQ(window.folderPrompts(), (std::vector<Text>{gbk("选择"), gbk("选择")}));

    window.showMessage(gbk("无下载任务"));
    EXPECT_EQ(window.messages(), std::vector<Text>{gbk("无下载任务")});

    const std::vector<std::uint8_t> sound = {'R', 'I', 'F', 'F'};
    window.playSound(sound);
    EXPECT_EQ(window.soundsPlayed(), std::vector<std::vector<std::uint8_t>>{sound});
}

TEST(MemoryWindow, RowsReadsEveryCell) {
    MemoryWindow window;
    const int row = window.appendRow(kParseList);
    window.setCellText(kParseList, row, 3, Text("addr"));
    const auto rows = window.rows(kParseList);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<Text>{Text(), Text(), Text(), Text("addr")}));
}

TEST(MemoryWindow, WaitsForItsWorkersAndStartsNoneOnceClosed) {
    MemoryWindow window;
    std::atomic<bool> release = false;
    window.startWorker([&] {
        while (!release) {
            std::this_thread::sleep_for(1ms);
        }
    });
    EXPECT_FALSE(window.waitForWorkers(20ms));
    release = true;
    EXPECT_TRUE(window.waitForWorkers(10s));

    window.close();
    std::atomic<bool> ran = false;
    window.startWorker([&] { ran = true; });
    EXPECT_TRUE(window.waitForWorkers(1s));
    EXPECT_FALSE(ran);
}

// Several workers keep calling while the window goes away under them: the
// destruction neither hangs nor lets a worker touch a freed window.
TEST(MemoryWindow, DestroyedWhileManyWorkersCall) {
    for (int round = 0; round < 20; ++round) {
        auto window = std::make_unique<MemoryWindow>();
        std::atomic<int> calls = 0;
        for (int w = 0; w < 4; ++w) {
            MemoryWindow& target = *window;
            target.startWorker([&target, &calls] {
                for (int i = 0; i < 200; ++i) {
                    const int row = target.appendRow(kParseList);
                    target.setCellText(kParseList, row, 1, toText(i));
                    target.deleteRow(kParseList, target.selectedRow(kParseList));
                    ++calls;
                }
            });
        }
        while (calls < round * 10) {
            std::this_thread::yield();
        }
        window.reset();
        EXPECT_GE(calls.load(), round * 10);
    }
}

}  // namespace
}  // namespace ld
