// The pure pieces of the spine: the course identifier, the two request
// addresses, the play address picked out of a play-info answer and the
// sentences that tell why a request failed.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "course/catalogue_fetch.h"
#include "course/course_texts.h"
#include "course/play_address_resolution.h"
#include "course/search_end_text.h"
#include "platform_constants.h"
#include "text/codepage.h"
#include "web/regex_object.h"

namespace ld {
namespace {

TEST(TextAfterLast, TakesWhatFollowsTheLastMarker) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"http://www.course.example/#/mid/guide?courseId=141", "141"},
        {"a?courseId=1&b=/x?courseId=142", "142"},
        {"http://h/#/mid/guide?courseId=141&from=list", "141&from=list"},
        {"http://h/#/mid/guide?courseid=141", ""},
        {"http://h/#/mid/guide?courseId=", ""},
        {"courseId=", ""},
        {"", ""},
        {"courseId=  141 ", "  141 "},
        // A marker at the very end does not count; the one before it does.
        {"a?courseId=1&x=courseId=", "1&x=courseId="},
        {"courseId=courseId=", "courseId="},
        {"courseId=7", "7"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(textAfterLast(Text(c.text), Text("courseId=")), Text(c.expected)) << c.text;
    }
}

TEST(TextAfterLast, NeverMatchesInsideADoubleByteCharacter) {
    // "亍" is D8 A1 and "亓" is D8 C1 in GBK; the marker "\xA1\xD8" appears
    // only across the two characters' boundary.
    const Text text = gbk("亍亓x");
    EXPECT_EQ(textAfterLast(text, Text("\xA1\xD8")), Text());
    EXPECT_EQ(textAfterLast(gbk("课程=中文"), gbk("=")), gbk("中文"));
}

TEST(RequestAddresses, AreBuiltFromTheFixedParts) {
    EXPECT_EQ(catalogueAddress(Text("141&from=list")).view(),
              std::string("http://") + platform::kCourseApiHost +
                  "/course/getCourseNested/141&from=list");
    EXPECT_EQ(playInfoAddress(Text("ABC")).view(),
              std::string("http://") + platform::kPlayInfoHost + "/servlet/playinfo?uid=" +
                  platform::kPlayInfoUid + "&vid=ABC&lid=&pid=" + platform::kPlayInfoPid +
                  "&pt=2&pm=spark&ci=&isp=-1&m=1&pp=false&d=" + platform::kPlayInfoDomain +
                  "&fv=WIN%2022%2C0%2C0%2C192&version=201402");
    // An empty identifier still makes a request, with an empty vid.
    EXPECT_NE(playInfoAddress(Text()).view().find("&vid=&lid="), std::string_view::npos);
}

TEST(PlayAddressFromAnswer, PicksTheWantedQualityAndDecodesOnlyTheKey) {
    const std::string wanted =
        R"(<quality value="1753" desp="超清 1.75x"><copy domain="a" playurl=")";
    const std::string next = R"("/><copy domain="b" playurl="http://spare"/></quality>)";
    struct Case {
        const char* name;
        std::string answer;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"key entity decoded, others kept",
         "<r>" + wanted + "http://v/x.flv?t=1&amp;key=K&amp;a=1&amp;b=2" + next,
         "http://v/x.flv?t=1&key=K&amp;a=1&amp;b=2"},
        {"upper-case entity kept", "<r>" + wanted + "http://v/x.flv?t=1&AMP;KEY=K" + next,
         "http://v/x.flv?t=1&AMP;KEY=K"},
        {"first match only", wanted + "http://first" + next + wanted + "http://second" + next,
         "http://first"},
        {"other qualities only",
         R"(<quality value="10" desp="清晰"><copy domain="a" playurl="http://low"/><copy domain)",
         "解析失败"},
        {"no copy element after the address", wanted + "http://v/x.flv\"/></quality>", "解析失败"},
        {"match may not span lines", wanted + "http://v/\nx.flv" + next, "解析失败"},
        {"empty answer", "", "解析失败"},
    };
    RegexObject regex;
    for (const Case& c : cases) {
        EXPECT_EQ(gbkToUtf8(playAddressFromAnswer(regex, gbk(c.answer))), c.expected) << c.name;
    }
}

TEST(CataloguePattern, PairsIdentifiersAndTitlesAsWritten) {
    // The second entry lacks pcHigh: its identifier pairs with the next entry's name.
    const std::string answer =
        "\"ccVideoLink\": \"A1\",\n\"pcLow\": \"x\",\n\"pcHigh\": \"y\",\n\"name\": \"一\",\n"
        "\"ccVideoLink\": \"B2\",\n\"pcLow\": \"x\",\n\"name\": \"二\",\n"
        "\"ccVideoLink\": \"C3\",\n\"pcLow\": \"x\",\n\"pcHigh\": \"y\",\n"
        "\"name\": \"三 \\\"引\\\", 号\",\n";
    RegexObject regex;
    regex.search(gbk(course_text::kCataloguePattern), gbk(answer));
    ASSERT_EQ(regex.matchCount(), 2);
    EXPECT_EQ(gbkToUtf8(regex.subMatchText(1, 1)), "A1");
    EXPECT_EQ(gbkToUtf8(regex.subMatchText(1, 2)), "一");
    EXPECT_EQ(gbkToUtf8(regex.subMatchText(2, 1)), "B2");
    // Read as text, not JSON: an escaped quote right before a comma ends the title.
    EXPECT_EQ(gbkToUtf8(regex.subMatchText(2, 2)), "三 \\\"引\\");
}

TEST(RequestFailureText, EveryFailureHasASentenceOfItsOwnNamingTheService) {
    const HttpOutcome failures[] = {
        HttpOutcome::ErrorStatus,      HttpOutcome::NotSent,
        HttpOutcome::NameNotResolved,  HttpOutcome::ConnectionRefused,
        HttpOutcome::TimedOut,         HttpOutcome::SecureChannelFailed,
        HttpOutcome::TooLarge,         HttpOutcome::RedirectFailed,
        HttpOutcome::ConnectionFailed,
    };
    std::set<std::string> sentences;
    for (const HttpOutcome outcome : failures) {
        const std::string sentence =
            gbkToUtf8(requestFailureText(course_text::kVideoHost, {outcome, 502}));
        EXPECT_NE(sentence.find("视频服务器"), std::string::npos) << sentence;
        EXPECT_EQ(sentence.find("{}"), std::string::npos) << sentence;
        EXPECT_TRUE(sentences.insert(sentence).second) << "twice: " << sentence;
    }
    EXPECT_TRUE(sentences.contains("视频服务器返回错误 (502)"));
}

TEST(ResolutionEndText, AddsTheCauseOnlyWhenEveryRequestFailed) {
    EXPECT_EQ(gbkToUtf8(resolutionEndText(std::nullopt)), "解析完成");
    EXPECT_EQ(gbkToUtf8(resolutionEndText(RequestFailure{HttpOutcome::TimedOut, 0})),
              "解析完成，但无法连接视频服务器：连接超时");
}

}  // namespace
}  // namespace ld
