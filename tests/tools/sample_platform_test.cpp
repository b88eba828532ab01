// The sample platform as a client sees it through a proxy: the catalogue's
// layout, the play-info answer, video bytes with ranges, the host check and
// the fault options.
#include <gtest/gtest.h>
#include <httplib.h>

#include <regex>

#include "platform_constants.h"
#include "tools/sample-platform/sample_answers.h"
#include "tools/sample-platform/sample_platform.h"
#include "tools/sample-platform/sample_video.h"

namespace ld::sample {
namespace {

class SamplePlatformTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_GT(platform.start(), 0); }

    // A client for `host` that goes through the platform as its proxy.
    httplib::Client through(const std::string& host) {
        httplib::Client client(host);
        client.set_proxy("127.0.0.1", platform.port());
        client.set_read_timeout(10, 0);
        return client;
    }

    static const SampleLecture& lecture(int index) {
        return findCourse(kDefaultCourseId)->lectures.at(static_cast<std::size_t>(index));
    }

    SamplePlatform platform;
};

TEST_F(SamplePlatformTest, DefaultCourseHoldsTheAwkwardCases) {
    const SampleCourse& course = *findCourse(kDefaultCourseId);
    ASSERT_EQ(course.lectures.size(), 8U);
    int unresolvable = 0;
    std::string allTitles;
    for (const SampleLecture& each : course.lectures) {
        unresolvable += each.resolvable ? 0 : 1;
        allTitles += each.title;
        EXPECT_EQ(findLecture(each.videoId), &each);
    }
    EXPECT_EQ(unresolvable, 1);
    for (const char* refused : {"/", ":", "?", "*", ".", "\\\""}) {
        EXPECT_NE(allTitles.find(refused), std::string::npos) << refused;
    }
    EXPECT_EQ(course.lectures.back().videoSize, 64 * 1024 * 1024);
    EXPECT_EQ(findCourse(kLargeCourseId)->lectures.size(), 2000U);
    const SampleCourse* tiny = findCourse(kTinyVideosCourseId);
    ASSERT_NE(tiny, nullptr);
    EXPECT_EQ(tiny->lectures.size(), static_cast<std::size_t>(kTinyVideosCourseLectures));
    EXPECT_LT(tiny->lectures.back().videoSize, 4 * 1024);
}

TEST_F(SamplePlatformTest, CatalogueHasOneKeyPerLineInTheExpectedOrder) {
    auto client = through(platform::kCourseApiHost);
    const auto answer = client.Get("/course/getCourseNested/141");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    // Each lecture: ccVideoLink, pcLow, pcHigh, name on lines of their own.
    const std::regex entry(
        R"re("ccVideoLink": "([0-9A-F]{32})",\n\s*"pcLow": "\w+",\n\s*"pcHigh": "\w+",\n\s*"name": "(.*)",\n)re");
    std::vector<std::string> titles;
    for (std::sregex_iterator it(answer->body.begin(), answer->body.end(), entry), end; it != end;
         ++it) {
        EXPECT_EQ(findLecture((*it)[1].str())->title, (*it)[2].str());
        titles.push_back((*it)[2].str());
    }
    ASSERT_EQ(titles.size(), 8U);
    EXPECT_EQ(titles[4], R"(第5讲 \"引号\"里的字符串)");

    const auto missing = client.Get("/course/getCourseNested/77");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);
    EXPECT_EQ(missing->body.find("ccVideoLink"), std::string::npos);
}

