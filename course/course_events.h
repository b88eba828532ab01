// Wires the course spine to the window's events: the search button, the parse
// list's double-click and the three buttons under the parse list.
#pragma once

#include "course/play_address_resolution.h"
#include "window/controls.h"
#include "window/shared_state.h"

namespace ld {

// Installs the handlers on `controls`. The search counter and the workers'
// link to the window are created here and shared by the handlers and the
// workers; when the window destroys the handlers (after releasing its waiting
// callers) the link is cut, so a worker still running then ends without
// touching the window. `state` must outlive the handlers (it is only touched
// on the window's thread). Each resolution keeps playInfoRequestsInFlight
// play-info requests in flight (other values than the default are for
// measurements).
void wireCourseEvents(Controls& controls, SharedState& state,
                      int playInfoRequestsInFlight = kPlayInfoRequestsInFlight);

}  // namespace ld
