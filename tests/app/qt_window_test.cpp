// The Qt window as the user sees it: every control, the lists, the window
// itself, and the events its widgets raise.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <optional>
#include <string>
#include <vector>

#include "app/qt/app_icon.h"
#include "app/qt/main_window.h"
#include "app/qt/report_list.h"
#include "app/qt/tab_control.h"
#include "download/queue/download_list_edits.h"
#include "platform_constants.h"
#include "tests/app/window_fixtures.h"
#include "text/codepage.h"
#include "window/control_aliases.h"
#include "window/memory_window.h"

namespace ld::testing {
namespace {

enum class Type { edit, button, tabs, list, label, timer };
enum class Colour { none, red, black };

struct Expected {
    const char* name;
    Type type;
    int page;  // -1: on the window
    QRect geometry;
    std::string text;
    bool enabled;
    Colour colour = Colour::none;
    std::optional<Control> control = {};
};

const std::string kAddress =
    std::string("http://") + ld::platform::kCourseWebHost + "/#/mid/guide?courseId=141";

// The window as it must look when it opens.
const std::vector<Expected> kControls = {
    {"编辑框1", Type::edit, -1, {2, 0, 398, 32}, kAddress, true, Colour::none, kCourseAddressBox},
    {"按钮1", Type::button, -1, {408, 3, 72, 29}, "搜索", true, Colour::none, kSearchButton},
    {"选择夹1", Type::tabs, -1, {1, 32, 488, 472}, "", true},
    {"时钟1", Type::timer, -1, {}, "", true},
    {"超级列表框1", Type::list, 0, {2, 24, 488, 360}, "", true},
    {"按钮2",
     Type::button,
     0,
     {176, 400, 112, 32},
     "一键加入下载列表",
     false,
     Colour::none,
     kAddAllButton},
    {"按钮3",
     Type::button,
     0,
     {320, 400, 112, 32},
     "清空列表",
     true,
     Colour::none,
     kClearParseListButton},
    {"按钮4",
     Type::button,
     0,
     {24, 400, 112, 32},
     "删除失败",
     false,
     Colour::none,
     kRemoveFailedButton},
    {"透明标签2", Type::label, 0, {8, 441, 464, 24}, "", true, Colour::red, kParseStatusLabel},
    {"超级列表框2", Type::list, 1, {0, 24, 488, 376}, "", true},
    {"透明标签1", Type::label, 1, {256, 0, 160, 24}, "", true, Colour::black, kTaskStateLabel},
    {"编辑框保存", Type::edit, 1, {8, 408, 128, 24}, "", true, Colour::none, kSaveFolderBox},
    {"按钮选择", Type::button, 1, {144, 416, 48, 24}, "浏览", true, Colour::none, kBrowseButton},
    {"按钮1清空",
     Type::button,
     1,
     {232, 416, 48, 24},
     "清空",
     true,
     Colour::none,
     kClearDownloadListButton},
    {"按钮下载", Type::button, 1, {328, 416, 56, 24}, "开始下载", true, Colour::none, kStartButton},
    {"按钮暂停", Type::button, 1, {424, 416, 48, 24}, "暂停", true, Colour::none, kPauseButton},
    {"透明标签显示",
     Type::label,
     1,
     {8, 440, 464, 24},
     "下载出错双击可以删除下载成功或者出错项目，然后点击开始继续下载",
     true,
     Colour::red,
     kSpeedLabel},
    {"标签1",
     Type::label,
     2,
     {0, 192, 487, 56},
     "本工具供测试娱乐。勿用于商业目的。下载后24小时删除",
     true,
     Colour::none,
     kAboutLabel},
};

struct ExpectedColumns {
    List list;
    const char* name;
    std::vector<std::pair<const char*, int>> columns;
};

const std::vector<ExpectedColumns> kColumns = {
    {kParseList,
     "超级列表框1",
     {{"ID", 50}, {"视频标题", 150}, {"视频标示", 1}, {"下载地址", 279}}},
    {kDownloadList,
     "超级列表框2",
     {{"ID", 30}, {"视频标题", 143}, {"文件大小", 70}, {"下载地址", 160}, {"完成状态", 70}}},
};

QString q(const char* utf8) {
    return QString::fromUtf8(utf8);
}
QString q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

class QtWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        window = QtWindowKind::make();
        window->show();
    }
    QWidget* find(const char* name) { return window->findChild<QWidget*>(q(name)); }
    // Where a widget lies in the window's client area.
    QRect inWindow(const QWidget& widget) {
        return QRect(widget.mapTo(window.get(), QPoint(0, 0)), widget.size());
    }

