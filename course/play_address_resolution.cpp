#include "course/play_address_resolution.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "course/course_texts.h"
#include "course/resolution_rows.h"
#include "course/search_end_text.h"
#include "platform_constants.h"
#include "text/codepage.h"
#include "text/text_ops.h"
#include "web/http_request.h"
#include "window/control_aliases.h"

namespace ld {
namespace {

// Whether every request so far failed, and the first failure's cause.
class RequestTally {
  public:
    void count(const std::optional<RequestFailure>& failure) {
        ++requests_;
        if (failure) {
            ++failed_;
            first_ = first_.value_or(*failure);
        }
    }
    [[nodiscard]] std::optional<RequestFailure> everyRequestFailed() const {
        return requests_ > 0 && failed_ == requests_ ? first_ : std::nullopt;
    }

  private:
    int requests_ = 0;
    int failed_ = 0;
    std::optional<RequestFailure> first_;
};

// What the request threads of one resolution share. The rows and the tally
// are touched only inside the ticket's window steps, which run one at a time
// on the window's thread; the limits are set before the threads start.
struct SharedRun {
    ResolutionRows rows;
    RequestTally tally;
    ExchangeLimits limits;  // of every request
};

// One request thread: claims the topmost waiting row, asks about it, settles
// it, until no row waits. False when the search was superseded (or the
// window went) meanwhile.
bool askAboutRows(const SearchTicket& ticket, SharedRun& run) {
    RegexObject regex;
    bool more = true;
    while (more) {
        std::optional<ResolutionRows::Claim> claim;
        if (!ticket.write([&](Controls& c) { claim = run.rows.claimNext(c); })) {
            return false;
        }
        if (!claim) {
            return true;
        }
        const HttpTextReply reply =
            httpRequestTextReply(playInfoAddress(claim->videoId), run.limits);
        const Text address = playAddressFromAnswer(regex, reply.body);
        if (!ticket.write([&](Controls& c) {
                run.tally.count(requestFailureOf(reply));
                more = run.rows.settle(c, *claim, address) != ResolutionRows::Settled::NotKept;
            })) {
            return false;
        }
    }
    return true;
}

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

void resolvePlayAddresses(const SearchTicket& ticket, int requestsInFlight,
                          const ExchangeLimits& limits) {
    SharedRun run;
    run.limits = limits;
    int waiting = 0;
    if (!ticket.write([&](Controls& c) {
            run.rows.load(c);
            waiting = run.rows.waiting();
        })) {
        return;
    }
    const int threads = std::clamp(std::min(requestsInFlight, waiting), 1, kMaxRequestsPerHost);
    std::atomic<bool> superseded{false};
    {
        // Declared after what they use, so they are joined before it goes.
        std::vector<std::jthread> helpers;
        helpers.reserve(static_cast<std::size_t>(threads - 1));
        for (int i = 1; i < threads; ++i) {
            try {
                helpers.emplace_back([&ticket, &run, &superseded] {
                    if (!askAboutRows(ticket, run)) {
                        superseded = true;
                    }
                });
            } catch (const std::system_error&) {
                break;  // no more threads to be had: fewer requests at once
            }
        }
        if (!askAboutRows(ticket, run)) {
            superseded = true;
        }
    }
    if (superseded) {
        return;
    }
    // Every row is settled now. When no request got a usable answer the rows
    // alone cannot tell why; the status does.
    ticket.write([&run](Controls& c) {
        c.setText(kParseStatusLabel, resolutionEndText(run.tally.everyRequestFailed()));
        if (c.rowCount(kParseList) > 0) {
            c.setEnabled(kAddAllButton, true);
            c.setEnabled(kRemoveFailedButton, true);
        }
    });
}

}  // namespace ld
