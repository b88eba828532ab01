// The program assembled as its window assembles it -- the global state, the
// wiring of every event, the created and about-to-be-destroyed events -- but
// with the in-memory window in place of the main window, and this object
// playing the user: it types the course address, clicks "搜索", "删除失败",
// "一键加入下载列表" and "开始下载", lets the timer tick once a second and
// reads the lists and the download queue's record for the report. So the
// terminal lists and downloads through exactly the code the window runs.
//
// One thread (the caller's) drives it; the window has its own thread, the
// course workers and the engine theirs. A lecture that fails does not stop
// the batch: the session moves the queue on to the next row and starts again.
// A stop signal, or a report whose output nobody reads any more, ends the
// search or the batch (the current file paused, its data kept).
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/terminal/session_report.h"
#include "app/terminal/stop_signals.h"
#include "download/download_engine.h"
#include "window/memory_window.h"

namespace ld {

class TerminalSession {
  public:
    enum class Ending { completed, interrupted };

    // `engine` must outlive the session. Fires the window's created event
    // (the engine is initialised).
    TerminalSession(DownloadEngine& engine, const std::string& programFolderUtf8);
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;
    // Fires the about-to-be-destroyed event (the engine shuts down) and runs
    // the exit routine. Waits for course workers still running.
    ~TerminalSession();

    // Searches the course and waits until every play address is resolved,
    // reporting each lecture as it is listed and resolved.
    Ending search(const std::string& courseAddress, SessionReport& report, StopSignals& stop);
    // Every lecture of the last search, as the parse list shows it.
    [[nodiscard]] const std::vector<ListedLecture>& lectures() const { return lectures_; }

    // Downloads every lecture of the last search that has a play address into
    // `folderUtf8`, one after another. Fills `summary` with what was
    // downloaded and what was not (with the reason the window shows).
    Ending download(const std::string& folderUtf8, SessionReport& report, StopSignals& stop,
                    SessionSummary& summary);

    // Course workers still running (a search interrupted mid-request).
    [[nodiscard]] bool workersRunning() {
        return !window_.waitForWorkers(std::chrono::milliseconds(0));
    }
    // The status line of the parse page, for telling why nothing was listed.
    [[nodiscard]] std::string parseStatus();

  private:
    struct BatchRow;
    struct QueueSnapshot;

    QueueSnapshot snapshot(int batchSize);
    LectureTransfer transferOf(const BatchRow& row, int position, int batchSize) const;
    // Reports how the row ended; true when it was downloaded.
    bool reportEnd(std::vector<BatchRow>& batch, int row, const QueueSnapshot& seen,
                   const std::string& folderUtf8, SessionReport& report, SessionSummary& summary);
    // Puts every lecture with a play address into the download list, as
    // "删除失败" and "一键加入下载列表" do, and notes the others as missed.
    // The batch is empty when no lecture can be downloaded.
    std::vector<BatchRow> fillDownloadList(SessionSummary& summary);
    // After a stop signal: pauses the current task (its data stays for the
    // next run) and notes every row not downloaded.
    Ending stopBatch(std::vector<BatchRow>& batch, int active, const std::string& folderUtf8,
                     SessionReport& report, SessionSummary& summary);

    DownloadEngine& engine_;
    Globals globals_;
    // Declared last so it goes first: its handlers use the global state.
    MemoryWindow window_;
    std::vector<ListedLecture> lectures_;
};

}  // namespace ld
