#include "engine/record_saver.h"

#include <algorithm>

#include "engine/resume_metadata.h"

namespace ld::engine {

RecordSaver::RecordSaver() : thread_([this] { run(); }) {}

RecordSaver::~RecordSaver() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    thread_.join();
}

void RecordSaver::submit(Job job) {
    {
        const std::lock_guard lock(mutex_);
        const auto queued = std::find_if(queue_.begin(), queue_.end(),
                                         [&job](const Job& j) { return j.key == job.key; });
        if (queued != queue_.end()) {
            *queued = std::move(job);
        } else {
            queue_.push_back(std::move(job));
        }
    }
    changed_.notify_all();
}

void RecordSaver::forget(const void* key) {
    std::unique_lock lock(mutex_);
    std::erase_if(queue_, [key](const Job& j) { return j.key == key; });
    if (runningKey_ != key) {
        return;
    }
    runningForgotten_ = true;
    changed_.wait(lock, [this, key] { return runningKey_ != key || phase_ != Phase::Writing; });
}

void RecordSaver::run() {
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) {
            return;
        }
        Job job = std::move(queue_.front());
        queue_.pop_front();
        runningKey_ = job.key;
        runningForgotten_ = false;
        phase_ = Phase::Flushing;
        lock.unlock();
        carryOut(job);
        // The job's handles close here, outside the lock.
        job = Job();
        lock.lock();
        runningKey_ = nullptr;
        phase_ = Phase::Idle;
        changed_.notify_all();
    }
}

void RecordSaver::carryOut(Job& job) {
    try {
        const bool flushed = job.data.flush() == FileError::None;
        {
            const std::lock_guard lock(mutex_);
            if (!flushed || runningForgotten_) {
                return;
            }
            phase_ = Phase::Writing;
        }
        saveMetadataText(job.folder, job.name, job.text);
    } catch (...) {
        // Out of memory: this record is not written; the next save tries again.
    }
}

}  // namespace ld::engine