    std::unique_ptr<MainWindow> window;
};

TEST_F(QtWindow, EveryControlHasItsTypePageGeometryTextAndState) {
    for (const Expected& expected : kControls) {
        SCOPED_TRACE(expected.name);
        if (expected.type == Type::timer) {
            auto* timer = window->findChild<QTimer*>(q(expected.name));
            ASSERT_NE(timer, nullptr);
            EXPECT_FALSE(timer->isActive());
            EXPECT_EQ(window->interval(), 0);
            continue;
        }
        QWidget* widget = find(expected.name);
        ASSERT_NE(widget, nullptr);
        const QString text = q(expected.text);
        switch (expected.type) {
            case Type::edit:
                ASSERT_NE(qobject_cast<QLineEdit*>(widget), nullptr);
                EXPECT_EQ(qobject_cast<QLineEdit*>(widget)->text(), text);
                break;
            case Type::button:
                ASSERT_NE(qobject_cast<QPushButton*>(widget), nullptr);
                EXPECT_EQ(qobject_cast<QPushButton*>(widget)->text(), text);
                break;
            case Type::label: {
                auto* label = qobject_cast<QLabel*>(widget);
                ASSERT_NE(label, nullptr);
                EXPECT_EQ(label->text(), text);
                EXPECT_FALSE(label->autoFillBackground());  // transparent
                EXPECT_EQ(label->textFormat(), Qt::PlainText);
                if (expected.colour == Colour::red) {
                    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::red));
                }
                if (expected.colour == Colour::black) {
                    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::black));
                }
                break;
            }
            case Type::list:
                EXPECT_NE(dynamic_cast<ReportList*>(widget), nullptr);
                EXPECT_EQ(dynamic_cast<ReportList*>(widget)->rowCount(), 0);
                break;
            case Type::tabs:
                EXPECT_EQ(widget, &window->tabControl());
                break;
            case Type::timer:
                break;
        }
        if (expected.page < 0) {
            EXPECT_EQ(widget->parentWidget(), window.get());
        } else {
            EXPECT_EQ(widget->parentWidget(), window->tabControl().page(expected.page));
            // Pages start at the tab control's own top-left corner.
            EXPECT_EQ(widget->parentWidget()->pos(), QPoint(0, 0));
        }
        if (expected.type == Type::tabs) {
            EXPECT_EQ(widget->pos(), expected.geometry.topLeft());
            EXPECT_GE(widget->width(), expected.geometry.width());
            EXPECT_GE(widget->height(), expected.geometry.height());
        } else {
            EXPECT_EQ(widget->geometry(), expected.geometry);
        }
        EXPECT_EQ(widget->isEnabled(), expected.enabled);
        if (expected.control) {
            EXPECT_EQ(window->getText(*expected.control), utf8ToGbk(expected.text));
            EXPECT_EQ(window->isEnabled(*expected.control), expected.enabled);
        }
    }
}

TEST_F(QtWindow, TheInMemoryWindowStartsInTheSameState) {
    MemoryWindow memory;
    for (const Expected& expected : kControls) {
        if (expected.control) {
            SCOPED_TRACE(expected.name);
            EXPECT_EQ(memory.getText(*expected.control), utf8ToGbk(expected.text));
            EXPECT_EQ(memory.isEnabled(*expected.control), expected.enabled);
        }
    }
    for (const ExpectedColumns& list : kColumns) {
        EXPECT_EQ(memory.columnCount(list.list), static_cast<int>(list.columns.size()));
        EXPECT_EQ(memory.rowCount(list.list), 0);
    }
    EXPECT_EQ(memory.interval(), 0);
}

