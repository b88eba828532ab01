// The engine: one thread driving a libcurl multi handle for every task, fed by a command
// queue. All public members may be called from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/create_record.h"
#include "engine/curl_handles.h"
#include "engine/record_saver.h"
#include "engine/settings.h"
#include "engine/task.h"
#include "engine/task_status.h"

namespace ld::engine {

class Engine {
  public:
    explicit Engine(Settings settings);
    // Stops every transfer (partial data is kept for a resume) and waits for the thread, but
    // never longer than kShutdownDeadline: a thread stuck in a system call (a hung network
    // file system, a flush that never returns) is then left to run on its own until the
    // process ends, with everything it uses (see Shared), and the library stays loaded.
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    static constexpr std::chrono::seconds kShutdownDeadline{3};

    // False when libcurl could not be set up or the thread could not start.
    bool running() const { return thread_.joinable(); }

    // Registers a task and returns its handle. A request that cannot be carried out (bad
    // URL or file name) still gets a handle, in the failed state, so the caller learns why.
    std::uint32_t createTask(TaskRequest request);
    bool startTask(std::uint32_t handle);
    bool stopTask(std::uint32_t handle);
    std::optional<TaskSnapshot> query(std::uint32_t handle) const;

  private:
    struct Command {
        enum class Kind { Add, Start, Stop };
        Kind kind;
        std::uint32_t handle;
        std::shared_ptr<StatusBox> status;
        std::optional<TaskRequest> request;
    };

    using TaskMap = std::map<std::uint32_t, std::unique_ptr<Task>>;

    // What the API side and the engine thread share. The thread holds it too, so a thread
    // left behind by the destructor never touches freed memory.
    struct Shared {
        explicit Shared(Settings s) : settings(s) {}
        const Settings settings;
        MultiHandle multi;
        RecordSaver saver;
        mutable std::mutex mutex;
        std::map<std::uint32_t, std::shared_ptr<StatusBox>> statuses;
        std::vector<Command> commands;
        bool quit = false;
        bool finished = false;  // the thread has let go of every task
        std::condition_variable finishedChanged;
    };

    std::shared_ptr<StatusBox> find(std::uint32_t handle) const;
    void post(Command command);
    // The engine thread. No exception leaves it: one thrown while working on a task fails
    // that task with XLDL_FAIL_INTERNAL, any other fails every task; the thread carries on.
    static void run(Shared& shared);
    // One round: the queued commands, the multi handle, every task's update, then a wait.
    static void runOnce(Shared& shared, std::vector<Command>& commands, EngineContext& context,
                        TaskMap& tasks);

    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace ld::engine
