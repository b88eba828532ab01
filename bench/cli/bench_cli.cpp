// The terminal mode against the window it drives, on the loopback interface
// with the in-process sample platform:
//  1. `lecture-downloader list` of the 2000-lecture course against the same
//     search and resolution through the in-memory window (median of 3 each);
//  2. the peak memory of `lecture-downloader download` while it saves a
//     course of 1 GiB videos, against the engine's own peak (xldl-get saving
//     one of those videos);
//  3. the peak memory of `lecture-downloader list` with huge answers: a
//     catalogue of 63 MiB, and play-info answers of 60 MiB each, four asked
//     at once (refused as soon as they are announced).
//  4. a rerun of a finished course, and 600 tiny lectures end to end (see
//     bench_daily_use.h).
// Usage: bench_cli <folder of lecture-downloader, libxldl.so and xldl-get> [case]
// where case, to run one alone, is listing, large-answers, download-memory,
// rerun or tiny-lectures.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/cli/bench_daily_use.h"
#include "bench/cli/child_run.h"
#include "course/course_events.h"
#include "platform_constants.h"
#include "tools/sample-platform/sample_courses.h"
#include "tools/sample-platform/sample_platform.h"
#include "window/control_aliases.h"
#include "window/memory_window.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;
using ld::bench::ChildRun;
using ld::bench::runChild;

constexpr std::int64_t kLargeVideoBytes = std::int64_t{1} << 30;

