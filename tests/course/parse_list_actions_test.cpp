// The four actions on the parse list, fired as the user fires them.
#include <gtest/gtest.h>

#include "course/course_events.h"
#include "text/codepage.h"
#include "window/control_aliases.h"
#include "window/memory_window.h"

namespace ld {
namespace {

struct ParseRow {
    const char* number;
    const char* title;
    const char* address;
};

class ParseListActions : public ::testing::Test {
  protected:
    void SetUp() override { wireCourseEvents(window, state); }

    void fillParseList(const std::vector<ParseRow>& rows) {
        for (const ParseRow& row : rows) {
            const int r = window.appendRow(kParseList);
            window.setCellText(kParseList, r, 0, gbk(row.number));
            window.setCellText(kParseList, r, 1, gbk(row.title));
            window.setCellText(kParseList, r, 2, gbk(std::string("vid") + row.number));
            window.setCellText(kParseList, r, 3, gbk(row.address));
        }
    }

    // Columns 0, 1 and 3 of a list, as UTF-8.
    std::vector<std::vector<std::string>> shown(List list) {
        std::vector<std::vector<std::string>> rows;
        for (const auto& row : window.rows(list)) {
            rows.push_back({gbkToUtf8(row.at(0)), gbkToUtf8(row.at(1)), gbkToUtf8(row.at(3))});
        }
        return rows;
    }

    std::string status() { return gbkToUtf8(window.getText(kParseStatusLabel)); }

    SharedState state;
    MemoryWindow window;
};

const std::vector<ParseRow> kFiveRows{{"1", "甲", "http://v/1"},
                                      {"2", "乙", "解析失败"},
                                      {"3", "丙", "解析失败"},
                                      {"4", "丁", "http://v/4"},
                                      {"5", "戊", ""}};

TEST_F(ParseListActions, CopyAllReplacesTheDownloadListAndDisablesItself) {
    fillParseList(kFiveRows);
    for (int i = 0; i < 3; ++i) {
        window.appendRow(kDownloadList);
    }
    window.setEnabled(kAddAllButton, true);
    state.currentRow = 2;

    ASSERT_TRUE(window.fire(kAddAllClicked));

    const std::vector<std::vector<std::string>> expected{{"1", "甲", "http://v/1"},
                                                         {"2", "乙", "解析失败"},
                                                         {"3", "丙", "解析失败"},
                                                         {"4", "丁", "http://v/4"},
                                                         {"5", "戊", ""}};
    EXPECT_EQ(shown(kDownloadList), expected);
    for (const auto& row : window.rows(kDownloadList)) {
        EXPECT_TRUE(row.at(2).empty());
        EXPECT_TRUE(row.at(4).empty());
    }
    EXPECT_EQ(shown(kParseList).size(), 5U) << "the parse list stays";
    EXPECT_EQ(status(), "成功加入下载列表");
    EXPECT_FALSE(window.isEnabled(kAddAllButton));
    EXPECT_EQ(state.currentRow, 0);
}

TEST_F(ParseListActions, CopyAllOfAnEmptyListEmptiesTheDownloadList) {
    window.appendRow(kDownloadList);
    ASSERT_TRUE(window.fire(kAddAllClicked));
    EXPECT_TRUE(window.rows(kDownloadList).empty());
    EXPECT_EQ(status(), "成功加入下载列表");
}

TEST_F(ParseListActions, DoubleClickAppendsTheSelectedRowEachTime) {
    fillParseList(kFiveRows);
    window.appendRow(kDownloadList);
    window.setEnabled(kAddAllButton, true);
    state.currentRow = 1;

    window.selectRow(kParseList, 3);
    ASSERT_TRUE(window.fire(kParseListDoubleClicked));
    ASSERT_TRUE(window.fire(kParseListDoubleClicked));

    const auto rows = shown(kDownloadList);
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"2", "丁", "http://v/4"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"3", "丁", "http://v/4"}));
    EXPECT_EQ(status(), "成功加入下载列表");
    EXPECT_EQ(state.currentRow, 0);
    EXPECT_TRUE(window.isEnabled(kAddAllButton)) << "the add-all button is not touched";
}

TEST_F(ParseListActions, DoubleClickWithoutSelectionAppendsANumberOnly) {
    fillParseList(kFiveRows);
    state.currentRow = 4;
    window.selectRow(kParseList, -1);
    ASSERT_TRUE(window.fire(kParseListDoubleClicked));
    EXPECT_EQ(shown(kDownloadList), (std::vector<std::vector<std::string>>{{"1", "", ""}}));
    EXPECT_EQ(state.currentRow, 0);
}

TEST_F(ParseListActions, RemoveFailedKeepsTheOthersWithTheirNumbers) {
    fillParseList(kFiveRows);
    window.setEnabled(kRemoveFailedButton, true);
    ASSERT_TRUE(window.fire(kRemoveFailedClicked));
    const std::vector<std::vector<std::string>> expected{
        {"1", "甲", "http://v/1"}, {"4", "丁", "http://v/4"}, {"5", "戊", ""}};
    EXPECT_EQ(shown(kParseList), expected);
    EXPECT_FALSE(window.isEnabled(kRemoveFailedButton));
}

TEST_F(ParseListActions, RemoveFailedEmptiesAListOfFailures) {
    fillParseList({{"1", "甲", "解析失败"}, {"2", "乙", "解析失败"}, {"3", "丙", "解析失败"}});
    ASSERT_TRUE(window.fire(kRemoveFailedClicked));
    EXPECT_TRUE(window.rows(kParseList).empty());
}

TEST_F(ParseListActions, ClearEmptiesOnlyTheParseListAndDisablesItself) {
    fillParseList(kFiveRows);
    window.appendRow(kDownloadList);
    window.setText(kParseStatusLabel, gbk("解析完成"));
    window.setEnabled(kAddAllButton, true);
    window.setEnabled(kRemoveFailedButton, true);

    ASSERT_TRUE(window.fire(kClearParseListClicked));

    EXPECT_TRUE(window.rows(kParseList).empty());
    EXPECT_EQ(window.rows(kDownloadList).size(), 1U);
    EXPECT_EQ(status(), "解析完成");
    EXPECT_FALSE(window.isEnabled(kClearParseListButton));
    EXPECT_TRUE(window.isEnabled(kAddAllButton));
    EXPECT_TRUE(window.isEnabled(kRemoveFailedButton));
}

TEST_F(ParseListActions, ButtonsStartAsTheWindowDefinesThem) {
    EXPECT_FALSE(window.isEnabled(kAddAllButton));
    EXPECT_TRUE(window.isEnabled(kClearParseListButton));
    EXPECT_FALSE(window.isEnabled(kRemoveFailedButton));
    EXPECT_TRUE(window.isEnabled(kSearchButton));
}

}  // namespace
}  // namespace ld
