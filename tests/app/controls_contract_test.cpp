// What the logic relies on from any window: the control operations, the
// threading contract and the download-list handlers, for both windows.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "download/queue/download_list_edits.h"
#include "tests/app/window_fixtures.h"
#include "text/codepage.h"
#include "text/text_ops.h"
#include "window/control_aliases.h"
#include "window/shared_state.h"

namespace ld::testing {
namespace {

template <typename Kind>
class ControlsContract : public ::testing::Test {
  protected:
    void SetUp() override { window = Kind::make(); }

    // Appends rows whose column 0 reads "r0", "r1", ...
    void fill(List list, int rows) {
        for (int i = 0; i < rows; ++i) {
            const int row = window->appendRow(list);
            window->setCellText(list, row, 0, Text("r" + std::to_string(i)));
        }
    }
    std::vector<std::string> column0(List list) {
        std::vector<std::string> cells;
        for (int row = 0; row < window->rowCount(list); ++row) {
            cells.push_back(window->getCellText(list, row, 0).bytes());
        }
        return cells;
    }
    bool waitFor(const std::function<bool()>& done) { return testing::waitFor(done, Kind::pump); }

    std::unique_ptr<typename Kind::Window> window;
};

TYPED_TEST_SUITE(ControlsContract, WindowKinds, WindowKindNames);

TYPED_TEST(ControlsContract, AbsentRowsReadEmptyAndIgnoreWrites) {
    constexpr List list = kDownloadList;
    this->fill(list, 2);
    for (int row : {-1, 2, 99}) {
        SCOPED_TRACE(row);
        EXPECT_TRUE(this->window->getCellText(list, row, 0).empty());
        this->window->setCellText(list, row, 0, Text("x"));
        this->window->deleteRow(list, row);
        EXPECT_EQ(this->column0(list), (std::vector<std::string>{"r0", "r1"}));
    }
    // A column beyond the last one is as absent as a row.
    EXPECT_TRUE(this->window->getCellText(list, 0, 5).empty());
    this->window->setCellText(list, 0, 5, Text("x"));
    EXPECT_TRUE(this->window->getCellText(list, 0, 5).empty());
    // Nothing selected reads -1, and deleting -1 removes nothing.
    EXPECT_EQ(this->window->selectedRow(list), -1);
    this->window->deleteRow(list, this->window->selectedRow(list));
    EXPECT_EQ(this->window->rowCount(list), 2);
}

TYPED_TEST(ControlsContract, RowsAppendDeleteAndKeepTheirSelection) {
    constexpr List list = kParseList;
    EXPECT_EQ(this->window->appendRow(list), 0);
    EXPECT_EQ(this->window->appendRow(list), 1);
    this->window->deleteAllRows(list);
    this->fill(list, 4);
    EXPECT_TRUE(this->window->getCellText(list, 3, 3).empty());  // a new row is empty

    TypeParam::select(*this->window, list, 2);
    EXPECT_EQ(this->window->selectedRow(list), 2);
    this->window->deleteRow(list, 0);  // an earlier row goes: the selection moves up with its row
    EXPECT_EQ(this->column0(list), (std::vector<std::string>{"r1", "r2", "r3"}));
    EXPECT_EQ(this->window->selectedRow(list), 1);
    this->window->deleteRow(list, 1);  // the selected row itself goes: nothing is selected
    EXPECT_EQ(this->window->selectedRow(list), -1);
    EXPECT_EQ(this->column0(list), (std::vector<std::string>{"r1", "r3"}));

    TypeParam::select(*this->window, list, 0);
    this->window->deleteAllRows(list);
    EXPECT_EQ(this->window->rowCount(list), 0);
    EXPECT_EQ(this->window->selectedRow(list), -1);
}

TYPED_TEST(ControlsContract, TextsEnabledStatesAndTimer) {
    const Text title = gbk("第1讲 绪论（上）");
    for (Control control : {kSaveFolderBox, kPauseButton, kTaskStateLabel}) {
        this->window->setText(control, title);
        EXPECT_EQ(this->window->getText(control), title);
    }
    this->window->setEnabled(kClearParseListButton, false);
    EXPECT_FALSE(this->window->isEnabled(kClearParseListButton));
    this->window->setEnabled(kAddAllButton, true);
    EXPECT_TRUE(this->window->isEnabled(kAddAllButton));

    EXPECT_EQ(this->window->interval(), 0);
    this->window->setInterval(1000);
    EXPECT_EQ(this->window->interval(), 1000);
    this->window->setInterval(-5);  // no negative period: stopped
    EXPECT_EQ(this->window->interval(), 0);
}

TYPED_TEST(ControlsContract, WorkerCallsRunOnTheWindowThreadInOrder) {
    std::thread::id windowThread;
    this->window->atomically([&] { windowThread = std::this_thread::get_id(); });

    constexpr int kRows = 50;
    std::atomic<bool> done = false;
    std::vector<std::thread::id> ranOn;
    int countSeen = 0;
    std::thread worker([&] {
        for (int i = 0; i < kRows; ++i) {
            const int row = this->window->appendRow(kParseList);
            this->window->setCellText(kParseList, row, 0, toText(i));
            this->window->setText(kParseStatusLabel, toText(i));
            this->window->atomically([&] { ranOn.push_back(std::this_thread::get_id()); });
        }
        countSeen = this->window->rowCount(kParseList);  // sees its own inserts
        done = true;
    });
    const bool finished = this->waitFor([&] { return done.load(); });
    worker.join();
    ASSERT_TRUE(finished);

    EXPECT_EQ(countSeen, kRows);
    for (int row = 0; row < kRows; ++row) {
        EXPECT_EQ(this->window->getCellText(kParseList, row, 0), toText(row));
    }
    EXPECT_EQ(this->window->getText(kParseStatusLabel), toText(kRows - 1));
    ASSERT_EQ(ranOn.size(), static_cast<std::size_t>(kRows));
    for (const std::thread::id id : ranOn) {
        EXPECT_EQ(id, windowThread);
    }
    EXPECT_NE(windowThread, worker.get_id());
}

TYPED_TEST(ControlsContract, StartWorkerRunsTheEntryOnAnotherThread) {
    std::atomic<bool> ran = false;
    std::atomic<bool> otherThread = false;
    const std::thread::id self = std::this_thread::get_id();
    this->window->startWorker([&] {
        otherThread = std::this_thread::get_id() != self;
        ran = true;
    });
    EXPECT_TRUE(this->waitFor([&] { return ran.load(); }));
    EXPECT_TRUE(otherThread);
}

TYPED_TEST(ControlsContract, DoubleClickRemovesTheSelectedDownloadRow) {
    SharedState state{.currentRow = 3};
    wireDownloadListEdits(*this->window, state);
    this->fill(kDownloadList, 4);

    TypeParam::select(*this->window, kDownloadList, 1);
    EXPECT_TRUE(TypeParam::fire(*this->window, kDownloadListDoubleClicked));
    EXPECT_EQ(state.currentRow, 0);
    // The rest keep their texts: "ID" numbers are no longer consecutive.
    EXPECT_EQ(this->column0(kDownloadList), (std::vector<std::string>{"r0", "r2", "r3"}));
}

TYPED_TEST(ControlsContract, DoubleClickWithNoSelectionOnlyResetsCurrentRow) {
    SharedState state{.currentRow = 2};
    wireDownloadListEdits(*this->window, state);
    this->fill(kDownloadList, 3);

    EXPECT_TRUE(TypeParam::fire(*this->window, kDownloadListDoubleClicked));
    EXPECT_EQ(state.currentRow, 0);
    EXPECT_EQ(this->window->rowCount(kDownloadList), 3);
}

TYPED_TEST(ControlsContract, ClearRemovesEveryDownloadRowAndNothingElse) {
    SharedState state{.currentRow = 2};
    wireDownloadListEdits(*this->window, state);
    this->fill(kDownloadList, 3);
    this->fill(kParseList, 2);
    this->window->setInterval(1000);

    EXPECT_TRUE(TypeParam::fire(*this->window, kClearDownloadListClicked));
    EXPECT_EQ(this->window->rowCount(kDownloadList), 0);
    EXPECT_EQ(this->window->rowCount(kParseList), 2);
    EXPECT_EQ(state.currentRow, 2);
    EXPECT_EQ(this->window->interval(), 1000);
    // A progress write into a row that no longer exists has no effect.
    this->window->setCellText(kDownloadList, state.currentRow, 2, Text("1MB"));
    EXPECT_EQ(this->window->rowCount(kDownloadList), 0);
}

TYPED_TEST(ControlsContract, AWorkerWaitingWhileTheWindowIsDestroyedIsReleased) {
    this->window->setText(kCourseAddressBox, Text("kept"));
    std::atomic<bool> returned = false;
    Text seen("unset");
    std::thread worker([&] {
        seen = this->window->getText(kCourseAddressBox);
        returned = true;
    });
    // The worker waits for the window's thread, which is not running its
    // queue for the Qt window (nothing pumps it) and may or may not have
    // answered for the in-memory one. Destroy the window either way.
    while (!returned && this->window->waitingCallers() == 0) {
        std::this_thread::yield();
    }
    this->window.reset();
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_TRUE(seen.empty() || seen == Text("kept"));
}

TYPED_TEST(ControlsContract, CallsAfterCloseReturnDefaultsAtOnce) {
    this->fill(kParseList, 2);
    std::atomic<int> calls = 0;
    std::atomic<bool> sawDefaults = false;
    std::atomic<bool> started = false;
    std::thread worker([&] {
        // Keeps calling until the window answers like a closed one.
        while (true) {
            started = true;
            const int rows = this->window->rowCount(kParseList);
            this->window->setText(kParseStatusLabel, Text("busy"));
            ++calls;
            if (rows == 0) {
                break;
            }
        }
        // Every kind of call still returns, with its default.
        sawDefaults = this->window->getText(kCourseAddressBox).empty() &&
                      this->window->selectedRow(kParseList) == -1 &&
                      this->window->appendRow(kParseList) == -1 &&
                      !this->window->isEnabled(kSearchButton);
    });
    ASSERT_TRUE(this->waitFor([&] { return started && calls > 3; }));
    TypeParam::close(*this->window);
    worker.join();  // no pumping: a closed window must not need its thread
    EXPECT_TRUE(sawDefaults);
}

}  // namespace
}  // namespace ld::testing
