// make faults: downloads sample videos through the program's download queue
// and the real engine library while the sample platform misbehaves, and prints
// one table of what became of each file.
//
//   faults [--runs N]                      the whole table (N runs per fault, default 3)
//   faults --child ADDRESS FOLDER TITLE    one download through the queue; exit status
//                                          0 finished, 1 failed visibly, 2 unsettled
//
// Linux only: it limits the file size of its own process, kills a child process
// and relies on root-proof ways to make a folder unusable.
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "download/loaded_engine_library.h"
#include "text/codepage.h"
#include "tools/faults/fault_run.h"
#include "tools/faults/fault_table.h"
#include "tools/faults/queue_run.h"
#include "tools/sample-platform/sample_courses.h"
#include "tools/sample-platform/sample_platform.h"

namespace ld::faults {
namespace {

namespace fs = std::filesystem;

struct Tally {
    int runs = 0;
    int identical = 0;
    int failedVisibly = 0;
    int corrupted = 0;
    int unsettled = 0;
};

const char* shownText(Shown shown) {
    switch (shown) {
        case Shown::Finished:
            return "下载完毕";
        case Shown::Failed:
            return "已取消";
        default:
            return "unsettled";
    }
}

// Counts one run: what the user saw against what is on disk.
void judge(Tally& tally, Shown shown, Run& run, const char* faultName) {
    const std::string path = savedFilePath(run.folder, utf8ToGbk(run.lecture.title));
    const bool present = fs::exists(path);
    const bool identical =
        present && readFile(path) == SamplePlatform::videoBytes(run.lecture, run.expectedVersion);
    ++tally.runs;
    const char* verdict = "";
    if (shown == Shown::Finished) {
        identical ? ++tally.identical : ++tally.corrupted;
        verdict = identical ? "byte-identical" : "CORRUPTED or missing";
    } else if (present && !identical) {
        ++tally.corrupted;
        verdict = "CORRUPTED file under the final name";
    } else if (shown == Shown::Failed) {
        ++tally.failedVisibly;
        verdict = "failure shown";
    } else {
        ++tally.unsettled;
        verdict = "NOT SETTLED before the deadline";
    }
    std::fprintf(stderr, "faults: %-44s #%d %-10s %-16s %d requests %s\n", faultName, run.index + 1,
                 shownText(shown), verdict, run.platform.videoRequests(), run.note.c_str());
}

int runTable(int runsPerFault) {
    // Short waits, so a run takes seconds; the defaults are minutes.
    setenv("XLDL_BACKOFF_BASE_MS", "50", 1);
    setenv("XLDL_RETRY_BUDGET_MS", "8000", 1);
    setenv("XLDL_STALL_SECONDS", "1", 1);
    for (const char* proxy :
         {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"}) {
        unsetenv(proxy);
    }
    signal(SIGXFSZ, SIG_IGN);  // a write past the size limit fails instead of killing

    PlatformHolder platform;
    if (!platform.running()) {
        std::fprintf(stderr, "faults: the sample platform could not start\n");
        return 2;
    }
    LoadedEngineLibrary engine(ownFolder() / kEngineLibraryFileName, [](const Text& message) {
        std::fprintf(stderr, "faults: %s\n", gbkToUtf8(message).c_str());
        std::exit(2);
    });
    engine.init();

    // Lectures of the default course, 300 KiB to 64 MiB (the largest goes over
    // several connections).
    const auto& lectures = sample::findCourse(sample::kDefaultCourseId)->lectures;
    const std::vector<const SampleLecture*> picks = {&lectures[0], &lectures[1], &lectures[2],
                                                     &lectures[4], &lectures[5], &lectures[7]};
    const fs::path scratch = fs::temp_directory_path() / ("ld-faults-" + std::to_string(getpid()));

    const auto began = std::chrono::steady_clock::now();
    std::vector<std::pair<const char*, Tally>> table;
    int pick = 0;
    for (const Fault& fault : allFaults()) {
        Tally tally;
        const int runs = fault.runs > 0 ? fault.runs : runsPerFault;
        for (int index = 0; index < runs; ++index) {
            const SampleLecture& lecture =
                fault.lecture ? fault.lecture(index) : *picks[pick++ % picks.size()];
            const fs::path folder =
                scratch / ("run-" + std::to_string(tally.runs + 1000 * table.size()));
            fs::create_directories(folder);
            platform.reset();
            Run run{platform, lecture, index, folder.string()};
            fault.prepare(run);
            std::thread beside([&] { fault.during(run); });
            const Shown shown = fault.download ? fault.download(run) : downloadHere(engine, run);
            run.over = true;
            beside.join();
            fault.cleanup(run);
            judge(tally, shown, run, fault.name);
        }
        table.emplace_back(fault.name, tally);
    }
    engine.unInit();
    std::error_code ignored;
    fs::remove_all(scratch, ignored);

    Tally total;
    std::printf(
        "\n| Fault | Runs | Byte-identical | Failed visibly (已取消) | Corrupted or falsely "
        "下载完毕 | Unsettled |\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    for (const auto& [name, t] : table) {
        std::printf("| %s | %d | %d | %d | %d | %d |\n", name, t.runs, t.identical, t.failedVisibly,
                    t.corrupted, t.unsettled);
        total.runs += t.runs;
        total.identical += t.identical;
        total.failedVisibly += t.failedVisibly;
        total.corrupted += t.corrupted;
        total.unsettled += t.unsettled;
    }
    std::printf("| **all** | %d | %d | %d | %d | %d |\n", total.runs, total.identical,
                total.failedVisibly, total.corrupted, total.unsettled);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf("\n%d runs in %.0f s. Corrupted, falsely finished and unsettled must all be 0.\n",
                total.runs, seconds);
    return total.corrupted == 0 && total.unsettled == 0 ? 0 : 1;
}

int runChild(const char* address, const char* folder, const char* titleUtf8) {
    LoadedEngineLibrary engine(ownFolder() / kEngineLibraryFileName,
                               [](const Text&) { std::exit(3); });
    engine.init();
    const Shown shown =
        downloadThroughQueue(engine, utf8ToGbk(titleUtf8), Text(address), folder, kRunDeadline);
    engine.unInit();
    return shown == Shown::Finished ? 0 : shown == Shown::Failed ? 1 : 2;
}

}  // namespace
}  // namespace ld::faults

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "--child") {
        return ld::faults::runChild(argv[2], argv[3], argv[4]);
    }
    int runs = 3;
    if (args.size() == 2 && args[0] == "--runs") {
        runs = std::max(1, std::atoi(argv[2]));
    } else if (!args.empty()) {
        std::fprintf(stderr, "usage: faults [--runs N] | faults --child ADDRESS FOLDER TITLE\n");
        return 2;
    }
    return ld::faults::runTable(runs);
}
