#include "window/call_queue.h"

#include <utility>

namespace ld {

CallQueue::CallQueue(std::function<void()> wake) : wake_(std::move(wake)) {}

CallQueue::~CallQueue() {
    close();
}

bool CallQueue::runAndWait(std::function<void()> call) {
    std::unique_lock lock(mutex_);
    if (closed_) {
        return false;
    }
    auto entry = std::make_shared<Call>();
    entry->body = std::move(call);
    queue_.push_back(entry);
    ++callersInside_;
    if (wake_) {
        wake_();
    }
    changed_.notify_all();  // a thread waiting in runNextOrWait
    changed_.wait(lock, [&] { return entry->finished || entry->dropped; });
    --callersInside_;
    const bool ran = entry->finished;
    changed_.notify_all();  // close() may be waiting for the callers to leave
    return ran;
}

void CallQueue::call(const std::function<void()>& body) {
    if (onWindowThread()) {
        body();
    } else {
        runAndWait(body);
    }
}

bool CallQueue::runOne(std::unique_lock<std::mutex>& lock) {
    if (closed_ || queue_.empty()) {
        return false;
    }
    std::shared_ptr<Call> entry = std::move(queue_.front());
    queue_.pop_front();
    ++runningCalls_;
    lock.unlock();

    // Marks the call finished even if its body throws, so the caller is released.
    struct Finish {
        CallQueue& queue;
        std::unique_lock<std::mutex>& lock;
        Call& call;
        ~Finish() {
            lock.lock();
            --queue.runningCalls_;
            call.finished = true;
            queue.changed_.notify_all();
        }
    } finish{*this, lock, *entry};
    entry->body();
    return true;
}

void CallQueue::runPending() {
    std::unique_lock lock(mutex_);
    while (runOne(lock)) {
    }
}

bool CallQueue::runNextOrWait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return closed_ || !queue_.empty(); });
    if (closed_) {
        return false;
    }
    runOne(lock);
    return true;
}

void CallQueue::close() {
    std::unique_lock lock(mutex_);
    closed_ = true;
    for (const auto& entry : queue_) {
        entry->dropped = true;
    }
    queue_.clear();
    changed_.notify_all();
    // A caller whose call runs further up this thread's stack cannot leave
    // before we return; every other caller leaves promptly now.
    const std::size_t runningHere = onWindowThread() ? runningCalls_ : 0;
    changed_.wait(lock, [&] { return callersInside_ <= runningHere; });
}

bool CallQueue::closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

std::size_t CallQueue::waitingCallers() const {
    std::lock_guard lock(mutex_);
    return callersInside_;
}

}  // namespace ld
