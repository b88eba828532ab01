#include "engine/engine.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include "common/ascii.h"
#include "engine/library_pin.h"
#include "engine/target_name.h"
#include "engine/task.h"
#include "engine/thread_name.h"
#include "xldl/task_layout.h"

namespace ld::engine {
namespace {

// Longest sleep of the engine thread; speed and status are refreshed at least this often.
constexpr auto kLongestWait = std::chrono::milliseconds(250);

// Handles are unique for the whole process, also across XL_UnInit and XL_Init.
std::uint32_t nextHandle() {
    static std::atomic<std::uint32_t> counter{0};
    std::uint32_t handle = ++counter;
    while (handle == 0) {  // after wrapping around, 0 still means "no task"
        handle = ++counter;
    }
    return handle;
}

bool hasHttpScheme(const std::string& url) {
    return startsWithIgnoreCase(url, "http://") || startsWithIgnoreCase(url, "https://");
}

// The reason a request cannot be carried out at all, or 0.
int rejectionOf(const TaskRequest& request) {
    const bool controlCharacters = std::any_of(request.url.begin(), request.url.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (!hasHttpScheme(request.url) || controlCharacters) {
        return XLDL_FAIL_BAD_URL;
    }
    if (!isSafeFileName(request.fileName)) {
        return XLDL_FAIL_BAD_FILE_NAME;
    }
    return 0;
}

}  // namespace

Engine::Engine(Settings settings) : shared_(std::make_shared<Shared>(settings)) {
    if (shared_->multi.valid()) {
        CURLM* multi = shared_->multi.get();
        // Each transfer gets a connection of its own, also over HTTP/2: servers limit the
        // rate per connection, which is what several connections are for.
        curl_multi_setopt(multi, CURLMOPT_PIPELINING, CURLPIPE_NOTHING);
        // Idle connections kept for reuse: one per connection a download may use.
        curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, static_cast<long>(settings.maxConnections));
        thread_ = std::thread([shared = shared_] {
            nameThisThread("xldl-engine");
            run(*shared);
            const std::lock_guard lock(shared->mutex);
            shared->finished = true;
            shared->finishedChanged.notify_all();
        });
    }
}

Engine::~Engine() {
    if (!thread_.joinable()) {
        return;
    }
    std::unique_lock lock(shared_->mutex);
    shared_->quit = true;
    shared_->multi.wakeup();
    if (shared_->finishedChanged.wait_for(lock, kShutdownDeadline,
                                          [this] { return shared_->finished; })) {
        lock.unlock();
        thread_.join();
        return;
    }
    lock.unlock();
    // The thread holds its share of the state; the library's code must stay mapped for it.
    keepLibraryLoaded();
    thread_.detach();
}

std::uint32_t Engine::createTask(TaskRequest request) {
    const std::uint32_t handle = nextHandle();
    TaskSnapshot initial;
    initial.fileName = fitNameLength(request.fileName);
    const int rejection = rejectionOf(request);
    if (rejection != 0) {
        initial.state = XLDL_STATE_FAILED;
        initial.failureCode = rejection;
    }
    auto status = std::make_shared<StatusBox>(initial);
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->statuses.emplace(handle, status);
    }
    if (rejection == 0) {
        post({Command::Kind::Add, handle, std::move(status), std::move(request)});
    }
    return handle;
}

bool Engine::startTask(std::uint32_t handle) {
    const auto status = find(handle);
    if (!status) {
        return false;
    }
    status->requestRun();
    post({Command::Kind::Start, handle, nullptr, std::nullopt});
    return true;
}

bool Engine::stopTask(std::uint32_t handle) {
    const auto status = find(handle);
    if (!status) {
        return false;
    }
    status->requestPause();
    post({Command::Kind::Stop, handle, nullptr, std::nullopt});
    return true;
}

std::optional<TaskSnapshot> Engine::query(std::uint32_t handle) const {
    const auto status = find(handle);
    if (!status) {
        return std::nullopt;
    }
    return status->read();
}

std::shared_ptr<StatusBox> Engine::find(std::uint32_t handle) const {
    const std::lock_guard lock(shared_->mutex);
    const auto it = shared_->statuses.find(handle);
    return it == shared_->statuses.end() ? nullptr : it->second;
}

void Engine::post(Command command) {
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->commands.push_back(std::move(command));
    }
    shared_->multi.wakeup();
}

void Engine::run(Shared& shared) {
    TargetClaims claims;
    EngineContext context{shared.multi, shared.settings, claims, shared.saver};
    TaskMap tasks;
    while (true) {
        std::vector<Command> commands;
        {
            const std::lock_guard lock(shared.mutex);
            if (shared.quit) {
                break;
            }
            commands.swap(shared.commands);
        }
        try {
            runOnce(shared, commands, context, tasks);
        } catch (...) {
            // Not to be traced to one task: every task fails, the engine carries on.
            for (auto& [handle, task] : tasks) {
                task->failInternal();
            }
            for (Command& command : commands) {
                if (command.status) {
                    command.status->markFailed(XLDL_FAIL_INTERNAL);
                }
            }
            shared.multi.poll(std::chrono::ceil<std::chrono::milliseconds>(kLongestWait));
        }
    }
    // Tasks go first: each removes its transfers from the multi handle and saves what is
    // needed to resume.
    tasks.clear();
}

void Engine::runOnce(Shared& shared, std::vector<Command>& commands, EngineContext& context,
                     TaskMap& tasks) {
    using Clock = std::chrono::steady_clock;
    for (Command& command : commands) {
        const auto it = tasks.find(command.handle);
        try {
            switch (command.kind) {
                case Command::Kind::Add:
                    tasks.emplace(command.handle,
                                  std::make_unique<Task>(std::move(*command.request),
                                                         command.status, context));
                    break;
                case Command::Kind::Start:
                    if (it != tasks.end()) {
                        it->second->start(Clock::now());
                    }
                    break;
                case Command::Kind::Stop:
                    if (it != tasks.end()) {
                        it->second->pause();
                    }
                    break;
            }
        } catch (...) {
            if (it != tasks.end()) {
                it->second->failInternal();
            } else if (command.status) {
                command.status->markFailed(XLDL_FAIL_INTERNAL);
            }
        }
    }
    commands.clear();

    shared.multi.perform();
    while (CURLMsg* message = shared.multi.nextMessage()) {
        if (message->msg != CURLMSG_DONE) {
            continue;
        }
        void* owner = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
        if (owner != nullptr) {
            static_cast<Transfer*>(owner)->finish(message->data.result);
        }
    }

    const auto now = Clock::now();
    auto wait = std::chrono::duration_cast<Clock::duration>(kLongestWait);
    for (auto& [handle, task] : tasks) {
        try {
            task->update(now);
            if (const auto wakeup = task->nextWakeup()) {
                wait = std::clamp<Clock::duration>(*wakeup - now, Clock::duration::zero(), wait);
            }
        } catch (...) {
            task->failInternal();
        }
    }
    shared.multi.poll(std::chrono::ceil<std::chrono::milliseconds>(wait));
}

}  // namespace ld::engine
