// The courses the sample platform serves. Built deterministically on first use
// and never changed afterwards, so any thread may read them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ld::sample {

struct SampleLecture {
    // 32 upper-case hexadecimal digits, unique across all courses.
    std::string videoId;
    // UTF-8, exactly as the catalogue's JSON writes the value (an escaped quote
    // stays \"), which is also what a client that does not unescape shows.
    std::string title;
    std::int64_t videoSize = 0;
    // False: the play-info answer lacks the "超清 1.75x" quality.
    bool resolvable = true;
};

struct SampleCourse {
    std::string id;
    std::string name;
    std::vector<SampleLecture> lectures;
};

// The course behind the window's default address: eight lectures whose titles
// hold characters file systems refuse, one with an escaped quote, one that
// cannot be resolved, videos from a few hundred KiB up to 64 MiB.
inline constexpr std::string_view kDefaultCourseId = "141";
// A second small course, every lecture resolvable, small videos.
inline constexpr std::string_view kSecondCourseId = "142";
// Six small lectures whose titles give one file name twice once made safe
// ("a/b", "a:b"), start with a dot (".隐藏", "../../tmp/escape") or repeat
// exactly (the same title twice).
inline constexpr std::string_view kCollidingTitlesCourseId = "143";
// 2000 lectures, for measurements.
inline constexpr std::string_view kLargeCourseId = "9000";
inline constexpr int kLargeCourseLectures = 2000;
// 600 lectures of tiny videos (a few KiB each), for timing what a file costs
// beyond its bytes.
inline constexpr std::string_view kTinyVideosCourseId = "9001";
inline constexpr int kTinyVideosCourseLectures = 600;

// Null when the platform has no course of that identifier.
const SampleCourse* findCourse(std::string_view courseId);
// Null when no course holds a lecture with that video identifier.
const SampleLecture* findLecture(std::string_view videoId);
// Every course, in identifier order.
const std::vector<SampleCourse>& allCourses();

}  // namespace ld::sample
