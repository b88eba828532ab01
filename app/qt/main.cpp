#include "app/qt/application.h"
#if defined(LD_TERMINAL_MODE)
#include "app/terminal/terminal_main.h"
#endif

int main(int argc, char** argv) {
#if defined(LD_TERMINAL_MODE)
    // `lecture-downloader list|download ...` runs in the terminal, before
    // anything of the window (or a display) is touched.
    if (ld::wantsTerminal(argc, argv)) {
        return ld::runTerminal(argc, argv);
    }
#endif
    return ld::runApplication(argc, argv);
}
