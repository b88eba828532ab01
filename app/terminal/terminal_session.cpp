#include "app/terminal/terminal_session.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/event_wiring.h"
#include "text/codepage.h"
#include "window/control_aliases.h"

namespace ld {
namespace {

using std::chrono::milliseconds;

// How often the search's progress is looked at.
constexpr milliseconds kSearchLookInterval{100};

std::string utf8(const Text& text) {
    return gbkToUtf8(text);
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

// One row of the download list and what has been seen of it.
struct TerminalSession::BatchRow {
    int number = 0;
    std::string title;
    std::string fileName;
    std::int64_t bytesDone = 0;
    std::int64_t bytesTotal = 0;
    std::int32_t bytesPerSecond = 0;
    bool started = false;
};

// The queue as the window's thread sees it between two events.
struct TerminalSession::QueueSnapshot {
    int currentRow = 0;
    int interval = 0;
    int rows = 0;
    std::vector<Text> statuses;  // 完成状态 of every row
    Text taskState;              // 透明标签1
    std::string fileName;        // of the current task
    std::int64_t bytesDone = 0;
    std::int64_t bytesTotal = 0;
    std::int32_t bytesPerSecond = 0;
};

TerminalSession::TerminalSession(DownloadEngine& engine, const std::string& programFolderUtf8)
    : engine_(engine), globals_(engine_, utf8ToGbk(programFolderUtf8)) {
    wireEvents(window_, globals_);
    window_.fire(Event::created);
}

TerminalSession::~TerminalSession() {
    window_.fire(Event::aboutToBeDestroyed);
    releaseGlobals(globals_);
}

std::string TerminalSession::parseStatus() {
    return utf8(window_.getText(kParseStatusLabel));
}

TerminalSession::Ending TerminalSession::search(const std::string& courseAddress,
                                                SessionReport& report, StopSignals& stop) {
    window_.setText(kCourseAddressBox, utf8ToGbk(courseAddress));
    window_.fire(kSearchClicked);
    std::size_t listed = 0;
    std::vector<bool> reported;
    int resolvedBefore = -1;
    const Text failedText = gbk("解析失败");
    for (;;) {
        // Looked at once more after the workers have ended, so nothing is missed.
        const bool ended = window_.waitForWorkers(milliseconds(0));
        const std::vector<std::vector<Text>> rows = window_.rows(kParseList);
        lectures_.clear();
        for (const std::vector<Text>& cells : rows) {
            ListedLecture lecture;
            lecture.number = std::atoi(utf8(cells.at(kParseNumberColumn)).c_str());
            lecture.title = utf8(cells.at(kParseTitleColumn));
            const Text& address = cells.at(kParseAddressColumn);
            lecture.resolved = !address.empty();
            lecture.failed = address == failedText;
            lecture.address = lecture.failed ? std::string() : utf8(address);
            lectures_.push_back(std::move(lecture));
        }
        for (; listed < lectures_.size(); ++listed) {
            report.listed(lectures_[listed]);
        }
        reported.resize(lectures_.size(), false);
        int resolved = 0;
        for (std::size_t i = 0; i < lectures_.size(); ++i) {
            if (lectures_[i].resolved && !reported[i]) {
                reported[i] = true;
                report.resolved(lectures_[i]);
            }
            resolved += lectures_[i].resolved ? 1 : 0;
        }
        if (!lectures_.empty() && resolved != resolvedBefore) {
            report.resolving(resolved, static_cast<int>(lectures_.size()));
            resolvedBefore = resolved;
        }
        if (ended) {
            return Ending::completed;
        }
        // Nobody reading the lines any more ends the run as Ctrl+C does.
        if (report.outputLost() || stop.waitFor(kSearchLookInterval)) {
            return Ending::interrupted;
        }
    }
}

TerminalSession::QueueSnapshot TerminalSession::snapshot(int batchSize) {
    QueueSnapshot seen;
    window_.atomically([&] {
        seen.currentRow = globals_.shared.currentRow;
        seen.interval = window_.interval();
        seen.rows = window_.rowCount(kDownloadList);
        for (int row = 0; row < std::min(seen.rows, batchSize); ++row) {
            seen.statuses.push_back(window_.getCellText(kDownloadList, row, kDownloadStatusColumn));
        }
        seen.taskState = window_.getText(kTaskStateLabel);
        const DownloadQueueState& queue = globals_.queue;
        seen.fileName = utf8(queue.currentFileName);
        seen.bytesDone = queue.taskInfoRecord.已下载速度();
        seen.bytesTotal = queue.taskInfoRecord.文件总大小();
        seen.bytesPerSecond = queue.taskInfoRecord.下载速度();
    });
    return seen;
}

LectureTransfer TerminalSession::transferOf(const BatchRow& row, int position,
                                            int batchSize) const {
    return LectureTransfer{position,     batchSize,     row.number,     row.title,
                           row.fileName, row.bytesDone, row.bytesTotal, row.bytesPerSecond};
}

bool TerminalSession::reportEnd(std::vector<BatchRow>& batch, int row, const QueueSnapshot& seen,
                                const std::string& folderUtf8, SessionReport& report,
                                SessionSummary& summary) {
    BatchRow& entry = batch.at(static_cast<std::size_t>(row));
    const int batchSize = static_cast<int>(batch.size());
    if (!entry.started) {
        entry.fileName = seen.fileName;
        report.started(transferOf(entry, row + 1, batchSize));
    }
    const Text status = row < static_cast<int>(seen.statuses.size())
                            ? seen.statuses[static_cast<std::size_t>(row)]
                            : Text();
    if (status == gbk("下载完毕")) {
        entry.bytesTotal = fileSize(folderUtf8, entry.fileName, entry.bytesTotal);
        entry.bytesDone = entry.bytesTotal;
        report.finished(transferOf(entry, row + 1, batchSize));
        ++summary.downloaded;
        return true;
    }
    // The row's own text says why; a task stopped without one shows the state line.
    std::string reason = utf8(status);
    if (reason.empty()) {
        reason = seen.taskState.empty() ? std::string("下载失败") : utf8(seen.taskState);
    }
    report.failed(transferOf(entry, row + 1, batchSize), reason);
    summary.missed.push_back({entry.number, entry.title, reason});
    return false;
}

TerminalSession::Ending TerminalSession::stopBatch(std::vector<BatchRow>& batch, int active,
                                                   const std::string& folderUtf8,
                                                   SessionReport& report, SessionSummary& summary) {
    const int batchSize = static_cast<int>(batch.size());
    // One last look first: a file that completed meanwhile counts as downloaded.
    window_.fire(kPollTick);
    const QueueSnapshot seen = snapshot(batchSize);
    int firstLeft = std::max(seen.currentRow, 0);
    if (seen.currentRow != active) {
        reportEnd(batch, active, seen, folderUtf8, report, summary);
    } else if (seen.interval == 0) {
        // It failed in that last look.
        reportEnd(batch, active, seen, folderUtf8, report, summary);
        ++firstLeft;
    }
    if (firstLeft == seen.currentRow && firstLeft < batchSize) {
        // Pause the task as the pause button does: its data stays on disk and
        // the next run resumes it.
        window_.fire(kPauseClicked);
    }
    // Stopped with nothing left to do is no interruption.
    summary.interrupted = firstLeft < batchSize;
    for (int row = firstLeft; row < batchSize; ++row) {
        const BatchRow& entry = batch[static_cast<std::size_t>(row)];
        summary.missed.push_back({entry.number, entry.title, "已中断"});
    }
    return Ending::interrupted;
}

std::vector<TerminalSession::BatchRow> TerminalSession::fillDownloadList(SessionSummary& summary) {
    // Lectures without a play address stay out of the download list, as
    // "删除失败" leaves them out for the user.
    std::vector<const ListedLecture*> playable;
    for (const ListedLecture& lecture : lectures_) {
        if (lecture.failed || !lecture.resolved) {
            summary.missed.push_back({lecture.number, lecture.title, "解析失败"});
        } else {
            playable.push_back(&lecture);
        }
    }
    if (playable.empty()) {
        return {};
    }
    window_.fire(kRemoveFailedClicked);
    window_.fire(kAddAllClicked);

    std::vector<BatchRow> batch;
    const std::vector<std::vector<Text>> rows = window_.rows(kDownloadList);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        BatchRow entry;
        entry.title = utf8(rows[row].at(kDownloadTitleColumn));
        // The download list numbers its rows afresh; the report keeps the
        // lecture's number in the course.
        entry.number = row < playable.size() && playable[row]->title == entry.title
                           ? playable[row]->number
                           : static_cast<int>(row) + 1;
        batch.push_back(std::move(entry));
    }
    return batch;
}

TerminalSession::Ending TerminalSession::download(const std::string& folderUtf8,
                                                  SessionReport& report, StopSignals& stop,
                                                  SessionSummary& summary) {
    std::vector<BatchRow> batch = fillDownloadList(summary);
    if (batch.empty()) {
        return Ending::completed;
    }
    const int batchSize = static_cast<int>(batch.size());
    window_.setText(kSaveFolderBox, utf8ToGbk(folderUtf8));
    std::size_t messagesSeen = window_.messages().size();
    window_.fire(kStartClicked);
    int active = -1;  // the row whose start has been reported and whose end has not
    for (;;) {
        const std::vector<Text> messages = window_.messages();
        if (messages.size() > messagesSeen) {
            // The queue refused to start (a message box in the window): what
            // is left of the batch is not downloaded, for that reason.
            const std::string reason = utf8(messages.back());
            summary.problem = reason;
            const QueueSnapshot seen = snapshot(batchSize);
            for (int row = std::max(seen.currentRow, 0); row < batchSize; ++row) {
                const BatchRow& entry = batch[static_cast<std::size_t>(row)];
                summary.missed.push_back({entry.number, entry.title, reason});
            }
            return Ending::completed;
        }
        const QueueSnapshot seen = snapshot(batchSize);
        if (active >= 0 && seen.currentRow != active) {
            // A completion started the next row within the same tick.
            reportEnd(batch, active, seen, folderUtf8, report, summary);
            active = -1;
        }
        if (seen.currentRow >= batchSize || seen.currentRow < 0) {
            return Ending::completed;
        }
        BatchRow& current = batch[static_cast<std::size_t>(seen.currentRow)];
        if (seen.interval == 0) {
            // Polling stopped on this row: it failed. Report it and move on.
            reportEnd(batch, seen.currentRow, seen, folderUtf8, report, summary);
            active = -1;
            window_.atomically([&] { globals_.shared.currentRow += 1; });
            if (seen.currentRow + 1 >= batchSize) {
                return Ending::completed;
            }
            messagesSeen = window_.messages().size();
            window_.fire(kStartClicked);
            continue;
        }
        current.bytesDone = seen.bytesDone;
        current.bytesTotal = seen.bytesTotal;
        current.bytesPerSecond = seen.bytesPerSecond;
        if (active != seen.currentRow) {
            active = seen.currentRow;
            current.fileName = seen.fileName;
            current.started = true;
            report.started(transferOf(current, active + 1, batchSize));
        } else {
            report.progress(transferOf(current, active + 1, batchSize));
        }
        if (report.outputLost() || stop.waitFor(milliseconds(seen.interval))) {
            return stopBatch(batch, active, folderUtf8, report, summary);
        }
        window_.fire(kPollTick);
    }
}

}  // namespace ld
