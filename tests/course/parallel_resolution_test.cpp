// Play addresses resolved with several requests in flight, against the sample
// platform with every play-info answer held back until the test lets it go.
// The test decides the order of the answers, removes rows while their
// requests are out and starts a new search in the middle; whatever it does, no
// row gets another row's address, each lecture is asked about once, and
// "解析完成" comes only after the last answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "course/course_events.h"
#include "course/course_searches.h"
#include "course/play_address_resolution.h"
#include "course/window_link.h"
#include "tests/course/course_test_support.h"
#include "tests/course/play_info_gate.h"
#include "tools/sample-platform/sample_courses.h"
#include "window/control_aliases.h"

namespace ld::test {
namespace {

using namespace std::chrono_literals;

// The address shown in the row of that lecture; nullopt without such a row.
std::optional<std::string> addressOf(MemoryWindow& window, const std::string& videoId) {
    for (const auto& row : parseRows(window)) {
        if (row[2] == videoId) {
            return row[3];
        }
    }
    return std::nullopt;
}

// Every row holds one of these lectures, in this order, with its own address.
void expectRowsOf(MemoryWindow& window, const std::vector<sample::SampleLecture>& lectures) {
    const auto rows = parseRows(window);
    ASSERT_EQ(rows.size(), lectures.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][2], lectures[i].videoId) << i;
        EXPECT_EQ(rows[i][3], expectedAddress(lectures[i])) << lectures[i].title;
    }
}

std::vector<std::string> sorted(std::vector<std::string> ids) {
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<std::string> idsOf(const std::vector<sample::SampleLecture>& lectures) {
    std::vector<std::string> ids;
    for (const auto& lecture : lectures) {
        ids.push_back(lecture.videoId);
    }
    return ids;
}

// Lets every held answer through when the block is left, passed or failed.
class OpenAtExit {
  public:
    explicit OpenAtExit(PlayInfoGate& gate) : gate_(gate) {}
    OpenAtExit(const OpenAtExit&) = delete;
    OpenAtExit& operator=(const OpenAtExit&) = delete;
    ~OpenAtExit() { gate_.openAll(); }

  private:
    PlayInfoGate& gate_;
};

class ParallelResolution : public ::testing::Test {
  protected:
    void SetUp() override {
        samplePlatform().setOptions(PlayInfoGate::holding(gate));
        samplePlatform().resetStatistics();
        wireCourseEvents(window, state);
    }
    void TearDown() override {
        gate->openAll();
        EXPECT_TRUE(window.waitForWorkers(60s));
        samplePlatform().setOptions({});
    }

    void search(std::string_view courseId) {
        window.setText(kCourseAddressBox, courseAddress(courseId));
        ASSERT_TRUE(window.fire(kSearchClicked));
    }

    // Lets `count` answers through one at a time, newest request first, each
    // only once `inFlight` requests (or all that are left) are held at once,
    // and waits for each answer's row. Until the last answer the resolution
    // must not have ended.
    static void answerNewestFirst(MemoryWindow& target, PlayInfoGate& held, int count,
                                  int inFlight) {
        for (int answered = 0; answered < count; ++answered) {
            ASSERT_TRUE(held.waitForHeld(std::min(inFlight, count - answered)));
            ASSERT_NE(statusText(target), "解析完成");
            ASSERT_FALSE(target.isEnabled(kAddAllButton));
            const std::string videoId = held.releaseNewest();
            ASSERT_TRUE(eventually([&] {
                return !addressOf(target, videoId).value_or("x").empty();
            })) << videoId;
        }
    }

    std::shared_ptr<PlayInfoGate> gate = std::make_shared<PlayInfoGate>();
    SharedState state;
    MemoryWindow window;
};

TEST_F(ParallelResolution, FourRequestsAtOnceAndEveryAnswerInItsOwnRow) {
    const sample::SampleCourse& course = *sample::findCourse(sample::kDefaultCourseId);
    const auto& lectures = course.lectures;
    search(course.id);
    ASSERT_TRUE(gate->waitForHeld(kPlayInfoRequestsInFlight));
    EXPECT_EQ(sorted(gate->arrivals()), sorted({lectures[0].videoId, lectures[1].videoId,
                                                lectures[2].videoId, lectures[3].videoId}));

    // The fourth row's answer first: it fills while the rows above still wait.
    const auto arrivals = gate->arrivals();
    gate->release(static_cast<std::size_t>(
        std::find(arrivals.begin(), arrivals.end(), lectures[3].videoId) - arrivals.begin()));
    ASSERT_TRUE(eventually([&] { return parseRows(window)[3][3] == "解析失败"; }));
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(parseRows(window)[static_cast<std::size_t>(row)][3], "") << row;
    }
    EXPECT_EQ(statusText(window), "下载地址解析中。。。");

    answerNewestFirst(window, *gate, static_cast<int>(lectures.size()) - 1,
                      kPlayInfoRequestsInFlight);
    ASSERT_TRUE(window.waitForWorkers(60s));
    expectRowsOf(window, lectures);
    EXPECT_EQ(statusText(window), "解析完成");
    EXPECT_TRUE(window.isEnabled(kAddAllButton));
    EXPECT_TRUE(window.isEnabled(kRemoveFailedButton));
    EXPECT_EQ(sorted(gate->arrivals()), sorted(idsOf(lectures)));
    EXPECT_EQ(gate->peak(), kPlayInfoRequestsInFlight);
}

