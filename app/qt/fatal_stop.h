// The fatal stop: an error box, then the process ends with exit code -1
// without running the exit routine.
#pragma once

#include "text/text.h"

namespace ld {

// The box's text: "运行时出错!", two line breaks, "错误信息：", the message and
// one line break.
Text fatalStopText(const Text& message);

// Shows the box captioned "错误" with an error icon and, once it is closed,
// ends the process with exit code -1. The text also goes to standard error.
// For tests, the environment variable LD_TEST_NO_DIALOGS (any value) closes
// the box as soon as it is shown.
[[noreturn]] void fatalStop(const Text& message);

}  // namespace ld
