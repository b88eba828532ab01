// TerminalSession::download: one run of the download queue over the batch,
// played as the user and read back for the report.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "app/terminal/complete_file_gate.h"
#include "app/terminal/recent_speed.h"
#include "app/terminal/terminal_session.h"
#include "download/queue/download_queue.h"
#include "download/queue/failure_text.h"
#include "text/codepage.h"
#include "window/control_aliases.h"
#include "xldl/task_layout.h"

namespace ld {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// How often the queue's timer ticks in the terminal: a file that ends is seen
// within this, and the next one starts in the same tick.
constexpr milliseconds kTransferLookInterval{10};
// How long a stop waits for the engine to take the pause.
constexpr milliseconds kPauseSettleLimit{2000};
// How often a file's progress is reported.
constexpr milliseconds kProgressInterval{1000};

std::string utf8(const Text& text) {
    return gbkToUtf8(text);
}

std::int32_t clampedSpeed(std::int64_t bytesPerSecond) {
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(bytesPerSecond, std::numeric_limits<std::int32_t>::max()));
}

// The size of the finished file on disk; `fallback` when it cannot be read.
std::int64_t fileSize(const std::string& folderUtf8, const std::string& nameUtf8,
                      std::int64_t fallback) {
    std::error_code error;
    const std::u8string folder(folderUtf8.begin(), folderUtf8.end());
    const std::u8string name(nameUtf8.begin(), nameUtf8.end());
    const auto size = std::filesystem::file_size(std::filesystem::path(folder) / name, error);
    return error ? fallback : static_cast<std::int64_t>(size);
}

}  // namespace

class TerminalSession::Batch {
  public:
    Batch(TerminalSession& session, std::string folderUtf8, bool force, SessionReport& report,
          StopSignals& stop, SessionSummary& summary)
        : session_(session),
          window_(session.window_),
          folderUtf8_(std::move(folderUtf8)),
          report_(report),
          stop_(stop),
          summary_(summary) {
        fillDownloadList();
        std::vector<bool> chosen;
        for (const Row& row : rows_) {
            chosen.push_back(row.position > 0);
        }
        gate_.emplace(std::move(chosen), force);
    }

    Ending run();

  private:
    // One row of the download list and what has been seen of it.
    struct Row {
        int number = 0;
        std::string title;
        int position = 0;  // 1-based among the chosen rows; 0: not chosen
        std::string fileName;
        std::int64_t bytesDone = 0;
        std::int64_t bytesTotal = 0;
        std::int32_t bytesPerSecond = 0;
        bool startReported = false;
        bool ended = false;
    };

    // The queue as the window's thread sees it between two events.
    struct Seen {
        int currentRow = 0;
        int interval = 0;
        int firstStatus = 0;
        std::vector<Text> statuses;  // 完成状态 of rows firstStatus ... currentRow
        std::vector<std::string> fileNames;
        std::vector<std::int64_t> completeLengths;
        Text taskState;  // 透明标签1
        std::int64_t bytesDone = 0;
        std::int64_t bytesTotal = 0;

        [[nodiscard]] std::size_t at(int row) const {
            return static_cast<std::size_t>(row - firstStatus);
        }
        [[nodiscard]] bool holds(int row) const {
            return row >= firstStatus && at(row) < statuses.size();
        }
    };

    // Keeps the gate on the queue for the run only.
    class GateInstalled {
      public:
        GateInstalled(MemoryWindow& window, DownloadQueueState& queue, RowGate& gate)
            : window_(window), queue_(queue) {
            window_.atomically([&] { queue_.rowGate = &gate; });
        }
        GateInstalled(const GateInstalled&) = delete;
        GateInstalled& operator=(const GateInstalled&) = delete;
        ~GateInstalled() {
            window_.atomically([&] { queue_.rowGate = nullptr; });
        }

      private:
        MemoryWindow& window_;
        DownloadQueueState& queue_;
    };

