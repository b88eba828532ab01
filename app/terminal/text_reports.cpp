#include "app/terminal/text_reports.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "app/terminal/display_text.h"
#include "app/terminal/transfer_text.h"
#include "download/queue/progress_text.h"
#include "text/codepage.h"

namespace ld {
namespace {

// Erases the terminal's current line and returns the cursor to its start.
constexpr const char* kClearLine = "\r\x1b[K";

std::string lectureLine(const ListedLecture& lecture, const std::string& separator) {
    const std::string address = lecture.failed ? "解析失败" : lecture.address;
    return std::to_string(lecture.number) + separator + printableText(lecture.title) + separator +
           printableText(address);
}

std::string finishedLine(const LectureTransfer& transfer) {
    return batchCounterText(transfer.position, transfer.batchSize) + " " +
           printableText(transfer.title) + "  下载完毕  " +
           gbkToUtf8(fileSizeText(transfer.bytesTotal)) + "  " + printableText(transfer.fileName);
}

std::string skippedLine(const LectureTransfer& transfer) {
    return batchCounterText(transfer.position, transfer.batchSize) + " " +
           printableText(transfer.title) + "  已存在，跳过  " + printableText(transfer.fileName);
}

// How often a pipe or log file gets a line about a long file.
constexpr std::int64_t kPlainProgressMilliseconds = 10'000;

std::string failedLine(const LectureTransfer& transfer, const std::string& reason) {
    return batchCounterText(transfer.position, transfer.batchSize) + " " +
           printableText(transfer.title) + "  " + printableText(reason);
}

// Shared by both reports: which lines go out, and when.
class HumanReport : public SessionReport {
  public:
    HumanReport(bool listOnly, ReportTarget target, bool live)
        : listOnly_(listOnly), target_(std::move(target)), live_(live) {}

    void listed(const ListedLecture&) override {}

    void resolved(const ListedLecture& lecture) override {
        if (!lecture.failed) {
            ++playable_;
        }
        // A download shows only the lectures it will have to leave out.
        if (listOnly_ || lecture.failed) {
            settle(lectureLine(lecture, live_ ? "  " : "\t"));
        }
    }

    void resolving(int done, int total) override {
        if (live_ && done < total) {
            draw("下载地址解析中。。。 " + std::to_string(done) + "/" + std::to_string(total));
        } else if (!listOnly_ && done == total) {
            settle("共 " + std::to_string(total) + " 讲，" + std::to_string(playable_) +
                   " 讲有播放地址");
        }
    }

    void started(const LectureTransfer& transfer) override {
        nextPlainProgress_ = kPlainProgressMilliseconds;
        if (live_) {
            drawTransfer(transfer);
        } else {
            settle(batchCounterText(transfer.position, transfer.batchSize) + " " +
                   printableText(transfer.title) + "  开始下载  " +
                   printableText(transfer.fileName));
        }
    }

    void progress(const LectureTransfer& transfer) override {
        if (live_) {
            drawTransfer(transfer);
        } else if (transfer.elapsedMilliseconds >= nextPlainProgress_) {
            // A log shows that a long file moves on.
            settle(batchCounterText(transfer.position, transfer.batchSize) + " " +
                   printableText(transfer.title) + "  " + transferFigures(transfer));
            nextPlainProgress_ = transfer.elapsedMilliseconds + kPlainProgressMilliseconds;
        }
    }

    void finished(const LectureTransfer& transfer) override { settle(finishedLine(transfer)); }

    void skipped(const LectureTransfer& transfer) override { settle(skippedLine(transfer)); }

    void failed(const LectureTransfer& transfer, const std::string& reason) override {
        settle(failedLine(transfer, reason));
    }

    [[nodiscard]] bool outputLost() const override { return ld::outputLost(target_); }

    void summary(const SessionSummary& summary) override {
        clearLive();
        if (!summary.problem.empty()) {
            target_.errors << "lecture-downloader: " << printableText(summary.problem) << '\n';
            target_.errors.flush();
        }
        if (summary.interrupted) {
            settle("已中断：未完成的文件已保留，再次运行同一命令即可继续。");
        }
        if (listOnly_) {
            if (summary.lectures > 0) {
                settle("共 " + std::to_string(summary.lectures) + " 讲，" +
                       std::to_string(playable_) + " 讲有播放地址");
            }
            return;
        }
        if (summary.lectures == 0) {
            return;
        }
        const std::string skipped =
            summary.skipped > 0 ? "（其中 " + std::to_string(summary.skipped) + " 讲已存在，跳过）"
                                : std::string();
        settle("下载完毕 " + std::to_string(summary.downloaded) + " 讲" + skipped + "，未下载 " +
               std::to_string(summary.missed.size()) + " 讲");
        for (const MissedLecture& missed : summary.missed) {
            settle("  " + std::to_string(missed.number) + "  " + printableText(missed.title) +
                   "  " + printableText(missed.reason));
        }
    }

  private:
    // The live line's width: the last column stays free, as some terminals
    // wrap as soon as it is written.
    [[nodiscard]] int liveColumns() const {
        const int columns = target_.terminalColumns ? target_.terminalColumns() : 80;
        return std::max(columns - 1, 1);
    }

    // Replaces the live line (terminals only), cut so it never wraps.
    void draw(const std::string& line) {
        target_.out << kClearLine << fitToColumns(line, liveColumns());
        target_.out.flush();
        liveShown_ = true;
    }

    // The file's live line, its title shortened before any figure.
    void drawTransfer(const LectureTransfer& transfer) {
        draw(liveTransferLine(transfer, liveColumns()));
    }

    void clearLive() {
        if (liveShown_) {
            target_.out << kClearLine;
            liveShown_ = false;
        }
    }

    // A line that stays: it replaces the live line, which the next event
    // redraws. Once nobody reads the output, the lines still to come (the
    // closing summary) go to standard error.
    void settle(const std::string& line) {
        if (outputLost()) {
            target_.errors << line << '\n';
            target_.errors.flush();
            return;
        }
        clearLive();
        target_.out << line << '\n';
        target_.out.flush();
    }

    bool listOnly_;
    ReportTarget target_;
    bool live_;
    bool liveShown_ = false;
    int playable_ = 0;
    std::int64_t nextPlainProgress_ = kPlainProgressMilliseconds;
};

}  // namespace

std::unique_ptr<SessionReport> makeLiveTerminalReport(bool listOnly, ReportTarget target) {
    return std::make_unique<HumanReport>(listOnly, std::move(target), true);
}

std::unique_ptr<SessionReport> makePlainLinesReport(bool listOnly, ReportTarget target) {
    return std::make_unique<HumanReport>(listOnly, std::move(target), false);
}

}  // namespace ld
