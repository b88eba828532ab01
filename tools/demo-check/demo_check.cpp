#include "tools/demo-check/demo_check.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <set>
#include <system_error>

#include "download/queue/safe_file_name.h"
#include "text/codepage.h"
#include "tools/sample-platform/sample_courses.h"
#include "tools/sample-platform/sample_video.h"

namespace ld::sample {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kChunk = 1 << 20;
constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";

std::string pathText(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path pathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// Empty when the file holds exactly the lecture's video; otherwise why not.
std::string compareWithVideo(const fs::path& file, const SampleLecture& lecture) {
    std::error_code error;
    if (!fs::is_regular_file(file, error)) {
        return "missing";
    }
    const auto size = static_cast<std::int64_t>(fs::file_size(file, error));
    if (error) {
        return "size unreadable";
    }
    if (size != lecture.videoSize) {
        return std::to_string(size) + " bytes instead of " + std::to_string(lecture.videoSize);
    }
    std::ifstream in(file, std::ios::binary);
    std::string got(kChunk, '\0');
    std::string want(kChunk, '\0');
    for (std::int64_t offset = 0; offset < size; offset += static_cast<std::int64_t>(kChunk)) {
        const auto length = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(kChunk), size - offset));
        if (!in.read(got.data(), static_cast<std::streamsize>(length))) {
            return "unreadable at byte " + std::to_string(offset);
        }
        fillVideoBytes(lecture.videoId, offset, std::span<char>(want.data(), length));
        if (std::string_view(got.data(), length) != std::string_view(want.data(), length)) {
            const auto at =
                std::mismatch(got.begin(), got.begin() + static_cast<long>(length), want.begin())
                    .first -
                got.begin();
            return "differs from the platform's bytes at byte " + std::to_string(offset + at);
        }
    }
    return {};
}

bool isPng(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::array<char, 16> head{};
    in.read(head.data(), head.size());
    return in.gcount() > static_cast<std::streamsize>(kPngSignature.size()) &&
           std::string_view(head.data(), kPngSignature.size()) == kPngSignature;
}

}  // namespace

std::string savedFileName(const std::string& title) {
    return gbkToUtf8(downloadFileName(utf8ToGbk(title)));
}

std::vector<std::string> demoProblems(const DemoResult& result) {
    std::vector<std::string> problems;
    const SampleCourse* course = findCourse(result.courseId);
    if (course == nullptr) {
        return {"the sample platform has no course " + result.courseId};
    }
    std::set<fs::path> expected;
    for (const SampleLecture& lecture : course->lectures) {
        if (!lecture.resolvable) {
            continue;
        }
        const std::string name = savedFileName(lecture.title);
        const fs::path file = result.downloads / pathOf(name);
        expected.insert(file.filename());
        const std::string why = compareWithVideo(file, lecture);
        if (!why.empty()) {
            problems.push_back(name + ": " + why);
        }
    }
    std::error_code error;
    for (fs::directory_iterator entry(result.downloads, error), end; !error && entry != end;
         entry.increment(error)) {
        if (!expected.contains(entry->path().filename())) {
            problems.push_back("unexpected file " + pathText(entry->path()));
        }
    }
    if (error) {
        problems.push_back("cannot list " + pathText(result.downloads) + ": " + error.message());
    }
    for (const std::string& name : result.pictureNames) {
        if (!isPng(result.pictures / pathOf(name))) {
            problems.push_back("picture " + name + " missing or not a PNG file");
        }
    }
    return problems;
}

}  // namespace ld::sample
