// The engine's inner parts on their own: text fields, header parsing, range planning, resume
// records, names and the retry schedule.
#include <gtest/gtest.h>

#include <array>

#include "engine/create_record.h"
#include "engine/http_response.h"
#include "engine/resume_metadata.h"
#include "engine/retry_policy.h"
#include "engine/segment_planner.h"
#include "engine/stall_detector.h"
#include "engine/target_name.h"
#include "engine/utf16.h"
#include "xldl/task_layout.h"

namespace ld::engine {
namespace {

using namespace std::chrono_literals;

std::vector<unsigned char> utf16Field(std::initializer_list<std::uint16_t> units,
                                      std::size_t size) {
    std::vector<unsigned char> field(size, 0);
    std::size_t k = 0;
    for (const std::uint16_t unit : units) {  // a unit may stick out of an odd-sized field
        if (2 * k < size) {
            field[2 * k] = static_cast<unsigned char>(unit & 0xFF);
        }
        if (2 * k + 1 < size) {
            field[2 * k + 1] = static_cast<unsigned char>(unit >> 8);
        }
        ++k;
    }
    return field;
}

struct Utf16Case {
    std::vector<unsigned char> field;
    std::string expected;
};

TEST(Utf16FieldTest, ReadsUpToTerminatorOrFieldEnd) {
    const std::vector<Utf16Case> cases = {
        {utf16Field({'a', 'b', 0, 'c'}, 8), "ab"},
        {utf16Field({0x4E2D, 0x6587}, 6), "中文"},
        {utf16Field({0xD83D, 0xDE00}, 6), "\xF0\x9F\x98\x80"},  // surrogate pair
        {utf16Field({0xD83D, 'x'}, 6), "\xEF\xBF\xBDx"},        // lone high surrogate
        {utf16Field({'x', 0xDE00}, 6), "x\xEF\xBF\xBD"},        // lone low surrogate
        {utf16Field({'a', 'b', 'c'}, 6), "abc"},                // full, no terminator
        {utf16Field({'a', 'b', 'c'}, 5), "ab"},                 // odd size: half a unit
        {utf16Field({'a', 0xD83D}, 4), "a\xEF\xBF\xBD"},        // pair cut by the field end
    };
    for (const Utf16Case& c : cases) {
        EXPECT_EQ(utf16FieldToUtf8(c.field.data(), c.field.size()), c.expected);
    }
}

TEST(Utf16FieldTest, WritingCutsAtCharacterBoundaryAndTerminates) {
    std::array<unsigned char, 8> field{};
    utf8ToUtf16Field("ab\xF0\x9F\x98\x80", field.data(), field.size());  // 4 units + 0 > 4
    EXPECT_EQ(utf16FieldToUtf8(field.data(), field.size()), "ab");
    EXPECT_EQ(field[6], 0);
    utf8ToUtf16Field("\xFFz", field.data(), field.size());
    EXPECT_EQ(utf16FieldToUtf8(field.data(), field.size()), "\xEF\xBF\xBDz");
}

TEST(CreateRecordTest, ReadsFieldsAndFlags) {
    std::vector<unsigned char> record(XLDL_CREATE_RECORD_SIZE, 0);
    const auto put = [&record](std::size_t offset, std::u16string_view text) {
        for (std::size_t k = 0; k < text.size(); ++k) {
            record[offset + 2 * k] = static_cast<unsigned char>(text[k] & 0xFF);
            record[offset + 2 * k + 1] = static_cast<unsigned char>(text[k] >> 8);
        }
    };
    put(XLDL_CREATE_URL_OFFSET, u"http://h/v");
    put(XLDL_CREATE_REFERRER_OFFSET, u"http://r/\r\nX: y");
    put(XLDL_CREATE_FILE_NAME_OFFSET, u"第一讲.flv");
    put(XLDL_CREATE_FOLDER_OFFSET, u"C:\\d\\");
    record[XLDL_CREATE_NO_RENAMING_OFFSET] = 1;
    record[XLDL_CREATE_RESUME_OFFSET + 3] = 1;
    const TaskRequest request = readCreateRecord(record.data());
    EXPECT_EQ(request.url, "http://h/v");
    EXPECT_EQ(request.referrer, "http://r/X: y");  // no header injection
    EXPECT_EQ(request.fileName, "第一讲.flv");
    EXPECT_EQ(request.folder, "C:\\d\\");
    EXPECT_FALSE(request.sourceOnly);
    EXPECT_TRUE(request.noRenaming);
    EXPECT_TRUE(request.resume);
}

TEST(HttpResponseTest, ContentRange) {
    struct Case {
        const char* text;
        std::optional<std::array<std::int64_t, 3>> expected;
    };
    const std::vector<Case> cases = {
        {"bytes 0-99/100", {{0, 99, 100}}}, {"Bytes 5-9/*", {{5, 9, -1}}},
        {"bytes */1234", {{-1, -1, 1234}}}, {"bytes 9-5/100", std::nullopt},
        {"bytes 0-100/100", std::nullopt},  {"bytes 0-9", std::nullopt},
        {"items 0-9/10", std::nullopt},     {"bytes x-9/10", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto range = parseContentRange(c.text);
        ASSERT_EQ(range.has_value(), c.expected.has_value()) << c.text;
        if (range) {
            EXPECT_EQ(range->first, (*c.expected)[0]) << c.text;
            EXPECT_EQ(range->last, (*c.expected)[1]) << c.text;
            EXPECT_EQ(range->total, (*c.expected)[2]) << c.text;
        }
    }
}

TEST(HttpResponseTest, RetryAfterSecondsOrDate) {
    const auto now = std::chrono::system_clock::from_time_t(1'700'000'000);
    EXPECT_EQ(parseRetryAfter(" 7 ", now), std::chrono::milliseconds(7000));
    EXPECT_EQ(parseRetryAfter("Tue, 14 Nov 2023 22:13:30 GMT", now),
              std::chrono::milliseconds(10'000));
    EXPECT_EQ(parseRetryAfter("Tue, 14 Nov 2023 00:00:00 GMT", now), std::chrono::milliseconds(0));
    EXPECT_FALSE(parseRetryAfter("soon", now).has_value());
    EXPECT_FALSE(parseRetryAfter("-3", now).has_value());
}

TEST(HttpResponseTest, OnlyTheFinalAnswersHeadersCount) {
    ResponseHeaders headers;
    headers.addLine("HTTP/1.1 302 Found\r\n");
    headers.addLine("ETag: \"redirect\"\r\n");
    headers.addLine("HTTP/1.1 206 Partial Content\r\n");
    headers.addLine("content-range: bytes 10-19/20\r\n");
    headers.addLine("Last-Modified: Mon, 01 Jan 2024 00:00:00 GMT\r\n");
    EXPECT_EQ(headers.etag(), "");
    EXPECT_EQ(headers.lastModified(), "Mon, 01 Jan 2024 00:00:00 GMT");
    ASSERT_TRUE(headers.contentRange());
    EXPECT_EQ(headers.contentRange()->first, 10);
}

TEST(SegmentPlannerTest, SplitsTheLargestRemainderAndKeepsRangesDisjoint) {
    SegmentPlanner planner;
    planner.reset(100, 1);
    ASSERT_EQ(planner.splitLargest(2, 10), 1u);  // [0,50) [50,100)
    ASSERT_EQ(planner.splitLargest(3, 10), 2u);  // [0,25) [50,100) [25,50)
    ASSERT_EQ(planner.splitLargest(4, 10), 3u);  // [50,75) [75,100)
    EXPECT_EQ(planner.at(0).end, 25);
    EXPECT_EQ(planner.at(3).begin, 75);
    planner.advance(2, 20);
    planner.advance(3, 25);  // connection 4 done early
    planner.release(4);
    // Largest remainders now: [0,25) and [50,75) with 25 left each; halves of 12 and 13.
    const auto next = planner.splitLargest(4, 10);
    ASSERT_TRUE(next.has_value());
    EXPECT_EQ(planner.at(*next).begin, 12);
    const auto after = planner.splitLargest(5, 10);
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(planner.at(*after).begin, 62);
    EXPECT_FALSE(planner.splitLargest(6, 10).has_value());  // nothing large enough left

    std::int64_t covered = 0;
    for (const Segment& s : planner.orderedSegments()) {
        EXPECT_EQ(s.begin, covered);
        covered = s.end;
    }
    EXPECT_EQ(covered, 100);
    EXPECT_EQ(planner.doneBytes(), 45);
    EXPECT_FALSE(planner.complete());
}

TEST(SegmentPlannerTest, APieceOnItsWayIsNotSplitOff) {
    SegmentPlanner planner;
    planner.reset(100, 1);
    // Owner 1 asked for [0, 40): only [40, 100) may go to another connection.
    const auto busy = [](const Segment& s) { return s.owner == 1 ? std::int64_t{40} : s.pos; };
    ASSERT_EQ(planner.splitLargest(2, 10, busy), 1u);
    EXPECT_EQ(planner.at(0).end, 70);
    EXPECT_EQ(planner.at(1).begin, 70);
    // [40, 70) past the piece is still splittable; less than two minimum pieces is not.
    EXPECT_FALSE(planner.splitLargest(3, 20, busy).has_value());
    ASSERT_TRUE(planner.splitLargest(3, 10, busy).has_value());
    EXPECT_EQ(planner.at(0).end, 55);
}

TEST(SegmentPlannerTest, UnownedWorkComesFirstAndCompletionNeedsALength) {
    SegmentPlanner planner;
    planner.reset(-1);
    EXPECT_EQ(planner.takeUnowned(1), 0u);
    EXPECT_FALSE(planner.takeUnowned(2).has_value());
    planner.advance(0, 30);
    EXPECT_FALSE(planner.complete());
    EXPECT_FALSE(planner.setTotal(20));  // shorter than what is on disk
    planner.closeAtCurrentPosition();
    EXPECT_TRUE(planner.complete());
    EXPECT_EQ(planner.total(), 30);
}

TEST(SegmentPlannerTest, RestoreRejectsInconsistentRanges) {
    SegmentPlanner planner;
    const std::vector<Segment> good = {{50, 60, 100}, {0, 10, 50}};
    EXPECT_TRUE(planner.restore(good, 100, 100));
    EXPECT_EQ(planner.doneBytes(), 20);
    EXPECT_FALSE(planner.restore({{0, 10, 50}, {60, 60, 100}}, 100, 100));  // gap
    EXPECT_FALSE(planner.restore({{0, 10, 50}, {50, 60, 90}}, 100, 100));   // short
    EXPECT_FALSE(planner.restore({{0, 10, 100}}, 100, 5));                  // file too small
    EXPECT_FALSE(planner.restore({{0, 60, 50}, {50, 50, 100}}, 100, 100));  // past its end
}

TEST(ResumeMetadataTest, RoundTripAndDamagedRecords) {
    const ResumeMetadata metadata{"http://h/v?a=1",
                                  {4096, "\"abc def\"", "Mon, 01 Jan 2024 00:00:00 GMT"},
                                  {{0, 100, 2048}, {2048, 2048, 4096}}};
    const std::string text = serializeMetadata(metadata);
    const auto parsed = parseMetadata(text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->url, metadata.url);
    EXPECT_EQ(parsed->remote.total, 4096);
    EXPECT_EQ(parsed->remote.etag, "\"abc def\"");
    EXPECT_EQ(parsed->remote.lastModified, metadata.remote.lastModified);
    ASSERT_EQ(parsed->segments.size(), 2u);
    EXPECT_EQ(parsed->segments[0].pos, 100);

    EXPECT_FALSE(parseMetadata(text.substr(0, text.size() - 4)));  // cut short
    EXPECT_FALSE(parseMetadata("garbage\n"));
    std::string damaged = text;
    damaged.replace(damaged.find("segment 0 100"), 13, "segment 0 x00");
    EXPECT_FALSE(parseMetadata(damaged));
}

TEST(ResumeMetadataTest, IdentityConflicts) {
    const RemoteIdentity saved{100, "\"a\"", "Mon"};
    EXPECT_FALSE(saved.conflictsWith({100, "\"a\"", "Mon"}));
    EXPECT_FALSE(saved.conflictsWith({-1, "", ""}));  // nothing to compare
    EXPECT_TRUE(saved.conflictsWith({101, "\"a\"", "Mon"}));
    EXPECT_TRUE(saved.conflictsWith({100, "\"b\"", "Mon"}));
    EXPECT_TRUE(saved.conflictsWith({100, "\"a\"", "Tue"}));
}

TEST(ResumeMetadataTest, RecordBelongsToTheSameSchemeHostAndPath) {
    EXPECT_TRUE(sameResourceAddress("http://h/v.flv?key=1", "http://h/v.flv?key=2"));
    EXPECT_TRUE(sameResourceAddress("HTTP://H:80/v.flv#a", "http://h:80/v.flv"));
    EXPECT_TRUE(sameResourceAddress("http://h", "http://h/?x"));
    EXPECT_FALSE(sameResourceAddress("http://h/a.flv?k=1", "http://h/b.flv?k=1"));
    EXPECT_FALSE(sameResourceAddress("http://h/V.flv", "http://h/v.flv"));  // paths keep case
    EXPECT_FALSE(sameResourceAddress("http://h/v.flv", "https://h/v.flv"));
    EXPECT_FALSE(sameResourceAddress("http://h:81/v.flv", "http://h/v.flv"));
    EXPECT_FALSE(sameResourceAddress("", "http://h/v.flv"));
}

TEST(TargetNameTest, SafeNames) {
    for (const char* bad : {"", ".", "..", "../x.flv", "a/b", "/abs", "a\\b", "\\"}) {
        EXPECT_FALSE(isSafeFileName(bad)) << bad;
    }
    for (const char* good : {"x.flv", "..x", "第一讲.flv", ".hidden", "a b (1).flv"}) {
        EXPECT_TRUE(isSafeFileName(good)) << good;
    }
}

TEST(TargetNameTest, NumberedAndShortenedNames) {
    EXPECT_EQ(numberedName("a.flv", 1), "a (1).flv");
    EXPECT_EQ(numberedName("a.b.flv", 2), "a.b (2).flv");
    EXPECT_EQ(numberedName("a", 3), "a (3)");
    EXPECT_EQ(numberedName(".hidden", 1), ".hidden (1)");

    std::string longName;
    for (int i = 0; i < 100; ++i) {
        longName += "讲";  // 3 bytes each
    }
    longName += ".flv";
    const std::string fitted = fitNameLength(longName);
    EXPECT_LE(fitted.size(), kMaxNameBytes);
    EXPECT_EQ(fitted.substr(fitted.size() - 4), ".flv");
    EXPECT_EQ((fitted.size() - 4) % 3, 0u);  // whole characters only
    EXPECT_LE(numberedName(longName, 12).size(), kMaxNameBytes);
    // An extension too long to leave room for the number counts as part of the name.
    const std::string longExtension = "a." + std::string(253, 'x');
    EXPECT_EQ(numberedName(longExtension, 1), longExtension.substr(0, 251) + " (1)");

    const PartialNames partial = partialNamesFor(fitted);
    EXPECT_LE(partial.metadata.size() + 4, kMaxNameBytes);
    EXPECT_NE(partialNamesFor(fitted).data, partialNamesFor(fitted + "x").data);
    EXPECT_EQ(partialNamesFor("a.flv").data, "a.flv.xldl");
}

TEST(TargetNameTest, FolderPaths) {
    EXPECT_EQ(folderPathFrom("/home/u/dl/"), "/home/u/dl");
    EXPECT_EQ(folderPathFrom("/home/u/dl\\\\"), "/home/u/dl");
    EXPECT_EQ(folderPathFrom("/"), "/");
    EXPECT_EQ(folderPathFrom(""), ".");
}

TEST(RetryPolicyTest, BackoffDoublesHonoursRetryAfterAndGivesUp) {
    Settings settings;
    settings.backoffBase = 1000ms;
    RetryState retry(settings);
    const auto t0 = RetryState::Clock::now();
    ASSERT_EQ(retry.noteFailure(t0, 0ms), RetryState::Outcome::Scheduled);
    EXPECT_EQ(*retry.retryAt() - t0, 1000ms);
    EXPECT_EQ(retry.noteFailure(t0 + 10ms, 0ms), RetryState::Outcome::Joined);
    auto t = t0 + 1000ms;
    ASSERT_EQ(retry.noteFailure(t, 0ms), RetryState::Outcome::Scheduled);
    EXPECT_EQ(*retry.retryAt() - t, 2000ms);
    t += 2000ms;
    ASSERT_EQ(retry.noteFailure(t, 30'000ms), RetryState::Outcome::Scheduled);
    EXPECT_EQ(*retry.retryAt() - t, 30'000ms);
    t += 30'000ms;
    ASSERT_EQ(retry.noteFailure(t, 0ms), RetryState::Outcome::Scheduled);
    t += 8000ms;
    EXPECT_EQ(retry.noteFailure(t, 0ms), RetryState::Outcome::GiveUp);  // fifth failure

    RetryState budget(settings);
    ASSERT_EQ(budget.noteFailure(t0, 0ms), RetryState::Outcome::Scheduled);
    EXPECT_EQ(budget.noteFailure(t0 + 1000ms, 200'000ms), RetryState::Outcome::GiveUp);

    RetryState progress(settings);
    for (int i = 0; i < 10; ++i) {
        t = t0 + std::chrono::seconds(100 * i);
        ASSERT_EQ(progress.noteFailure(t, 0ms), RetryState::Outcome::Scheduled);
        progress.noteProgress();  // data arrived: the streak starts over
    }
}

TEST(RetryPolicyTest, Classification) {
    EXPECT_TRUE(classifyHttpStatus(503).transient);
    EXPECT_TRUE(classifyHttpStatus(429).transient);
    EXPECT_TRUE(classifyHttpStatus(408).transient);
    EXPECT_FALSE(classifyHttpStatus(404).transient);
    EXPECT_EQ(classifyHttpStatus(403).code, 403);
    EXPECT_TRUE(classifyCurlResult(CURLE_COULDNT_CONNECT).transient);
    EXPECT_TRUE(classifyCurlResult(CURLE_PARTIAL_FILE).transient);
    EXPECT_EQ(classifyCurlResult(CURLE_OPERATION_TIMEDOUT).code, XLDL_FAIL_TIMEOUT);
    EXPECT_FALSE(classifyCurlResult(CURLE_PEER_FAILED_VERIFICATION).transient);
    EXPECT_EQ(classifyCurlResult(CURLE_TOO_MANY_REDIRECTS).code, XLDL_FAIL_REDIRECTS);
}

TEST(StallDetectorTest, SlowForAWholeWindowIsAStall) {
    const auto t0 = StallDetector::Clock::now();
    StallDetector detector(10s, 1024, t0);
    EXPECT_FALSE(detector.stalled(t0 + 9s));  // a window has not passed yet
    EXPECT_TRUE(detector.stalled(t0 + 10s));  // no answer at all

    StallDetector trickle(10s, 1024, t0);
    for (int second = 1; second <= 30; ++second) {
        trickle.add(second <= 15 ? 100'000 : 500);  // fast, then 500 B/s
        const bool stalled = trickle.stalled(t0 + std::chrono::seconds(second));
        EXPECT_EQ(stalled, second >= 25) << second;  // 10 s after the last fast second
    }
    trickle.restart(t0 + 30s);
    EXPECT_FALSE(trickle.stalled(t0 + 31s));
}

}  // namespace
}  // namespace ld::engine
