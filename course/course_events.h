// Wires the course spine to the window's events: the search button, the parse
// list's double-click and the three buttons under the parse list.
#pragma once

#include "app/seam/controls.h"
#include "app/seam/shared_state.h"

namespace ld {

// Installs the handlers on `controls`. The search counter they share is
// created here and lives as long as the handlers and the workers that use it.
// `state` must outlive the handlers (it is only touched on the window's thread).
void wireCourseEvents(Controls& controls, SharedState& state);

}  // namespace ld
