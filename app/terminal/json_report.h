// The report for scripts: one JSON object per line per event ("listed",
// "resolved", "started", "progress", "finished", "skipped", "failed",
// "summary"), UTF-8, each line flushed as it is written. See
// session_report.h for the calls.
#pragma once

#include <memory>

#include "app/terminal/session_report.h"

namespace ld {

std::unique_ptr<SessionReport> makeJsonLinesReport(ReportTarget target);

}  // namespace ld
