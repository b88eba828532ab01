// Play-address resolution: a worker asks the play-info service about each
// row's video identifier and writes the "超清 1.75x" play address, or
// "解析失败", into the row's address column. Up to kPlayInfoRequestsInFlight
// requests run at once, one per request thread; rows are taken from the top
// and may fill out of order. "解析完成" and the two buttons follow only when
// every row is settled. When every play-info request failed (host not
// reached, error status), the status after "解析完成" names the cause.
//
// The parse list stays usable meanwhile (清空列表, 删除失败, double-clicks).
// Each row is asked about once, by one request; an answer is written only
// into the row it was asked for, and only while that row still holds the same
// lecture (ResolutionRows). Rows removed meanwhile are neither asked about
// nor written.
//
// Threads: the worker owns its request threads and joins them before it
// returns. Once its search is superseded (or the window goes) no thread of it
// writes again; requests already out finish and their answers are dropped.
#pragma once

#include "course/course_request_limits.h"
#include "course/course_searches.h"
#include "text/text.h"
#include "web/regex_object.h"

namespace ld {

// Play-info requests one resolution keeps in flight.
inline constexpr int kPlayInfoRequestsInFlight = 4;
// Never more requests at once to one host, whatever a caller asks for.
inline constexpr int kMaxRequestsPerHost = 8;

// The resolution worker's body. Writes nothing once its search is superseded.
// `requestsInFlight` is clamped to 1..kMaxRequestsPerHost (all play-info
// requests go to one host); other values than the default are for
// measurements. Each request keeps within `limits` (other values than the
// default are for tests).
void resolvePlayAddresses(const SearchTicket& ticket,
                          int requestsInFlight = kPlayInfoRequestsInFlight,
                          const ExchangeLimits& limits = kPlayInfoLimits);

// "http://" + play-info host + "/servlet/playinfo?uid=..&vid=" + videoId +
// the fixed tail of query values.
Text playInfoAddress(const Text& videoId);

// The play address the answer holds for the "超清 1.75x" quality with
// "&amp;key=" turned into "&key=", or "解析失败" when it holds none.
Text playAddressFromAnswer(RegexObject& regex, const Text& answer);

}  // namespace ld
