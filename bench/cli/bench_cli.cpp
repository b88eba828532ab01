// The terminal mode against the window it drives, on the loopback interface
// with the in-process sample platform:
//  1. `lecture-downloader list` of the 2000-lecture course against the same
//     search and resolution through the in-memory window (median of 3 each);
//  2. the peak memory of `lecture-downloader download` while it saves a
//     course of 1 GiB videos, against the engine's own peak (xldl-get saving
//     one of those videos).
// Usage: bench_cli <folder of lecture-downloader, libxldl.so and xldl-get>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

constexpr std::int64_t kLargeVideoBytes = std::int64_t{1} << 30;

std::string courseAddress(std::string_view courseId) {
    return "http://" + std::string(ld::platform::kCourseWebHost) +
           "/#/mid/guide?courseId=" + std::string(courseId);
}

struct ChildRun {
    bool exitedZero = false;
    double wallMs = 0;
    long peakKiB = 0;  // the child's peak resident set
};

// Runs the program with the arguments, its output thrown away, and waits.
ChildRun runChild(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& part : command) {
        argv.push_back(const_cast<char*>(part.c_str()));
    }
    argv.push_back(nullptr);
    std::fflush(nullptr);  // the child must not write out what this process buffered
    const auto began = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    ChildRun run;
    if (child > 0 && wait4(child, &status, 0, &usage) == child) {
        run.exitedZero = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        run.peakKiB = usage.ru_maxrss;
    }
    run.wallMs = Millis(Clock::now() - began).count();
    return run;
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_cli <build bin folder>\n");
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
    const bool listed = compareListing(bin);
    const bool saved = compareMemory(bin, platform);
    if (!listed || !saved) {
        std::printf("  a run did not complete\n");
        return 1;
    }
    return 0;
}
