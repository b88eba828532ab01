// The large sample course (2000 lectures) searched, listed and resolved
// against the sample platform on the loopback interface, with the in-memory
// window. Reports
// - the time per row that is not the server's own, with one request at a
//   time: the HTTP exchange on the client side, the pattern matching and the
//   control calls. Target: at most 2 ms per row;
// - the time until "解析完成" when every play-info answer takes 20 ms more, with
//   the default number of requests in flight against one at a time, as one
//   line "resolution speedup: N.NN×". Target: at least 3.5.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "course/course_events.h"
#include "course/play_address_resolution.h"
#include "platform_constants.h"
#include "text/codepage.h"
#include "tools/sample-platform/sample_courses.h"
#include "tools/sample-platform/sample_platform.h"
#include "window/control_aliases.h"
#include "window/memory_window.h"

namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

struct Run {
    double listedMs = 0;  // click until the rows stand in the list
    double totalMs = 0;   // click until the resolution has ended
    double serverMs = 0;  // time the server spent inside its answers
    int rows = 0;
    int resolved = 0;
};

Run searchOnce(ld::sample::SamplePlatform& platform, int requestsInFlight) {
    platform.resetStatistics();
    ld::SharedState state;
    ld::MemoryWindow window;
    ld::wireCourseEvents(window, state, requestsInFlight);
    window.setText(ld::kCourseAddressBox,
                   ld::Text("http://" + std::string(ld::platform::kCourseWebHost) +
                            "/#/mid/guide?courseId=" + std::string(ld::sample::kLargeCourseId)));
    const auto began = Clock::now();
    window.fire(ld::kSearchClicked);
    Run run;
    while (window.rowCount(ld::kParseList) == 0 &&
           Clock::now() - began < std::chrono::seconds(60)) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    run.listedMs = Millis(Clock::now() - began).count();
    window.waitForWorkers(std::chrono::minutes(10));
    run.totalMs = Millis(Clock::now() - began).count();
    run.serverMs = Millis(platform.serverTime()).count();
    const ld::Text failed = ld::gbk("解析失败");
    for (const auto& row : window.rows(ld::kParseList)) {
        ++run.rows;
        run.resolved += (!row.at(3).empty() && row.at(3) != failed) ? 1 : 0;
    }
    return run;
}

// Whether every row of the run holds a play address.
bool complete(const Run& run) {
    return run.rows == ld::sample::kLargeCourseLectures && run.resolved == run.rows;
}

// One request at a time, no delay: the client's own time per row.
bool reportOverheadPerRow(ld::sample::SamplePlatform& platform) {
    constexpr int kRuns = 3;
    platform.setOptions({});
    std::vector<Run> runs;
    for (int i = 0; i < kRuns; ++i) {
        runs.push_back(searchOnce(platform, 1));
    }
    bool allComplete = true;
    std::printf(
        "course search: %d lectures listed and resolved through the sample platform, "
        "one request at a time\n",
        ld::sample::kLargeCourseLectures);
    std::vector<double> perRow;
    for (const Run& run : runs) {
        perRow.push_back((run.totalMs - run.serverMs) / std::max(run.rows, 1));
        std::printf(
            "  listed in %8.1f ms, resolved in %8.1f ms, server %8.1f ms, "
            "%5.3f ms per row beyond the server (%d rows, %d resolved)\n",
            run.listedMs, run.totalMs, run.serverMs, perRow.back(), run.rows, run.resolved);
        allComplete = allComplete && complete(run);
    }
    std::sort(perRow.begin(), perRow.end());
    const double median = perRow[perRow.size() / 2];
    std::printf("  median: %.3f ms per row beyond the server's own time (target <= 2 ms): %s\n",
                median, median <= 2.0 ? "met" : "MISSED");
    return allComplete;
}

// Every play-info answer 20 ms late: the default requests in flight against one.
bool reportSpeedup(ld::sample::SamplePlatform& platform) {
    ld::sample::SamplePlatformOptions distant;
    distant.playInfoDelay = std::chrono::milliseconds(20);
    platform.setOptions(distant);
    const Run parallel = searchOnce(platform, ld::kPlayInfoRequestsInFlight);
    const Run serial = searchOnce(platform, 1);
    platform.setOptions({});
    std::printf("resolution with every play-info answer 20 ms late (%d lectures):\n",
                ld::sample::kLargeCourseLectures);
    std::printf("  %d requests in flight: %9.1f ms until 解析完成 (%d resolved)\n",
                ld::kPlayInfoRequestsInFlight, parallel.totalMs, parallel.resolved);
    std::printf("  1 request in flight:  %9.1f ms until 解析完成 (%d resolved)\n", serial.totalMs,
                serial.resolved);
    const double speedup = serial.totalMs / std::max(parallel.totalMs, 1e-3);
    std::printf("resolution speedup: %.2f\u00d7 (target >= 3.5\u00d7): %s\n", speedup,
                speedup >= 3.5 ? "met" : "MISSED");
    return complete(parallel) && complete(serial);
}

}  // namespace

int main() {
    ld::sample::SamplePlatform platform;
    if (platform.start() < 0) {
        std::fprintf(stderr, "bench_course: the sample platform could not listen\n");
        return 1;
    }
    ::setenv("http_proxy", platform.address().c_str(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");

    const bool overheadComplete = reportOverheadPerRow(platform);
    const bool speedupComplete = reportSpeedup(platform);
    if (!overheadComplete || !speedupComplete) {
        std::printf("  some rows were not resolved\n");
        return 1;
    }
    return 0;
}
