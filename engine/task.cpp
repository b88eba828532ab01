#include "engine/task.h"

#include <algorithm>
#include <limits>

#include "xldl/task_layout.h"

namespace ld::engine {
namespace {

// The highest " (n)" tried when looking for a free name.
constexpr int kMaxNameNumber = 9999;
// Values that change every chunk (bytes, speed) are published at most this often.
constexpr auto kPublishInterval = std::chrono::milliseconds(100);

// The 失败代码 for a failed file operation.
int failureFor(FileError error) {
    switch (error) {
        case FileError::DiskFull:
            return XLDL_FAIL_DISK_FULL;
        case FileError::AccessDenied:
        case FileError::NotFound:
        case FileError::InvalidPath:
            return XLDL_FAIL_FOLDER;
        case FileError::None:
        case FileError::AlreadyExists:
        case FileError::Other:
            break;
    }
    return XLDL_FAIL_FILE_IO;
}

}  // namespace

Task::Task(TaskRequest request, std::shared_ptr<StatusBox> status, EngineContext& context)
    : request_(std::move(request)),
      status_(std::move(status)),
      context_(context),
      settings_(context.settings),
      finalName_(fitNameLength(request_.fileName)),
      serverConnectionLimit_(context.settings.maxConnections),
      retry_(context.settings) {}

Task::~Task() {
    transfers_.clear();
    if (file_.isOpen()) {
        saveResumeData();
        file_.close();
    }
    if (!claimedKey_.empty()) {
        context_.claims.release(claimedKey_, *this);
    }
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
        loadOrResetProgress();
        if (phase_ == Phase::Failed) {
            update(now);
            return;
        }
    }
    phase_ = Phase::Running;
    retry_.clear();
    speed_.reset();
    // A connection held open by pause() (a server without ranges) carries on; anything
    // else starts with one request whose answer is checked before more connections open.
    confirmed_ = false;
    for (const auto& transfer : transfers_) {
        if (transfer->paused()) {
            confirmed_ = true;
            transfer->unpause();
        }
    }
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
    removeEndedTransfers(now);
    // With ranges the transfer is dropped and later resumed with a Range request; without
    // them the connection is held so no data is lost.
    for (const auto& transfer : transfers_) {
        if (transfer->flowing && rangesRefused_ &&
            transfer->verdict.kind == TransferVerdict::Kind::None) {
            transfer->pause();
        } else if (transfer->verdict.kind == TransferVerdict::Kind::None) {
            transfer->verdict.kind = TransferVerdict::Kind::Cancelled;
        }
    }
    removeEndedTransfers(now);
    retry_.clear();
    speed_.reset();
    phase_ = Phase::Paused;
    saveResumeData();
    publish(now, true);
}

void Task::supersede() {
    cancelAll();
    removeEndedTransfers(Clock::now());
    if (file_.isOpen()) {
        saveResumeData();
        file_.close();
    }
    claimedKey_.clear();  // the claim now belongs to the newer task
    phase_ = Phase::Failed;
    failureCode_ = XLDL_FAIL_SUPERSEDED;
    publish(Clock::now(), true);
}

// ---- Target files -------------------------------------------------------------------------

bool Task::openTarget() {
    FileError error = FileError::None;
    folder_ = PlatformFolder::open(pathFromUtf8(folderPathFrom(request_.folder)), error);
    if (!folder_.valid()) {
        fail(XLDL_FAIL_FOLDER);
        return false;
    }
    const std::string identity = folder_.identity();
    if (identity.empty()) {
        fail(XLDL_FAIL_FOLDER);
        return false;
    }
    folderKey_ = identity + '/';
    finalName_ = chooseFinalName();
    claimedKey_ = claimKey(finalName_);
    if (Task* previous = context_.claims.claim(claimedKey_, *this)) {
        previous->supersede();
    }
    partialNames_ = partialNamesFor(finalName_);
    if (const FileError openError =
            file_.open(folder_, partialNames_.data, PlatformFile::Mode::ReadWrite);
        openError != FileError::None) {
        fail(failureFor(openError));
        return false;
    }
    fileCreated_ = true;
    return true;
}

std::string Task::claimKey(const std::string& name) const {
    return folderKey_ + name;
}

