// The window module's entry (see app/window_module.h): the Qt program.
#include "app/qt/application.h"

#if defined(_WIN32)
#define LD_WINDOW_MODULE_EXPORT __declspec(dllexport)
#else
#define LD_WINDOW_MODULE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" LD_WINDOW_MODULE_EXPORT int ld_run_window(int argc, char** argv) {
    return ld::runApplication(argc, argv);
}
