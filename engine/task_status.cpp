#include "engine/task_status.h"

#include "xldl/task_layout.h"

namespace ld::engine {
namespace {

bool isFinal(std::int32_t state) {
    return state == XLDL_STATE_FAILED || state == XLDL_STATE_FINISHED ||
           state == XLDL_STATE_FINISHING;
}

}  // namespace

void StatusBox::publish(const TaskSnapshot& snapshot) {
    const std::lock_guard lock(mutex_);
    published_ = snapshot;
    // Once the engine thread shows the requested state (or a final one), the request is done.
    const bool settled = isFinal(snapshot.state) ||
                         (pending_ == Request::Run && (snapshot.state == XLDL_STATE_SENDING ||
                                                       snapshot.state == XLDL_STATE_RUNNING)) ||
                         (pending_ == Request::Pause && snapshot.state == XLDL_STATE_PAUSED);
    if (settled) {
        pending_ = Request::None;
    }
}

void StatusBox::markFailed(std::int32_t code) noexcept {
    const std::lock_guard lock(mutex_);
    published_.state = XLDL_STATE_FAILED;
    published_.failureCode = code;
    published_.bytesPerSecond = 0;
    published_.plannedConnections = 0;
    published_.activeConnections = 0;
    pending_ = Request::None;
}

void StatusBox::requestRun() {
    const std::lock_guard lock(mutex_);
    if (!isFinal(published_.state)) {
        pending_ = Request::Run;
    }
}

void StatusBox::requestPause() {
    const std::lock_guard lock(mutex_);
    if (!isFinal(published_.state)) {
        pending_ = Request::Pause;
    }
}

TaskSnapshot StatusBox::read() const {
    const std::lock_guard lock(mutex_);
    TaskSnapshot snapshot = published_;
    if (!isFinal(snapshot.state)) {
        if (pending_ == Request::Run &&
            (snapshot.state == XLDL_STATE_NONE || snapshot.state == XLDL_STATE_PAUSED)) {
            snapshot.state = XLDL_STATE_SENDING;
        } else if (pending_ == Request::Pause) {
            snapshot.state = XLDL_STATE_PAUSED;
            snapshot.bytesPerSecond = 0;
            snapshot.activeConnections = 0;
        }
    }
    return snapshot;
}

}  // namespace ld::engine
