// Saves resume records on a thread of its own while data flows: each save first flushes the
// partial data file to the disk, then writes the record, so a record never claims bytes a
// power cut could take back, and the engine thread never waits for the disk meanwhile.
//
// Jobs are keyed by their target. The engine thread calls forget(key) before it touches that
// target's record or cuts its data itself: afterwards no job of the key writes a record any
// more. A job still flushing is left to finish its flush on its own handles (it writes
// nothing then); one already writing its record is waited for, which takes a small write.
// Thread-safe; the handles of a job are its own duplicates, closed when it ends. At the end
// nothing waits for a flush whose record will not be written: the thread is left to finish
// it on its own, holding its own share of the state (and the library stays loaded).
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/platform_file.h"

namespace ld::engine {

class RecordSaver {
  public:
    struct Job {
        const void* key = nullptr;  // the target it belongs to
        PlatformFolder folder;
        PlatformFile data;
        std::string name;  // the record's name in the folder
        std::string text;  // the record, claiming only bytes written before it was handed over
    };

    // Starts the thread; throws std::system_error when it cannot.
    RecordSaver();
    // Drops the jobs not yet started and ends the thread: at once when it is idle or only
    // flushing, after the record it is writing otherwise.
    ~RecordSaver();
    RecordSaver(const RecordSaver&) = delete;
    RecordSaver& operator=(const RecordSaver&) = delete;

    // Queues the job; it replaces a job of the same key that has not started yet.
    void submit(Job job);
    // From now on no job of `key` writes a record.
    void forget(const void* key);

  private:
    enum class Phase { Idle, Flushing, Writing };

    // What the thread shares with the owner; the thread keeps its share to the end.
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<Job> queue;
        const void* runningKey = nullptr;
        Phase phase = Phase::Idle;
        bool runningForgotten = false;
        bool stopping = false;
    };

    static void run(State& state);
    static void carryOut(State& state, Job& job);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace ld::engine
