// The search flow against the sample platform, with the in-memory window:
// catalogue fetch and resolution of every row (searches that go wrong:
// search_end_test.cpp).
#include <gtest/gtest.h>

#include "course/course_events.h"
#include "tests/course/course_test_support.h"
#include "tools/sample-platform/sample_courses.h"
#include "window/control_aliases.h"

namespace ld::test {
namespace {

using namespace std::chrono_literals;

class CourseFlow : public ::testing::Test {
  protected:
    void SetUp() override {
        samplePlatform().setOptions({});
        samplePlatform().resetStatistics();
        wireCourseEvents(window, state);
    }

    void search(std::string_view courseId) { search(courseAddress(courseId)); }
    void search(const Text& address) {
        window.setText(kCourseAddressBox, address);
        ASSERT_TRUE(window.fire(kSearchClicked));
        ASSERT_TRUE(window.waitForWorkers(60s));
    }

    SharedState state;
    MemoryWindow window;
};

TEST_F(CourseFlow, DefaultCourseEndsNumberedTitledAndResolved) {
    const sample::SampleCourse& course = *sample::findCourse(sample::kDefaultCourseId);
    search(course.id);

    const auto rows = parseRows(window);
    ASSERT_EQ(rows.size(), course.lectures.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const sample::SampleLecture& lecture = course.lectures[i];
        SCOPED_TRACE(lecture.title);
        EXPECT_EQ(rows[i][0], std::to_string(i + 1));
        EXPECT_EQ(rows[i][1], lecture.title);
        EXPECT_EQ(rows[i][2], lecture.videoId);
        EXPECT_EQ(rows[i][3], expectedAddress(lecture));
    }
    EXPECT_EQ(rows[3][3], "解析失败");
    EXPECT_EQ(rows[4][1], R"(第5讲 \"引号\"里的字符串)") << "escapes stay as the answer wrote them";
    EXPECT_EQ(statusText(window), "解析完成");
    EXPECT_TRUE(window.isEnabled(kAddAllButton));
    EXPECT_TRUE(window.isEnabled(kRemoveFailedButton));
    EXPECT_EQ(samplePlatform().catalogueCourseIds(), std::vector<std::string>{course.id});
    EXPECT_EQ(samplePlatform().playInfoVideoIds().size(), course.lectures.size());
}

TEST_F(CourseFlow, CatalogueIsAskedAtThePathAfterTheLastMarker) {
    search(Text("http://www.course.example/?courseId=1&next=/#/mid/guide?courseId=142"));
    const auto rows = parseRows(window);
    ASSERT_EQ(rows.size(), sample::findCourse(sample::kSecondCourseId)->lectures.size());
    EXPECT_EQ(rows[0][2], sample::findCourse(sample::kSecondCourseId)->lectures[0].videoId);
}

TEST_F(CourseFlow, FailedPlayInfoAnswersMarkOnlyTheirRows) {
    const sample::SampleCourse& course = *sample::findCourse(sample::kSecondCourseId);
    sample::SamplePlatformOptions options;
    options.failTargetsContaining = "vid=" + course.lectures[1].videoId;
    samplePlatform().setOptions(options);

    search(course.id);

    const auto rows = parseRows(window);
    ASSERT_EQ(rows.size(), course.lectures.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][3], i == 1 ? "解析失败" : expectedAddress(course.lectures[i])) << i;
    }
    EXPECT_EQ(statusText(window), "解析完成");
}

TEST_F(CourseFlow, ClearingTheListStopsTheRequests) {
    sample::SamplePlatformOptions slow;
    slow.answerDelay = 40ms;
    samplePlatform().setOptions(slow);
    window.setText(kCourseAddressBox, courseAddress(sample::kLargeCourseId));
    ASSERT_TRUE(window.fire(kSearchClicked));
    ASSERT_TRUE(eventually([&] {
        const auto rows = parseRows(window);
        return !rows.empty() && !rows[0][3].empty();
    }));
    // The rows answered so far and the click, as one step.
    std::size_t answered = 0;
    window.atomically([&] {
        for (const auto& row : parseRows(window)) {
            answered += row[3].empty() ? 0 : 1;
        }
        window.fire(kClearParseListClicked);
    });
    ASSERT_TRUE(window.waitForWorkers(60s));

    EXPECT_TRUE(parseRows(window).empty());
    // The rows answered and at most the requests in flight when the list went.
    EXPECT_LE(samplePlatform().playInfoVideoIds().size(),
              answered + static_cast<std::size_t>(kPlayInfoRequestsInFlight));
    EXPECT_EQ(statusText(window), "解析完成");
    EXPECT_FALSE(window.isEnabled(kAddAllButton)) << "no rows left to hand over";
    EXPECT_FALSE(window.isEnabled(kClearParseListButton));
}

TEST(CourseWorkers, WindowClosingUnderARunningWorkerIsHarmless) {
    sample::SamplePlatformOptions slow;
    slow.answerDelay = 100ms;
    samplePlatform().setOptions(slow);
    SharedState state;
    {
        MemoryWindow window;
        wireCourseEvents(window, state);
        window.setText(kCourseAddressBox, courseAddress(sample::kDefaultCourseId));
        ASSERT_TRUE(window.fire(kSearchClicked));
        ASSERT_TRUE(eventually([&] { return !parseRows(window).empty(); }));
        // The window goes while the resolution worker waits for an answer; the
        // worker's next step finds it closed and ends.
    }
    samplePlatform().setOptions({});
}

}  // namespace
}  // namespace ld::test
