#include "engine/task.h"

#include <algorithm>
#include <limits>

#include "xldl/task_layout.h"

namespace ld::engine {
namespace {

// Values that change every chunk (bytes, speed) are published at most this often.
constexpr auto kPublishInterval = std::chrono::milliseconds(100);

}  // namespace

Task::Task(TaskRequest request, std::shared_ptr<StatusBox> status, EngineContext& context)
    : request_(std::move(request)),
      status_(std::move(status)),
      settings_(context.settings),
      target_(request_, context.claims, context.saver, *this),
      fetch_(request_, context, target_, *this, *this) {}

Task::~Task() {
    fetch_.dropTransfers();
    if (target_.isOpen()) {
        saveResumeData();
    }
    target_.close(true);
}

// ---- Commands ---------------------------------------------------------------------------

void Task::start(Clock::time_point now) {
    if (phase_ != Phase::Idle && phase_ != Phase::Paused) {
        return;
    }
    if (!prepared_) {
        if (!openTarget()) {
            update(now);
            return;
        }
        prepared_ = true;
        fetch_.loadOrReset(request_.resume);
    } else if (!target_.isOpen()) {
        // Resumed after a pause, which closed the files.
        bool sameFile = false;
        if (const int code = target_.reopen(sameFile); code != 0) {
            fail(code);
        } else if (!sameFile) {
            fetch_.loadOrReset(false);  // the data paused on is gone: start over
        }
    }
    if (phase_ == Phase::Failed) {
        update(now);
        return;
    }
    phase_ = Phase::Running;
    resumeDataSavedAt_ = now;  // the first record after a second of data
    fetch_.begin();
    update(now);
    publish(now, true);
}

void Task::pause() {
    const auto now = Clock::now();
    if (phase_ == Phase::Idle) {
        phase_ = Phase::Paused;
        publish(now, true);
        return;
    }
    if (phase_ != Phase::Running) {
        return;
    }
    fetch_.hold(now);
    phase_ = Phase::Paused;
    saveResumeData();
    target_.release();
    publish(now, true);
}

void Task::supersede() {
    fetch_.stop(Clock::now());
    if (target_.isOpen()) {
        saveResumeData();
    }
    target_.handOver();  // the claim now belongs to the newer task
    phase_ = Phase::Failed;
    failureCode_ = XLDL_FAIL_SUPERSEDED;
    publish(Clock::now(), true);
}

// ---- Target files -------------------------------------------------------------------------

bool Task::openTarget() {
    if (const int code = target_.open(); code != 0) {
        fail(code);
        return false;
    }
    return true;
}

void Task::saveResumeData() {
    if (!target_.saveResume(fetch_.resumeRecord())) {
        return;
    }
    fetch_.resumeRecordSaved();
    resumeDataSavedAt_ = Clock::now();
}

void Task::closeTarget(bool keepPartial) {
    if (keepPartial && target_.isOpen()) {
        saveResumeData();
    }
    target_.close(keepPartial);
}

// ---- Progress -------------------------------------------------------------------------------

std::size_t Task::onBody(Transfer& transfer, const char* data, std::size_t size) {
    if (transfer.settled()) {
        return 0;
    }
    if (phase_ != Phase::Running) {
        transfer.cancel();
        return 0;
    }
    return fetch_.write(transfer, data, size);
}

void Task::update(Clock::time_point now) {
    fetch_.settleEnded(now);
    if (phase_ == Phase::Running) {
        if (fetch_.complete()) {
            beginFinishing(now);
        } else {
            fetch_.launchMore(now);
        }
    }
    if (phase_ == Phase::Finishing && now >= finishAt_) {
        finish();
    }
    if (phase_ == Phase::Failed) {
        closeTarget(fetch_.doneBytes() > 0);
    }
    if (phase_ == Phase::Running && fetch_.resumeRecordStale() &&
        now - resumeDataSavedAt_ >= settings_.metadataInterval &&
        target_.saveResumeSoon(fetch_.resumeRecord())) {
        fetch_.resumeRecordSaved();
        resumeDataSavedAt_ = now;
    }
    fetch_.sampleSpeed(now);
    publish(now, false);
}

std::optional<Task::Clock::time_point> Task::nextWakeup() const {
    if (phase_ == Phase::Running) {
        return fetch_.retryAt();
    }
    if (phase_ == Phase::Finishing) {
        return finishAt_;
    }
    return std::nullopt;
}

void Task::fail(int code) {
    if (phase_ == Phase::Failed || phase_ == Phase::Finished) {
        return;
    }
    phase_ = Phase::Failed;
    failureCode_ = code;
    fetch_.cancelAll();
}

void Task::failInternal() noexcept {
    const bool alreadyOver = phase_ == Phase::Failed || phase_ == Phase::Finished;
    if (!alreadyOver) {
        phase_ = Phase::Failed;
        failureCode_ = XLDL_FAIL_INTERNAL;
    }
    try {
        fetch_.cancelAll();
        publish(Clock::now(), true);
    } catch (...) {
        if (!alreadyOver) {
            status_->markFailed(XLDL_FAIL_INTERNAL);
        }
    }
}

void Task::beginFinishing(Clock::time_point now) {
    // No record is saved here: the rename removes it anyway, and saving would flush the
    // whole last second of data first. A stop before the rename saves one.
    phase_ = Phase::Finishing;
    finishAt_ = now + settings_.finishHold;
}

void Task::finish() {
    const std::int64_t total = fetch_.total();
    if (target_.size() != total) {
        if (const int code = target_.truncate(total); code != 0) {
            fail(code);
            return;
        }
    }
    if (fetch_.doneBytes() != total || target_.size() != total) {
        fail(XLDL_FAIL_VERIFY);
        return;
    }
    if (const int code = target_.moveToFinalName(); code != 0) {
        // The data stays under its partial name; failing saves what is needed to resume it.
        fail(code);
        return;
    }
    phase_ = Phase::Finished;
}

void Task::publish(Clock::time_point now, bool force) {
    const int state = currentState();
    // Only a running task has figures that change on their own.
    const bool changing = phase_ == Phase::Running || phase_ == Phase::Finishing;
    if (!force && state == publishedState_ &&
        (!changing || now - publishedAt_ < kPublishInterval)) {
        return;
    }
    status_->publish(snapshot(now));
    publishedAt_ = now;
    publishedState_ = state;
}

int Task::currentState() const {
    switch (phase_) {
        case Phase::Idle:
            return XLDL_STATE_NONE;
        case Phase::Running:
            return fetch_.flowingConnections() > 0 ? XLDL_STATE_RUNNING : XLDL_STATE_SENDING;
        case Phase::Paused:
            return XLDL_STATE_PAUSED;
        case Phase::Finishing:
            return XLDL_STATE_FINISHING;
        case Phase::Finished:
            return XLDL_STATE_FINISHED;
        case Phase::Failed:
            return XLDL_STATE_FAILED;
    }
    return XLDL_STATE_NONE;
}

TaskSnapshot Task::snapshot(Clock::time_point now) const {
    TaskSnapshot s;
    s.state = currentState();
    s.failureCode = phase_ == Phase::Failed ? failureCode_ : 0;
    s.fileName = target_.finalName();
    s.totalBytes = std::max<std::int64_t>(fetch_.total(), 0);
    s.doneBytes = fetch_.doneBytes();
    if (s.totalBytes > 0) {
        s.progress = static_cast<float>(static_cast<double>(s.doneBytes) /
                                        static_cast<double>(s.totalBytes));
    } else if (phase_ == Phase::Finished) {
        s.progress = 1.0f;
    }
    if (phase_ == Phase::Running) {
        s.bytesPerSecond = static_cast<std::int32_t>(std::min<std::int64_t>(
            fetch_.bytesPerSecond(now), std::numeric_limits<std::int32_t>::max()));
        s.plannedConnections = fetch_.connectionLimit();
        s.activeConnections = fetch_.flowingConnections();
    }
    s.fileCreated = target_.created();
    return s;
}

}  // namespace ld::engine