    void fillDownloadList();
    Seen look();
    // After the pause: whether the engine finished the file all the same.
    bool pausedTaskFinished();
    void finishPausedRow(int rowIndex);
    [[nodiscard]] int batchSize() const { return static_cast<int>(rows_.size()); }
    LectureTransfer transferOf(const Row& row) const;
    // Reports how the row ended (nothing for a row not chosen). True when its
    // failure was a full disk.
    bool reportEnd(int row, const Seen& seen);
    void reportRowsBefore(int end, const Seen& seen);
    // The chosen rows from `first` on are not downloaded, for `reason`.
    void missRowsFrom(int first, const std::string& reason);
    // After a stop signal: pauses the current task (its data stays for the
    // next run) and notes every chosen row not downloaded.
    Ending stop();
    void showProgress(int rowIndex, const Seen& seen);

    TerminalSession& session_;
    MemoryWindow& window_;
    std::string folderUtf8_;
    SessionReport& report_;
    StopSignals& stop_;
    SessionSummary& summary_;
    std::vector<Row> rows_;
    int chosenRows_ = 0;
    std::optional<CompleteFileGate> gate_;
    int nextEnd_ = 0;  // rows before it have been reported as ended
    int active_ = -1;  // the row whose start has been reported and whose end has not
    RecentSpeed speed_;
    Clock::time_point activeSince_;
    Clock::time_point lastProgress_;
};

void TerminalSession::Batch::fillDownloadList() {
    // Lectures without a play address stay out of the download list, as
    // "删除失败" leaves them out for the user.
    std::vector<const ListedLecture*> playable;
    for (const ListedLecture& lecture : session_.lectures_) {
        const bool chosen = session_.items_.contains(lecture.number);
        if (lecture.failed || !lecture.resolved) {
            if (chosen) {
                summary_.missed.push_back({lecture.number, lecture.title, "解析失败"});
            }
        } else {
            playable.push_back(&lecture);
        }
    }
    if (playable.empty()) {
        return;
    }
    window_.fire(kRemoveFailedClicked);
    window_.fire(kAddAllClicked);

    const std::vector<std::vector<Text>> rows = window_.rows(kDownloadList);
    for (std::size_t index = 0; index < rows.size(); ++index) {
        Row row;
        row.title = utf8(rows[index].at(kDownloadTitleColumn));
        // The download list numbers its rows afresh; the report keeps the
        // lecture's number in the course.
        row.number = index < playable.size() && playable[index]->title == row.title
                         ? playable[index]->number
                         : static_cast<int>(index) + 1;
        if (session_.items_.contains(row.number)) {
            row.position = ++chosenRows_;
        }
        rows_.push_back(std::move(row));
    }
}

TerminalSession::Batch::Seen TerminalSession::Batch::look() {
    Seen seen;
    window_.atomically([&] {
        const Globals& globals = session_.globals_;
        seen.currentRow = globals.shared.currentRow;
        seen.interval = window_.interval();
        seen.firstStatus = nextEnd_;
        const int last = std::min(seen.currentRow, batchSize() - 1);
        for (int row = nextEnd_; row <= last; ++row) {
            seen.statuses.push_back(window_.getCellText(kDownloadList, row, kDownloadStatusColumn));
            seen.fileNames.push_back(gate_->fileNameOf(row));
            seen.completeLengths.push_back(gate_->completeLengthOf(row));
        }
        seen.taskState = window_.getText(kTaskStateLabel);
        const DownloadQueueState& queue = globals.queue;
        seen.bytesDone = queue.taskInfoRecord.已下载速度();
        seen.bytesTotal = queue.taskInfoRecord.文件总大小();
    });
    return seen;
}

LectureTransfer TerminalSession::Batch::transferOf(const Row& row) const {
    return LectureTransfer{
        row.position,
        chosenRows_,
        row.number,
        row.title,
        row.fileName,
        row.bytesDone,
        row.bytesTotal,
        row.bytesPerSecond,
        std::chrono::duration_cast<milliseconds>(Clock::now() - activeSince_).count()};
}

