// The queue with a row gate, as the terminal mode drives it: rows passed by
// keep their names for the numbering, show the gate's text, and a list passed
// by to its end starts nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "download/queue/row_gate.h"
#include "queue_fixture.h"
#include "text/codepage.h"

namespace ld {
namespace {

using ::testing::ElementsAre;

// Passes by the rows it is told to, as complete files; notes every question.
class ListedGate final : public RowGate {
  public:
    explicit ListedGate(std::set<int> passBy) : passBy_(std::move(passBy)) {}
    RowVerdict admit(int row, const RowFile& file) override {
        asked.push_back(gbkToUtf8(file.fileName));
        if (passBy_.contains(row)) {
            return {false, true, gbk("已存在，跳过")};
        }
        return {};
    }
    void finished(int row, const RowFile& file) override {
        finishedRows.push_back(row);
        finishedNames.push_back(gbkToUtf8(file.fileName));
    }

    std::vector<std::string> asked;
    std::vector<int> finishedRows;
    std::vector<std::string> finishedNames;

  private:
    std::set<int> passBy_;
};

class RowGateTest : public testing::QueueFixture {
  protected:
    RowGateTest() : QueueFixture("/srv") {}
};

TEST_F(RowGateTest, ARowPassedByKeepsItsNameSoTheNextRowKeepsItsNumber) {
    addRow("a/b", "http://v.example/1");
    addRow("a:b", "http://v.example/2");
    addRow("c", "http://v.example/3");
    ListedGate gate({0});
    state.rowGate = &gate;
    start();
    EXPECT_EQ(engine.task(engine.lastHandle()).fileName, "a_b (2).flv");
    EXPECT_EQ(cell(0, kDownloadStatusColumn), "已存在，跳过");
    EXPECT_EQ(shared.currentRow, 1);
    finishLastTask();
    EXPECT_EQ(engine.task(engine.lastHandle()).fileName, "c.flv");
    finishLastTask();
    EXPECT_THAT(gate.asked, ElementsAre("a_b.flv", "a_b (2).flv", "c.flv"));
    EXPECT_THAT(gate.finishedRows, ElementsAre(1, 2));
    EXPECT_THAT(gate.finishedNames, ElementsAre("a_b (2).flv", "c.flv"));
    EXPECT_EQ(cell(1, kDownloadStatusColumn), "下载完毕");
    state.rowGate = nullptr;
}

TEST_F(RowGateTest, EveryRowPassedByStartsNothingAndShowsNoMessage) {
    addRow("a", "http://v.example/1");
    addRow("b", "http://v.example/2");
    ListedGate gate({0, 1});
    state.rowGate = &gate;
    const std::uint32_t before = engine.lastHandle();
    start();
    EXPECT_EQ(engine.lastHandle(), before);
    EXPECT_EQ(shared.currentRow, 2);
    EXPECT_EQ(window.interval(), 0);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(cell(1, kDownloadStatusColumn), "已存在，跳过");
    state.rowGate = nullptr;
}

// The last row passed by after a download: the list ends in that tick.
TEST_F(RowGateTest, ARowPassedByAfterACompletionEndsTheList) {
    addRow("a", "http://v.example/1");
    addRow("b", "http://v.example/2");
    ListedGate gate({1});
    state.rowGate = &gate;
    start();
    finishLastTask();
    EXPECT_EQ(shared.currentRow, 2);
    EXPECT_EQ(window.interval(), 0);
    EXPECT_EQ(cell(0, kDownloadStatusColumn), "下载完毕");
    EXPECT_EQ(cell(1, kDownloadStatusColumn), "已存在，跳过");
    state.rowGate = nullptr;
}

}  // namespace
}  // namespace ld