std::string Task::chooseFinalName() const {
    const std::string wanted = fitNameLength(request_.fileName);
    if (request_.noRenaming) {
        return wanted;
    }
    std::string candidate = wanted;
    for (int n = 1;
         n <= kMaxNameNumber &&
         (folder_.contains(candidate) || context_.claims.heldByOther(claimKey(candidate), *this));
         ++n) {
        candidate = numberedName(wanted, n);
    }
    return candidate;
}

void Task::loadOrResetProgress() {
    planner_.reset(-1);
    remote_ = {};
    if (request_.resume) {
        if (auto saved = loadMetadata(folder_, partialNames_.metadata)) {
            if (planner_.restore(saved->segments, saved->remote.total, file_.size())) {
                remote_ = saved->remote;
                return;
            }
        }
    }
    removeMetadata(folder_, partialNames_.metadata);
    if (const FileError error = file_.truncate(0); error != FileError::None) {
        fail(failureFor(error));
    }
}

void Task::saveResumeData() {
    if (!folder_.valid() || partialNames_.metadata.empty()) {
        return;
    }
    saveMetadata(folder_, partialNames_.metadata,
                 ResumeMetadata{request_.url, remote_, planner_.orderedSegments()});
    resumeDataDirty_ = false;
    resumeDataSavedAt_ = Clock::now();
}

void Task::closeTarget(bool keepPartial) {
    if (file_.isOpen()) {
        file_.close();
        if (keepPartial) {
            saveResumeData();
        } else {
            folder_.remove(partialNames_.data);
            removeMetadata(folder_, partialNames_.metadata);
        }
    }
    if (!claimedKey_.empty()) {
        context_.claims.release(claimedKey_, *this);
        claimedKey_.clear();
    }
}

// ---- Answers ------------------------------------------------------------------------------

std::size_t Task::onBody(Transfer& transfer, const char* data, std::size_t size) {
    using Kind = TransferVerdict::Kind;
    transfer.stall.add(static_cast<std::int64_t>(size));
    if (transfer.verdict.kind != Kind::None) {
        return 0;
    }
    if (phase_ != Phase::Running) {
        transfer.verdict.kind = Kind::Cancelled;
        return 0;
    }
    if (!transfer.judged) {
        judge(transfer);
        if (transfer.verdict.kind != Kind::None) {
            return 0;
        }
    }
    if (transfer.segment() == kNoSegment) {
        transfer.verdict.kind = Kind::Cancelled;
        return 0;
    }
    const Segment& segment = planner_.at(transfer.segment());
    std::size_t take = size;
    if (segment.end != Segment::kUnknownEnd) {
        take = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(size), segment.end - segment.pos));
    }
    if (take > 0) {
        if (const FileError error = file_.writeAt(segment.pos, data, take);
            error != FileError::None) {
            transfer.verdict = {Kind::Fatal, failureFor(error), {}};
            return 0;
        }
        planner_.advance(transfer.segment(), static_cast<std::int64_t>(take));
        speed_.add(static_cast<std::int64_t>(take));
        retry_.noteProgress();
        resumeDataDirty_ = true;
    }
    if (take < size) {
        transfer.verdict.kind = Kind::ReachedEnd;
    }
    return take;
}

void Task::judge(Transfer& transfer) {
    transfer.judged = true;
    const long status = transfer.status();
    if (status == 206) {
        acceptPartialAnswer(transfer);
    } else if (status >= 200 && status < 300) {
        acceptWholeAnswer(transfer);
    } else if (status == 416) {
        judgeUnsatisfiable(transfer);
    } else {
        const FailureClass failure = classifyHttpStatus(status);
        const auto retryAfter =
            parseRetryAfter(transfer.headers().retryAfter(), std::chrono::system_clock::now());
        transfer.verdict = {
            failure.transient ? TransferVerdict::Kind::Transient : TransferVerdict::Kind::Fatal,
            failure.code, retryAfter.value_or(std::chrono::milliseconds(0))};
    }
}