TEST_F(QtWindow, ListsAreSingleSelectionReportViewsWithTheirColumns) {
    for (const ExpectedColumns& expected : kColumns) {
        SCOPED_TRACE(expected.name);
        auto* list = dynamic_cast<ReportList*>(find(expected.name));
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(&window->list(expected.list), list);
        ASSERT_EQ(list->columnCount(), static_cast<int>(expected.columns.size()));
        for (int i = 0; i < list->columnCount(); ++i) {
            EXPECT_EQ(list->horizontalHeaderItem(i)->text(), q(expected.columns[i].first));
            EXPECT_EQ(list->columnWidth(i), expected.columns[i].second);
        }
        EXPECT_TRUE(list->horizontalHeader()->isVisibleTo(list));
        EXPECT_FALSE(list->verticalHeader()->isVisibleTo(list));
        EXPECT_FALSE(list->horizontalHeader()->sectionsClickable());
        EXPECT_FALSE(list->isSortingEnabled());
        EXPECT_TRUE(list->showGrid());
        EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
        EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
        EXPECT_EQ(list->palette().color(QPalette::Base), QColor(Qt::white));
        EXPECT_EQ(list->palette().color(QPalette::Text), QColor(Qt::black));
    }
}

TEST_F(QtWindow, WindowCaptionTabsSizeAndIcon) {
    EXPECT_EQ(window->windowTitle(), q("课程视频下载器"));
    const TabControl& tabs = window->tabControl();
    ASSERT_EQ(tabs.count(), 3);
    EXPECT_EQ(tabs.tabBar()->tabText(0), q("解析文件"));
    EXPECT_EQ(tabs.tabBar()->tabText(1), q("下载列表 "));  // one blank at the end
    EXPECT_EQ(tabs.tabBar()->tabText(2), q("关于软件"));
    EXPECT_EQ(tabs.currentIndex(), 0);

    EXPECT_EQ(window->minimumSize(), window->maximumSize());  // fixed size
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));

    const QList<QSize> sizes = window->windowIcon().availableSizes();
    for (int size : {16, 32, 48, 64, 128}) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    }
    EXPECT_TRUE(tabs.tabBar()->geometry().right() < 256) << "tabs run under 透明标签1";

    auto* about = qobject_cast<QLabel*>(find("标签1"));
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->font().bold());
    EXPECT_EQ(about->font().pixelSize(), 14);
}

