// The fatal stop on Windows: an error box captioned "错误" with the text of
// fatalStopText, then the process ends with exit code -1 without running the
// exit routine. The text also goes to standard error. For tests, the
// environment variable LD_TEST_NO_DIALOGS (any value) closes the box as soon
// as it is shown. Any thread; the box is modal to the calling thread's windows.
#pragma once

#include "app/fatal_stop_text.h"
#include "text/text.h"

namespace ld::win32 {

[[noreturn]] void fatalStop(const Text& message);

}  // namespace ld::win32