void Task::acceptPartialAnswer(Transfer& transfer) {
    const auto& range = transfer.headers().contentRange();
    const RemoteIdentity answer{range ? range->total : -1, transfer.headers().etag(),
                                transfer.headers().lastModified()};
    if (!range || range->first != transfer.from() || transfer.segment() == kNoSegment) {
        // Not the range asked for: ranges from this server cannot be trusted.
        rangesRefused_ = true;
        restartFromZero(Clock::now());
        return;
    }
    if (remote_.conflictsWith(answer)) {
        // The file changed on the server: what is on disk belongs to the old one.
        restartFromZero(Clock::now());
        return;
    }
    if (answer.total >= 0 && !useLength(answer.total)) {
        transfer.verdict.kind = TransferVerdict::Kind::Cancelled;
        return;
    }
    if (remote_.total < 0) {
        remote_.total = answer.total;
    }
    if (remote_.etag.empty()) {
        remote_.etag = answer.etag;
    }
    if (remote_.lastModified.empty()) {
        remote_.lastModified = answer.lastModified;
    }
    transfer.flowing = true;
    confirmed_ = true;
    resumeDataDirty_ = true;
}

void Task::acceptWholeAnswer(Transfer& transfer) {
    // The answer carries the file from its first byte: start the file over with it.
    for (const auto& other : transfers_) {
        if (other.get() != &transfer && other->verdict.kind == TransferVerdict::Kind::None) {
            other->verdict.kind = TransferVerdict::Kind::Cancelled;
        }
    }
    planner_.reset(-1, transfer.id());
    transfer.moveToSegment(0);
    if (const FileError error = file_.truncate(0); error != FileError::None) {
        fail(failureFor(error));
        return;
    }
    remote_ = RemoteIdentity{transfer.contentLength(), transfer.headers().etag(),
                             transfer.headers().lastModified()};
    if (transfer.sentRange()) {
        rangesRefused_ = true;
    }
    if (remote_.total >= 0 && !useLength(remote_.total)) {
        transfer.verdict.kind = TransferVerdict::Kind::Cancelled;
        return;
    }
    transfer.flowing = true;
    confirmed_ = true;
    resumeDataDirty_ = true;
}

void Task::judgeUnsatisfiable(Transfer& transfer) {
    const auto& range = transfer.headers().contentRange();
    const std::int64_t serverTotal = range ? range->total : -1;
    const bool singleOpenRange = planner_.total() < 0 && planner_.segments().size() == 1;
    if (planner_.complete() && (serverTotal < 0 || serverTotal == planner_.total())) {
        // Everything is on disk already; the server just has nothing after it.
        transfer.verdict.kind = TransferVerdict::Kind::Complete416;
    } else if (singleOpenRange && serverTotal >= 0 && serverTotal == planner_.doneBytes() &&
               transfer.from() == serverTotal) {
        planner_.closeAtCurrentPosition();
        remote_.total = serverTotal;
        transfer.verdict.kind = TransferVerdict::Kind::Complete416;
    } else {
        restartFromZero(Clock::now());
    }
}

bool Task::useLength(std::int64_t total) {
    if (planner_.total() >= 0) {
        return planner_.total() == total;
    }
    if (!planner_.setTotal(total)) {
        restartFromZero(Clock::now());
        return false;
    }
    if (const FileError error = file_.preallocate(total); error != FileError::None) {
        fail(failureFor(error));
        return false;
    }
    return true;
}

void Task::restartFromZero(Clock::time_point now) {
    cancelAll();
    planner_.reset(-1);
    remote_ = {};
    confirmed_ = false;
    resumeDataDirty_ = true;
    if (const FileError error = file_.truncate(0); error != FileError::None) {
        fail(failureFor(error));
        return;
    }
    if (retry_.noteImmediateRetry(now) == RetryState::Outcome::GiveUp) {
        fail(XLDL_FAIL_PROTOCOL);
    }
}

// ---- Ended transfers -------------------------------------------------------------------------

void Task::settle(Transfer& transfer, Clock::time_point now) {
    using Kind = TransferVerdict::Kind;
    if (transfer.verdict.kind == Kind::None) {
        settleByResult(transfer, now);
        if (transfer.verdict.kind == Kind::None) {
            return;
        }
    }
    switch (transfer.verdict.kind) {
        case Kind::Transient:
            retryLater(transfer, transfer.verdict.code, transfer.verdict.retryAfter, now);
            break;
        case Kind::Fatal:
            fail(transfer.verdict.code);
            break;
        case Kind::Complete416:
            confirmed_ = true;
            break;
        case Kind::None:
        case Kind::ReachedEnd:
        case Kind::Cancelled:
            break;
    }
}

