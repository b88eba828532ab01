#include "course/catalogue_fetch.h"

#include <utility>
#include <vector>

#include "course/course_texts.h"
#include "course/play_address_resolution.h"
#include "course/search_end_text.h"
#include "platform_constants.h"
#include "text/codepage.h"
#include "text/text_ops.h"
#include "web/http_request.h"
#include "web/regex_object.h"
#include "window/control_aliases.h"

namespace ld {
namespace {

struct LectureEntry {
    Text videoId;
    Text title;
};

}  // namespace

Text textAfterLast(const Text& text, const Text& marker) {
    // Only an occurrence with at least one byte after it counts, so the search
    // ends before the last byte: "x=courseId=1&y=courseId=" gives "1&y=courseId=".
    const int length = textLength(text);
    if (length == 0) {
        return {};
    }
    const int position = findTextBackward(text, marker, length);
    if (position < 0) {
        return {};
    }
    return rightText(text, textLength(text) - (position - 1) - textLength(marker));
}

Text catalogueAddress(const Text& courseId) {
    return concatTexts({Text("http://"), Text(platform::kCourseApiHost),
                        Text(course_text::kCataloguePath), courseId});
}

void startCatalogueFetch(Controls& controls, const std::shared_ptr<WindowLink>& link,
                         const std::shared_ptr<CourseSearches>& searches,
                         int playInfoRequestsInFlight) {
    const std::uint64_t search = searches->beginSearch();
    SearchTicket ticket(link, searches, search);
    controls.startWorker([ticket, playInfoRequestsInFlight] {
        fetchCourseCatalogue(ticket, playInfoRequestsInFlight);
    });
}

void fetchCourseCatalogue(const SearchTicket& ticket, int playInfoRequestsInFlight,
                          const CourseRequestLimits& limits) {
    RegexObject regex;
    if (!ticket.write(
            [](Controls& c) { c.setText(kParseStatusLabel, gbk(course_text::kParsing)); })) {
        return;
    }
    Text address;
    if (!ticket.read([&](Controls& c) { address = c.getText(kCourseAddressBox); })) {
        return;
    }
    const Text courseId = textAfterLast(address, Text(course_text::kCourseIdMarker));
    if (courseId.empty()) {
        // Nothing to ask the platform about: no request goes out.
        ticket.write([](Controls& c) {
            c.deleteAllRows(kParseList);
            c.setText(kParseStatusLabel, gbk(course_text::kNoCourseId));
        });
        return;
    }
    const HttpTextReply reply = httpRequestTextReply(catalogueAddress(courseId), limits.catalogue);
    const Text& answer = reply.body;

    regex.search(gbk(course_text::kCataloguePattern), answer);
    std::vector<LectureEntry> lectures;
    const int matches = regex.matchCount();
    lectures.reserve(static_cast<std::size_t>(matches));
    for (int i = 1; i <= matches; ++i) {
        lectures.push_back({regex.subMatchText(i, 1), regex.subMatchText(i, 2)});
    }

    // The list is emptied and filled as one step, so no other action sees it
    // half filled.
    bool listed = false;
    const bool current = ticket.write([&](Controls& c) {
        c.deleteAllRows(kParseList);
        int number = 1;
        for (const LectureEntry& lecture : lectures) {
            const int row = c.appendRow(kParseList);
            c.setCellText(kParseList, row, kParseNumberColumn, toText(number));
            c.setCellText(kParseList, row, kParseVideoIdColumn, lecture.videoId);
            c.setCellText(kParseList, row, kParseTitleColumn, lecture.title);
            ++number;
        }
        listed = c.rowCount(kParseList) > 0;
        // The search ends here unless lectures were listed: say how.
        c.setText(kParseStatusLabel,
                  listed ? gbk(course_text::kResolving) : catalogueEndText(reply));
    });
    if (current && listed) {
        ticket.read([&](Controls& c) {
            c.startWorker([ticket, playInfoRequestsInFlight, playInfo = limits.playInfo] {
                resolvePlayAddresses(ticket, playInfoRequestsInFlight, playInfo);
            });
        });
    }
}

}  // namespace ld
