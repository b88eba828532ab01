#include "tools/faults/kill_faults.h"

#include <signal.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "text/codepage.h"
#include "tools/faults/queue_run.h"
#include "tools/sample-platform/sample_courses.h"

namespace ld::faults {
namespace {

// Waits until the platform has answered n video requests; false when that took longer than
// a run may (the child ended or hangs).
bool waitForRequests(const Run& run, int n) {
    const auto deadline = std::chrono::steady_clock::now() + kRunDeadline;
    while (run.platform.videoRequests() < n) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// What the killed run left: the bytes its resume record claims.
std::string leftBehind(const Run& run) {
    const std::string record =
        readFile(savedFilePath(run.folder, utf8ToGbk(run.lecture.title)) + ".xldl.meta");
    if (record.empty()) {
        return "no record";
    }
    std::int64_t claimed = 0;
    std::istringstream lines(record);
    std::string key;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::int64_t begin = 0;
        std::int64_t pos = 0;
        if (fields >> key && key == "segment" && fields >> begin >> pos) {
            claimed += pos - begin;
        }
    }
    return "record claims " +
           std::to_string(claimed * 100 / std::max<std::int64_t>(run.size(), 1)) + "%";
}

// Ends the first run by SIGKILL, lets the platform behave from then on, and returns what the
// second run, started on the same folder, shows.
Shown killAndRunAgain(Run& run, pid_t first, std::chrono::steady_clock::time_point started) {
    if (first > 0) {
        kill(first, SIGKILL);
        waitForChild(first);
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    run.note = "(killed after ";
    run.note += std::to_string(ms.count());
    run.note += " ms, ";
    run.note += leftBehind(run);
    run.note += ')';
    run.platform.change([](auto& o) {
        o.stallAtByte = -1;
        o.ignoreRanges = false;
        o.videoBytesPerSecond = 0;
    });
    return waitForChild(spawnChild(run));
}

const SampleLecture& defaultLecture(std::size_t index) {
    return sample::findCourse(sample::kDefaultCourseId)->lectures[index];
}

// The 64 MiB lecture, which goes over several connections in pieces.
const SampleLecture& largest(int) {
    return defaultLecture(7);
}

// Moments after the whole-file answer at which the program is killed.
constexpr std::array<std::chrono::milliseconds, 9> kAfterWholeAnswer = {
    5ms, 20ms, 50ms, 100ms, 200ms, 400ms, 700ms, 1000ms, 1500ms};

// Random kills: every other run the 5 MiB lecture (one connection) at 2.5 MB/s, else the
// 64 MiB one over four connections at 8 MB/s each; either takes about two seconds, and the
// kill may come before the first request or after the file got its name.
constexpr int kRandomKills = 24;
constexpr auto kLongestRandomWait = 2500ms;

}  // namespace

void addKillFaults(std::vector<Fault>& faults) {
    auto none = [](Run&) {};

    // The program is killed while the server holds the connection, then
    // started again on the same folder.
    faults.push_back({"program killed mid-download, started again",
                      [](Run& run) {
                          run.platform.change([&](auto& o) {
                              o.stallAtByte = run.size() / 2;
                              o.stallFor = 2500ms;
                          });
                      },
                      none, none,
                      [](Run& run) {
                          const auto started = std::chrono::steady_clock::now();
                          const pid_t first = spawnChild(run);
                          run.waitForVideoRequests(1);
                          // Long enough for the engine to save what it has.
                          std::this_thread::sleep_for(1300ms);
                          return killAndRunAgain(run, first, started);
                      }});

    // A piece's Range request is answered with the whole file, which empties the partial
    // data; the program is killed soon after, before or after its next save.
    faults.push_back(
        {"Range answered with 200, killed 5 ms to 1.5 s later, started again",
         [](Run& run) { run.platform.change([](auto& o) { o.videoBytesPerSecond = 2'000'000; }); },
         none, none,
         [](Run& run) {
             const auto started = std::chrono::steady_clock::now();
             const pid_t first = spawnChild(run);
             // The first answer and a few pieces on several connections.
             if (waitForRequests(run, 8)) {
                 const int before = run.platform.videoRequests();
                 run.platform.change([](auto& o) { o.ignoreRanges = true; });
                 if (waitForRequests(run, before + 1)) {
                     std::this_thread::sleep_for(
                         kAfterWholeAnswer[static_cast<std::size_t>(run.index) %
                                           kAfterWholeAnswer.size()]);
                 }
             }
             return killAndRunAgain(run, first, started);
         },
         static_cast<int>(kAfterWholeAnswer.size()), largest});

    faults.push_back(
        {"killed at a random moment, started again",
         [](Run& run) {
             const bool large = run.index % 2 == 1;
             run.platform.change(
                 [&](auto& o) { o.videoBytesPerSecond = large ? 8'000'000 : 2'500'000; });
         },
         none, none,
         [](Run& run) {
             // The same moments on every machine and every run of the table.
             std::mt19937 random(static_cast<std::mt19937::result_type>(1000 + run.index));
             std::uniform_int_distribution<int> wait(0,
                                                     static_cast<int>(kLongestRandomWait.count()));
             const auto started = std::chrono::steady_clock::now();
             const pid_t first = spawnChild(run);
             std::this_thread::sleep_for(std::chrono::milliseconds(wait(random)));
             return killAndRunAgain(run, first, started);
         },
         kRandomKills,
         [](int index) -> const SampleLecture& { return defaultLecture(index % 2 == 1 ? 7 : 5); }});
}

}  // namespace ld::faults
