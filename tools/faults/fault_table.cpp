#include "tools/faults/fault_table.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tools/faults/kill_faults.h"

namespace ld::faults {
namespace {

namespace fs = std::filesystem;

// Faults of the network and the server: resets, restarts, error bursts,
// ranges ignored, a file that changes.
void addServerFaults(std::vector<Fault>& faults) {
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
}

// Faults on this side: a stalled connection, a full disk, a folder that
// cannot be written.
void addLocalFaults(std::vector<Fault>& faults) {
    auto none = [](Run&) {};

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
}

}  // namespace

std::vector<Fault> allFaults() {
    std::vector<Fault> faults;
    addServerFaults(faults);
    addLocalFaults(faults);
    addKillFaults(faults);
    return faults;
}

}  // namespace ld::faults
