// Course catalogue fetch: the click of the search button starts a worker that
// takes the course identifier out of the address box, fetches the course's
// nested catalogue, lists one row per lecture in the parse list (number,
// title, video identifier, empty address) and starts the resolution worker.
// A search that lists nothing ends with the status label saying why (no
// course identifier in the address, platform not reached, error status, no
// lecture in the answer).
#pragma once

#include <cstdint>
#include <memory>

#include "course/course_request_limits.h"
#include "course/course_searches.h"
#include "course/play_address_resolution.h"
#include "text/text.h"
#include "window/controls.h"

namespace ld {

// Click handler of 按钮1, on the window's thread: begins a new search
// (superseding every earlier one) and starts fetchCourseCatalogue on a worker
// that reaches the window through `link`. Returns at once.
void startCatalogueFetch(Controls& controls, const std::shared_ptr<WindowLink>& link,
                         const std::shared_ptr<CourseSearches>& searches,
                         int playInfoRequestsInFlight = kPlayInfoRequestsInFlight);

// The catalogue worker's body. Writes nothing once its search is superseded.
// The resolution it starts keeps playInfoRequestsInFlight requests in flight.
// Both exchanges keep within `limits` (other values than the default are for
// tests).
void fetchCourseCatalogue(const SearchTicket& ticket,
                          int playInfoRequestsInFlight = kPlayInfoRequestsInFlight,
                          const CourseRequestLimits& limits = {});

// The bytes after the last occurrence of marker that has at least one byte
// after it (case-sensitive, never inside a double-byte character); empty when
// there is none.
Text textAfterLast(const Text& text, const Text& marker);

// "http://" + the API host + "/course/getCourseNested/" + courseId, unchanged.
Text catalogueAddress(const Text& courseId);

}  // namespace ld