TEST_F(ParallelResolution, RowsRemovedWhileAskedAboutOrWaitingAreNeverWritten) {
    const auto& lectures = sample::findCourse(sample::kDefaultCourseId)->lectures;
    search(sample::kDefaultCourseId);
    ASSERT_TRUE(gate->waitForHeld(4));  // the first four lectures are asked about
    window.deleteRow(kParseList, 6);    // lecture 7, still waiting
    window.deleteRow(kParseList, 1);    // lecture 2, its answer on the way
    // Lecture 4 fails; 删除失败 takes its row out while lectures 1 and 3 are
    // still out, so the rows below move up under the requests.
    const auto arrivals = gate->arrivals();
    gate->release(static_cast<std::size_t>(
        std::find(arrivals.begin(), arrivals.end(), lectures[3].videoId) - arrivals.begin()));
    ASSERT_TRUE(eventually([&] { return addressOf(window, lectures[3].videoId) == "解析失败"; }));
    ASSERT_TRUE(window.fire(kRemoveFailedClicked));

    gate->openAll();
    ASSERT_TRUE(window.waitForWorkers(60s));
    expectRowsOf(window, {lectures[0], lectures[2], lectures[4], lectures[5], lectures[7]});
    EXPECT_EQ(statusText(window), "解析完成");
    const auto asked = gate->arrivals();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), lectures[6].videoId), 0);
    EXPECT_EQ(sorted(asked), sorted({lectures[0].videoId, lectures[1].videoId, lectures[2].videoId,
                                     lectures[3].videoId, lectures[4].videoId, lectures[5].videoId,
                                     lectures[7].videoId}));
}

TEST_F(ParallelResolution, ClearingTheListMidFlightAsksNoMore) {
    search(sample::kDefaultCourseId);
    ASSERT_TRUE(gate->waitForHeld(4));
    ASSERT_TRUE(window.fire(kClearParseListClicked));
    gate->openAll();
    ASSERT_TRUE(window.waitForWorkers(60s));
    EXPECT_TRUE(parseRows(window).empty());
    EXPECT_EQ(gate->arrivals().size(), 4U);
    EXPECT_EQ(statusText(window), "解析完成");
    EXPECT_FALSE(window.isEnabled(kAddAllButton));
    EXPECT_FALSE(window.isEnabled(kRemoveFailedButton));
}

TEST_F(ParallelResolution, ANewSearchMidFlightDropsTheOldAnswers) {
    const auto& oldLectures = sample::findCourse(sample::kDefaultCourseId)->lectures;
    const auto& newLectures = sample::findCourse(sample::kSecondCourseId)->lectures;
    search(sample::kDefaultCourseId);
    ASSERT_TRUE(gate->waitForHeld(4));
    const auto oldAsked = gate->arrivals();

    search(sample::kSecondCourseId);
    ASSERT_TRUE(gate->waitForArrivals(8));  // the new search's first four
    for (std::size_t i = 0; i < 4; ++i) {
        gate->release(i);  // the old search's answers arrive now
    }
    answerNewestFirst(window, *gate, static_cast<int>(newLectures.size()),
                      kPlayInfoRequestsInFlight);
    ASSERT_TRUE(window.waitForWorkers(60s));

    expectRowsOf(window, newLectures);
    EXPECT_EQ(statusText(window), "解析完成");
    // The old search asked about nothing after the click.
    auto expectedAsked = oldAsked;
    for (const auto& lecture : newLectures) {
        expectedAsked.push_back(lecture.videoId);
    }
    EXPECT_EQ(sorted(gate->arrivals()), sorted(expectedAsked));
    for (std::size_t i = 4; i < oldLectures.size(); ++i) {
        EXPECT_EQ(addressOf(window, oldLectures[i].videoId), std::nullopt);
    }
}

TEST_F(ParallelResolution, RequestsInFlightFollowTheSettingButNeverExceedEightPerHost) {
    const auto& large = sample::findCourse(sample::kLargeCourseId)->lectures;
    const std::vector<sample::SampleLecture> lectures(large.begin(), large.begin() + 12);
    struct Case {
        int setting;
        int expectedPeak;
    };
    for (const Case c : {Case{1, 1}, Case{6, 6}, Case{20, kMaxRequestsPerHost}}) {
        SCOPED_TRACE(c.setting);
        auto held = std::make_shared<PlayInfoGate>();
        samplePlatform().setOptions(PlayInfoGate::holding(held));
        MemoryWindow target;
        const OpenAtExit opened(*held);  // before the window waits for its workers
        for (const auto& lecture : lectures) {
            const int row = target.appendRow(kParseList);
            target.setCellText(kParseList, row, kParseVideoIdColumn, Text(lecture.videoId));
        }
        auto link = std::make_shared<WindowLink>(target);
        auto searches = std::make_shared<CourseSearches>();
        const SearchTicket ticket(link, searches, searches->beginSearch());
        target.startWorker(
            [ticket, setting = c.setting] { resolvePlayAddresses(ticket, setting); });

        answerNewestFirst(target, *held, static_cast<int>(lectures.size()), c.expectedPeak);
        ASSERT_TRUE(target.waitForWorkers(60s));
        expectRowsOf(target, lectures);
        EXPECT_EQ(held->peak(), c.expectedPeak);
        link->cut();
    }
}

}  // namespace
}  // namespace ld::test
