#include "app/terminal/terminal_session.h"

#include <algorithm>
#include <cstdlib>

#include "app/event_wiring.h"
#include "text/codepage.h"
#include "window/control_aliases.h"

namespace ld {
namespace {

using std::chrono::milliseconds;

// How often the search's progress is looked at (and a stop signal).
constexpr milliseconds kSearchLookInterval{100};

std::string utf8(const Text& text) {
    return gbkToUtf8(text);
}

}  // namespace

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

int TerminalSession::chosenCount() const {
    return static_cast<int>(std::count_if(
        lectures_.begin(), lectures_.end(),
        [this](const ListedLecture& lecture) { return items_.contains(lecture.number); }));
}

TerminalSession::Ending TerminalSession::search(const std::string& courseAddress,
                                                const ItemSelection& items, SessionReport& report,
                                                StopSignals& stop) {
    items_ = items;
    window_.setText(kCourseAddressBox, utf8ToGbk(courseAddress));
    window_.fire(kSearchClicked);
    std::size_t listed = 0;
    std::size_t nextInOrder = 0;  // lectures before it have been reported resolved
    bool itemsChecked = false;
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
        // The catalogue fills the list in one step: once it has rows, the
        // course's numbers are known.
        if (!itemsChecked && !lectures_.empty()) {
            itemsChecked = true;
            itemsProblem_ = items_.problemFor(static_cast<int>(lectures_.size()));
            if (!itemsProblem_.empty()) {
                return Ending::badItems;
            }
        }
        for (; listed < lectures_.size(); ++listed) {
            if (items_.contains(lectures_[listed].number)) {
                report.listed(lectures_[listed]);
            }
        }
        // In course order: a lecture waits for the ones before it.
        for (; nextInOrder < lectures_.size() && (lectures_[nextInOrder].resolved || ended);
             ++nextInOrder) {
            const ListedLecture& lecture = lectures_[nextInOrder];
            if (lecture.resolved && items_.contains(lecture.number)) {
                report.resolved(lecture);
            }
        }
        int resolved = 0;
        for (const ListedLecture& lecture : lectures_) {
            resolved += lecture.resolved && items_.contains(lecture.number) ? 1 : 0;
        }
        if (!lectures_.empty() && resolved != resolvedBefore) {
            report.resolving(resolved, chosenCount());
            resolvedBefore = resolved;
        }
        if (ended) {
            return Ending::completed;
        }
        // Nobody reading the lines any more ends the run as Ctrl+C does. The
        // wait ends at once when the search does.
        window_.waitForWorkers(kSearchLookInterval);
        if (report.outputLost() || stop.waitFor(milliseconds(0))) {
            return Ending::interrupted;
        }
    }
}

}  // namespace ld
