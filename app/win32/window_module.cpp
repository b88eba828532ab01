// The window module's entry (see app/window_module.h): the Win32 program.
#include "app/win32/application.h"

extern "C" __declspec(dllexport) int ld_run_window(int /*argc*/, char** /*argv*/) {
    // The arguments are read again from the system, in UTF-16.
    return ld::win32::runApplication();
}
