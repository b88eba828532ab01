// Which task writes which target, so two tasks never share a partial file. Engine thread
// only.
#pragma once

#include <map>
#include <string>

namespace ld::engine {

class Task;

class TargetClaims {
  public:
    // Records `task` as the writer of `key` and returns the task that held it before, if any.
    Task* claim(const std::string& key, Task& task) {
        Task*& holder = holders_[key];
        Task* previous = holder == &task ? nullptr : holder;
        holder = &task;
        return previous;
    }
    bool heldByOther(const std::string& key, const Task& task) const {
        const auto it = holders_.find(key);
        return it != holders_.end() && it->second != &task;
    }
    void release(const std::string& key, const Task& task) {
        const auto it = holders_.find(key);
        if (it != holders_.end() && it->second == &task) {
            holders_.erase(it);
        }
    }

  private:
    std::map<std::string, Task*> holders_;
};

}  // namespace ld::engine