void Task::settleByResult(Transfer& transfer, Clock::time_point now) {
    const CURLcode result = *transfer.result;
    if (result == CURLE_OK && !transfer.judged) {
        judge(transfer);  // an answer without a body
        if (transfer.verdict.kind != TransferVerdict::Kind::None) {
            return;
        }
    }
    if (result == CURLE_OK) {
        if (transfer.segment() == kNoSegment) {
            retryLater(transfer, XLDL_FAIL_PROTOCOL, {}, now);
            return;
        }
        const Segment& segment = planner_.at(transfer.segment());
        if (segment.end == Segment::kUnknownEnd) {
            planner_.closeAtCurrentPosition();  // the answer had no length: it ends here
            remote_.total = planner_.total();
            resumeDataDirty_ = true;
        } else if (!segment.finished()) {
            retryLater(transfer, XLDL_FAIL_NETWORK, {}, now);  // shorter than announced
        }
        return;
    }
    const FailureClass failure = classifyCurlResult(result);
    if (failure.transient) {
        retryLater(transfer, failure.code, {}, now);
    } else {
        fail(failure.code);
    }
}

void Task::retryLater(Transfer& transfer, int code, std::chrono::milliseconds retryAfter,
                      Clock::time_point now) {
    planner_.release(transfer.id());
    const bool othersFlowing =
        std::any_of(transfers_.begin(), transfers_.end(), [&](const auto& t) {
            return t.get() != &transfer && t->flowing &&
                   t->verdict.kind == TransferVerdict::Kind::None;
        });
    if ((code == 429 || code == 503) && othersFlowing) {
        // The server turns away extra connections: carry on with those it serves.
        const auto flowing = std::count_if(transfers_.begin(), transfers_.end(), [](const auto& t) {
            return t->flowing && t->verdict.kind == TransferVerdict::Kind::None;
        });
        serverConnectionLimit_ = std::max(1, static_cast<int>(flowing));
        return;
    }
    if (retry_.noteFailure(now, retryAfter) == RetryState::Outcome::GiveUp) {
        fail(code);
    }
}

void Task::removeEndedTransfers(Clock::time_point now) {
    using Kind = TransferVerdict::Kind;
    // Settle first (settling one may cancel others), then drop every ended transfer.
    for (std::size_t i = 0; i < transfers_.size(); ++i) {
        Transfer& transfer = *transfers_[i];
        const bool ended = transfer.result.has_value() || transfer.verdict.kind != Kind::None;
        if (ended && transfer.verdict.kind != Kind::Cancelled) {
            settle(transfer, now);
        }
    }
    std::erase_if(transfers_, [this](const std::unique_ptr<Transfer>& transfer) {
        if (!transfer->result && transfer->verdict.kind == Kind::None) {
            return false;
        }
        planner_.release(transfer->id());
        return true;
    });
}

void Task::cancelAll() {
    for (const auto& transfer : transfers_) {
        if (transfer->verdict.kind == TransferVerdict::Kind::None) {
            transfer->verdict.kind = TransferVerdict::Kind::Cancelled;
        }
    }
}

// ---- New transfers -------------------------------------------------------------------------

int Task::connectionLimit() const {
    if (!confirmed_ || rangesRefused_ || planner_.total() < settings_.segmentThreshold) {
        return 1;
    }
    return std::max(1, std::min(settings_.maxConnections, serverConnectionLimit_));
}

void Task::launchTransfers() {
    if (planner_.complete()) {
        // Saved data claims to be complete: ask for what follows it, which a server that
        // still has the same file answers with 416.
        if (transfers_.empty() && !confirmed_) {
            launch(kNoSegment, planner_.total(), -1, context_.nextTransferId++);
        }
        return;
    }
    const int limit = connectionLimit();
    while (static_cast<int>(transfers_.size()) < limit && (confirmed_ || transfers_.empty())) {
        const int id = context_.nextTransferId++;
        auto segment = planner_.takeUnowned(id);
        if (!segment && limit > 1) {
            segment = planner_.splitLargest(id, settings_.minimumPiece);
        }
        if (!segment) {
            break;
        }
        const Segment& s = planner_.at(*segment);
        if (!launch(*segment, s.pos, s.end == Segment::kUnknownEnd ? -1 : s.end - 1, id)) {
            break;
        }
    }
}

