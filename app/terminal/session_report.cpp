#include "app/terminal/session_report.h"

#include <utility>

#include "app/terminal/json_report.h"
#include "app/terminal/text_reports.h"

namespace ld {

bool outputLost(const ReportTarget& target) {
    return !target.out.good() || (target.outputClosed && target.outputClosed());
}

std::unique_ptr<SessionReport> makeSessionReport(ReportStyle style, bool listOnly,
                                                 ReportTarget target) {
    switch (style) {
        case ReportStyle::liveTerminal:
            return makeLiveTerminalReport(listOnly, std::move(target));
        case ReportStyle::plainLines:
            return makePlainLinesReport(listOnly, std::move(target));
        case ReportStyle::jsonLines:
            break;
    }
    return makeJsonLinesReport(std::move(target));
}

}  // namespace ld
