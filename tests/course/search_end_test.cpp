// How a search ends when it goes wrong, with the in-memory window: the status
// label names the cause instead of staying at "解析中，请稍后", the parse list
// is emptied once the answer is in, and a resolution whose every play-info
// request failed says so after "解析完成".
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "course/catalogue_fetch.h"
#include "course/course_events.h"
#include "course/course_request_limits.h"
#include "course/course_searches.h"
#include "course/play_address_resolution.h"
#include "course/window_link.h"
#include "tests/course/course_test_support.h"
#include "tools/sample-platform/sample_courses.h"
#include "window/control_aliases.h"

namespace ld::test {
namespace {

using namespace std::chrono_literals;

class SearchEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        samplePlatform().setOptions({});
        samplePlatform().resetStatistics();
        wireCourseEvents(window, state);
    }

    // Rows of an earlier search, to see whether the list is emptied.
    void leaveOldRows() {
        const int row = window.appendRow(kParseList);
        window.setCellText(kParseList, row, 1, Text("old"));
    }

    void search(const Text& address) {
        window.setText(kCourseAddressBox, address);
        ASSERT_TRUE(window.fire(kSearchClicked));
        ASSERT_TRUE(window.waitForWorkers(60s));
    }

    void expectNothingListed() {
        EXPECT_TRUE(parseRows(window).empty());
        EXPECT_FALSE(window.isEnabled(kAddAllButton));
        EXPECT_FALSE(window.isEnabled(kRemoveFailedButton));
    }

    SharedState state;
    MemoryWindow window;
};

TEST_F(SearchEnd, AnAddressWithoutACourseIdSendsNothingAndSaysSo) {
    const char* const addresses[] = {
        "http://www.course.example/#/mid/guide?id=141",
        "http://www.course.example/#/mid/guide?courseid=141",  // the marker is case-sensitive
        "http://www.course.example/#/mid/guide?courseId=",     // nothing after it
        "",
    };
    for (const char* address : addresses) {
        SCOPED_TRACE(address);
        leaveOldRows();
        search(Text(address));
        expectNothingListed();
        EXPECT_EQ(statusText(window), "地址中没有 courseId=，请粘贴课程页面的地址");
    }
    EXPECT_EQ(samplePlatform().requests(), 0);
}