bool Task::launch(std::size_t segment, std::int64_t from, std::int64_t to, int id) {
    const TransferRequest request{request_.url,
                                  request_.referrer,
                                  request_.cookies,
                                  from,
                                  to,
                                  !(from == 0 && rangesRefused_)};
    auto transfer =
        std::make_unique<Transfer>(id, segment, request, settings_, *this, context_.multi);
    if (!transfer->valid()) {
        planner_.release(id);
        fail(XLDL_FAIL_INTERNAL);
        return false;
    }
    transfers_.push_back(std::move(transfer));
    return true;
}

// ---- Progress -------------------------------------------------------------------------------

void Task::update(Clock::time_point now) {
    for (const auto& transfer : transfers_) {
        if (transfer->verdict.kind == TransferVerdict::Kind::None && !transfer->result &&
            !transfer->paused() && transfer->stall.stalled(now)) {
            transfer->verdict = {TransferVerdict::Kind::Transient, XLDL_FAIL_TIMEOUT, {}};
        }
    }
    removeEndedTransfers(now);
    if (phase_ == Phase::Running) {
        if (planner_.complete() && transfers_.empty() && confirmed_) {
            beginFinishing(now);
        } else if (!retry_.waiting(now)) {
            launchTransfers();
            removeEndedTransfers(now);  // a launch may have failed the task
        }
    }
    if (phase_ == Phase::Finishing && now >= finishAt_) {
        finish();
    }
    if (phase_ == Phase::Failed) {
        closeTarget(planner_.doneBytes() > 0);
    }
    if (phase_ == Phase::Running && resumeDataDirty_ &&
        now - resumeDataSavedAt_ >= settings_.metadataInterval) {
        saveResumeData();
    }
    speed_.sample(now);
    publish(now, false);
}

std::optional<Task::Clock::time_point> Task::nextWakeup() const {
    if (phase_ == Phase::Running) {
        return retry_.retryAt();
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
    cancelAll();
}

void Task::beginFinishing(Clock::time_point now) {
    phase_ = Phase::Finishing;
    finishAt_ = now + settings_.finishHold;
    saveResumeData();
}

void Task::finish() {
    const std::int64_t total = planner_.total();
    if (file_.size() != total) {
        if (const FileError error = file_.truncate(total); error != FileError::None) {
            fail(failureFor(error));
            return;
        }
    }
    if (planner_.doneBytes() != total || file_.size() != total) {
        fail(XLDL_FAIL_VERIFY);
        return;
    }
    file_.close();
    std::string name = finalName_;
    FileError error = folder_.rename(partialNames_.data, name, request_.noRenaming);
    for (int n = 1; error == FileError::AlreadyExists && n <= kMaxNameNumber; ++n) {
        // Someone created the target meanwhile: keep theirs, take the next free name.
        name = numberedName(fitNameLength(request_.fileName), n);
        error = folder_.rename(partialNames_.data, name, false);
    }
    if (error != FileError::None) {
        // The data stays under its partial name, with what is needed to resume it.
        saveResumeData();
        fail(XLDL_FAIL_RENAME);
        return;
    }
    finalName_ = name;
    removeMetadata(folder_, partialNames_.metadata);
    closeTarget(true);
    phase_ = Phase::Finished;
}

namespace {

bool isFlowing(const std::unique_ptr<Transfer>& t) {
    return t->flowing && !t->paused() && t->verdict.kind == TransferVerdict::Kind::None;
}

}  // namespace

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
            return std::any_of(transfers_.begin(), transfers_.end(), isFlowing)
                       ? XLDL_STATE_RUNNING
                       : XLDL_STATE_SENDING;
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
    s.fileName = finalName_;
    s.totalBytes = std::max<std::int64_t>(planner_.total(), 0);
    s.doneBytes = planner_.doneBytes();
    if (s.totalBytes > 0) {
        s.progress = static_cast<float>(static_cast<double>(s.doneBytes) /
                                        static_cast<double>(s.totalBytes));
    } else if (phase_ == Phase::Finished) {
        s.progress = 1.0f;
    }
    if (phase_ == Phase::Running) {
        s.bytesPerSecond = static_cast<std::int32_t>(std::min<std::int64_t>(
            speed_.bytesPerSecond(now), std::numeric_limits<std::int32_t>::max()));
        s.plannedConnections = connectionLimit();
        s.activeConnections = static_cast<std::int32_t>(
            std::count_if(transfers_.begin(), transfers_.end(), isFlowing));
    }
    s.fileCreated = fileCreated_;
    return s;
}

}  // namespace ld::engine
