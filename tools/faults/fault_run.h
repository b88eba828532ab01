// What one run of the fault table works with: the sample platform that
// misbehaves on demand (restartable on its port), the run's lecture and folder,
// the fault's steps, and the ways to download (in this process or a child).
//
// Used by the fault driver only (tools/faults, Linux). The platform holder is
// safe to use from the download's thread and the fault's thread at once.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "download/download_engine.h"
#include "tools/faults/queue_run.h"
#include "tools/sample-platform/sample_courses.h"
#include "tools/sample-platform/sample_platform.h"

namespace ld::faults {

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
    std::string note{};       // what the report adds about the run
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
    // Runs of this fault; 0: as many as the table gives every fault.
    int runs = 0;
    // The lecture of the run with this number; empty: the table's turn.
    std::function<const SampleLecture&(int index)> lecture{};
};

// The folder of this program (the engine library sits beside it).
std::filesystem::path ownFolder();

// The file's bytes, empty when it cannot be read.
std::string readFile(const std::string& path);

// The download of the run through the queue in this process.
Shown downloadHere(DownloadEngine& engine, Run& run);

// The same download in a child process of this program; -1 when it cannot start.
pid_t spawnChild(Run& run);

// What the child's exit status says the user saw.
Shown waitForChild(pid_t child);

}  // namespace ld::faults
