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
#include "tools/faults/queue_run.h"
#include "tools/sample-platform/sample_courses.h"
#include "tools/sample-platform/sample_platform.h"

extern char** environ;

namespace ld::faults {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using sample::SampleLecture;
using sample::SamplePlatform;
using sample::SamplePlatformOptions;

constexpr auto kRunDeadline = 25s;

// The sample platform on a fixed port, restartable in the middle of a run.
class PlatformHolder {
  public:
    PlatformHolder() {
        base_.playUrlsNameSelf = true;
        platform_ = std::make_unique<SamplePlatform>(base_);
        port_ = platform_->start();
    }
    [[nodiscard]] bool running() const { return port_ > 0; }

    std::string playUrl(const SampleLecture& lecture) {
        const std::lock_guard lock(mutex_);
        return platform_->expectedPlayUrl(lecture);
    }
    // Requests since the last reset, error pages included (the engine asks
    // for nothing but video files).
    int videoRequests() {
        const std::lock_guard lock(mutex_);
        return platform_->requests() + requestsBefore_;
    }
    // Applies a change to the options of the running platform.
    void change(const std::function<void(SamplePlatformOptions&)>& edit) {
        const std::lock_guard lock(mutex_);
        SamplePlatformOptions options = platform_->options();
        edit(options);
        platform_->setOptions(options);
    }
    // Back to a well-behaved platform with no requests counted.
    void reset() {
        const std::lock_guard lock(mutex_);
        platform_->setOptions(base_);
        platform_->resetStatistics();
        requestsBefore_ = 0;
    }
    // Stops the server, waits, and starts a fresh one on the same port.
    void restart(std::chrono::milliseconds downtime) {
        std::unique_ptr<SamplePlatform> old;
        {
            const std::lock_guard lock(mutex_);
            requestsBefore_ += platform_->requests();
            old = std::move(platform_);
            platform_ = std::make_unique<SamplePlatform>(base_);
        }
        old->stop();
        old.reset();
        std::this_thread::sleep_for(downtime);
        const std::lock_guard lock(mutex_);
        platform_->start("127.0.0.1", port_);
    }

  private:
    std::mutex mutex_;
    SamplePlatformOptions base_;
    std::unique_ptr<SamplePlatform> platform_;
    int port_ = -1;
    int requestsBefore_ = 0;
};

// What one run works with.
struct Run {
    PlatformHolder& platform;
    const SampleLecture& lecture;
    int index;                // 0-based run number within its fault
    std::string folder;       // the save folder given to the queue
    int expectedVersion = 0;  // the version of the file that must end up on disk
    std::atomic<bool> over{false};