bool TerminalSession::Batch::reportEnd(int rowIndex, const Seen& seen) {
    Row& row = rows_.at(static_cast<std::size_t>(rowIndex));
    if (row.ended || row.position == 0) {
        row.ended = true;
        return false;
    }
    row.ended = true;
    if (seen.holds(rowIndex) && !seen.fileNames[seen.at(rowIndex)].empty()) {
        row.fileName = seen.fileNames[seen.at(rowIndex)];
    }
    const Text status = seen.holds(rowIndex) ? seen.statuses[seen.at(rowIndex)] : Text();
    if (status == gbk(kSkippedStatus)) {
        row.bytesTotal = seen.completeLengths[seen.at(rowIndex)];
        row.bytesDone = row.bytesTotal;
        report_.skipped(transferOf(row));
        ++summary_.downloaded;
        ++summary_.skipped;
        return false;
    }
    if (!row.startReported) {
        row.startReported = true;
        report_.started(transferOf(row));
    }
    if (status == gbk("下载完毕")) {
        // A file may end between two looks: its length is on the disk.
        row.bytesTotal = fileSize(folderUtf8_, row.fileName, row.bytesTotal);
        row.bytesDone = row.bytesTotal;
        report_.finished(transferOf(row));
        ++summary_.downloaded;
        return false;
    }
    // The row's own text says why; a task stopped without one shows the state line.
    std::string reason = utf8(status);
    if (reason.empty()) {
        reason = seen.taskState.empty() ? std::string("下载失败") : utf8(seen.taskState);
    }
    report_.failed(transferOf(row), reason);
    summary_.missed.push_back({row.number, row.title, reason});
    return status == failedRowText(XLDL_FAIL_DISK_FULL);
}

void TerminalSession::Batch::reportRowsBefore(int end, const Seen& seen) {
    for (end = std::min(end, batchSize()); nextEnd_ < end; ++nextEnd_) {
        reportEnd(nextEnd_, seen);
    }
    if (active_ >= 0 && active_ < nextEnd_) {
        active_ = -1;
    }
}

void TerminalSession::Batch::missRowsFrom(int first, const std::string& reason) {
    for (int index = std::max(first, 0); index < batchSize(); ++index) {
        Row& row = rows_[static_cast<std::size_t>(index)];
        if (row.position > 0 && !row.ended) {
            summary_.missed.push_back({row.number, row.title, reason});
        }
        row.ended = true;
    }
}

TerminalSession::Ending TerminalSession::Batch::stop() {
    // The window's thread may be waiting for the server's word on a file.
    gate_->giveUp();
    // One last look first: a file that completed meanwhile counts as downloaded.
    window_.fire(kPollTick);
    const Seen seen = look();
    reportRowsBefore(seen.currentRow, seen);
    int firstLeft = std::max(seen.currentRow, 0);
    if (firstLeft < batchSize()) {
        if (seen.interval == 0) {
            // It failed in that last look.
            reportEnd(firstLeft, seen);
            ++firstLeft;
        } else {
            // Pause the task as the pause button does: its data stays on disk
            // and the next run resumes it.
            window_.fire(kPauseClicked);
            if (pausedTaskFinished()) {
                // The pause came after the file's last bytes: it is complete.
                finishPausedRow(firstLeft);
                ++firstLeft;
            }
        }
    }
    // Stopped with nothing left to do is no interruption.
    const bool chosenLeft =
        std::any_of(rows_.begin() + std::min(firstLeft, batchSize()), rows_.end(),
                    [](const Row& row) { return row.position > 0; });
    summary_.interrupted = chosenLeft;
    missRowsFrom(firstLeft, "已中断");
    return Ending::interrupted;
}

bool TerminalSession::Batch::pausedTaskFinished() {
    // The engine takes a pause in its own time, and a file it is already
    // finishing (verifying, renaming) ends complete all the same.
    const Clock::time_point giveUpAt = Clock::now() + kPauseSettleLimit;
    for (;;) {
        std::int32_t stateCode = XLDL_STATE_NONE;
        window_.atomically([&] {
            DownloadQueueState& queue = session_.globals_.queue;
            void* info = queue.taskInfoRecord.taskAddress();
            if (queue.taskLive && info != nullptr &&
                session_.engine_.queryTaskInfo(queue.taskHandle, info) != 0) {
                stateCode = queue.taskInfoRecord.当前状态();
            }
        });
        const bool settling = stateCode == XLDL_STATE_RUNNING || stateCode == XLDL_STATE_SENDING ||
                              stateCode == XLDL_STATE_FINISHING;
        if (!settling || Clock::now() >= giveUpAt) {
            return stateCode == XLDL_STATE_FINISHED;
        }
        std::this_thread::sleep_for(kTransferLookInterval);
    }
}

