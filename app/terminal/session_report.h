// What a terminal session tells the person or script that runs it: one call
// per event of the run. Three implementations: the live line for a terminal,
// plain lines for a pipe or log file, and JSON lines for scripts.
//
// Only the chosen lectures (--items) are reported. All texts are UTF-8 as the
// window shows them (titles, "解析失败", the row's 完成状态 text). Calls come
// from the session's own thread, one at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace ld {

// One lecture of the course, as the parse list shows it.
struct ListedLecture {
    int number = 0;       // the list's "ID" column
    std::string title;    // as shown
    std::string address;  // the play address; empty until resolved
    bool resolved = false;
    bool failed = false;  // the address cell reads "解析失败"
};

// One lecture of the download batch and how far its file has come.
struct LectureTransfer {
    int position = 0;   // 1-based place in the batch ...
    int batchSize = 0;  // ... of this many downloads
    int number = 0;     // the lecture's number in the course
    std::string title;
    std::string fileName;  // as saved in the folder
    std::int64_t bytesDone = 0;
    std::int64_t bytesTotal = 0;  // 0 while unknown
    // The bytes of the last few seconds, per second.
    std::int32_t bytesPerSecond = 0;
    // Since the file started, while it downloads.
    std::int64_t elapsedMilliseconds = 0;
};

// A lecture that was not downloaded, and why (the text the window shows).
struct MissedLecture {
    int number = 0;
    std::string title;
    std::string reason;
};

struct SessionSummary {
    int lectures = 0;    // listed in the catalogue (chosen with --items)
    int downloaded = 0;  // finished in this run, or already complete
    int skipped = 0;     // of those, already complete in the folder
    std::vector<MissedLecture> missed;
    bool interrupted = false;
    std::string problem;  // why nothing could be listed or started, if so
    int exitCode = 0;
};

class SessionReport {
  public:
    virtual ~SessionReport() = default;

    // The catalogue listed the lecture (no address yet).
    virtual void listed(const ListedLecture& lecture) = 0;
    // The lecture's play address was resolved, or failed to resolve. Comes in
    // course order, whatever order the addresses arrive in.
    virtual void resolved(const ListedLecture& lecture) = 0;
    // While addresses are being resolved: how many of how many are done.
    virtual void resolving(int done, int total) = 0;
    virtual void started(const LectureTransfer& transfer) = 0;
    // About once a second while a file downloads.
    virtual void progress(const LectureTransfer& transfer) = 0;
    virtual void finished(const LectureTransfer& transfer) = 0;
    // The lecture's file was already complete in the folder ("已存在，跳过"):
    // nothing was fetched.
    virtual void skipped(const LectureTransfer& transfer) = 0;
    // `reason` is what the row's 完成状态 cell reads.
    virtual void failed(const LectureTransfer& transfer, const std::string& reason) = 0;
    virtual void summary(const SessionSummary& summary) = 0;

    // True once the lines can no longer reach their reader (a write to `out`
    // failed, or the reader of its pipe has gone): the session then stops as
    // on Ctrl+C, and what is still reported goes to `errors`.
    [[nodiscard]] virtual bool outputLost() const = 0;
};

// How the report is written.
enum class ReportStyle {
    liveTerminal,  // standard output is a terminal: a live line redrawn in place
    plainLines,    // a pipe or file: one plain line per state change
    jsonLines,     // --json: one JSON object per line per event
};

// Where a report writes: lines for the user or script on `out`, the reason a
// run could not start on `errors` (JSON puts everything on `out`). Both
// streams must outlive the report. `terminalColumns` tells the terminal's
// width at the moment of drawing (the live line only). `outputClosed` tells
// whether the reader of `out` has gone before a write fails (empty: only a
// failed write tells).
struct ReportTarget {
    std::ostream& out;
    std::ostream& errors;
    std::function<int()> terminalColumns;
    std::function<bool()> outputClosed;
};

// Whether the target's `out` can no longer reach its reader.
bool outputLost(const ReportTarget& target);

// `listOnly`: the run is a `list` command (every lecture's line is printed).
std::unique_ptr<SessionReport> makeSessionReport(ReportStyle style, bool listOnly,
                                                 ReportTarget target);

}  // namespace ld
