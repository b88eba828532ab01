// The parse list under concurrent use, many times over with random timing:
// a second search while the first one runs, and the parse list's buttons and
// double-clicks while a resolution runs. Whatever the timing, no row may end
// with another lecture's address.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "course/course_events.h"
#include "tests/course/course_test_support.h"
#include "tools/sample-platform/sample_courses.h"
#include "window/control_aliases.h"

namespace ld::test {
namespace {

using namespace std::chrono_literals;

int runCount() {
    const char* configured = std::getenv("LD_COURSE_STRESS_RUNS");
    return configured != nullptr ? std::max(1, std::atoi(configured)) : 200;
}

class CourseConcurrency : public ::testing::Test {
  protected:
    void SetUp() override {
        sample::SamplePlatformOptions options;
        options.randomExtraDelay = 3ms;
        samplePlatform().setOptions(options);
        random.seed(seed);
    }
    void TearDown() override { samplePlatform().setOptions({}); }

    void pause(int maxMilliseconds) {
        std::uniform_int_distribution<int> micros(0, maxMilliseconds * 1000);
        std::this_thread::sleep_for(std::chrono::microseconds(micros(random)));
    }

    const unsigned seed = std::random_device{}();
    std::mt19937 random;
};

TEST_F(CourseConcurrency, SecondSearchLeavesOnlyItsOwnRows) {
    RecordProperty("seed", std::to_string(seed));
    const sample::SampleCourse& first = *sample::findCourse(sample::kDefaultCourseId);
    const sample::SampleCourse& second = *sample::findCourse(sample::kSecondCourseId);
    for (int run = 0; run < runCount(); ++run) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", run " + std::to_string(run));
        SharedState state;
        MemoryWindow window;
        wireCourseEvents(window, state);
        window.setText(kCourseAddressBox, courseAddress(first.id));
        ASSERT_TRUE(window.fire(kSearchClicked));
        pause(25);
        window.setText(kCourseAddressBox, courseAddress(second.id));
        ASSERT_TRUE(window.fire(kSearchClicked));
        ASSERT_TRUE(window.waitForWorkers(60s));

        const auto rows = parseRows(window);
        ASSERT_EQ(rows.size(), second.lectures.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const sample::SampleLecture& lecture = second.lectures[i];
            ASSERT_EQ(rows[i][0], std::to_string(i + 1));
            ASSERT_EQ(rows[i][1], lecture.title);
            ASSERT_EQ(rows[i][2], lecture.videoId);
            ASSERT_EQ(rows[i][3], expectedAddress(lecture));
        }
        ASSERT_EQ(statusText(window), "解析完成");
        ASSERT_TRUE(window.isEnabled(kAddAllButton));
        ASSERT_TRUE(window.isEnabled(kRemoveFailedButton));
    }
}

TEST_F(CourseConcurrency, ListActionsDuringResolutionNeverMisplaceAnAddress) {
    RecordProperty("seed", std::to_string(seed));
    const sample::SampleCourse& course = *sample::findCourse(sample::kDefaultCourseId);
    std::map<std::string, const sample::SampleLecture*> byId;
    std::map<std::string, const sample::SampleLecture*> byTitle;
    for (const auto& lecture : course.lectures) {
        byId[lecture.videoId] = &lecture;
        byTitle[lecture.title] = &lecture;
    }
    for (int run = 0; run < runCount(); ++run) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", run " + std::to_string(run));
        samplePlatform().resetStatistics();
        SharedState state;
        MemoryWindow window;
        wireCourseEvents(window, state);
        window.setText(kCourseAddressBox, courseAddress(course.id));
        ASSERT_TRUE(window.fire(kSearchClicked));
        // A few user actions at random moments of the catalogue fetch and the resolution.
        std::uniform_int_distribution<int> pick(0, 9);
        bool copiedOne = false;
        for (int action = 0; action < 4; ++action) {
            pause(8);
            const int choice = pick(random);
            if (choice < 5) {
                window.fire(kRemoveFailedClicked);
            } else if (choice < 8) {
                window.selectRow(kParseList, pick(random) - 1);
                window.fire(kParseListDoubleClicked);
                copiedOne = true;
            } else if (choice == 8) {
                window.fire(kClearParseListClicked);
            }
        }
        ASSERT_TRUE(window.waitForWorkers(60s));

        // Every remaining row is still one lecture, in catalogue order, with
        // its own address.
        int lastNumber = 0;
        for (const auto& row : parseRows(window)) {
            ASSERT_TRUE(byId.count(row[2])) << row[2];
            const sample::SampleLecture& lecture = *byId[row[2]];
            ASSERT_EQ(row[1], lecture.title);
            ASSERT_EQ(row[3], expectedAddress(lecture)) << row[1];
            ASSERT_GT(std::stoi(row[0]), lastNumber);
            lastNumber = std::stoi(row[0]);
        }
        // A row handed to the download list carries its own lecture's address,
        // or none when it had none yet.
        for (const auto& row : window.rows(kDownloadList)) {
            const std::string title = utf8(row[1]);
            const std::string address = utf8(row[3]);
            if (title.empty()) {
                ASSERT_TRUE(address.empty());
                continue;
            }
            ASSERT_TRUE(byTitle.count(title)) << title;
            ASSERT_TRUE(address.empty() || address == expectedAddress(*byTitle[title])) << title;
        }
        // No lecture is asked about twice.
        const auto asked = samplePlatform().playInfoVideoIds();
        ASSERT_EQ(std::set<std::string>(asked.begin(), asked.end()).size(), asked.size());
        // A double-click after the end of the resolution has the last word.
        const std::string status = statusText(window);
        ASSERT_TRUE(status == "解析完成" || (copiedOne && status == "成功加入下载列表")) << status;
    }
}

}  // namespace
}  // namespace ld::test
