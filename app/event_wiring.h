// Installs the handler of every event of the main window.
#pragma once

#include "app/globals.h"
#include "window/controls.h"

namespace ld {

// `controls` and `globals` must outlive the handlers.
void wireEvents(Controls& controls, Globals& globals);

}  // namespace ld
