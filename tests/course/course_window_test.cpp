// The search flow through the Qt window, offscreen: the address typed into
// the box, a click on "搜索", the rows and the status as the widgets show them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/qt/main_window.h"
#include "course/course_events.h"
#include "tests/course/course_test_support.h"
#include "tools/sample-platform/sample_courses.h"
#include "web/http_transport.h"
#include "window/control_aliases.h"

namespace ld::test {
namespace {

class CourseWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "course-window-test";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QApplication>(argc, argv);
    }
    static void TearDownTestSuite() { application.reset(); }

    static std::unique_ptr<QApplication> application;
};
std::unique_ptr<QApplication> CourseWindow::application;

TEST_F(CourseWindow, TypedAddressAndSearchClickEndInResolvedRows) {
    samplePlatform().setOptions({});
    const sample::SampleCourse& course = *sample::findCourse(sample::kDefaultCourseId);
    SharedState state;
    MainWindow window;
    wireCourseEvents(window, state);
    window.show();

    auto* address = qobject_cast<QLineEdit*>(&window.widget(kCourseAddressBox));
    auto* search = qobject_cast<QPushButton*>(&window.widget(kSearchButton));
    auto* status = qobject_cast<QLabel*>(&window.widget(kParseStatusLabel));
    ASSERT_TRUE(address && search && status);
    address->clear();
    QTest::keyClicks(address, QString::fromStdString(utf8(courseAddress(course.id))));
    QTest::mouseClick(search, Qt::LeftButton);

    ASSERT_TRUE(
        QTest::qWaitFor([&] { return status->text() == QStringLiteral("解析完成"); }, 30000))
        << status->text().toStdString();

    ASSERT_EQ(window.rowCount(kParseList), static_cast<int>(course.lectures.size()));
    for (int row = 0; row < window.rowCount(kParseList); ++row) {
        const sample::SampleLecture& lecture = course.lectures[static_cast<std::size_t>(row)];
        EXPECT_EQ(utf8(window.getCellText(kParseList, row, 0)), std::to_string(row + 1));
        EXPECT_EQ(utf8(window.getCellText(kParseList, row, 1)), lecture.title);
        EXPECT_EQ(utf8(window.getCellText(kParseList, row, 3)),
                  lecture.resolvable ? samplePlatform().expectedPlayUrl(lecture) : "解析失败");
    }
    EXPECT_TRUE(window.widget(kAddAllButton).isEnabled());
    EXPECT_TRUE(window.widget(kRemoveFailedButton).isEnabled());

    // The add-all button hands the rows to the download list.
    QTest::mouseClick(qobject_cast<QPushButton*>(&window.widget(kAddAllButton)), Qt::LeftButton);
    EXPECT_EQ(window.rowCount(kDownloadList), static_cast<int>(course.lectures.size()));
    EXPECT_FALSE(window.widget(kAddAllButton).isEnabled());
    EXPECT_EQ(status->text(), QStringLiteral("成功加入下载列表"));
}

TEST_F(CourseWindow, ASearchThatCannotReachThePlatformSaysSoInTheStatus) {
    samplePlatform().setOptions({});
    SharedState state;
    MainWindow window;
    wireCourseEvents(window, state);
    window.show();
    auto* status = qobject_cast<QLabel*>(&window.widget(kParseStatusLabel));
    ASSERT_TRUE(status);

    const ProxyOverride proxy(closedPortProxy());
    QTest::mouseClick(qobject_cast<QPushButton*>(&window.widget(kSearchButton)), Qt::LeftButton);
    // Within the HTTP connection time-out, never left at "解析中，请稍后".
    const QString expected = QStringLiteral("无法连接课程平台：连接被拒绝");
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text() == expected; },
                                transport_limit::kConnectTimeoutSeconds * 1000))
        << status->text().toStdString();
    EXPECT_EQ(window.rowCount(kParseList), 0);
}

TEST_F(CourseWindow, ClosingTheWindowUnderARunningSearchIsHarmless) {
    sample::SamplePlatformOptions slow;
    slow.answerDelay = std::chrono::milliseconds(80);
    samplePlatform().setOptions(slow);
    SharedState state;
    {
        MainWindow window;
        wireCourseEvents(window, state);
        window.show();
        QTest::mouseClick(qobject_cast<QPushButton*>(&window.widget(kSearchButton)),
                          Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.rowCount(kParseList) > 0; }, 30000));
    }
    // The resolution worker is still waiting for an answer; once it has one,
    // its calls find the window gone and it ends.
    QTest::qWait(300);
    samplePlatform().setOptions({});
}

}  // namespace
}  // namespace ld::test
