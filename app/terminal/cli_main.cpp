// lecture-downloader-cli: the terminal mode without the window.
#include "app/terminal/terminal_main.h"

int main(int argc, char** argv) {
    return ld::runTerminal(argc, argv);
}
