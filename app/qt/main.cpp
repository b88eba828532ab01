#include "app/qt/application.h"
#include "app/terminal/terminal_main.h"

int main(int argc, char** argv) {
    // `lecture-downloader list|download ...` runs in the terminal, before
    // anything of the window (or a display) is touched.
    if (ld::wantsTerminal(argc, argv)) {
        return ld::runTerminal(argc, argv);
    }
    return ld::runApplication(argc, argv);
}
