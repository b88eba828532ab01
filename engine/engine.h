// The engine: one thread driving a libcurl multi handle for every task, fed by a command
// queue. All public members may be called from any thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/create_record.h"
#include "engine/curl_handles.h"
#include "engine/settings.h"
#include "engine/task.h"
#include "engine/task_status.h"

namespace ld::engine {

class Engine {
  public:
    explicit Engine(Settings settings);
    // Stops every transfer (partial data is kept for a resume) and joins the thread.
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

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

    std::shared_ptr<StatusBox> find(std::uint32_t handle) const;
    void post(Command command);
    // The engine thread. No exception leaves it: one thrown while working on a task fails
    // that task with XLDL_FAIL_INTERNAL, any other fails every task; the thread carries on.
    void run();
    // One round: the queued commands, the multi handle, every task's update, then a wait.
    void runOnce(std::vector<Command>& commands, EngineContext& context, TaskMap& tasks);

    const Settings settings_;
    MultiHandle multi_;
    mutable std::mutex mutex_;
    std::map<std::uint32_t, std::shared_ptr<StatusBox>> statuses_;
    std::vector<Command> commands_;
    bool quit_ = false;
    std::thread thread_;
};

}  // namespace ld::engine
