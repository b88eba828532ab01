// The four actions on the parse list, fired as the user fires them.
#include <gtest/gtest.h>

#include "window/memory_window.h"
#include "course/course_events.h"
#include "text/codepage.h"

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
            const int r = window.appendRow(List::超级列表框1);
            window.setCellText(List::超级列表框1, r, 0, gbk(row.number));
            window.setCellText(List::超级列表框1, r, 1, gbk(row.title));
            window.setCellText(List::超级列表框1, r, 2, gbk(std::string("vid") + row.number));
            window.setCellText(List::超级列表框1, r, 3, gbk(row.address));
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

    std::string status() { return gbkToUtf8(window.getText(Control::透明标签2)); }

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
        window.appendRow(List::超级列表框2);
    }
    window.setEnabled(Control::按钮2, true);
    state.currentRow = 2;

    ASSERT_TRUE(window.fire(Event::按钮2Clicked));

    const std::vector<std::vector<std::string>> expected{{"1", "甲", "http://v/1"},
                                                         {"2", "乙", "解析失败"},
                                                         {"3", "丙", "解析失败"},
                                                         {"4", "丁", "http://v/4"},
                                                         {"5", "戊", ""}};
    EXPECT_EQ(shown(List::超级列表框2), expected);
    for (const auto& row : window.rows(List::超级列表框2)) {
        EXPECT_TRUE(row.at(2).empty());
        EXPECT_TRUE(row.at(4).empty());
    }
    EXPECT_EQ(shown(List::超级列表框1).size(), 5U) << "the parse list stays";
    EXPECT_EQ(status(), "成功加入下载列表");
    EXPECT_FALSE(window.isEnabled(Control::按钮2));
    EXPECT_EQ(state.currentRow, 0);
}

TEST_F(ParseListActions, CopyAllOfAnEmptyListEmptiesTheDownloadList) {
    window.appendRow(List::超级列表框2);
    ASSERT_TRUE(window.fire(Event::按钮2Clicked));
    EXPECT_TRUE(window.rows(List::超级列表框2).empty());
    EXPECT_EQ(status(), "成功加入下载列表");
}

TEST_F(ParseListActions, DoubleClickAppendsTheSelectedRowEachTime) {
    fillParseList(kFiveRows);
    window.appendRow(List::超级列表框2);
    window.setEnabled(Control::按钮2, true);
    state.currentRow = 1;

    window.selectRow(List::超级列表框1, 3);
    ASSERT_TRUE(window.fire(Event::超级列表框1DoubleClicked));
    ASSERT_TRUE(window.fire(Event::超级列表框1DoubleClicked));

    const auto rows = shown(List::超级列表框2);
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"2", "丁", "http://v/4"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"3", "丁", "http://v/4"}));
    EXPECT_EQ(status(), "成功加入下载列表");
    EXPECT_EQ(state.currentRow, 0);
    EXPECT_TRUE(window.isEnabled(Control::按钮2)) << "the add-all button is not touched";
}

TEST_F(ParseListActions, DoubleClickWithoutSelectionAppendsANumberOnly) {
    fillParseList(kFiveRows);
    state.currentRow = 4;
    window.selectRow(List::超级列表框1, -1);
    ASSERT_TRUE(window.fire(Event::超级列表框1DoubleClicked));
    EXPECT_EQ(shown(List::超级列表框2), (std::vector<std::vector<std::string>>{{"1", "", ""}}));
    EXPECT_EQ(state.currentRow, 0);
}

TEST_F(ParseListActions, RemoveFailedKeepsTheOthersWithTheirNumbers) {
    fillParseList(kFiveRows);
    window.setEnabled(Control::按钮4, true);
    ASSERT_TRUE(window.fire(Event::按钮4Clicked));
    const std::vector<std::vector<std::string>> expected{
        {"1", "甲", "http://v/1"}, {"4", "丁", "http://v/4"}, {"5", "戊", ""}};
    EXPECT_EQ(shown(List::超级列表框1), expected);
    EXPECT_FALSE(window.isEnabled(Control::按钮4));
}

TEST_F(ParseListActions, RemoveFailedEmptiesAListOfFailures) {
    fillParseList({{"1", "甲", "解析失败"}, {"2", "乙", "解析失败"}, {"3", "丙", "解析失败"}});
    ASSERT_TRUE(window.fire(Event::按钮4Clicked));
    EXPECT_TRUE(window.rows(List::超级列表框1).empty());
}

TEST_F(ParseListActions, ClearEmptiesOnlyTheParseListAndDisablesItself) {
    fillParseList(kFiveRows);
    window.appendRow(List::超级列表框2);
    window.setText(Control::透明标签2, gbk("解析完成"));
    window.setEnabled(Control::按钮2, true);
    window.setEnabled(Control::按钮4, true);

    ASSERT_TRUE(window.fire(Event::按钮3Clicked));

    EXPECT_TRUE(window.rows(List::超级列表框1).empty());
    EXPECT_EQ(window.rows(List::超级列表框2).size(), 1U);
    EXPECT_EQ(status(), "解析完成");
    EXPECT_FALSE(window.isEnabled(Control::按钮3));
    EXPECT_TRUE(window.isEnabled(Control::按钮2));
    EXPECT_TRUE(window.isEnabled(Control::按钮4));
}

TEST_F(ParseListActions, ButtonsStartAsTheWindowDefinesThem) {
    EXPECT_FALSE(window.isEnabled(Control::按钮2));
    EXPECT_TRUE(window.isEnabled(Control::按钮3));
    EXPECT_FALSE(window.isEnabled(Control::按钮4));
    EXPECT_TRUE(window.isEnabled(Control::按钮1));
}

}  // namespace
}  // namespace ld