    [[nodiscard]] std::int64_t size() const { return lecture.videoSize; }
    // Waits until the platform has answered n video requests; false when the run ended.
    bool waitForVideoRequests(int n) const {
        while (!over && platform.videoRequests() < n) {
            std::this_thread::sleep_for(1ms);
        }
        return !over;
    }
};

struct Fault {
    const char* name;
    // Sets the fault up before the download starts.
    std::function<void(Run&)> prepare;
    // Runs beside the download, changing the platform as it goes.
    std::function<void(Run&)> during;
    // Undoes what prepare did outside the platform.
    std::function<void(Run&)> cleanup;
    // Replaces the download through the queue in this process.
    std::function<Shown(Run&)> download;
};

struct Tally {
    int runs = 0;
    int identical = 0;
    int failedVisibly = 0;
    int corrupted = 0;
    int unsettled = 0;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path ownFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : self.parent_path();
}

Shown downloadHere(DownloadEngine& engine, Run& run) {
    return downloadThroughQueue(engine, utf8ToGbk(run.lecture.title),
                                Text(run.platform.playUrl(run.lecture)), run.folder, kRunDeadline);
}

// The same download in a child process of this program.
pid_t spawnChild(Run& run) {
    const std::string self = (ownFolder() / "faults").string();
    const std::string address = run.platform.playUrl(run.lecture);
    std::vector<std::string> args = {self, "--child", address, run.folder, run.lecture.title};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t child = -1;
    if (posix_spawn(&child, self.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    return child;
}

Shown waitForChild(pid_t child) {
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return Shown::Unsettled;
    }
    return WEXITSTATUS(status) == 0   ? Shown::Finished
           : WEXITSTATUS(status) == 1 ? Shown::Failed
                                      : Shown::Unsettled;
}

std::vector<Fault> allFaults() {
    std::vector<Fault> faults;
    auto none = [](Run&) {};

    faults.push_back(
        {"connection reset mid-body",
         [](Run& run) { run.platform.change([&](auto& o) { o.dropAfterBytes = run.size() / 3; }); },
         [](Run& run) {
             if (run.waitForVideoRequests(1)) {
                 run.platform.change([&](auto& o) { o.dropAfterBytes = run.size() * 2 / 3; });
             }
             if (run.waitForVideoRequests(2)) {
                 run.platform.change([](auto& o) { o.dropAfterBytes = -1; });
             }
         },
         none, nullptr});

    faults.push_back(
        {"server restart",
         [](Run& run) { run.platform.change([&](auto& o) { o.dropAfterBytes = run.size() / 2; }); },
         [](Run& run) {
             if (run.waitForVideoRequests(1)) {
                 std::this_thread::sleep_for(20ms);
                 run.platform.restart(300ms);
             }
         },
         none, nullptr});

    // 3 x 500, 3 x 503 with Retry-After, then 8 x 503: more than the engine tries.
    faults.push_back(
        {"500/503 bursts",
         [](Run& run) { run.platform.change([&](auto& o) { o.dropAfterBytes = run.size() / 2; }); },
         [](Run& run) {
             const int burst = run.index % 3 == 2 ? 8 : 3;
             if (!run.waitForVideoRequests(1)) {
                 return;
             }
             run.platform.change([&](auto& o) {
                 o.dropAfterBytes = -1;
                 o.failTargetsContaining = run.lecture.videoId;
                 o.failStatus = run.index % 3 == 0 ? 500 : 503;
                 o.failRetryAfter = run.index % 3 == 1 ? "1" : "";
             });
             if (run.waitForVideoRequests(1 + burst)) {
                 run.platform.change([](auto& o) { o.failTargetsContaining.clear(); });
             }
         },
         none, nullptr});

    faults.push_back({"Range ignored",
                      [](Run& run) {
                          run.platform.change([&](auto& o) {
                              o.ignoreRanges = true;
                              o.dropAfterBytes = run.size() / 2;
                          });
                      },
                      [](Run& run) {
                          if (run.waitForVideoRequests(1)) {
                              run.platform.change([](auto& o) { o.dropAfterBytes = -1; });
                          }
                      },
                      none, nullptr});

    faults.push_back({"file changed between tries",
                      [](Run& run) {
                          run.expectedVersion = 1;
                          run.platform.change([&](auto& o) { o.dropAfterBytes = run.size() / 2; });
                      },
                      [](Run& run) {
                          if (run.waitForVideoRequests(1)) {
                              run.platform.change([](auto& o) {
                                  o.dropAfterBytes = -1;
                                  o.videoVersion = 1;
                              });
                          }
                      },
                      none, nullptr});

    faults.push_back({"stalled connection",
                      [](Run& run) {
                          run.platform.change([&](auto& o) {
                              o.stallAtByte = run.size() / 2;
                              o.stallFor = 3000ms;
                          });
                      },
                      [](Run& run) {
                          if (run.waitForVideoRequests(1)) {
                              std::this_thread::sleep_for(100ms);
                              run.platform.change([](auto& o) { o.stallAtByte = -1; });
                          }
                      },
                      none, nullptr});

    // A file size limit on this process: writes past it fail as on a full disk.
    faults.push_back({"disk full",
                      [](Run& run) {
                          const rlim_t limit = static_cast<rlim_t>(run.size() / 2);
                          rlimit current{};
                          getrlimit(RLIMIT_FSIZE, &current);
                          const rlimit lowered{limit, current.rlim_max};
                          setrlimit(RLIMIT_FSIZE, &lowered);
                      },
                      none,
                      [](Run&) {
                          rlimit current{};
                          getrlimit(RLIMIT_FSIZE, &current);
                          const rlimit raised{current.rlim_max, current.rlim_max};
                          setrlimit(RLIMIT_FSIZE, &raised);
                      },
                      nullptr});

    // Root may write anywhere, so the folder lies below a plain file; others
    // get a folder without write permission.
    faults.push_back({"unwritable folder",
                      [](Run& run) {
                          if (geteuid() == 0) {
                              const std::string blocker = run.folder + "/blocker";
                              std::ofstream(blocker) << "not a folder\n";
                              run.folder = blocker + "/videos";
                          } else {
                              fs::permissions(run.folder,
                                              fs::perms::owner_read | fs::perms::owner_exec);
                          }
                      },
                      none,
                      [](Run& run) {
                          if (geteuid() != 0) {
                              fs::permissions(run.folder, fs::perms::owner_all);
                          }
                      },
                      nullptr});

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
                          const pid_t first = spawnChild(run);
                          run.waitForVideoRequests(1);
                          // Long enough for the engine to save what it has.
                          std::this_thread::sleep_for(1300ms);
                          if (first > 0) {
                              kill(first, SIGKILL);
                              waitForChild(first);
                          }
                          run.platform.change([](auto& o) { o.stallAtByte = -1; });
                          return waitForChild(spawnChild(run));
                      }});
    return faults;
}

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
    std::fprintf(stderr, "faults: %-44s #%d %-10s %-16s %d requests\n", faultName, run.index + 1,
                 shownText(shown), verdict, run.platform.videoRequests());
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
        for (int index = 0; index < runsPerFault; ++index) {
            const SampleLecture& lecture = *picks[pick++ % picks.size()];
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