TEST_F(SamplePlatformTest, PlayInfoIsOneLineWithTheWantedQualityAndEntities) {
    auto client = through(platform::kPlayInfoHost);
    const SampleLecture& good = lecture(0);
    const auto answer = client.Get(playInfoTarget(good.videoId));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body.find('\n'), std::string::npos);
    const std::string wanted =
        std::string(R"(value="1753" desp="超清 1.75x"><copy domain="main" playurl=")") +
        playUrlAsServed(good, kDefaultVideoHost) + R"("/><copy domain)";
    EXPECT_NE(answer->body.find(wanted), std::string::npos) << answer->body;
    const std::string served = playUrlAsServed(good, kDefaultVideoHost);
    EXPECT_NE(served.find("&amp;key="), std::string::npos);
    EXPECT_NE(served.find("&amp;tpl="), std::string::npos);

    const auto lacking = client.Get(playInfoTarget(lecture(3).videoId));
    ASSERT_TRUE(lacking);
    EXPECT_EQ(lacking->body.find("1753"), std::string::npos);
    EXPECT_NE(lacking->body.find(R"(value="10")"), std::string::npos);

    // Any other query is refused, as the real service refuses it.
    const auto loose = client.Get("/servlet/playinfo?vid=" + good.videoId);
    ASSERT_TRUE(loose);
    EXPECT_EQ(loose->body.find("playurl"), std::string::npos);
}

TEST_F(SamplePlatformTest, RotatedKeysChangeWithEveryAnswerAndEachOpensTheVideo) {
    SamplePlatformOptions rotating;
    rotating.rotatePlayKeys = true;
    platform.setOptions(rotating);
    auto play = through(platform::kPlayInfoHost);
    auto video = through(kDefaultVideoHost);
    const SampleLecture& good = lecture(0);
    const std::regex playUrl(R"re(value="1753"[^>]*><copy domain="main" playurl="([^"]*)")re");
    std::vector<std::string> keys;
    for (int answer = 0; answer < 2; ++answer) {
        const auto info = play.Get(playInfoTarget(good.videoId));
        ASSERT_TRUE(info);
        std::smatch found;
        ASSERT_TRUE(std::regex_search(info->body, found, playUrl)) << info->body;
        std::string url = std::regex_replace(found[1].str(), std::regex("&amp;key="), "&key=");
        keys.push_back(url.substr(url.find("&key=")));
        const auto bytes = video.Get(url.substr(url.find("/flvs/")), {{"Range", "bytes=0-2"}});
        ASSERT_TRUE(bytes);
        EXPECT_EQ(bytes->status, 206) << url;
    }
    EXPECT_NE(keys[0], keys[1]);
    // The lecture's own key still opens it; a made-up one does not.
    const std::string target = videoPath(good.videoId);
    EXPECT_EQ(video.Get(target + "?key=" + videoKey(good.videoId))->status, 200);
    EXPECT_EQ(video.Get(target + "?key=0123456789abcdef")->status, 403);
}

TEST_F(SamplePlatformTest, NotesMakeAnswersLargeAndKeepTheirEntries) {
    SamplePlatformOptions noted;
    noted.catalogueNotesBytes = 4 * 1024 * 1024;
    noted.playInfoNotesBytes = 2 * 1024 * 1024;
    platform.setOptions(noted);
    auto catalogueClient = through(platform::kCourseApiHost);
    const auto catalogue = catalogueClient.Get("/course/getCourseNested/141");
    ASSERT_TRUE(catalogue);
    EXPECT_GE(catalogue->body.size(), noted.catalogueNotesBytes);
    const std::regex name(R"re("pcHigh": "\w+",\n\s*"name": "(.*)",\n)re");
    EXPECT_EQ(
        std::distance(std::sregex_iterator(catalogue->body.begin(), catalogue->body.end(), name),
                      std::sregex_iterator()),
        8);
    auto playClient = through(platform::kPlayInfoHost);
    const auto info = playClient.Get(playInfoTarget(lecture(0).videoId));
    ASSERT_TRUE(info);
    EXPECT_GE(info->body.size(), noted.playInfoNotesBytes);
    EXPECT_EQ(info->body.find('\n'), std::string::npos);
    EXPECT_NE(info->body.find(playUrlAsServed(lecture(0), kDefaultVideoHost)), std::string::npos);
}

TEST_F(SamplePlatformTest, AnswersOnlyForItsOwnHostNames) {
    auto wrongHost = through("api.elsewhere.example");
    const auto refused = wrongHost.Get("/course/getCourseNested/141");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 502);

    auto catalogueOnPlayHost = through(platform::kPlayInfoHost);
    const auto misplaced = catalogueOnPlayHost.Get("/course/getCourseNested/141");
    ASSERT_TRUE(misplaced);
    EXPECT_EQ(misplaced->status, 502);

    // Plain requests to the loopback address are served too.
    httplib::Client direct("127.0.0.1", platform.port());
    const auto plain = direct.Get("/course/getCourseNested/142");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->status, 200);
}

