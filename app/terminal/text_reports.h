// The two reports for people: the live line on a terminal and plain lines for
// a pipe or a log file. See session_report.h for the calls.
#pragma once

#include <memory>

#include "app/terminal/session_report.h"

namespace ld {

// Redraws one line in place for the current file (cut to the terminal's width
// so it never wraps, the title shortened first) and settles a line per
// finished, skipped or failed lecture.
std::unique_ptr<SessionReport> makeLiveTerminalReport(bool listOnly, ReportTarget target);

// One plain line per lecture state change, without any control character, and
// one at least every 10 seconds of a long file with its figures.
std::unique_ptr<SessionReport> makePlainLinesReport(bool listOnly, ReportTarget target);

}  // namespace ld