void TerminalSession::Batch::finishPausedRow(int rowIndex) {
    window_.atomically([&] {
        Globals& globals = session_.globals_;
        markTaskRowFinished(DownloadQueue{window_, globals.engine, globals.shared, globals.queue});
    });
    reportEnd(rowIndex, look());
}

void TerminalSession::Batch::showProgress(int rowIndex, const Seen& seen) {
    Row& row = rows_[static_cast<std::size_t>(rowIndex)];
    const Clock::time_point now = Clock::now();
    if (active_ != rowIndex) {
        active_ = rowIndex;
        activeSince_ = now;
        lastProgress_ = now;
        speed_.restart();
    }
    row.bytesDone = seen.bytesDone;
    row.bytesTotal = seen.bytesTotal;
    speed_.note(now, seen.bytesDone);
    row.bytesPerSecond = clampedSpeed(speed_.bytesPerSecond());
    if (!row.startReported) {
        row.startReported = true;
        if (seen.holds(rowIndex)) {
            row.fileName = seen.fileNames[seen.at(rowIndex)];
        }
        report_.started(transferOf(row));
    } else if (now - lastProgress_ >= kProgressInterval) {
        lastProgress_ = now;
        report_.progress(transferOf(row));
    }
}

TerminalSession::Ending TerminalSession::Batch::run() {
    if (chosenRows_ == 0) {
        return Ending::completed;
    }
    const GateInstalled installed(window_, session_.globals_.queue, *gate_);
    window_.setText(kSaveFolderBox, utf8ToGbk(folderUtf8_));
    std::size_t messagesSeen = window_.messages().size();
    window_.fire(kStartClicked);
    for (;;) {
        const std::vector<Text> messages = window_.messages();
        if (messages.size() > messagesSeen) {
            // The queue refused to start (a message box in the window): what
            // is left of the batch is not downloaded, for that reason.
            const std::string reason = utf8(messages.back());
            summary_.problem = reason;
            const Seen seen = look();
            reportRowsBefore(seen.currentRow, seen);
            missRowsFrom(seen.currentRow, reason);
            return Ending::completed;
        }
        const Seen seen = look();
        // Every row above the queue's current one has ended, whether it was
        // downloaded, passed by or failed.
        reportRowsBefore(seen.currentRow, seen);
        if (seen.currentRow >= batchSize() || seen.currentRow < 0) {
            return Ending::completed;
        }
        if (seen.interval == 0) {
            // Polling stopped on this row: it failed. Report it and move on,
            // unless the disk is full: the next lecture cannot fit either.
            const int failed = seen.currentRow;
            const bool diskFull = reportEnd(failed, seen);
            nextEnd_ = failed + 1;
            active_ = -1;
            if (diskFull) {
                summary_.problem = "磁盘空间不足，其余的讲未下载";
                missRowsFrom(nextEnd_, "未下载（磁盘空间不足）");
                return Ending::completed;
            }
            window_.atomically([&] { session_.globals_.shared.currentRow = failed + 1; });
            if (failed + 1 >= batchSize()) {
                return Ending::completed;
            }
            messagesSeen = window_.messages().size();
            window_.fire(kStartClicked);
            continue;
        }
        showProgress(seen.currentRow, seen);
        if (report_.outputLost() || stop_.waitFor(kTransferLookInterval)) {
            return stop();
        }
        window_.fire(kPollTick);
    }
}

TerminalSession::Ending TerminalSession::download(const std::string& folderUtf8, bool force,
                                                  SessionReport& report, StopSignals& stop,
                                                  SessionSummary& summary) {
    Batch batch(*this, folderUtf8, force, report, stop, summary);
    return batch.run();
}

}  // namespace ld
