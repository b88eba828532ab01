// How the course workers reach the window. Workers are never waited for, so
// one may still run when the window is destroyed; it must then stop touching
// the window instead of calling into freed memory. The link is shared by the
// workers and cut when the course handlers are destroyed with the window
// (after the window has released its waiting callers): from then on every use
// is refused and the worker ends.
#pragma once

#include <functional>
#include <mutex>
#include <shared_mutex>

#include "window/controls.h"

namespace ld {

class WindowLink {
  public:
    explicit WindowLink(Controls& controls) : controls_(&controls) {}
    WindowLink(const WindowLink&) = delete;
    WindowLink& operator=(const WindowLink&) = delete;

    // Runs body with the window's controls; false (without running it) once
    // the link is cut. Worker threads only: a handler on the window's thread
    // uses its Controls directly, or it could wait for a worker that waits
    // for the window's thread.
    bool use(const std::function<void(Controls&)>& body) {
        const std::shared_lock lock(mutex_);
        if (controls_ == nullptr) {
            return false;
        }
        body(*controls_);
        return true;
    }

    // Refuses every later use; waits for the uses in progress to return.
    void cut() {
        const std::unique_lock lock(mutex_);
        controls_ = nullptr;
    }

  private:
    std::shared_mutex mutex_;
    Controls* controls_;
};

}  // namespace ld
