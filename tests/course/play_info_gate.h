// Holds the sample platform's play-info answers back until the test lets each
// one through, and counts how many requests are held at once. Installed as
// the platform's beforePlayInfoAnswer hook; the hook runs on the platform's
// serving threads, everything else on the test's thread.
//
// Every wait gives up after a minute (a safety net against a hanging test, not
// a measurement); the destructor lets everything through.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tools/sample-platform/sample_platform.h"

namespace ld::test {

class PlayInfoGate {
  public:
    PlayInfoGate() = default;
    PlayInfoGate(const PlayInfoGate&) = delete;
    PlayInfoGate& operator=(const PlayInfoGate&) = delete;
    ~PlayInfoGate() { openAll(); }

    // Options that send every play-info answer through `gate`.
    static sample::SamplePlatformOptions holding(const std::shared_ptr<PlayInfoGate>& gate) {
        sample::SamplePlatformOptions options;
        options.beforePlayInfoAnswer = [gate](const std::string& videoId) { gate->pass(videoId); };
        return options;
    }

    // On a serving thread: waits until this request is let through.
    void pass(const std::string& videoId) {
        std::unique_lock lock(mutex_);
        const std::size_t number = arrivals_.size();
        arrivals_.push_back({videoId, false});
        ++held_;
        peak_ = std::max(peak_, held_);
        changed_.notify_all();
        changed_.wait_for(lock, kSafetyNet, [&] { return open_ || arrivals_[number].released; });
        --held_;
        changed_.notify_all();
    }

    // Waits until `count` requests have arrived in all; false if they did not.
    bool waitForArrivals(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kSafetyNet, [&] { return arrivals_.size() >= count; });
    }
    // Waits until at least `count` requests are held at once.
    bool waitForHeld(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kSafetyNet, [&] { return held_ >= count; });
    }

    // Lets the request that arrived as number `arrival` (from 0) through.
    void release(std::size_t arrival) {
        const std::lock_guard lock(mutex_);
        arrivals_.at(arrival).released = true;
        changed_.notify_all();
    }
    // Lets the latest arrival not yet let through go; its video identifier.
    std::string releaseNewest() {
        const std::lock_guard lock(mutex_);
        for (auto it = arrivals_.rbegin(); it != arrivals_.rend(); ++it) {
            if (!it->released) {
                it->released = true;
                changed_.notify_all();
                return it->videoId;
            }
        }
        return {};
    }
    // Lets everything through, now and later.
    void openAll() {
        const std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

    // Video identifiers in order of arrival.
    [[nodiscard]] std::vector<std::string> arrivals() const {
        const std::lock_guard lock(mutex_);
        std::vector<std::string> ids;
        for (const Arrival& arrival : arrivals_) {
            ids.push_back(arrival.videoId);
        }
        return ids;
    }
    // The most requests ever held at once.
    [[nodiscard]] int peak() const {
        const std::lock_guard lock(mutex_);
        return peak_;
    }

  private:
    struct Arrival {
        std::string videoId;
        bool released = false;
    };
    static constexpr std::chrono::minutes kSafetyNet{1};

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Arrival> arrivals_;
    int held_ = 0;
    int peak_ = 0;
    bool open_ = false;
};

}  // namespace ld::test
