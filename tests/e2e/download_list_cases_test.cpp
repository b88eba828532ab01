// The download list through the real window, engine and sample platform:
// titles that collide or start with a dot each get a visible file of their
// own, a course searched again under new keys keeps its files, and rows
// removed during a download never mark a row that was not downloaded.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "download/queue/progress_text.h"
#include "tests/e2e/program_fixture.h"
#include "text/codepage.h"
#include "tools/sample-platform/sample_courses.h"
#include "window/control_aliases.h"

namespace ld::e2e {
namespace {

using ::testing::ElementsAreArray;

class DownloadListCases : public ProgramFixture {
  protected:
    // Searches the course with this identifier, adds all of it and starts.
    void downloadCourse(std::string_view courseId) {
        std::string address = text(kCourseAddressBox);
        address =
            address.substr(0, address.rfind("courseId=")) + "courseId=" + std::string(courseId);
        window().setText(kCourseAddressBox, gbk(address));
        searchDefaultCourse();
        click(kAddAllButton);  // 一键加入下载列表
        click(kBrowseButton);
        click(kStartButton);
    }
    bool fileComplete(const std::string& name, const sample::SampleLecture& lecture) {
        return fileBytes(downloads() / name) == sample::SamplePlatform::videoBytes(lecture);
    }
};

TEST_F(DownloadListCases, CollidingAndDottedTitlesLeaveOneVisibleFileEach) {
    const sample::SampleCourse& course = *sample::findCourse(sample::kCollidingTitlesCourseId);
    const std::vector<std::string> names{"a_b.flv",        "a_b (2).flv",
                                         "_隐藏.flv",      "___.._tmp_escape.flv",
                                         "第1讲 重复.flv", "第1讲 重复 (2).flv"};
    ASSERT_EQ(course.lectures.size(), names.size());
    downloadCourse(sample::kCollidingTitlesCourseId);
    ASSERT_TRUE(waitFor([this] { return queueFinished(); }, 120s)) << text(kTaskStateLabel);

    ASSERT_EQ(rows(kDownloadList), static_cast<int>(names.size()));
    for (int row = 0; row < rows(kDownloadList); ++row) {
        const sample::SampleLecture& lecture = course.lectures[static_cast<std::size_t>(row)];
        const std::string& name = names[static_cast<std::size_t>(row)];
        SCOPED_TRACE(name);
        EXPECT_EQ(cell(kDownloadList, row, 1), lecture.title);
        EXPECT_EQ(cell(kDownloadList, row, 4), "下载完毕");
        EXPECT_EQ(cell(kDownloadList, row, 2), gbkToUtf8(fileSizeText(lecture.videoSize)));
        EXPECT_TRUE(fileComplete(name, lecture)) << "file differs from the platform's bytes";
    }
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_THAT(filesInDownloads(), ElementsAreArray(sorted));
    EXPECT_TRUE(messages().empty());
}

TEST_F(DownloadListCases, RemovingTheRowBeingDownloadedOrRowsAboveMarksOnlyDownloadedRows) {
    const sample::SampleCourse& course = *sample::findCourse(sample::kSecondCourseId);
    const auto& lectures = course.lectures;
    ASSERT_EQ(lectures.size(), 5U);
    // Slow enough that a file of about 200 KiB takes a few ticks.
    sample::SamplePlatformOptions paced;
    paced.videoBytesPerSecond = 64 * 1024;
    platform().setOptions(paced);
    downloadCourse(sample::kSecondCourseId);

    // The first lecture is being downloaded; the user removes its row.
    ASSERT_TRUE(waitFor([this] { return text(kTaskStateLabel) == "下载中"; }, 30s));
    doubleClickRow(kDownloadList, 0);
    ASSERT_EQ(rows(kDownloadList), 4);
    ASSERT_TRUE(waitFor([this] { return window().interval() == 0; }, 10s));
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(cell(kDownloadList, row, 4), "") << row;
    }
    const std::string firstName = lectures[0].title + ".flv";
    EXPECT_FALSE(std::filesystem::exists(downloads() / firstName));

    // Start again: the second lecture (now the first row) finishes, and while
    // the third runs the user removes the finished row above it.
    click(kStartButton);
    ASSERT_TRUE(waitFor(
        [this] { return globals().shared.taskRow == 1 && cell(kDownloadList, 0, 4) == "下载完毕"; },
        60s));
    doubleClickRow(kDownloadList, 0);
    ASSERT_EQ(rows(kDownloadList), 3);
    platform().setOptions({});
    ASSERT_TRUE(waitFor([this] { return queueFinished(); }, 120s)) << text(kTaskStateLabel);

    for (int row = 0; row < 3; ++row) {
        const sample::SampleLecture& lecture = lectures[static_cast<std::size_t>(row) + 2];
        SCOPED_TRACE(lecture.title);
        EXPECT_EQ(cell(kDownloadList, row, 1), lecture.title);
        EXPECT_EQ(cell(kDownloadList, row, 2), gbkToUtf8(fileSizeText(lecture.videoSize)));
        EXPECT_TRUE(fileComplete(lecture.title + ".flv", lecture));
    }
    EXPECT_TRUE(fileComplete(lectures[1].title + ".flv", lectures[1]));
    EXPECT_FALSE(std::filesystem::exists(downloads() / firstName));
    EXPECT_EQ(globals().shared.currentRow, 3);
}

TEST_F(DownloadListCases, TheSameCourseSearchedAgainUnderNewKeysKeepsItsFiles) {
    // Every play-info answer hands out a new key, as the real service does.
    sample::SamplePlatformOptions rotating;
    rotating.rotatePlayKeys = true;
    platform().setOptions(rotating);
    const auto& lectures = sample::findCourse(sample::kSecondCourseId)->lectures;
    downloadCourse(sample::kSecondCourseId);
    ASSERT_TRUE(waitFor([this] { return queueFinished(); }, 120s)) << text(kTaskStateLabel);
    const std::string firstAddress = cell(kDownloadList, 0, 3);

    downloadCourse(sample::kSecondCourseId);
    ASSERT_TRUE(waitFor([this] { return queueFinished(); }, 120s)) << text(kTaskStateLabel);
    ASSERT_NE(cell(kDownloadList, 0, 3), firstAddress) << "the key did not change";
    // Each lecture is the one finished before: saved again under its own name.
    std::vector<std::string> names;
    for (const sample::SampleLecture& lecture : lectures) {
        names.push_back(lecture.title + ".flv");
        EXPECT_TRUE(fileComplete(names.back(), lecture)) << names.back();
    }
    std::sort(names.begin(), names.end());
    EXPECT_THAT(filesInDownloads(), ElementsAreArray(names));
}

}  // namespace
}  // namespace ld::e2e