TEST_F(SamplePlatformTest, VideoBytesWithRanges) {
    const SampleLecture& small = lecture(0);
    const std::string expected = SamplePlatform::videoBytes(small);
    ASSERT_EQ(static_cast<std::int64_t>(expected.size()), small.videoSize);
    EXPECT_EQ(expected.substr(0, 3), "FLV");
    EXPECT_NE(expected, SamplePlatform::videoBytes(lecture(1)).substr(0, expected.size()));
    EXPECT_EQ(videoBytes(small.videoId, small.videoSize, 1000, 77), expected.substr(1000, 77));

    const std::string url = platform.expectedPlayUrl(small);
    const std::string target = url.substr(url.find("/flvs/"));
    auto client = through(kDefaultVideoHost);

    const auto whole = client.Get(target);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->status, 200);
    EXPECT_EQ(whole->body, expected);

    const auto size = std::to_string(small.videoSize);
    struct Case {
        std::string range;
        int status;
        std::string body;
    };
    const std::vector<Case> cases{
        {"bytes=100-199", 206, expected.substr(100, 100)},
        {"bytes=300000-", 206, expected.substr(300000)},
        {"bytes=-50", 206, expected.substr(expected.size() - 50)},
        {"bytes=307000-999999", 206, expected.substr(307000)},
        {"bytes=" + size + "-", 416, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.range);
        const auto part = client.Get(target, {{"Range", c.range}});
        ASSERT_TRUE(part);
        EXPECT_EQ(part->status, c.status);
        EXPECT_EQ(part->body, c.body);
    }

    // HEAD tells the length and the version without sending the body.
    platform.resetStatistics();
    const auto head = client.Head(target);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_EQ(head->get_header_value("Content-Length"), size);
    EXPECT_FALSE(head->get_header_value("ETag").empty());
    EXPECT_EQ(platform.videoBytesServed(), 0);

    // The address as served, with "&amp;key=", carries no key: refused.
    const std::string servedUrl = playUrlAsServed(small, kDefaultVideoHost);
    const auto noKey = client.Get(servedUrl.substr(servedUrl.find("/flvs/")));
    ASSERT_TRUE(noKey);
    EXPECT_EQ(noKey->status, 403);
}

TEST_F(SamplePlatformTest, LargeVideoStreamsWithoutHoldingIt) {
    const SampleLecture& large = lecture(7);
    const std::string url = platform.expectedPlayUrl(large);
    auto client = through(kDefaultVideoHost);
    std::int64_t received = 0;
    std::string tail;
    const auto answer = client.Get(url.substr(url.find("/flvs/")), [&](const char* data, size_t n) {
        received += static_cast<std::int64_t>(n);
        tail.assign(data, n);
        return true;
    });
    ASSERT_TRUE(answer);
    EXPECT_EQ(received, large.videoSize);
    EXPECT_EQ(tail, videoBytes(large.videoId, large.videoSize,
                               large.videoSize - static_cast<std::int64_t>(tail.size())));
}

