#include "engine/record_saver.h"

#include <algorithm>

#include "engine/library_pin.h"
#include "engine/resume_metadata.h"
#include "engine/thread_name.h"

namespace ld::engine {

RecordSaver::RecordSaver()
    : state_(std::make_shared<State>()), thread_([state = state_] {
          nameThisThread("xldl-saver");
          run(*state);
      }) {}

RecordSaver::~RecordSaver() {
    std::unique_lock lock(state_->mutex);
    state_->stopping = true;
    state_->queue.clear();
    state_->runningForgotten = true;  // every target has let go by now
    state_->changed.notify_all();
    state_->changed.wait(lock, [this] { return state_->phase != Phase::Writing; });
    const bool flushing = state_->phase == Phase::Flushing;
    lock.unlock();
    if (flushing) {
        // A flush of data no record will claim: the thread ends when it returns.
        keepLibraryLoaded();
        thread_.detach();
    } else {
        thread_.join();
    }
}

void RecordSaver::submit(Job job) {
    {
        const std::lock_guard lock(state_->mutex);
        auto& queue = state_->queue;
        const auto queued = std::find_if(queue.begin(), queue.end(),
                                         [&job](const Job& j) { return j.key == job.key; });
        if (queued != queue.end()) {
            *queued = std::move(job);
        } else {
            queue.push_back(std::move(job));
        }
    }
    state_->changed.notify_all();
}

void RecordSaver::forget(const void* key) {
    State& state = *state_;
    std::unique_lock lock(state.mutex);
    std::erase_if(state.queue, [key](const Job& j) { return j.key == key; });
    if (state.runningKey != key) {
        return;
    }
    state.runningForgotten = true;
    state.changed.wait(
        lock, [&state, key] { return state.runningKey != key || state.phase != Phase::Writing; });
}

void RecordSaver::run(State& state) {
    std::unique_lock lock(state.mutex);
    while (true) {
        state.changed.wait(lock, [&state] { return state.stopping || !state.queue.empty(); });
        if (state.stopping) {
            return;
        }
        Job job = std::move(state.queue.front());
        state.queue.pop_front();
        state.runningKey = job.key;
        state.runningForgotten = false;
        state.phase = Phase::Flushing;
        lock.unlock();
        carryOut(state, job);
        // The job's handles close here, outside the lock.
        job = Job();
        lock.lock();
        state.runningKey = nullptr;
        state.phase = Phase::Idle;
        state.changed.notify_all();
    }
}

void RecordSaver::carryOut(State& state, Job& job) {
    try {
        const bool flushed = job.data.flush() == FileError::None;
        {
            const std::lock_guard lock(state.mutex);
            if (!flushed || state.runningForgotten) {
                return;
            }
            state.phase = Phase::Writing;
        }
        saveMetadataText(job.folder, job.name, job.text);
    } catch (...) {
        // Out of memory: this record is not written; the next save tries again.
    }
}

}  // namespace ld::engine
