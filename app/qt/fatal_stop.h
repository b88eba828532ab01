// The fatal stop: an error box, then the process ends with exit code -1
// without running the exit routine.
#pragma once

#include "app/fatal_stop_text.h"
#include "text/text.h"

namespace ld {

// Shows the box captioned "错误" with an error icon and, once it is closed,
// ends the process with exit code -1. The text (fatalStopText) also goes to
// standard error. For tests, the environment variable LD_TEST_NO_DIALOGS (any
// value) closes the box as soon as it is shown.
[[noreturn]] void fatalStop(const Text& message);

}  // namespace ld