TEST_F(SamplePlatformTest, FaultOptions) {
    auto client = through(platform::kCourseApiHost);
    SamplePlatformOptions options;
    options.failEveryNth = 2;
    platform.setOptions(options);
    const auto first = client.Get("/course/getCourseNested/141");
    const auto second = client.Get("/course/getCourseNested/141");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->status, 200);
    EXPECT_EQ(second->status, 500);

    options = {};
    options.dropAfterBytes = 10;
    platform.setOptions(options);
    const auto cut = client.Get("/course/getCourseNested/141");
    EXPECT_FALSE(cut && cut->status == 200 && cut->body.size() > 10);

    options = {};
    options.answerDelay = std::chrono::milliseconds(60);
    platform.setOptions(options);
    platform.resetStatistics();
    const auto began = std::chrono::steady_clock::now();
    ASSERT_TRUE(client.Get("/course/getCourseNested/142"));
    EXPECT_GE(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(60));
    EXPECT_GE(platform.serverTime(), std::chrono::milliseconds(60));
    EXPECT_EQ(platform.catalogueCourseIds(), std::vector<std::string>{"142"});
}

// The misbehaviours of a file server that the fault-injection table uses.
TEST_F(SamplePlatformTest, VideoFaultOptions) {
    const SampleLecture& small = lecture(0);
    const std::string url = platform.expectedPlayUrl(small);
    const std::string target = url.substr(url.find("/flvs/"));
    auto client = through(kDefaultVideoHost);
    SamplePlatformOptions options;

    // Error pages with a chosen status and Retry-After; all requests counted.
    options.failTargetsContaining = small.videoId;
    options.failStatus = 503;
    options.failRetryAfter = "2";
    platform.setOptions(options);
    platform.resetStatistics();
    const auto refused = client.Get(target);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 503);
    EXPECT_EQ(refused->get_header_value("Retry-After"), "2");
    EXPECT_EQ(platform.requests(), 1);

    // A Range header that is ignored: the whole file with 200.
    options = {};
    options.ignoreRanges = true;
    platform.setOptions(options);
    const auto whole = client.Get(target, {{"Range", "bytes=100-199"}});
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->status, 200);
    EXPECT_EQ(whole->body, SamplePlatform::videoBytes(small));

    // Another version of the file: other bytes, another ETag.
    const std::string firstTag = whole->get_header_value("ETag");
    options = {};
    options.videoVersion = 1;
    platform.setOptions(options);
    const auto changed = client.Get(target);
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->body, SamplePlatform::videoBytes(small, 1));
    EXPECT_NE(changed->body, SamplePlatform::videoBytes(small));
    EXPECT_NE(changed->get_header_value("ETag"), firstTag);

    // A stall in the middle of the body.
    options = {};
    options.stallAtByte = small.videoSize / 2;
    options.stallFor = std::chrono::milliseconds(300);
    platform.setOptions(options);
    const auto began = std::chrono::steady_clock::now();
    const auto stalled = client.Get(target);
    ASSERT_TRUE(stalled);
    EXPECT_EQ(stalled->body, SamplePlatform::videoBytes(small));
    EXPECT_GE(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(300));
}

TEST(SamplePlatformLifetime, StartsAndStopsRepeatedly) {
    for (int i = 0; i < 3; ++i) {
        SamplePlatform platform;
        const int port = platform.start();
        ASSERT_GT(port, 0);
        EXPECT_EQ(platform.address(), "http://127.0.0.1:" + std::to_string(port));
        platform.stop();
        platform.stop();
    }
}

}  // namespace
}  // namespace ld::sample

namespace ld::sample {
namespace {

TEST(SamplePlatformLifetime, StartIgnoresTheConfiguredDelaysAndFaults) {
    SamplePlatformOptions options;
    options.answerDelay = std::chrono::seconds(5);
    options.failEveryNth = 1;
    SamplePlatform platform(options);
    const auto began = std::chrono::steady_clock::now();
    ASSERT_GT(platform.start(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(2));
    EXPECT_TRUE(platform.playInfoVideoIds().empty()) << "the warm-up is not counted";
    options.answerDelay = {};
    platform.setOptions(options);
    httplib::Client client("127.0.0.1", platform.port());
    const auto answer = client.Get("/course/getCourseNested/141");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 500);
}

}  // namespace
}  // namespace ld::sample