std::string courseAddress(std::string_view courseId) {
    return "http://" + std::string(ld::platform::kCourseWebHost) +
           "/#/mid/guide?courseId=" + std::string(courseId);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The window's search and resolution of the course, through the in-memory window.
double windowResolutionMs(std::string_view courseId) {
    ld::SharedState state;
    ld::MemoryWindow window;
    ld::wireCourseEvents(window, state);
    window.setText(ld::kCourseAddressBox, ld::Text(courseAddress(courseId)));
    const auto began = Clock::now();
    window.fire(ld::kSearchClicked);
    window.waitForWorkers(std::chrono::minutes(10));
    return Millis(Clock::now() - began).count();
}

bool compareListing(const fs::path& bin) {
    std::vector<double> windowMs;
    std::vector<double> terminalMs;
    bool allListed = true;
    const std::string program = (bin / "lecture-downloader").string();
    for (int i = 0; i < 3; ++i) {
        windowMs.push_back(windowResolutionMs(ld::sample::kLargeCourseId));
        const ChildRun list =
            runChild({program, "list", courseAddress(ld::sample::kLargeCourseId)});
        allListed = allListed && list.exitedZero;
        terminalMs.push_back(list.wallMs);
    }
    const double window = median(windowMs);
    const double terminal = median(terminalMs);
    std::printf("listing %d lectures (median of 3):\n", ld::sample::kLargeCourseLectures);
    std::printf("  window (search until 解析完成): %8.1f ms\n", window);
    std::printf("  lecture-downloader list:        %8.1f ms (the whole process)\n", terminal);
    // The terminal adds a process start and its printing: within a tenth.
    const double ratio = terminal / std::max(window, 1e-3);
    std::printf("terminal list / window resolution: %.2f (target <= 1.10): %s\n", ratio,
                ratio <= 1.10 ? "met" : "MISSED");
    return allListed;
}

bool compareMemory(const fs::path& bin, ld::sample::SamplePlatform& platform) {
    ld::sample::SamplePlatformOptions large;
    large.videoSizeOverride = kLargeVideoBytes;
    platform.setOptions(large);
    const fs::path work = fs::temp_directory_path() / ("bench-cli-" + std::to_string(getpid()));
    fs::remove_all(work);
    fs::create_directories(work / "engine");

    const ld::sample::SampleCourse* course = ld::sample::findCourse(ld::sample::kSecondCourseId);
    const std::string url = platform.expectedPlayUrl(course->lectures.front());
    const ChildRun engine =
        runChild({(bin / "xldl-get").string(), url, (work / "engine").string(), "one.flv"});
    fs::remove_all(work / "engine");
    const ChildRun terminal =
        runChild({(bin / "lecture-downloader").string(), "download",
                  courseAddress(ld::sample::kSecondCourseId), "--output", (work / "cli").string()});
    fs::remove_all(work);
    platform.setOptions({});

    const double engineMiB = static_cast<double>(engine.peakKiB) / 1024.0;
    const double terminalMiB = static_cast<double>(terminal.peakKiB) / 1024.0;
    std::printf("peak memory saving 1 GiB videos:\n");
    std::printf("  engine alone (xldl-get, one video):          %7.1f MiB\n", engineMiB);
    std::printf("  lecture-downloader download (%zu videos):      %7.1f MiB\n",
                course->lectures.size(), terminalMiB);
    const double beyond = terminalMiB - engineMiB;
    std::printf("terminal beyond the engine: %.1f MiB (target < 30 MiB): %s\n", beyond,
                beyond < 30.0 ? "met" : "MISSED");
    return engine.exitedZero && terminal.exitedZero;
}

double megabytes(long kibibytes) {
    return static_cast<double>(kibibytes) * 1024.0 / 1e6;
}

// How often `text` occurs in the file.
int occurrences(const fs::path& file, const std::string& text) {
    std::ifstream in(file);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int count = 0;
    for (std::size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) {
        ++count;
    }
    return count;
}

bool compareLargeAnswers(const fs::path& bin, ld::sample::SamplePlatform& platform) {
    const std::string program = (bin / "lecture-downloader").string();
    const std::string course = courseAddress(ld::sample::kDefaultCourseId);
    const ChildRun plain = runChild({program, "list", course});

    ld::sample::SamplePlatformOptions largeCatalogue;
    largeCatalogue.catalogueNotesBytes = std::size_t{63} * 1024 * 1024;
    platform.setOptions(largeCatalogue);
    const ChildRun catalogue = runChild({program, "list", course});

    ld::sample::SamplePlatformOptions largePlayInfo;
    largePlayInfo.playInfoNotesBytes = std::size_t{60} * 1024 * 1024;
    platform.setOptions(largePlayInfo);
    const fs::path listing =
        fs::temp_directory_path() / ("bench-cli-list-" + std::to_string(getpid()));
    const ChildRun playInfo =
        runChild({program, "list", courseAddress(ld::sample::kSecondCourseId)}, listing.string());
    const int refused = occurrences(listing, "解析失败");
    fs::remove(listing);
    platform.setOptions({});

    std::printf("peak memory of lecture-downloader list with large answers:\n");
    std::printf("  course 141, catalogue of 3 KiB:                  %7.1f MB\n",
                megabytes(plain.peakKiB));
    std::printf("  course 141, catalogue of 63 MiB:                 %7.1f MB in %.2f s\n",
                megabytes(catalogue.peakKiB), catalogue.wallMs / 1000.0);
    std::printf(
        "  course 142, play-info answers of 60 MiB, 4 at once: %4.1f MB in %.2f s, "
        "%d of 5 lectures 解析失败\n",
        megabytes(playInfo.peakKiB), playInfo.wallMs / 1000.0, refused);
    const double peak = megabytes(catalogue.peakKiB);
    std::printf("63 MiB catalogue: %.1f MB (target < 200 MB): %s\n", peak,
                peak < 200.0 ? "met" : "MISSED");
    std::printf("60 MiB play-info answers refused: %s\n", refused == 5 ? "met" : "MISSED");
    return plain.exitedZero && catalogue.exitedZero && playInfo.exitedZero;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc == 3 ? argv[2] : "";
    if (argc < 2 || argc > 3 ||
        (!only.empty() && only != "listing" && only != "large-answers" &&
         only != "download-memory" && only != "rerun" && only != "tiny-lectures")) {
        std::fprintf(stderr,
                     "usage: bench_cli <build bin folder> "
                     "[listing|large-answers|download-memory|rerun|tiny-lectures]\n");
        return 2;
    }
    const fs::path bin = argv[1];
    ld::sample::SamplePlatform platform;
    if (platform.start() < 0) {
        std::fprintf(stderr, "bench_cli: the sample platform could not listen\n");
        return 1;
    }
    ::setenv("http_proxy", platform.address().c_str(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
    const auto runs = [&only](const char* name) { return only.empty() || only == name; };
    const bool listed = !runs("listing") || compareListing(bin);
    const bool large = !runs("large-answers") || compareLargeAnswers(bin, platform);
    const bool saved = !runs("download-memory") || compareMemory(bin, platform);
    const bool rerun = !runs("rerun") || ld::bench::benchRerun(bin, platform);
    const bool tiny = !runs("tiny-lectures") || ld::bench::benchTinyLectures(bin, platform);
    if (!listed || !large || !saved || !rerun || !tiny) {
        std::printf("  a run did not complete\n");
        return 1;
    }
    return 0;
}
