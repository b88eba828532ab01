// The demo's final check: a right result passes, and every way a demo can
// leave wrong files is reported.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tools/demo-check/demo_check.h"
#include "tools/sample-platform/sample_courses.h"
#include "tools/sample-platform/sample_platform.h"

namespace ld::sample {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

void write(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

fs::path utf8Path(const std::string& name) {
    return fs::path(std::u8string(name.begin(), name.end()));
}

class DemoCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() / ("ld-demo-check-" + std::string(test->name()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "downloads");
    }
    void TearDown() override { fs::remove_all(root_); }

    // What a successful demo of the course leaves: every resolvable lecture
    // and the two named pictures.
    DemoResult finishedDemo(std::string_view courseId) {
        for (const SampleLecture& lecture : findCourse(courseId)->lectures) {
            if (lecture.resolvable) {
                write(fileOf(lecture), SamplePlatform::videoBytes(lecture));
            }
        }
        write(root_ / "1-parsed.png", std::string("\x89PNG\r\n\x1a\n", 8) + "IHDR....");
        write(root_ / "4-finished.png", std::string("\x89PNG\r\n\x1a\n", 8) + "IHDR....");
        return DemoResult{
            std::string(courseId), root_ / "downloads", root_, {"1-parsed.png", "4-finished.png"}};
    }

    fs::path fileOf(const SampleLecture& lecture) const {
        return root_ / "downloads" / utf8Path(savedFileName(lecture.title));
    }

    fs::path root_;
};

TEST_F(DemoCheck, TheDefaultCoursesResolvableLecturesUnderTheProgramsNamesPass) {
    const DemoResult result = finishedDemo(kDefaultCourseId);
    EXPECT_THAT(demoProblems(result), IsEmpty());
    // Names follow the program's rule: the refused characters became "_".
    EXPECT_TRUE(fs::exists(root_ / "downloads" / utf8Path("第3讲 什么是算法_.flv")));
}

TEST_F(DemoCheck, AChangedByteATruncatedFileAndAMissingFileAreEachReported) {
    const DemoResult result = finishedDemo(kSecondCourseId);
    const auto& lectures = findCourse(kSecondCourseId)->lectures;

    std::string changed = SamplePlatform::videoBytes(lectures[0]);
    changed[100'000] = static_cast<char>(changed[100'000] ^ 0x01);
    write(fileOf(lectures[0]), changed);
    const std::string whole = SamplePlatform::videoBytes(lectures[1]);
    write(fileOf(lectures[1]), whole.substr(0, whole.size() - 1));
    fs::remove(fileOf(lectures[2]));

    EXPECT_THAT(demoProblems(result),
                ElementsAre(HasSubstr("differs from the platform's bytes at byte 100000"),
                            HasSubstr(std::to_string(whole.size() - 1) + " bytes instead of " +
                                      std::to_string(whole.size())),
                            HasSubstr("第3讲 树.flv: missing")));
}

TEST_F(DemoCheck, LeftoverResumeFilesAndStrangersInTheDownloadFolderAreReported) {
    const DemoResult result = finishedDemo(kSecondCourseId);
    write(root_ / "downloads" / "第1讲 线性表.flv.xldl", "partial");
    write(root_ / "downloads" / "第1讲 线性表.flv.xldl.meta", "meta");
    const auto problems = demoProblems(result);
    ASSERT_EQ(problems.size(), 2U);
    EXPECT_THAT(problems[0] + problems[1], HasSubstr(".flv.xldl.meta"));
    EXPECT_THAT(problems[0], HasSubstr("unexpected file"));
}

TEST_F(DemoCheck, MissingOrBrokenPicturesAndAMissingFolderAreReported) {
    DemoResult result = finishedDemo(kSecondCourseId);
    write(root_ / "4-finished.png", "not a picture");
    result.pictureNames.emplace_back("5-about.png");
    EXPECT_THAT(demoProblems(result),
                ElementsAre(HasSubstr("picture 4-finished.png"), HasSubstr("picture 5-about.png")));

    fs::remove_all(root_ / "downloads");
    result.pictureNames.clear();
    const auto problems = demoProblems(result);
    ASSERT_EQ(problems.size(), findCourse(kSecondCourseId)->lectures.size() + 1);
    EXPECT_THAT(problems.back(), HasSubstr("cannot list"));

    result.courseId = "no-such-course";
    EXPECT_THAT(demoProblems(result), ElementsAre(HasSubstr("no course no-such-course")));
}

}  // namespace
}  // namespace ld::sample
