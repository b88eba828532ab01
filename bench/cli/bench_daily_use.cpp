#include "bench/cli/bench_daily_use.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/cli/child_run.h"
#include "platform_constants.h"
#include "tools/sample-platform/sample_courses.h"

namespace ld::bench {
namespace {

namespace fs = std::filesystem;

std::string courseAddress(std::string_view courseId) {
    return "http://" + std::string(platform::kCourseWebHost) +
           "/#/mid/guide?courseId=" + std::string(courseId);
}

fs::path workFolder(const char* name) {
    const fs::path folder = fs::temp_directory_path() /
                            ("bench-cli-" + std::string(name) + "-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    return folder;
}

double mebibytes(std::int64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

}  // namespace

bool benchRerun(const fs::path& bin, sample::SamplePlatform& platform) {
    const fs::path folder = workFolder("rerun");
    const std::vector<std::string> command{(bin / "lecture-downloader").string(), "download",
                                           courseAddress(sample::kDefaultCourseId), "--output",
                                           folder.string()};
    platform.resetStatistics();
    const ChildRun first = runChild(command);
    const std::int64_t firstBytes = platform.videoBytesServed();
    platform.resetStatistics();
    const ChildRun rerun = runChild(command);
    const std::int64_t rerunBytes = platform.videoBytesServed();
    fs::remove_all(folder);

    std::printf("rerun of a finished course (141, 7 of 8 lectures playable):\n");
    std::printf("  first run: %8.1f ms, %7.2f MiB of video bodies sent\n", first.wallMs,
                mebibytes(firstBytes));
    std::printf("  rerun:     %8.1f ms, %lld bytes of video bodies sent\n", rerun.wallMs,
                static_cast<long long>(rerunBytes));
    const bool met = rerun.exitCode == 1 && rerun.wallMs < 2000.0 && rerunBytes == 0;
    std::printf("rerun: %.2f s and %lld body bytes (target < 2 s, 0 bytes): %s\n",
                rerun.wallMs / 1000.0, static_cast<long long>(rerunBytes), met ? "met" : "MISSED");
    // Lecture 4 has no play address: both runs end with exit code 1.
    return first.exitCode == 1 && rerun.exitCode == 1;
}

bool benchTinyLectures(const fs::path& bin, sample::SamplePlatform& platform) {
    const fs::path folder = workFolder("tiny");
    const ChildRun run =
        runChild({(bin / "lecture-downloader").string(), "download",
                  courseAddress(sample::kTinyVideosCourseId), "--output", folder.string()});
    std::size_t files = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        files += entry.path().extension() == ".flv" ? 1 : 0;
    }
    fs::remove_all(folder);
    platform.resetStatistics();

    const int lectures = sample::kTinyVideosCourseLectures;
    const double perSecond = lectures / (run.wallMs / 1000.0);
    std::printf("%d tiny lectures (2 KiB each) downloaded end to end:\n", lectures);
    std::printf("  whole command (search, resolution and downloads): %8.1f ms, %zu files\n",
                run.wallMs, files);
    const bool met = run.exitedZero && perSecond >= 20.0;
    std::printf("lectures per second: %.1f (target >= 20): %s\n", perSecond,
                met ? "met" : "MISSED");
    return run.exitedZero && files == static_cast<std::size_t>(lectures);
}

}  // namespace ld::bench
