// Saves resume records on a thread of its own while data flows: each save first flushes the
// partial data file to the disk, then writes the record, so a record never claims bytes a
// power cut could take back, and the engine thread never waits for the disk meanwhile.
//
// Jobs are keyed by their target. The engine thread calls forget(key) before it touches that
// target's record or cuts its data itself: afterwards no job of the key writes a record any
// more. A job still flushing is left to finish its flush on its own handles (it writes
// nothing then); one already writing its record is waited for, which takes a small write.
// Thread-safe; the handles of a job are its own duplicates, closed when it ends.
#pragma once

#include <condition_variable>
#include <deque>
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
    // Drops the jobs not yet started, waits for the one running and ends the thread.
    ~RecordSaver();
    RecordSaver(const RecordSaver&) = delete;
    RecordSaver& operator=(const RecordSaver&) = delete;

    // Queues the job; it replaces a job of the same key that has not started yet.
    void submit(Job job);
    // From now on no job of `key` writes a record.
    void forget(const void* key);

  private:
    enum class Phase { Idle, Flushing, Writing };

    void run();
    void carryOut(Job& job);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    const void* runningKey_ = nullptr;
    Phase phase_ = Phase::Idle;
    bool runningForgotten_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace ld::engine
