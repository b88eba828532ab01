// The program assembled as its window assembles it -- the global state, the
// wiring of every event, the created and about-to-be-destroyed events -- but
// with the in-memory window in place of the main window, and this object
// playing the user: it types the course address, clicks "搜索", "删除失败",
// "一键加入下载列表" and "开始下载", lets the timer tick and reads the lists
// and the download queue's record for the report. So the terminal lists and
// downloads through exactly the code the window runs. The timer ticks every
// few milliseconds here (the window's ticks once a second), so the next
// lecture starts as soon as one ends; progress is still reported once a second.
//
// The download list holds every lecture with a play address, as in the
// window, so every file keeps the window's name; a row gate (see
// complete_file_gate.h) passes by the lectures not chosen and the files
// already complete, once the queue has named them.
//
// One thread (the caller's) drives it; the window has its own thread, the
// course workers and the engine theirs. A lecture that fails does not stop
// the batch (the session moves the queue on to the next row and starts
// again), except for a full disk, on which the next lecture cannot fit either.
// A stop signal, or a report whose output nobody reads any more, ends the
// search or the batch (the current file paused, its data kept).
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/terminal/item_selection.h"
#include "app/terminal/session_report.h"
#include "app/terminal/stop_signals.h"
#include "download/download_engine.h"
#include "window/memory_window.h"

namespace ld {

class TerminalSession {
  public:
    enum class Ending { completed, interrupted, badItems };

    // `engine` must outlive the session. Fires the window's created event
    // (the engine is initialised).
    TerminalSession(DownloadEngine& engine, const std::string& programFolderUtf8);
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;
    // Fires the about-to-be-destroyed event (the engine shuts down) and runs
    // the exit routine. Waits for course workers still running.
    ~TerminalSession();

    // Searches the course and waits until every play address is resolved,
    // reporting each chosen lecture as it is listed and, in course order, as
    // it is resolved. `badItems` as soon as the catalogue shows that `items`
    // names a lecture the course lacks (see itemsProblem).
    Ending search(const std::string& courseAddress, const ItemSelection& items,
                  SessionReport& report, StopSignals& stop);
    // Every lecture of the last search, as the parse list shows it.
    [[nodiscard]] const std::vector<ListedLecture>& lectures() const { return lectures_; }
    // How many of them the selection chose.
    [[nodiscard]] int chosenCount() const;
    // Why the selection does not fit the course, after `badItems`.
    [[nodiscard]] const std::string& itemsProblem() const { return itemsProblem_; }

    // Downloads every chosen lecture of the last search that has a play
    // address into `folderUtf8`, one after another, passing by files already
    // complete unless `force`. Fills `summary` with what was downloaded and
    // what was not (with the reason the window shows).
    Ending download(const std::string& folderUtf8, bool force, SessionReport& report,
                    StopSignals& stop, SessionSummary& summary);

    // Course workers still running (a search interrupted mid-request).
    [[nodiscard]] bool workersRunning() {
        return !window_.waitForWorkers(std::chrono::milliseconds(0));
    }
    // The status line of the parse page, for telling why nothing was listed.
    [[nodiscard]] std::string parseStatus();

  private:
    class Batch;  // one run of download (terminal_batch.cpp)

    DownloadEngine& engine_;
    Globals globals_;
    // Declared last so it goes first: its handlers use the global state.
    MemoryWindow window_;
    ItemSelection items_;
    std::vector<ListedLecture> lectures_;
    std::string itemsProblem_;
};

}  // namespace ld
