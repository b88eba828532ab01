#include "course/play_address_resolution.h"

#include <optional>

#include "course/course_texts.h"
#include "course/search_end_text.h"
#include "platform_constants.h"
#include "text/codepage.h"
#include "text/text_ops.h"
#include "web/http_request.h"

namespace ld {
namespace {

constexpr int kIdColumn = 2;
constexpr int kAddressColumn = 3;

// The first row without an address: resolved rows form the top of the list
// and only deletions happen under the worker, so the search starts at the
// hint (just after the last row written) and moves by the rows deleted since.
int firstWaitingRow(Controls& c, int hint) {
    const int rows = c.rowCount(List::超级列表框1);
    int row = hint < rows ? hint : rows;
    while (row > 0 && c.getCellText(List::超级列表框1, row - 1, kAddressColumn).empty()) {
        --row;
    }
    while (row < rows && !c.getCellText(List::超级列表框1, row, kAddressColumn).empty()) {
        ++row;
    }
    return row < rows ? row : -1;
}

struct WaitingRow {
    int row;
    Text videoId;
};

}  // namespace

Text playInfoAddress(const Text& videoId) {
    return concatTexts({Text("http://"), Text(platform::kPlayInfoHost),
                        Text(course_text::kPlayInfoPath), Text("?uid="),
                        Text(platform::kPlayInfoUid), Text("&vid="), videoId, Text("&lid=&pid="),
                        Text(platform::kPlayInfoPid), Text(course_text::kPlayInfoTail),
                        Text(platform::kPlayInfoDomain), Text(course_text::kPlayerVersionTail)});
}

Text playAddressFromAnswer(RegexObject& regex, const Text& answer) {
    regex.search(gbk(course_text::kPlayInfoPattern), answer);
    Text address = regex.subMatchText(1, 1);
    // Only the key's entity is decoded; any other "&amp;" stays as served.
    address = replaceText(address, Text(course_text::kKeyEntity), Text(course_text::kKeyParameter),
                          1, std::nullopt, true);
    if (address.empty()) {
        return gbk(course_text::kResolutionFailed);
    }
    return address;
}

void resolvePlayAddresses(const SearchTicket& ticket) {
    RegexObject regex;
    int hint = 0;
    bool stuck = false;
    // Whether every request so far failed, and the first failure's cause.
    int requests = 0;
    int failedRequests = 0;
    std::optional<RequestFailure> firstFailure;
    while (!stuck) {
        std::optional<WaitingRow> next;
        if (!ticket.write([&](Controls& c) {
                const int row = firstWaitingRow(c, hint);
                if (row >= 0) {
                    next = WaitingRow{row, c.getCellText(List::超级列表框1, row, kIdColumn)};
                }
            })) {
            return;
        }
        if (!next) {
            break;
        }
        const HttpTextReply reply = httpRequestTextReply(playInfoAddress(next->videoId));
        ++requests;
        if (const std::optional<RequestFailure> failure = requestFailureOf(reply)) {
            ++failedRequests;
            firstFailure = firstFailure.value_or(*failure);
        }
        const Text address = playAddressFromAnswer(regex, reply.body);
        if (!ticket.write([&](Controls& c) {
                // Still the row waiting first and still the same lecture? A row
                // removed meanwhile is simply not written.
                const int row = firstWaitingRow(c, next->row);
                if (row >= 0 && c.getCellText(List::超级列表框1, row, kIdColumn) == next->videoId) {
                    c.setCellText(List::超级列表框1, row, kAddressColumn, address);
                    hint = row + 1;
                    // A window that no longer keeps what is written would
                    // hand out this row again and again.
                    stuck = c.getCellText(List::超级列表框1, row, kAddressColumn).empty();
                } else {
                    hint = row >= 0 ? row : 0;
                }
            })) {
            return;
        }
    }
    // When no request got a usable answer the rows alone cannot tell why;
    // the status does.
    const bool everyRequestFailed = requests > 0 && failedRequests == requests;
    const Text doneText = resolutionEndText(everyRequestFailed ? firstFailure : std::nullopt);
    ticket.write([&doneText](Controls& c) {
        c.setText(Control::透明标签2, doneText);
        if (c.rowCount(List::超级列表框1) > 0) {
            c.setEnabled(Control::按钮2, true);
            c.setEnabled(Control::按钮4, true);
        }
    });
}

}  // namespace ld