TEST_F(SearchEnd, AnErrorAnswerNamesItsStatus) {
    struct Case {
        const char* name;
        std::string courseId;
        sample::SamplePlatformOptions options;
        const char* status;
    };
    sample::SamplePlatformOptions serverError;
    serverError.failEveryNth = 1;
    sample::SamplePlatformOptions unavailable;
    unavailable.failTargetsContaining = "/course/getCourseNested/";
    unavailable.failStatus = 503;
    const std::vector<Case> cases{
        {"unknown course", "77", {}, "课程平台返回错误 (404)"},
        {"identifier runs on", "141&from=list", {}, "课程平台返回错误 (404)"},
        {"server error", "141", serverError, "课程平台返回错误 (500)"},
        {"service unavailable", "141", unavailable, "课程平台返回错误 (503)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        leaveOldRows();
        samplePlatform().setOptions(c.options);
        search(courseAddress(c.courseId));
        expectNothingListed();
        EXPECT_EQ(statusText(window), c.status);
    }
    // The identifier goes out unchanged (the two failing cases never reach
    // the catalogue itself).
    EXPECT_EQ(samplePlatform().catalogueCourseIds(),
              (std::vector<std::string>{"77", "141&from=list"}));
    EXPECT_TRUE(samplePlatform().playInfoVideoIds().empty());
}

TEST_F(SearchEnd, APlatformThatCannotBeReachedSaysWhy) {
    struct Case {
        const char* name;
        std::string proxy;
        const char* status;
    };
    const std::vector<Case> cases{
        {"connection refused", closedPortProxy(), "无法连接课程平台：连接被拒绝"},
        {"name not resolved", "http://no-such-proxy.invalid:3128",
         "无法连接课程平台：域名无法解析"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        leaveOldRows();
        {
            const ProxyOverride proxy(c.proxy);
            search(courseAddress(sample::kDefaultCourseId));
        }
        expectNothingListed();
        EXPECT_EQ(statusText(window), c.status);
    }

    // The connection breaks off in the middle of the answer.
    sample::SamplePlatformOptions cutOff;
    cutOff.dropAfterBytes = 100;
    samplePlatform().setOptions(cutOff);
    leaveOldRows();
    search(courseAddress(sample::kDefaultCourseId));
    expectNothingListed();
    EXPECT_EQ(statusText(window), "无法连接课程平台：网络错误");
}

// Ten bytes a second: the stall limit never ends such an answer; the
// exchange's deadline (one second here) does.
const Trickle kTrickle{0, std::chrono::milliseconds(100)};
const ExchangeLimits kOneSecond{std::size_t{64} * 1024 * 1024, std::chrono::seconds(1)};

TEST_F(SearchEnd, ACatalogueThatTricklesEndsWithATimeOut) {
    RawHttpServer platform(
        [](const std::string&) {
            return RawHttpServer::response("HTTP/1.1 200 OK", "", std::string(200, ' '));
        },
        kTrickle);
    leaveOldRows();
    window.setText(kCourseAddressBox, courseAddress(sample::kDefaultCourseId));
    auto link = std::make_shared<WindowLink>(window);
    auto searches = std::make_shared<CourseSearches>();
    const SearchTicket ticket(link, searches, searches->beginSearch());
    {
        const ProxyOverride proxy(platform.baseUrl());
        CourseRequestLimits limits;
        limits.catalogue = kOneSecond;
        window.startWorker([ticket, limits] { fetchCourseCatalogue(ticket, 4, limits); });
        ASSERT_TRUE(window.waitForWorkers(60s));
    }
    expectNothingListed();
    EXPECT_EQ(statusText(window), "无法连接课程平台：连接超时");
    link->cut();
}

TEST_F(SearchEnd, PlayInfoAnswersThatTrickleOrAreHugeFailTheirRowsAndSayWhy) {
    const sample::SampleCourse& course = *sample::findCourse(sample::kSecondCourseId);
    struct Case {
        const char* name;
        bool trickle;
        const char* status;
    };
    for (const Case& c : {Case{"trickling", true, "解析完成，但无法连接视频服务器：连接超时"},
                          Case{"2 MiB each", false, "解析完成，但视频服务器返回的数据过大"}}) {
        SCOPED_TRACE(c.name);
        // Rows as the catalogue worker leaves them; then the resolution alone.
        window.deleteAllRows(kParseList);
        for (const sample::SampleLecture& lecture : course.lectures) {
            const int row = window.appendRow(kParseList);
            window.setCellText(kParseList, row, 1, gbk(lecture.title));
            window.setCellText(kParseList, row, 2, Text(lecture.videoId));
        }
        sample::SamplePlatformOptions huge;
        huge.playInfoNotesBytes = 2 * 1024 * 1024;  // far beyond a few kilobytes
        samplePlatform().setOptions(huge);
        RawHttpServer slow(
            [](const std::string&) {
                return RawHttpServer::response("HTTP/1.1 200 OK", "", std::string(200, ' '));
            },
            kTrickle);
        auto link = std::make_shared<WindowLink>(window);
        auto searches = std::make_shared<CourseSearches>();
        const SearchTicket ticket(link, searches, searches->beginSearch());
        {
            const ProxyOverride proxy(c.trickle ? slow.baseUrl() : samplePlatform().address());
            const ExchangeLimits limits = c.trickle ? kOneSecond : kPlayInfoLimits;
            window.startWorker([ticket, limits] { resolvePlayAddresses(ticket, 4, limits); });
            ASSERT_TRUE(window.waitForWorkers(60s));
        }
        for (const auto& row : parseRows(window)) {
            EXPECT_EQ(row[3], "解析失败");
        }
        EXPECT_EQ(statusText(window), c.status);
        link->cut();
    }
}

TEST_F(SearchEnd, AnAnswerWithoutLecturesSaysSo) {
    RawHttpServer platform([](const std::string&) {
        return RawHttpServer::response("HTTP/1.1 200 OK", "", R"({"data": []})");
    });
    leaveOldRows();
    {
        const ProxyOverride proxy(platform.baseUrl());
        search(courseAddress(sample::kDefaultCourseId));
    }
    expectNothingListed();
    EXPECT_EQ(statusText(window), "课程平台的回答中没有找到视频");
    ASSERT_EQ(platform.requests().size(), 1U);
    EXPECT_NE(platform.requests()[0].find("/course/getCourseNested/141 "), std::string::npos);
}

TEST_F(SearchEnd, AVideoHostThatRefusesEveryRequestIsNamedAfterResolution) {
    const sample::SampleCourse& course = *sample::findCourse(sample::kSecondCourseId);
    sample::SamplePlatformOptions refusing;
    refusing.failTargetsContaining = "/servlet/playinfo";
    refusing.failStatus = 403;
    samplePlatform().setOptions(refusing);

    search(courseAddress(course.id));

    const auto rows = parseRows(window);
    ASSERT_EQ(rows.size(), course.lectures.size());
    for (const auto& row : rows) {
        EXPECT_EQ(row[3], "解析失败");
    }
    EXPECT_EQ(statusText(window), "解析完成，但视频服务器返回错误 (403)");
    EXPECT_TRUE(window.isEnabled(kAddAllButton));
    EXPECT_TRUE(window.isEnabled(kRemoveFailedButton));
    // The catalogue and one refused request per lecture.
    EXPECT_EQ(samplePlatform().requests(), 1 + static_cast<int>(course.lectures.size()));
}

TEST_F(SearchEnd, AVideoHostThatCannotBeReachedIsNamedAfterResolution) {
    // Rows as the catalogue worker leaves them, then the resolution worker
    // alone, with every play-info connection refused.
    const sample::SampleCourse& course = *sample::findCourse(sample::kSecondCourseId);
    for (const sample::SampleLecture& lecture : course.lectures) {
        const int row = window.appendRow(kParseList);
        window.setCellText(kParseList, row, 1, gbk(lecture.title));
        window.setCellText(kParseList, row, 2, Text(lecture.videoId));
    }
    window.setText(kParseStatusLabel, gbk(course_text::kResolving));
    auto link = std::make_shared<WindowLink>(window);
    auto searches = std::make_shared<CourseSearches>();
    const SearchTicket ticket(link, searches, searches->beginSearch());
    {
        const ProxyOverride proxy(closedPortProxy());
        window.startWorker([ticket] { resolvePlayAddresses(ticket); });
        ASSERT_TRUE(window.waitForWorkers(60s));
    }

    const auto rows = parseRows(window);
    ASSERT_EQ(rows.size(), course.lectures.size());
    for (const auto& row : rows) {
        EXPECT_EQ(row[3], "解析失败");
    }
    EXPECT_EQ(statusText(window), "解析完成，但无法连接视频服务器：连接被拒绝");
    EXPECT_TRUE(window.isEnabled(kAddAllButton));
    link->cut();
}

}  // namespace
}  // namespace ld::test