TEST_F(QtWindow, EveryControlIsShownWhole) {
    const QRect client(QPoint(0, 0), window->size());
    for (const Expected& expected : kControls) {
        if (expected.type == Type::timer) {
            continue;
        }
        SCOPED_TRACE(expected.name);
        QWidget* widget = find(expected.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(client.contains(inWindow(*widget))) << inWindow(*widget).right();
        if (expected.page >= 0) {
            EXPECT_TRUE(
                QRect(QPoint(0, 0), window->tabControl().size()).contains(widget->geometry()));
        }
    }
}

TEST_F(QtWindow, ButtonsListsAndTimerRaiseTheirEvents) {
    std::vector<Event> raised;
    for (int e = 0; e < kEventCount; ++e) {
        const auto event = static_cast<Event>(e);
        if (event == Event::aboutToBeDestroyed) {
            continue;  // raised after `raised` is gone
        }
        window->setHandler(event, [&raised, event] { raised.push_back(event); });
    }
    const std::vector<std::pair<const char*, Event>> clicks = {
        {"按钮1", kSearchClicked},
        {"按钮3", kClearParseListClicked},
        {"按钮1清空", kClearDownloadListClicked},
        {"按钮选择", kBrowseClicked},
        {"按钮下载", kStartClicked},
        {"按钮暂停", kPauseClicked},
    };
    for (const auto& [name, event] : clicks) {
        qobject_cast<QPushButton*>(find(name))->click();
        ASSERT_FALSE(raised.empty());
        EXPECT_EQ(raised.back(), event) << name;
    }
    raised.clear();
    qobject_cast<QPushButton*>(find("按钮2"))->click();  // disabled: no event
    EXPECT_TRUE(raised.empty());

    window->tabControl().setCurrentIndex(0);
    QTest::mouseDClick(window->list(kParseList).viewport(), Qt::LeftButton);
    ASSERT_EQ(raised.size(), 1u);
    EXPECT_EQ(raised.back(), kParseListDoubleClicked);

    raised.clear();
    // Run the event loop with the window hidden: a shown window makes Qt do
    // some of its work (drawing, icons) on threads of its own pool, whose
    // hand-overs (inside Qt, not built for the race checker) ThreadSanitizer
    // would report as races.
    window->hide();
    window->setInterval(10);
    ASSERT_TRUE(waitFor([&] { return raised.size() >= 2; }, QtWindowKind::pump));
    window->setInterval(0);
    QtWindowKind::pump();
    const std::size_t ticks = raised.size();
    QTest::qWait(50);
    EXPECT_EQ(raised.size(), ticks);  // stopped
    EXPECT_EQ(raised.back(), kPollTick);
}

TEST_F(QtWindow, RealDoubleClicksOnTheDownloadList) {
    SharedState state{.currentRow = 1};
    wireDownloadListEdits(*window, state);
    window->tabControl().setCurrentIndex(1);
    ReportList& list = window->list(kDownloadList);
    for (const char* id : {"1", "2", "3"}) {
        window->setCellText(kDownloadList, window->appendRow(kDownloadList), 0, Text(id));
    }
    // On empty space below the rows, nothing selected: only currentRow changes.
    const QPoint below(40, list.viewport()->height() - 5);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(state.currentRow, 0);
    EXPECT_EQ(list.rowCount(), 3);

    // On the second row: the click selects it, the double-click removes it.
    state.currentRow = 2;
    const QPoint second = list.visualRect(list.model()->index(1, 1)).center();
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(state.currentRow, 0);
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(window->getCellText(kDownloadList, 0, 0), Text("1"));
    EXPECT_EQ(window->getCellText(kDownloadList, 1, 0), Text("3"));

    qobject_cast<QPushButton*>(find("按钮1清空"))->click();
    EXPECT_EQ(list.rowCount(), 0);
}

TEST_F(QtWindow, DialogsCanBeAnsweredWithoutAUser) {
    std::vector<Text> shown;
    window->setDialogAnswers({[](const Text& prompt) { return Text(prompt.bytes() + "/x"); },
                              [&shown](const Text& text) { shown.push_back(text); }});
    EXPECT_EQ(window->chooseFolder(Text("p")), Text("p/x"));
    window->showMessage(gbk("无下载任务"));
    EXPECT_EQ(shown, std::vector<Text>{gbk("无下载任务")});
}

TEST_F(QtWindow, ShutDownRaisesAboutToBeDestroyedOnceAndStopsTheTimer) {
    int raised = 0;
    window->setHandler(Event::aboutToBeDestroyed, [&] { ++raised; });
    window->setInterval(1000);
    window->shutDown();
    window->shutDown();
    EXPECT_EQ(raised, 1);
    EXPECT_FALSE(window->timer().isActive());
    window.reset();
    EXPECT_EQ(raised, 1);
}

TEST(AppIcon, IsDrawnInEverySize) {
    for (int size : {16, 32, 48, 64, 128}) {
        const QImage picture = drawAppIcon(size).toImage();
        EXPECT_EQ(picture.size(), QSize(size, size));
        EXPECT_NE(picture.pixelColor(size / 2, size / 2).alpha(), 0);  // not blank
    }
}

}  // namespace
}  // namespace ld::testing
